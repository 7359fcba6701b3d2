// The built-in scenario must compile without a single fault: every signal,
// board, station and slowdown on a cell of its own, every code point of the
// finishing pass placed. These tests run the texts through the writer, back
// through both parsers and the pass, and look at the cells the driver meets.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "compiler/compile.h"
#include "compiler/diagnostics.h"
#include "compiler/field_reader.h"
#include "compiler/line_parser.h"
#include "compiler/signal_codes.h"
#include "compiler/track_model.h"
#include "compiler/train_parser.h"
#include "output/binary_decoders.h"
#include "output/binary_files.h"
#include "output/byte_sink.h"
#include "sources/builtin_texts.h"
#include "test_support/model_fields.h"

namespace binario {
namespace {

class BuiltinCompileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    line_text_ = line_list_text(builtin_line_list());
    train_text_ = line_list_text(builtin_train_list());

    model_.clear_treno();
    model_.treno[kScenarioEntry].nome = "Zorvane_Pelk";
    model_.treno[kTrainEntry].nome = "728";
    FieldReader line_reader(line_text_);
    LineParser line_parser(model_, status_, line_reader, "linea.txt", true);
    ASSERT_EQ(line_parser.parse(), LineParser::Outcome::kReadTrain);
    FieldReader train_reader(train_text_);
    TrainParser train_parser(model_, status_, train_reader, "treno.txt");
    train_parser.parse();
    place_signal_codes(model_, status_);
  }

  const Cella& cell(int k) const { return model_.percorso.at(static_cast<size_t>(k)); }

  std::string line_text_;
  std::string train_text_;
  TrackModel model_;
  Status status_;
};

TEST_F(BuiltinCompileTest, CompilesWithoutAnyFault) {
  EXPECT_EQ(status_.codice_errore(), 0);
  for (const Diagnostic& d : status_.diagnostics()) ADD_FAILURE() << format_diagnostic(d);
  EXPECT_EQ(model_.last_cell(), 1780);
  // The reserved slots of cell 1 are still free for the markers.
  EXPECT_EQ(cell(1).valore1, 0);
  EXPECT_EQ(cell(1).valore2, 0);
  // The geometry ran up to its last computed point.
  EXPECT_EQ(model_.linea.filled(), 88999u);
}

TEST_F(BuiltinCompileTest, SlowdownAtCarmignanoWithItsCodePoints) {
  EXPECT_EQ(cell(357).tipo, kSlowdownWarning);
  EXPECT_EQ(cell(357).valore1, 30);
  for (int k = 353; k <= 356; ++k) {
    EXPECT_EQ(cell(k).tipo, kCountdown) << k;
    EXPECT_EQ(cell(k).valore1, 357 - k) << k;
  }
  EXPECT_EQ(cell(381).tipo, kSlowdownStart);
  EXPECT_EQ(cell(381).valore1, 30);
  EXPECT_EQ(cell(387).tipo, kSlowdownEnd);
  EXPECT_EQ(cell(387).valore1, 30);
  // One code point in each window before the start, the cell nearest the
  // start first; none inside a slowdown shorter than eight cells.
  for (int k : {376, 370, 363}) {
    EXPECT_EQ(cell(k).tipo, kCodePoint) << k;
    EXPECT_EQ(cell(k).valore1, 180) << k;
  }
  for (int k = 382; k < 387; ++k) EXPECT_EQ(cell(k).tipo, kNone) << k;
}

TEST_F(BuiltinCompileTest, SlowdownBeforeCascinaHeldByTheWholeTrain) {
  EXPECT_EQ(cell(1271).tipo, kSlowdownWarning);
  EXPECT_EQ(cell(1295).tipo, kSlowdownStart);
  EXPECT_EQ(cell(1295).valore3, 1);
  EXPECT_EQ(cell(1303).tipo, kSlowdownEnd);
  EXPECT_EQ(cell(1303).valore1, 70);
  for (int k = 1267; k <= 1270; ++k) EXPECT_EQ(cell(k).tipo, kCountdown) << k;
  for (int k : {1290, 1284, 1277}) EXPECT_EQ(cell(k).tipo, kCodePoint) << k;
  // The eighth cell of the walk is the end cell, so its code point goes one
  // cell back.
  EXPECT_EQ(cell(1302).tipo, kCodePoint);
  EXPECT_EQ(cell(1302).valore1, 180);
}

