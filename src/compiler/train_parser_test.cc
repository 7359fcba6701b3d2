#include "compiler/train_parser.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace binario {
namespace {

constexpr int64_t kU = 1780;  // last cell of an 82,000 m line

// "stazione" record with the built-in column values around the ones a test varies.
std::string station(int64_t pos, int kind, int64_t length, int tab = 0, int mar = 0) {
  return "stazione, " + std::to_string(pos) + ", " + std::to_string(kind) + ", " +
         std::to_string(length) + ", 1, " + std::to_string(tab) + ", " + std::to_string(mar) +
         ", 4,1,0, 2,1,1, 1, 5,50,0, NAME\r\n";
}

class TrainParserTest : public ::testing::Test {
 protected:
  TrainParserTest() { model.allocate(82000, false); }

  // Parses `body` between a preamble ending in "[generale]" (so the body
  // starts on line 3) and a closing "[fine]" line.
  void parse(const std::string& body) {
    parse_text("Treno\r\n[generale]\r\n" + body + "[fine]\r\n");
  }
  void parse_text(const std::string& text) {
    text_ = text;
    FieldReader reader(text_);
    TrainParser(model, status, reader, "t.txt").parse();
  }
  ReadFailure failure_of(const std::string& body) {
    try {
      parse(body);
    } catch (const ReadFailure& f) {
      return f;
    }
    ADD_FAILURE() << "no read failure for " << body;
    return ReadFailure("", {});
  }
  Cella& cell(int64_t k) { return model.percorso[static_cast<size_t>(k)]; }

