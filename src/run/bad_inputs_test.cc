// Bad descriptions through the whole compile, one or more per status code:
// each case fixes the code, the position in metres, where the diagnostic
// points, how the run ends, and that a run which never built its model (or
// was stopped) leaves every output file as it was.
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "run/form1.h"
#include "test_support/memory_file_system.h"
#include "test_support/recording_ui.h"

namespace binario {
namespace {

std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A 3000 m line: cells 0 to 200, positions up to 9900 pass the range check.
const char* const kLine =
    "[generale]\n"
    "lunghezza percorso, 3000\n"
    "[pendenze]\n"
    "pendenza, 300, 2\n"
    "[fine]\n";

// The line with `body` (whole lines) after the gradient, from line 5 on.
std::string line_with(const std::string& body) {
  return std::string("[generale]\nlunghezza percorso, 3000\n[pendenze]\npendenza, 300, 2\n") +
         body + "[fine]\n";
}

const char* const kTrain =
    "[generale]\n"
    "numero vetture, 4\n"
    "velocita, 0, 30\n"
    "[fine]\n";

// The train with `body` (whole lines) after the speed record, from line 4 on.
std::string train_with(const std::string& body) {
  return std::string("[generale]\nnumero vetture, 4\nvelocita, 0, 30\n") + body + "[fine]\n";
}

// A slowdown at metre 3000, 200 m long: warning board in cell 37, start in
// cell 61, end in cell 65; no countdown.
const char* const kSlowdown = "rallentamento, 3000, 120, 200, 0, 0, 0\n";

std::string signal_at(int metre) {
  return "segnale, " + std::to_string(metre) + ", 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\n";
}

std::string station(int metre, int kind, int length) {
  return "stazione, " + std::to_string(metre) + ", " + std::to_string(kind) + ", " +
         std::to_string(length) + ", 1, 0, 0, 4,1,0, 2,1,1, 1, 5,50,0, STAZIONE\n";
}

// The line with `count` sign boards, 100 m apart from metre 200 on, on
// lines 5, 6, ….
std::string line_with_boards(int count) {
  std::string body;
  for (int i = 0; i < count; ++i) {
    body += "cartello indicatore, " + std::to_string(200 + 100 * i) + ", (Km)\n";
  }
  return line_with(body);
}

enum class In { kLine, kTrain, kNowhere };

struct BadInput {
  const char* name;
  std::optional<std::string> line;  // nothing: the file does not exist
  std::optional<std::string> train;
  int32_t code;
  std::optional<int32_t> position;  // metres, where the fault has one
  In in;                            // which text the diagnostic points into
  int line_no;                      // 0: the file as a whole
  int column;
  int exit;
  const char* mentions = nullptr;  // a word the message must hold
};

const BadInput kBadInputs[] = {
    {"LineTooLong", "[generale]\nlunghezza percorso, 1000001\n[fine]\n", kTrain, 1, std::nullopt,
     In::kLine, 2, 1, 3, "1000001"},
    {"ChainageOffTheCellGrid",
     "[generale]\nlunghezza percorso, 3000\nprogressiva chilometrica uno, 0, 1025, 0\n[fine]\n",
     kTrain, 2, std::nullopt, In::kNowhere, 0, 0, 1, "1025"},
    {"RepetitionStartBeforeTheLength",
     "[generale]\nripetizione segnali 4 codici, 25, 500\nlunghezza percorso, 3000\n[fine]\n",
     kTrain, 3, std::nullopt, In::kLine, 2, 1, 3},
    {"RepetitionEndOffTheGrid",
     "[generale]\nlunghezza percorso, 3000\nripetizione segnali 4 codici, 500, 2510\n[fine]\n",
     kTrain, 4, std::nullopt, In::kLine, 3, 1, 1},
    {"RepetitionWithoutCodeCount",
     "[generale]\nlunghezza percorso, 3000\n  ripetizione segnali codici, 0, 0\n[fine]\n", kTrain,
     5, std::nullopt, In::kLine, 3, 3, 1},
    {"SignBoardOnASpeedBoard",
     line_with("indicatori_vmax, 800, 90, 100, 100, 0, 0, 0, 0, 0\n"
               "cartello indicatore, 820, (Km 0.8)\n"),
     kTrain, 6, 820, In::kLine, 6, 1, 1},
    {"CodePointOnASignal", kLine, train_with(signal_at(1500) + "abbattimento, 1550, 60\n"), 7, 1550,
     In::kTrain, 5, 1, 1},
    {"StationOffTheGrid", kLine, train_with(station(1025, 8, 400)), 8, 1025, In::kTrain, 4, 1, 1},
    {"StationLengthOffTheGrid", kLine, train_with(station(1000, 8, 450)), 9, 1000, In::kTrain, 4, 1,
     1},
    // 78 sign-board texts leave room in the table for one station.
    {"StationWithoutATableEntry", line_with_boards(78), train_with(station(0, 8, 400)), 10,
     std::nullopt, In::kTrain, 4, 1, 1},
    {"SignBoardWithoutATableEntry", line_with_boards(81), kTrain, 10, 8200, In::kLine, 85, 1, 1},
    // Cells 30 and 29 in front of the signal in cell 31 hold signals too.
    {"NoRoomInFrontOfASignalBeforeAWarningBoard", kLine,
     train_with(signal_at(1400) + signal_at(1450) + signal_at(1500) + kSlowdown), 11, 1550,
     In::kTrain, 6, 1, 1},
    // Window 1 before the start in cell 61: cells 56, 55 and 54.
    {"LookBackWindowFull", kLine,
     train_with(signal_at(2650) + signal_at(2700) + signal_at(2750) + kSlowdown), 12, 3050,
     In::kTrain, 7, 1, 1},
    // A slow slowdown from cell 61 to 73: the walk's cells 69, 68 and 70 are signals.
    {"NoRoomInsideASlowdown", kLine,
     train_with("rallentamento, 3000, 60, 600, 0, 0, 0\n" + signal_at(3350) + signal_at(3400) +
                signal_at(3450)),
     13, 3450, In::kTrain, 4, 1, 1},
    {"GradientBeyondTheTrack", line_with("pendenza, 9901, 2\n"), kTrain, 15, 9901, In::kLine, 5, 1,
     1},
    {"SpeedLimitBeyondTheTrack", kLine, train_with("velocita, 9950, 80\n"), 15, 9950, In::kTrain, 4,
     1, 1},
    {"SignalBeyondTheTrack", kLine, train_with(signal_at(9901)), 15, 9901, In::kTrain, 4, 1, 1},
    {"SignalOnASignal", kLine, train_with(signal_at(1500) + signal_at(1510)), 16, 1510, In::kTrain,
     5, 1, 1},
    {"WarningBoardOnASignal", kLine, train_with(signal_at(1800) + kSlowdown), 17, 3000, In::kTrain,
     5, 1, 1},
    {"SlowdownStartOnASignal", kLine, train_with(signal_at(3000) + kSlowdown), 18, 3000, In::kTrain,
     5, 1, 1},
    {"SlowdownEndOnASignal", kLine, train_with(signal_at(3200) + kSlowdown), 19, 3000, In::kTrain,
     5, 1, 1},
    // The countdown of a slowdown at 3000 takes cells 36 down to 33.
    {"CountdownOnASignal", kLine,
     train_with(signal_at(1700) + "rallentamento, 3000, 120, 200, 0, 1, 0\n"), 20, 3000, In::kTrain,
     5, 1, 1},
    {"SpeedBoardOnASignBoard",
     line_with("cartello indicatore, 800, (Km 0.8)\n"
               "indicatori_vmax, 820, 90, 100, 100, 0, 0, 0, 0, 0\n"),
     kTrain, 21, 820, In::kLine, 6, 1, 1},
    {"StationsTooClose", kLine, train_with(station(0, 8, 400) + station(700, 2, 200)), 22, 700,
     In::kTrain, 5, 1, 1},
    {"StationEndingAtMetre100", kLine, train_with(station(0, 2, 200)), 24, std::nullopt, In::kTrain,
     4, 1, 1},
    {"LengthNotANumber", "[generale]\nlunghezza percorso, lunga\n[fine]\n", kTrain, 25,
     std::nullopt, In::kLine, 2, 21, 3, "lunga"},
    {"TrainCutShort", kLine, "[generale]\nnumero vetture, 4\nsegnale, 1500, 1, 4\n", 25,
     std::nullopt, In::kTrain, 4, 1, 1},
    {"ByteOutOfRange", kLine, train_with(station(0, 256, 400)), 25, std::nullopt, In::kTrain, 4, 14,
     1, "256"},
    {"NoLineFile", std::nullopt, kTrain, 101, std::nullopt, In::kLine, 0, 0, 3},
    {"NoGeneralSection", "Linea\n[fine]\n", kTrain, 102, std::nullopt, In::kLine, 3, 1, 3},
    {"CurveWithoutClass", line_with("curvad, 700, 200\n"), kTrain, 103, std::nullopt, In::kLine, 5,
     1, 1},
    {"CurvePastAMillionPoints",
     "[generale]\nlunghezza percorso, 1000000\n[curve]\ncurvas1, 500, 999500\n[fine]\n", kTrain,
     103, std::nullopt, In::kLine, 4, 1, 1},
    // A signal at metre 10 lands in cell 1, whose valore1 is reserved.
    {"FirstReservedSlotTaken", kLine, train_with(signal_at(10)), 1250, std::nullopt, In::kNowhere,
     0, 0, 4},
    // Only a right-hand class B speed: cell 1 gets valore1 0 and valore2 20.
    {"SecondReservedSlotTaken", line_with("indicatori_vmax, 0, 0, 0, 0, 0, 0, 100, 0, 0\n"), kTrain,
     1251, std::nullopt, In::kNowhere, 0, 0, 4},
};

// Cases print as their names.
void PrintTo(const BadInput& c, std::ostream* os) {
  *os << c.name;
}

class BadInputTest : public ::testing::TestWithParam<BadInput> {
 protected:
  BadInputTest() : form(fs, ui) {
    form.cartella_scenario = "dir";
    form.nome_percorso = "Prova";
    form.numero_treno = "7";
  }