TEST_F(BuiltinCompileTest, SignalsTakeTheirOwnCells) {
  // The first signal: sx 1, s1 4, s2 1.
  EXPECT_EQ(cell(21).tipo, kSignal);
  EXPECT_EQ(cell(21).valore1, 40);
  EXPECT_EQ(cell(21).valore2, 10);
  EXPECT_EQ(cell(21).valore4, 3);
  EXPECT_EQ(cell(19).ripetizione, 31);
  EXPECT_EQ(cell(13).ripetizione, 34);
  // The protection signal of Pontedera keeps its time of 160.
  EXPECT_EQ(cell(1212).tipo, kSignal);
  EXPECT_EQ(cell(1212).tempo, 160);
  // The last one, the protection signal of Pelk.
  EXPECT_EQ(cell(1584).tipo, kSignal);
  EXPECT_EQ(cell(1584).valore4, 18);

  int signals = 0;
  int boards = 0;
  int sign_boards = 0;
  int stations = 0;
  for (const Cella& c : model_.percorso) {
    signals += c.tipo == kSignal;
    boards += c.tipo == kSpeedBoard;
    sign_boards += c.tipo == kSignBoard;
    stations += c.tipo == kStationStop;
  }
  // Each of them would be missing here had it shared a cell with another.
  EXPECT_EQ(signals, 42);
  EXPECT_EQ(boards, 19);
  EXPECT_EQ(sign_boards, 3);
  EXPECT_EQ(stations, 12);
}

TEST_F(BuiltinCompileTest, StationsAndTheirEntries) {
  EXPECT_EQ(cell(7).tipo, kStationStop);
  EXPECT_EQ(cell(7).valore1, 1);
  EXPECT_EQ(cell(61).tipo, kStationStop);
  EXPECT_EQ(cell(61).valore1, 2);
  EXPECT_EQ(cell(681).valore1, 8);    // EMPOLI
  EXPECT_EQ(cell(1623).valore1, 16);  // PELK C.le
  EXPECT_EQ(model_.treno[16].nome, "PELK C.le");
  EXPECT_EQ(model_.treno[8].orario, 6 * 3600 + 19 * 60);
  EXPECT_EQ(model_.treno[80].nome, "(  Km. ) (18.600)");
  EXPECT_EQ(model_.treno[78].nome, "( Ponte  ) (su fiume) (  Arno  )");
  EXPECT_EQ(cell(372).tipo, kSignBoard);
}

TEST_F(BuiltinCompileTest, SpeedProfileFollowsTheRecords) {
  EXPECT_EQ(cell(5).velocita, 6);      // 30 km/h out of the terminus
  EXPECT_EQ(cell(10).velocita, 24);    // 120 from metre 500
  EXPECT_EQ(cell(600).velocita, 32);   // 160 from metre 30000
  EXPECT_EQ(cell(1500).velocita, 27);  // 135 to the end
  EXPECT_EQ(cell(1777).velocita, 27);
  EXPECT_EQ(cell(1778).velocita, 0);
  // The first speed board: 105, 115, 120 on the left only.
  EXPECT_EQ(cell(17).tipo, kSpeedBoard);
  EXPECT_EQ(cell(17).valore1, 2100);
  EXPECT_EQ(cell(17).valore3, 2400);
  EXPECT_EQ(cell(6).pendenza, 104);  // 4 per mille from metre 300
  EXPECT_EQ(cell(80).pendenza, 96);  // -4 from metre 4000
}

// The whole compile of the built-in pair, written by the output layer and
// read back by the decoders, gives the finished model field for field.
TEST(BuiltinRoundTrip, TheBuiltInScenarioDecodesToItsModel) {
  CompileInput input;
  input.line = SourceText{"linea.txt", line_list_text(builtin_line_list()), std::nullopt, false};
  input.train = SourceText{"treno.txt", line_list_text(builtin_train_list()), std::nullopt, false};
  input.model_name = "Zorvane_Pelk";
  input.model_number = "728";
  input.with_geometry = true;
  const CompileResult result = compile(input);
  ASSERT_EQ(result.end, CompileEnd::kCompiled);
  const TrackModel& model = result.model;
  auto image = [&](BinaryImage kind) {
    StringSink sink;
    write_image(kind, model, sink);
    return sink.bytes;
  };

  std::vector<Cella> cells;
  DecodeError error;
  ASSERT_TRUE(decode_cells(image(BinaryImage::kCells), &cells, &error)) << error.expected;
  ASSERT_EQ(cells.size(), 1781u);
  for (size_t k = 0; k < cells.size(); ++k) {
    ASSERT_EQ(test::fields(cells[k]), test::fields(model.percorso[k])) << k;
  }

  std::array<VoceTreno, kTrenoEntries> treno{};
  ASSERT_TRUE(decode_train_table(image(BinaryImage::kTrainTable), &treno, &error))
      << error.expected;
  for (size_t i = 0; i < treno.size(); ++i) {
    EXPECT_EQ(test::fields(treno[i]), test::fields(model.treno[i])) << i;
  }

  DecodedGeometry geometry;
  ASSERT_TRUE(decode_geometry(image(BinaryImage::kGeometry), &geometry, &error)) << error.expected;
  test::expect_geometry(geometry, model.linea);
}

}  // namespace
}  // namespace binario