  TrackModel model;
  Status status;
  std::string text_;
};

TEST_F(TrainParserTest, SpeedLimitsFillFromTheirCellUpToTheNextRecord) {
  cell(kU - 2).velocita = 99;  // the last three cells are never written
  parse("velocita' limite ,     0    ,  30\r\nvelocita,     500,   120\r\n");
  for (int k = 0; k <= 9; ++k) EXPECT_EQ(cell(k).velocita, 6) << k;
  EXPECT_EQ(cell(10).velocita, 24);
  EXPECT_EQ(cell(kU - 3).velocita, 24);
  EXPECT_EQ(cell(kU - 2).velocita, 99);
  EXPECT_EQ(cell(kU).velocita, 0);
  EXPECT_EQ(status.codice_errore(), 0);
}

TEST_F(TrainParserTest, SpeedRecordBehindTheCursorWritesOneCell) {
  // Upper-case key texts are read too.
  parse("velocita, 0, 30\r\nVELOCITA, 500, 60\r\nvelocita, 100, 90\r\n");
  EXPECT_EQ(cell(9).velocita, 6);
  EXPECT_EQ(cell(10).velocita, 12);  // the limit of the record at 500, one cell
  EXPECT_EQ(cell(11).velocita, 18);
}

TEST_F(TrainParserTest, AdhesionKeepsLowEightBitsAndStopsBeforeTheLastThreeCells) {
  parse("aderenza, 0, 300\r\naderenza, 500, 80\r\n");
  EXPECT_EQ(cell(0).aderenza, 44);
  EXPECT_EQ(cell(9).aderenza, 44);
  EXPECT_EQ(cell(10).aderenza, 80);
  EXPECT_EQ(cell(kU - 3).aderenza, 80);
  EXPECT_EQ(cell(kU - 2).aderenza, 0);
}

TEST_F(TrainParserTest, AdhesionCursorPastTheLastCellWritesNothingOutside) {
  model = TrackModel{};      // no spare capacity, so a write past the end shows
  model.allocate(0, false);  // U = 140
  std::string body;
  for (int i = 1; i <= 200; ++i) body += "aderenza, 50, " + std::to_string(i) + "\r\n";
  parse(body);
  // Each record at cell 1 writes the previous value at the cursor, one cell on.
  EXPECT_EQ(cell(1).aderenza, 1);
  EXPECT_EQ(model.percorso.back().aderenza, 140);
  EXPECT_EQ(model.percorso.size(), 141u);
}

TEST_F(TrainParserTest, TrainParametersAndClock) {
  parse(
      "numero vetture,    10\r\npercentuale massa frenata,    130\r\nsabbia,    200\r\n"
      "orologio,    5               49            30 \r\n"
      "sabbia vetture, 7, 8\r\n");  // two key texts: read in table order
  EXPECT_EQ(model.treno[kTrainParameters].inizio, 130);
  EXPECT_EQ(model.treno[kTrainParameters].posizione, 7);
  EXPECT_EQ(model.treno[kTrainEntry].dato1, 8);
  EXPECT_EQ(model.treno[kTrainEntry].dato3, 5);
  EXPECT_EQ(model.treno[kTrainEntry].dato4, 49);
  EXPECT_EQ(model.treno[kTrainEntry].dato5, 30);
}

TEST_F(TrainParserTest, CommentsReplaceTheKeywordAtMostTwice) {
  parse("- a\r\n- sabbia, 5\r\nvetture, 3\r\n");  // "5" stands in for the second comment
  EXPECT_EQ(model.treno[kTrainEntry].dato1, 0);
  EXPECT_EQ(model.treno[kTrainParameters].posizione, 3);
  parse("- a\r\n- b\r\n- sabbia, 6\r\n");  // the third comment is a keyword
  EXPECT_EQ(model.treno[kTrainEntry].dato1, 6);
  parse("- note, sabbia, 7\r\n");  // a comma ends the comment
  EXPECT_EQ(model.treno[kTrainEntry].dato1, 7);
}

TEST_F(TrainParserTest, OnlyTextAfterTheGeneralSectionIsReadAndNeverItsLastField) {
  for (int k = 0; k <= kU; ++k) cell(k).velocita = 99;
  parse_text("sabbia, 5\r\nvelocita, 0, 30\r\n");  // no "[generale]"
  EXPECT_EQ(model.treno[kTrainEntry].dato1, 0);
  EXPECT_EQ(cell(0).velocita, 0);
  EXPECT_EQ(cell(kU - 3).velocita, 0);
  EXPECT_EQ(cell(kU - 2).velocita, 99);

  parse_text("x\r\n[GENERALE]\r\nsabbia, 5\r\nsabbia");  // a keyword as the last field
  EXPECT_EQ(model.treno[kTrainEntry].dato1, 5);
  EXPECT_EQ(status.codice_errore(), 0);
  parse_text("");
  EXPECT_EQ(status.codice_errore(), 0);
}

TEST_F(TrainParserTest, SignalFillsItsCellAndFourApproachMarks) {
  parse(
      "segnale,   1000, 1, 4, 1, 0, 0,     0, 0, 0, 0, 0\r\n"
      "segnale,   31250,   2, 3, 4,  0, 0,    2,  2,1,0, 0\r\n");
  const Cella& c = cell(21);
  EXPECT_EQ(c.tipo, kSignal);
  EXPECT_EQ(c.valore1, 40);
  EXPECT_EQ(c.valore2, 10);
  EXPECT_EQ(c.valore3, 0);
  EXPECT_EQ(c.valore4, 3);
  EXPECT_EQ(cell(19).ripetizione, 31);
  EXPECT_EQ(cell(17).ripetizione, 32);
  EXPECT_EQ(cell(15).ripetizione, 33);
  EXPECT_EQ(cell(13).ripetizione, 34);
  EXPECT_EQ(cell(20).ripetizione, 0);
  const Cella& d = cell(626);
  EXPECT_EQ(d.valore1, 32);
  EXPECT_EQ(d.valore2, 41);
  EXPECT_EQ(d.valore4, 8);
  EXPECT_EQ(cell(624).ripetizione, 81);
  EXPECT_EQ(cell(618).ripetizione, 84);
}

TEST_F(TrainParserTest, SignalTimeIsKeptOnlyForSxTwoAndRaisedTo101) {
  parse(
      "segnale, 2000, 2,1,0,0,0, 0,0,0,0, 50\r\n"
      "segnale, 3000, 2,1,0,0,0, 0,0,0,0, 160\r\n"
      "segnale, 4000, 1,1,0,0,0, 0,0,0,0, 160\r\n"
      "segnale, 5000, 2,1,0,0,0, 0,0,0,0, 0\r\n"
      "segnale, 6000, 2,1,0,0,0, 0,0,0,0, 100\r\n");
  EXPECT_EQ(cell(41).tempo, 101);
  EXPECT_EQ(cell(61).tempo, 160);
  EXPECT_EQ(cell(81).tempo, 0);
  EXPECT_EQ(cell(101).tempo, 0);
  EXPECT_EQ(cell(121).tempo, 101);
}

TEST_F(TrainParserTest, SignalReplacesAMountainMarkerAndNearTheStartLosesItsMarks) {
  cell(21).tipo = kMountainMarker;
  parse(
      "segnale, 1000, 1,4,1,0,0, 0,0,0,0,0\r\n"
      "segnale, 200, 1,2,0,0,0, 0,0,0,0,0\r\n"
      "segnale, -75, 1,3,0,0,0, 0,0,0,0,0\r\n");  // -0.5 rounds to cell 0
  EXPECT_EQ(cell(21).tipo, kSignal);
  EXPECT_EQ(cell(5).valore1, 20);
  EXPECT_EQ(cell(3).ripetizione, 31);
  EXPECT_EQ(cell(1).ripetizione, 32);
  EXPECT_EQ(cell(0).valore1, 30);
  EXPECT_EQ(status.codice_errore(), 0);
}

TEST_F(TrainParserTest, SlowdownCellsWithAndWithoutSecondSpeed) {
  parse(
      "rallentamento,   19000,    30,  300, 0,  1,  0\r\n"
      "rallentamento,   64700,    70,  400, 1,  1,  5\r\n");
  EXPECT_EQ(cell(357).tipo, kSlowdownWarning);
  EXPECT_EQ(cell(381).tipo, kSlowdownStart);
  EXPECT_EQ(cell(387).tipo, kSlowdownEnd);
  for (int k : {357, 381, 387}) EXPECT_EQ(cell(k).valore1, 30) << k;
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(cell(356 - i).tipo, kCountdown);
    EXPECT_EQ(cell(356 - i).valore1, i + 1);
    EXPECT_EQ(cell(356 - i).valore2, 0);
  }
  EXPECT_EQ(cell(352).tipo, kNone);
  // With d_v: every cell carries it, the countdown its own count.
  for (int k : {1271, 1295, 1303}) EXPECT_EQ(cell(k).valore2, 5) << k;
  EXPECT_EQ(cell(1295).valore3, 1);
  EXPECT_EQ(cell(1303).valore3, 1);
  EXPECT_EQ(cell(1271).valore3, 0);
  EXPECT_EQ(cell(1267).valore2, 4);
}

