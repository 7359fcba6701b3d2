#include "bench/large_pair.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

#include "compiler/compile.h"
#include "output/binary_files.h"
#include "output/byte_sink.h"

namespace binario {
namespace {

// The pair compiled the way `binario compile` compiles it, in memory.
class LargePairTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pair_ = new LargePair(make_large_pair());
    CompileInput input;
    input.line = SourceText{kLargePairLineFile, pair_->line, std::nullopt, false};
    input.train = SourceText{kLargePairTrainFile, pair_->train, std::nullopt, false};
    input.model_name = kLargePairName;
    input.model_number = kLargePairNumber;
    input.with_geometry = true;
    result_ = new CompileResult(compile(input));
  }
  static void TearDownTestSuite() {
    delete result_;
    delete pair_;
  }

  static std::map<int, int> cells_by_kind() {
    std::map<int, int> n;
    for (const Cella& c : result_->model.percorso) ++n[c.tipo];
    return n;
  }

  static inline LargePair* pair_ = nullptr;
  static inline CompileResult* result_ = nullptr;
};

TEST_F(LargePairTest, CompilesWithoutAFaultIntoThreeFiles) {
  for (const Diagnostic& d : result_->status.diagnostics()) {
    ADD_FAILURE() << format_diagnostic(d);
  }
  EXPECT_EQ(result_->end, CompileEnd::kCompiled);
  EXPECT_EQ(result_->status.codice_errore(), 0);
  // About 20 MB of geometry: every point up to the last two computed.
  StringSink geometry;
  write_image(BinaryImage::kGeometry, result_->model, geometry);
  EXPECT_EQ(geometry.bytes.size(), 2 * (2 * 4 + (kLargePairLength + 7000 - 3) * 10 + 2 * 2));
}

TEST_F(LargePairTest, IsAsLargeAsPromised) {
  const LargePairCounts& n = pair_->counts;
  EXPECT_GE(n.body_records(), 20'000);
  EXPECT_GE(n.train_records(), 5'000);
  for (int count : {n.gradients, n.curves, n.mountains, n.speed_boards, n.sign_boards,
                    n.speed_limits, n.stations, n.slowdowns, n.signals, n.code_points}) {
    EXPECT_GT(count, 0);
  }
  EXPECT_EQ(result_->model.treno[kTrainParameters].fine, kLargePairLength);
  EXPECT_EQ(result_->model.percorso.size(), 20'141u);
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
  EXPECT_EQ(result_->model.numero_cartelli, n.sign_boards);
  EXPECT_EQ(result_->model.treno[static_cast<size_t>(n.stations)].nome, "POSTO 990");
}

}  // namespace
}  // namespace binario
