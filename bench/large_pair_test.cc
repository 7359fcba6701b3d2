#include "bench/large_pair.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/file_system.h"
#include "platform/ui.h"
#include "run/form1.h"

namespace binario {
namespace {

class NoUi : public Ui {
 public:
  void show_waiting() override {}
  void errore(std::string_view) override {}
};

// The pair compiled the way `binario compile` compiles it, in memory.
class LargePairTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pair_ = new LargePair(make_large_pair());
    fs_ = new MemoryFileSystem;
    fs_->files["Grande_linea.txt"] = pair_->line;
    fs_->files["Grande_1-.txt"] = pair_->train;
    form_ = new Form1(*fs_, ui_);
    form_->nome_percorso = kLargePairName;
    form_->numero_treno = kLargePairNumber;
    form_->line_text_path = kLargePairLineFile;
    form_->train_text_path = kLargePairTrainFile;
    form_->delete_sources = false;
    report_ = new RunReport(form_->memorizza_percorso(1));
  }
  static void TearDownTestSuite() {
    delete report_;
    delete form_;
    delete fs_;
    delete pair_;
  }

  static std::map<int, int> cells_by_kind() {
    std::map<int, int> n;
    for (const Cella& c : form_->model.percorso) ++n[c.tipo];
    return n;
  }

  static inline LargePair* pair_ = nullptr;
  static inline MemoryFileSystem* fs_ = nullptr;
  static inline NoUi ui_;
  static inline Form1* form_ = nullptr;
  static inline RunReport* report_ = nullptr;
};

TEST_F(LargePairTest, CompilesWithoutAFaultIntoThreeFiles) {
  for (const Diagnostic& d : form_->status.diagnostics()) ADD_FAILURE() << format_diagnostic(d);
  EXPECT_EQ(exit_status(*report_, form_->status), 0);
  EXPECT_EQ(report_->outputs.size(), 3u);
  // About 20 MB of geometry: every point up to the last two computed.
  const std::string& geometry = fs_->files["Grande_linea.dat"];
  EXPECT_EQ(geometry.size(), 2 * (2 * 4 + (kLargePairLength + 7000 - 3) * 10 + 2 * 2));
}

TEST_F(LargePairTest, IsAsLargeAsPromised) {
  const LargePairCounts& n = pair_->counts;
  EXPECT_GE(n.body_records(), 20'000);
  EXPECT_GE(n.train_records(), 5'000);
  for (int count : {n.gradients, n.curves, n.mountains, n.speed_boards, n.sign_boards,
                    n.speed_limits, n.stations, n.slowdowns, n.signals, n.code_points}) {
    EXPECT_GT(count, 0);
  }
  EXPECT_EQ(form_->model.treno[kTrainParameters].fine, kLargePairLength);
  EXPECT_EQ(form_->model.percorso.size(), 20'141u);
}

TEST_F(LargePairTest, EveryPlacedRecordLandsOnItsOwnCell) {
  const LargePairCounts& n = pair_->counts;
  std::map<int, int> kinds = cells_by_kind();
  EXPECT_EQ(kinds[kSignal], n.signals);
  EXPECT_EQ(kinds[kSpeedBoard], n.speed_boards);
  EXPECT_EQ(kinds[kSignBoard], n.sign_boards);
  EXPECT_EQ(kinds[kStationStop], n.stations);
  EXPECT_EQ(kinds[kSlowdownStart], n.slowdowns);
  EXPECT_EQ(kinds[kSlowdownEnd], n.slowdowns);
  EXPECT_EQ(kinds[kSlowdownWarning], n.slowdowns);
  EXPECT_EQ(kinds[kCountdown], 4 * n.slowdowns);
  EXPECT_GT(kinds[kMountainMarker], 0);
  // The signal-code pass adds code points beside those of the description:
  // at least the three look-back windows of every slowdown.
  EXPECT_GE(kinds[kCodePoint] + kinds[kBareCodePoint], n.code_points + 3 * n.slowdowns);
  EXPECT_EQ(form_->model.numero_cartelli, n.sign_boards);
  EXPECT_EQ(form_->model.treno[static_cast<size_t>(n.stations)].nome, "POSTO 990");
}

}  // namespace
}  // namespace binario