TEST_F(TrainParserTest, SlowdownAt1500OrLessHasNoWarningNorCountdown) {
  parse("rallentamento, 1500, 30, 300, 0, 1, 0\r\nrallentamento, 1550, 30, 100, 0, 1, 0\r\n");
  EXPECT_EQ(cell(31).tipo, kSlowdownStart);
  EXPECT_EQ(cell(37).tipo, kSlowdownEnd);
  // Only the one at 1550 has them: warning in cell 8, countdown 7 down to 4.
  EXPECT_EQ(cell(8).tipo, kSlowdownWarning);
  for (int k = 4; k <= 7; ++k) EXPECT_EQ(cell(k).tipo, kCountdown) << k;
  for (int k : {0, 1, 2, 3, 9}) EXPECT_EQ(cell(k).tipo, kNone) << k;
}

TEST_F(TrainParserTest, SpeedCodePoints) {
  cell(40).tipo = kMountainMarker;
  cell(40).valore1 = 7;
  parse("abbattimento, 1000, 60\r\nabbattimento, 2000, -3\r\n");
  EXPECT_EQ(cell(20).tipo, kCodePoint);
  EXPECT_EQ(cell(20).valore1, 60);
  EXPECT_EQ(cell(40).tipo, kBareCodePoint);
  EXPECT_EQ(cell(40).valore1, 7);  // a point without a value leaves valore1 alone
}