  MemoryFileSystem fs;
  test::RecordingUi ui;
  Form1 form;
};

TEST_P(BadInputTest, GivesItsCodePositionAndPlace) {
  const BadInput& c = GetParam();
  const ScenarioFileNames n = form.names();
  if (c.line) fs.files[n.line_text] = crlf(*c.line);
  if (c.train) fs.files[n.train_text] = crlf(*c.train);
  // Outputs of an earlier run.
  const std::vector<std::string> outputs = {n.geometry, n.train_table, n.cells};
  for (const std::string& path : outputs) fs.files[path] = "earlier " + path;
  const std::map<std::string, std::string> before = fs.files;

  const RunReport report = form.memorizza_percorso(1);

  EXPECT_EQ(form.status.codice_errore(), c.code);
  EXPECT_EQ(form.status.posizione_errore(), c.position.value_or(0));
  EXPECT_EQ(exit_status(report, form.status), c.exit);
  ASSERT_FALSE(form.status.diagnostics().empty());
  const Diagnostic& d = form.status.diagnostics().back();
  EXPECT_EQ(d.code, c.code);
  EXPECT_EQ(d.position, c.position);
  if (c.in == In::kNowhere) {
    EXPECT_FALSE(d.location.has_value()) << d.location->file;
  } else {
    ASSERT_TRUE(d.location.has_value());
    EXPECT_EQ(d.location->file, c.in == In::kLine ? n.line_text : n.train_text);
    EXPECT_EQ(d.location->line, c.line_no);
    EXPECT_EQ(d.location->column, c.column);
  }
  if (c.mentions) {
    EXPECT_NE(d.message.find(c.mentions), std::string::npos) << d.message;
  }
  EXPECT_EQ(ui.errors.empty(), c.exit != 4);

  if (c.exit == 3 || c.exit == 4) {
    // Nothing written: no file appeared, and the earlier outputs are intact.
    EXPECT_TRUE(report.outputs.empty());
    for (const auto& [path, contents] : fs.files) {
      ASSERT_TRUE(before.count(path)) << path << " was created";
      EXPECT_EQ(contents, before.at(path)) << path;
    }
  } else {
    EXPECT_EQ(report.outputs, outputs);
    for (const std::string& path : outputs) EXPECT_NE(fs.files[path], before.at(path)) << path;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryStatusCode, BadInputTest, ::testing::ValuesIn(kBadInputs),
                         [](const ::testing::TestParamInfo<BadInput>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace binario