TEST_F(TrainParserTest, StationsTheirExtentsAndCells) {
  parse(
      "stazione,       0,  8,  400,  1, 0, 0,  4,1,0,  2,1,1,    1,   5,50, 0, ZORVANE S.M.N.\r\n" +
      station(2750, 2, 600, 1, 1) + station(5000, 6, 300, 1, 1) + station(6000, 28, 400) +
      station(7000, 2, 400, 1, 0));
  const VoceTreno& first = model.treno[1];
  EXPECT_EQ(first.tipo, 8);
  EXPECT_EQ(first.inizio, -400);
  EXPECT_EQ(first.fine, 400);
  EXPECT_EQ(first.tps, 1);
  EXPECT_EQ(first.dato1, 4);
  EXPECT_EQ(first.dato2, 1);
  EXPECT_EQ(first.dato3, 2);
  EXPECT_EQ(first.dato5, 1);
  EXPECT_EQ(first.opz2, 1);
  EXPECT_EQ(first.orario, 5 * 3600 + 50 * 60);
  EXPECT_EQ(first.nome, "ZORVANE S.M.N.");
  EXPECT_EQ(cell(7).tipo, kStationStop);
  EXPECT_EQ(cell(7).valore1, 1);
  for (int j = 1; j <= 4; ++j) EXPECT_EQ(cell(7 - j).ripetizione, 80 + j);

  const VoceTreno& second = model.treno[2];  // "mar" adds 50 m and stays stored
  EXPECT_EQ(second.inizio, 2450);
  EXPECT_EQ(second.fine, 3100);
  EXPECT_EQ(second.opz3, 1);
  EXPECT_EQ(second.opz4, 1);
  EXPECT_EQ(cell(61).valore1, 2);

  const VoceTreno& third = model.treno[3];  // kind 6: ends 150 m on, no approach marks
  EXPECT_EQ(third.inizio, 4700);
  EXPECT_EQ(third.fine, 5150);
  EXPECT_EQ(third.opz3, 0);
  EXPECT_EQ(third.opz4, 0);  // shorter than 600 m
  EXPECT_EQ(cell(102).tipo, kStationStop);
  EXPECT_EQ(cell(101).ripetizione, 0);

  EXPECT_EQ(model.treno[4].fine, 6200);  // kind 28: an entry and no cells
  EXPECT_EQ(cell(123).tipo, kNone);
  EXPECT_EQ(cell(122).ripetizione, 0);
  EXPECT_EQ(model.treno[5].inizio, 6800);  // 600 m after kind 28 ends
  EXPECT_EQ(status.codice_errore(), 0);
}

TEST_F(TrainParserTest, FirstStationLengthensItsExtentBeforeClearingMar) {
  parse(station(1000, 2, 600, 1, 1));
  EXPECT_EQ(model.treno[1].fine, 1350);
  EXPECT_EQ(model.treno[1].opz3, 0);
  EXPECT_EQ(model.treno[1].opz4, 0);
  // Approach marks stop short of cell 1.
  model.allocate(82000, false);
  parse(station(0, 4, 300));
  EXPECT_EQ(cell(2).tipo, kStationStop);
  EXPECT_EQ(cell(1).ripetizione, 0);
}

TEST_F(TrainParserTest, StationSpacingOf350IsAcceptedAnd300Refused) {
  parse(station(0, 8, 400) + station(950, 4, 400) + station(1650, 4, 400));
  EXPECT_EQ(model.treno[2].inizio, 750);
  EXPECT_EQ(status.codice_errore(), 22);
  EXPECT_EQ(status.posizione_errore(), 1650);
  EXPECT_NE(status.diagnostics().back().message.find(
                "to begin at metre 1500 or later, 350 m after the previous station ends at "
                "1150, found it begins at 1450, 300 m after"),
            std::string::npos);
}

TEST_F(TrainParserTest, StationCountStopsBelowTheSignBoardTexts) {
  for (int boards : {0, 3}) {
    SCOPED_TRACE(boards);
    model.clear_treno();
    model.numero_cartelli = boards;
    for (int i = 0; i < boards; ++i) model.treno[kFirstBoardSlot - i].nome = "BOARD";
    status.reset();
    std::string body;
    for (int i = 0; i < 80; ++i) body += station(1000 + 500 * i, 28, 100);
    parse(body);
    const int refused = 79 - boards;
    EXPECT_EQ(status.codice_errore(), 10);
    EXPECT_EQ(status.posizione_errore(), 0);
    EXPECT_EQ(status.diagnostics().size(), 1u);
    EXPECT_EQ(status.diagnostics().back().location->line, 2 + refused);
    EXPECT_EQ(model.treno[refused].posizione, 1000 + 500 * (refused - 1));
    EXPECT_EQ(model.treno[refused + 1].posizione, 0);
    EXPECT_EQ(model.treno[kFirstBoardSlot - boards + 1].nome, boards ? "BOARD" : "");
  }
}

TEST_F(TrainParserTest, LineStageFaultStillStandingEndsAtTheFirstSignalOrSlowdown) {
  for (const char* record :
       {"segnale, 1000, 1,4,1,0,0, 0,0,0,0,0\r\n", "rallentamento, 1000, 30, 300, 0, 1, 0\r\n"}) {
    SCOPED_TRACE(record);
    model.allocate(82000, false);
    status.reset();
    status.fault(15, 88950, SourceLocation{"l.txt", 9, 1});
    parse(std::string("velocita, 0, 30\r\nvelocita, 500, 60\r\n") + record + "sabbia, 4\r\n");
    EXPECT_TRUE(cell(21).tipo == kSignal || cell(21).tipo == kSlowdownStart);
    EXPECT_EQ(status.codice_errore(), 15);
    EXPECT_EQ(status.posizione_errore(), 1000);
    ASSERT_EQ(status.diagnostics().size(), 2u);
    EXPECT_EQ(status.diagnostics().back().location->line, 5);
    EXPECT_EQ(cell(10).velocita, 0);  // no end-of-file fill
    EXPECT_EQ(model.treno[kTrainEntry].dato1, 0);
  }
}

TEST_F(TrainParserTest, MarkerCheckAfterTheEndReplacesAStatus15) {
  model.treno[kChainageDue].inizio = 125;
  parse("velocita, 0, 30\r\n  velocita, 88901, 30\r\n");
  EXPECT_EQ(status.codice_errore(), 2);
  EXPECT_EQ(status.posizione_errore(), 88901);
  ASSERT_EQ(status.diagnostics().size(), 2u);
  EXPECT_EQ(status.diagnostics()[0].code, 15);
  EXPECT_NE(
      status.diagnostics()[0].message.find("up to metre 88900, 100 m before the last cell (1780, "
                                           "from metre 89000), found metre 88901"),
      std::string::npos);
  EXPECT_FALSE(status.diagnostics()[1].location.has_value());
  EXPECT_FALSE(status.diagnostics()[1].position.has_value());
  EXPECT_EQ(cell(kU - 3).velocita, 6);  // the fill ran after the 15
  model.treno[kChainageDue].inizio = -50;
  model.treno[kChainageUno].fine = 81000;
  status.reset();
  parse("");
  EXPECT_EQ(status.codice_errore(), 0);
}

// Every refusal: its code, position and the keyword field it points at. Each
// record stands on line 3, indented by two blanks, after a speed record that
// shows whether the end-of-file fill ran.
struct Refusal {
  const char* name;
  std::function<void(TrackModel&)> setup;
  std::string record;
  int32_t code;
  std::optional<int32_t> position;
  bool fills;  // the end-of-file steps follow
  const char* detail;
};

TEST_F(TrainParserTest, EveryRefusalWithItsPositionAndPlace) {
  auto taken = [](int64_t k, uint8_t tipo) {
    return [k, tipo](TrackModel& m) { m.percorso[static_cast<size_t>(k)].tipo = tipo; };
  };
  auto none = [](TrackModel&) {};
  const std::string slowdown = "rallentamento, 19000, 30, 300, 0, 1, 0\r\n";
  const std::string signal = "segnale, 1000, 1,4,1,0,0, 0,0,0,0,0\r\n";
  const Refusal cases[] = {
      {"7", taken(20, kSignal), "abbattimento, 1000, 60\r\n", 7, 1000, false,
       "cell 20 already holds a signal"},
      {"8", none, "stazione, 125, 4\r\n", 8, 125, false, "metre 125"},
      {"9", none, "stazione, 1000, 4, 350\r\n", 9, 1000, false, "length 350"},
      {"8 before 9", none, "stazione, 125, 4, 350\r\n", 8, 125, false, "metre 125"},
      {"10 board texts everywhere", [](TrackModel& m) { m.numero_cartelli = 80; },
       station(1000, 4, 400), 10, std::nullopt, false, "no entry left for station 1"},
      {"15 speed", none, "velocita, 90000, 30\r\n", 15, 90000, true, "up to metre 88900"},
      {"15 adhesion", none, "aderenza, 88901, 30\r\n", 15, 88901, true, "found metre 88901"},
      {"15 signal range", none, "segnale, 88901, 1,4,1,0,0, 0,0,0,0,0\r\n", 15, 88901, true, ""},
      {"15 signal before cell 0", none, "segnale, -76, 1,4,1,0,0, 0,0,0,0,0\r\n", 15, -76, true,
       "cell -1"},
      {"15 slowdown end", none, "rallentamento, 88000, 30, 2000, 0, 1, 0\r\n", 15, 88000, true,
       "slowdown's end in one of cells 0 to 1780, found metre 90000, which puts it in cell 1801"},
      {"15 slowdown start", none, "rallentamento, -100, 30, 500, 0, 1, 0\r\n", 15, -100, true,
       "start"},
      {"15 code point", none, "abbattimento, -30, 5\r\n", 15, -30, true, "cell -1"},
      {"15 station range", none, "stazione, 88250\r\n", 15, 88250, true,
       "up to metre 88200, 800 m before"},
      {"15 station stop cell", none, station(88200, 4, 4000), 15, 88200, true, "stop cell 1803"},
      {"16", taken(21, kSpeedBoard), signal, 16, 1000, false,
       "cell 21 already holds a speed board"},
      {"17", taken(357, kSignal), slowdown, 17, 19000, false, "cell 357"},
      {"18", taken(381, kSignal), slowdown, 18, 19000, false, "cell 381"},
      {"19", taken(387, kSignal), slowdown, 19, 19000, false, "cell 387"},
      {"20", taken(355, kSignal), slowdown, 20, 19000, false, "cell 355"},
      {"24", none, station(0, 4, 200), 24, std::nullopt, false, "ends at metre 100"},
  };
  for (const Refusal& c : cases) {
    SCOPED_TRACE(c.name);
    model.allocate(82000, false);
    model.clear_treno();
    c.setup(model);
    status.reset();
    parse("velocita, 0, 30\r\n  " + c.record + "sabbia, 4\r\n");
    EXPECT_EQ(status.codice_errore(), c.code);
    EXPECT_EQ(status.posizione_errore(), c.position.value_or(0));
    ASSERT_EQ(status.diagnostics().size(), 1u);
    const Diagnostic& d = status.diagnostics()[0];
    EXPECT_EQ(d.position, c.position);
    ASSERT_TRUE(d.location.has_value());
    EXPECT_EQ(d.location->file, "t.txt");
    EXPECT_EQ(d.location->line, 4);
    EXPECT_EQ(d.location->column, 3);
    EXPECT_NE(d.message.find(c.detail), std::string::npos) << d.message;
    EXPECT_EQ(cell(0).velocita, c.fills ? 6 : 0);
    EXPECT_EQ(model.treno[kTrainEntry].dato1, 0);  // nothing after the refusal is read
  }
}

TEST_F(TrainParserTest, AClashNamesWhatHoldsTheCellAndWhereItCameFrom) {
  // An object the line description placed is named with that description.
  cell(21).tipo = kSpeedBoard;
  model.set_origin(21, {Placer::kLineText, 57});
  parse("segnale, 1000, 1,4,1,0,0, 0,0,0,0,0\r\n");
  ASSERT_EQ(status.diagnostics().size(), 1u);
  EXPECT_NE(status.diagnostics()[0].message.find(
                "cell 21 already holds the speed board from line 57 of the line description"),
            std::string::npos)
      << status.diagnostics()[0].message;

  // One from this description is named by its line alone, counted across a
  // station name that spans two lines; the fault shows its own line's text.
  model.allocate(82000, false);
  model.clear_treno();
  status.reset();
  parse(
      "rallentamento, 19000, 30, 300, 0, 1, 0\r\n"
      "stazione, 5000, 4, 400, 1,0,0, 4,1,0, 2,1,1, 1, 5,50,0, \"SAN\r\nMARCO\"\r\n"
      "\tsegnale,   17700, 1,4,1,0,0, 0,0,0,0,0\r\n");
  ASSERT_EQ(status.diagnostics().size(), 1u);
  const Diagnostic& d = status.diagnostics()[0];
  EXPECT_EQ(d.code, 16);
  EXPECT_EQ(d.location->line, 6);
  EXPECT_EQ(d.location->column, 2);
  EXPECT_EQ(d.source_line, "\tsegnale,   17700, 1,4,1,0,0, 0,0,0,0,0");
  EXPECT_NE(d.message.find("cell 355 already holds the slowdown countdown cell from line 3"),
            std::string::npos)
      << d.message;
  EXPECT_EQ(d.message.find("description"), std::string::npos) << d.message;
}

TEST_F(TrainParserTest, RefusedSlowdownKeepsWhatWasWrittenBeforeTheCountdown) {
  cell(355).tipo = kSignal;
  parse("rallentamento, 19000, 30, 300, 0, 1, 0\r\n");
  EXPECT_EQ(status.codice_errore(), 20);
  EXPECT_EQ(cell(357).tipo, kSlowdownWarning);
  EXPECT_EQ(cell(387).tipo, kSlowdownEnd);
  EXPECT_EQ(cell(356).tipo, kNone);
  // A refusal of the start leaves the warning cell untouched.
  model.allocate(82000, false);
  cell(581).tipo = kSignal;
  parse("rallentamento, 29000, 30, 300, 0, 1, 0\r\n");
  EXPECT_EQ(status.codice_errore(), 18);
  EXPECT_EQ(cell(557).tipo, kNone);
}

TEST_F(TrainParserTest, ReadFailures) {
  struct Case {
    std::string body;
    int line;
  };
  const Case cases[] = {
      {"sabbia, x\r\n", 3},                               // not a number
      {"sabbia, 40000\r\n", 3},                           // outside an Integer
      {"stazione, 1000, 300\r\n", 3},                     // outside a Byte
      {"velocita, 0, 1278\r\nvelocita, 500, 30\r\n", 3},  // fifth rounds to 256
      {"velocita, 0, 1278\r\n", 3},                       // ... in the end-of-file fill
      {"velocita, 0, -3\r\nvelocita, 500, 30\r\n", 3},    // ... or below 0
      {"stazione, 1000, 4, 400, 1,0,0, 4,1,0, 2,1,1, 1, 596524, 0, 0, X\r\n",
       3},                                 // orario past 32 bits
      {station(-2147483600, 8, 1000), 3},  // extent past 32 bits
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(failure_of(c.body).where().line, c.line);
  }
  // A record cut short by the end of the text; the values read stay stored.
  try {
    parse_text("[generale]\r\norologio, 5, 49");
    ADD_FAILURE();
  } catch (const ReadFailure& f) {
    EXPECT_EQ(f.where().line, 2);
  }
  EXPECT_EQ(model.treno[kTrainEntry].dato4, 49);
  // 1277 km/h is the fastest limit a cell holds.
  parse("velocita, 0, 1277\r\n");
  EXPECT_EQ(cell(0).velocita, 255);
}

}  // namespace
}  // namespace binario

namespace binario {
namespace {

// Each value of a record is read in its place, and a value that is no number
// is named as the author would look for it.
TEST_F(TrainParserTest, AValueThatIsNoNumberIsNamedByItsPlaceInTheRecord) {
  const std::vector<std::string> signal = {
      "the position of a signal", "sx of a signal",   "s1 of a signal",      "s2 of a signal",
      "s3 of a signal",           "rapp of a signal", "dx of a signal",      "d1 of a signal",
      "d2 of a signal",           "d3 of a signal",   "the time of a signal"};
  const std::vector<std::string> slowdown = {"the start of a slowdown",  "the speed of a slowdown",
                                             "the length of a slowdown", "f_tt of a slowdown",
                                             "f_ta of a slowdown",       "d_v of a slowdown"};
  // A station's numbers around the bad one are those of a station the
  // compile accepts, so no fault comes before the failure.
  const std::vector<std::string> station = {"the position of a station",
                                            "the kind of a station",
                                            "the length of a station",
                                            "tps of a station",
                                            "tab of a station",
                                            "mar of a station",
                                            "the first d2 of a station",
                                            "the first d3 of a station",
                                            "rap of a station",
                                            "d1 of a station",
                                            "the second d2 of a station",
                                            "the second d3 of a station",
                                            "ac of a station",
                                            "the timetable hours of a station",
                                            "the timetable minutes of a station",
                                            "the timetable seconds of a station"};
  const std::vector<std::string> station_values = {"1000", "4", "400", "1", "0", "0", "4",  "1",
                                                   "0",    "2", "1",   "1", "1", "5", "50", "0"};
  const std::vector<std::string> clock = {"the hours of the clock", "the minutes of the clock",
                                          "the seconds of the clock"};
  for (const auto& [keyword, names] :
       {std::pair{"segnale", signal}, std::pair{"rallentamento", slowdown},
        std::pair{"stazione", station}, std::pair{"orologio", clock},
        std::pair{"sabbia", std::vector<std::string>{"the sand value"}},
        std::pair{"numero vetture", std::vector<std::string>{"the number of cars"}},
        std::pair{"percentuale massa frenata",
                  std::vector<std::string>{"the braked-mass percentage"}}}) {
    const bool is_station = names == station;
    for (size_t bad = 0; bad < names.size(); ++bad) {
      std::string record = keyword;
      for (size_t i = 0; i < names.size(); ++i) {
        record += i == bad ? ", x" : ", " + (is_station ? station_values[i] : "5000");
      }
      if (is_station) record += ", NAME";
      const ReadFailure f = failure_of(record + "\r\n");
      EXPECT_NE(f.message().find(names[bad]), std::string::npos) << record << ": " << f.message();
    }
  }
}

}  // namespace
}  // namespace binario
