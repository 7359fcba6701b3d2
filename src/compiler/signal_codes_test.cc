#include "compiler/signal_codes.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>
#include <vector>

#include "compiler/line_index.h"

namespace binario {
namespace {

// A track of cells 0 .. last, all empty.
TrackModel track(int32_t last) {
  TrackModel m;
  m.percorso.assign(static_cast<size_t>(last) + 1, Cella{});
  return m;
}

void put(TrackModel& m, int32_t cell, uint8_t tipo, int16_t valore1 = 0) {
  m.percorso[static_cast<size_t>(cell)].tipo = tipo;
  m.percorso[static_cast<size_t>(cell)].valore1 = valore1;
}

std::vector<int32_t> code_points(const TrackModel& m) {
  std::vector<int32_t> out;
  for (size_t k = 0; k < m.percorso.size(); ++k) {
    if (m.percorso[k].tipo == kCodePoint) out.push_back(static_cast<int32_t>(k));
  }
  return out;
}

int16_t code(const TrackModel& m, int32_t cell) {
  return m.percorso[static_cast<size_t>(cell)].valore1;
}

using Cells = std::vector<int32_t>;

// What a cell holds before the pass: its kind and valore1.
struct Item {
  int32_t cell;
  uint8_t tipo;
  int16_t valore1 = 0;
};

// Runs the pass over a track of cells 0 .. last holding `items` and returns
// the code points found afterwards.
Cells placed(std::initializer_list<Item> items, Status& status, int32_t last = 400,
             TrackModel* keep = nullptr) {
  TrackModel m = track(last);
  for (const Item& it : items) put(m, it.cell, it.tipo, it.valore1);
  place_signal_codes(m, status);
  Cells out = code_points(m);
  if (keep) *keep = std::move(m);
  return out;
}
Cells placed(std::initializer_list<Item> items, int32_t last = 400) {
  Status status;
  Cells out = placed(items, status, last);
  EXPECT_TRUE(status.diagnostics().empty()) << format_diagnostic(status.diagnostics()[0]);
  return out;
}

constexpr uint8_t S = kSignal, E = kSlowdownEnd, A = kSlowdownStart, W = kSlowdownWarning,
                  B = kSpeedBoard, C = kCodePoint, M = kMountainMarker;

TEST(Minimo, TakesTheSecondOnlyWhenSmaller) {
  EXPECT_EQ(minimo(180, 250), 180);
  EXPECT_EQ(minimo(180, 120), 120);
  EXPECT_EQ(minimo(180, -5), -5);
}

// --- Slowdown starts: windows, walk and the signal after -----------------

TEST(SlowdownPass, SlowSlowdownGetsWindowsWalkAndSignalAfter) {
  Status status;
  TrackModel m;
  EXPECT_EQ(placed({{200, A, 100}, {230, E, 100}, {236, S, 11}}, status, 400, &m),
            (Cells{182, 189, 195, 208, 216, 224, 235}));
  for (int32_t k : code_points(m)) EXPECT_EQ(code(m, k), 180) << "cell " << k;
  EXPECT_EQ(status.codice_errore(), 0);
}

TEST(SlowdownPass, WalkAndSignalAfterOnlyBelowOneHundredTen) {
  EXPECT_EQ(placed({{200, A, 110}, {230, E, 110}, {236, S, 11}}), (Cells{182, 189, 195}));
  EXPECT_EQ(placed({{200, A, 109}, {230, E, 109}}), (Cells{182, 189, 195, 208, 216, 224}));
}

TEST(SlowdownPass, ShortSlowdownHasNoCodePointInside) {
  EXPECT_EQ(placed({{200, A, 30}, {207, E, 30}, {210, S, 11}}), (Cells{182, 189, 195, 209}));
}

TEST(SlowdownPass, SignalAfterIsSearchedInThirteenCellsFromTheEnd) {
  EXPECT_EQ(placed({{200, A, 30}, {205, E, 30}, {217, S, 11}}), (Cells{182, 189, 195, 216}));
  EXPECT_EQ(placed({{200, A, 30}, {205, E, 30}, {218, S, 11}}), (Cells{182, 189, 195}));
  // Only the first signal found; s - 1 when s is taken.
  EXPECT_EQ(placed({{200, A, 30}, {205, E, 30}, {209, B}, {210, S, 11}, {212, S, 11}}),
            (Cells{182, 189, 195, 208}));
}

TEST(SlowdownPass, WalkCountsOnFromTheCellActuallyUsed) {
  // k taken: k - 1, and the next one 8 cells after it.
  EXPECT_EQ(placed({{200, A, 50}, {240, E, 50}, {208, B}}),
            (Cells{182, 189, 195, 207, 215, 223, 231, 239}));
  // k and k - 1 taken: k + 1, and the next one 8 cells after it.
  EXPECT_EQ(placed({{200, A, 50}, {240, E, 50}, {208, B}, {207, B}}),
            (Cells{182, 189, 195, 209, 217, 225, 233}));
}

TEST(SlowdownPass, CountReachingEightOnTheEndCell) {
  EXPECT_EQ(placed({{200, A, 50}, {208, E, 50}}), (Cells{182, 189, 195, 207}));
  // With k - 1 taken the code point lies one cell beyond the end.
  EXPECT_EQ(placed({{200, A, 50}, {208, E, 50}, {207, B}}), (Cells{182, 189, 195, 209}));
}

TEST(SlowdownPass, WindowsDependOnHowFarTheStartIs) {
  EXPECT_EQ(placed({{7, A, 150}}), Cells{});
  EXPECT_EQ(placed({{8, A, 150}}), (Cells{3}));
  EXPECT_EQ(placed({{14, A, 150}}), (Cells{3, 9}));
  EXPECT_EQ(placed({{21, A, 150}}), (Cells{3, 10, 16}));
}

TEST(SlowdownPass, WindowTakesTheFirstFreeCellAndMountainsCountAsFree) {
  Status status;
  TrackModel m;
  // 189 and 190 are code points already: occupied, not merged.
  EXPECT_EQ(placed({{200, A, 150}, {195, S, 11}, {196, M}, {189, C, 90}, {190, C, 90}, {182, M}},
                   status, 400, &m),
            (Cells{182, 188, 189, 190, 194}));
  EXPECT_EQ(code(m, 189), 90);
  EXPECT_EQ(code(m, 182), 180);
  EXPECT_EQ(status.codice_errore(), 0);
}

// --- Warning boards and rule S --------------------------------------------

TEST(WarningBoardPass, LooksBackTwentyCellsButNotBelowThree) {
  EXPECT_EQ(placed({{30, W, 50}, {25, S, 11}, {9, S, 11}}), (Cells{24}));
  EXPECT_EQ(placed({{30, W, 50}, {10, S, 11}}), (Cells{9}));
  EXPECT_EQ(placed({{10, W, 50}, {3, S, 11}}), (Cells{2}));
  EXPECT_EQ(placed({{10, W, 50}, {2, S, 11}}), Cells{});
}

TEST(WarningBoardPass, EverySignalInRangeIsTreated) {
  EXPECT_EQ(placed({{40, W, 50}, {38, S, 11}, {30, S, 11}, {22, S, 11}}), (Cells{21, 29, 37}));
}

TEST(WarningBoardPass, RuleSPrefersAFreeCellToMerging) {
  Status status;
  TrackModel m;
  EXPECT_EQ(placed({{60, W, 50}, {50, S, 11}, {49, M}}), (Cells{49}));
  // d - 1 a code point, d - 2 free: a second code point; d - 1 keeps its code.
  EXPECT_EQ(placed({{60, W, 50}, {50, S, 11}, {49, C, 250}}, status, 100, &m), (Cells{48, 49}));
  EXPECT_EQ(code(m, 48), 180);
  EXPECT_EQ(code(m, 49), 250);
  // Both code points: only d - 1 is merged.
  placed({{60, W, 50}, {50, S, 11}, {49, C, 250}, {48, C, 120}}, status, 100, &m);
  EXPECT_EQ(code(m, 49), 180);
  EXPECT_EQ(code(m, 48), 120);
  // d - 1 something else, d - 2 a code point: d - 2 is merged.
  placed({{60, W, 50}, {50, S, 11}, {49, B, 250}, {48, C, 250}}, status, 100, &m);
  EXPECT_EQ(code(m, 49), 250);
  EXPECT_EQ(code(m, 48), 180);
  EXPECT_EQ(status.codice_errore(), 0);
}

// --- Faults ---------------------------------------------------------------

TEST(SignalCodeFaults, NoRoomInFrontOfASignal) {
  Status status;
  // The signal at 48 still gets its code point.
  EXPECT_EQ(placed({{60, W, 50}, {50, S, 11}, {49, B, 1}, {48, S, 11}}, status, 100), (Cells{47}));
  EXPECT_EQ(status.codice_errore(), 11);
  EXPECT_EQ(status.posizione_errore(), 2500);
  ASSERT_EQ(status.diagnostics().size(), 1u);
  const Diagnostic& d = status.diagnostics()[0];
  EXPECT_EQ(d.position, 2500);
  EXPECT_FALSE(d.location.has_value());
  EXPECT_NE(d.message.find("49 and 48"), std::string::npos) << d.message;
}

TEST(SignalCodeFaults, FullWindowIsReportedAndTheOthersStillFilled) {
  Status status;
  EXPECT_EQ(placed({{200, A, 150}, {195, C, 90}, {194, S, 11}, {193, B}}, status),
            (Cells{182, 189, 195}));
  EXPECT_EQ(status.codice_errore(), 12);
  EXPECT_EQ(status.posizione_errore(), 10000);
  ASSERT_EQ(status.diagnostics().size(), 1u);
  EXPECT_NE(status.diagnostics()[0].message.find("195, 194 and 193"), std::string::npos);
}

TEST(SignalCodeFaults, AFullWindowNamesWhatHoldsEachCellAndWhereItCameFrom) {
  TrackModel m = track(400);
  put(m, 195, B);
  m.set_origin(195, {Placer::kLineText, 12});
  put(m, 194, S, 11);
  m.set_origin(194, {Placer::kTrainText, 30});
  // The start in cell 198 has the pass put a code point in cell 193 first.
  put(m, 198, A, 150);
  put(m, 200, A, 150);
  m.set_origin(200, {Placer::kTrainText, 31});
  Status status;
  place_signal_codes(m, status);
  ASSERT_EQ(status.diagnostics().size(), 1u);
  const std::string& message = status.diagnostics()[0].message;
  EXPECT_NE(message.find("before the slowdown start in cell 200 (from line 31 of the train "
                         "description), found cell 195 holding the speed board from line 12 of "
                         "the line description; cell 194 holding the signal from line 30 of the "
                         "train description; cell 193 holding the speed-code point placed by the "
                         "signal-code pass"),
            std::string::npos)
      << message;
}

// Each fault is located at the keyword of the record it is about, in the
// text that record came from, with the record that explains it beside it.
TEST(SignalCodeFaults, EachFaultStandsAtTheRecordItIsAbout) {
  const std::string line_text = "line\n";
  const std::string train_text =
      "t\n  segnale, 2400\nrallentamento, 10000\nrallentamento, 9900, 10300\n";
  const auto origin = [](int32_t line, int32_t column, int32_t last) {
    return CellOrigin{Placer::kTrainText, line, -1, column, last};
  };
  struct Case {
    std::vector<Item> items;
    int32_t code;
    int line;
    int column;
    int last_column;
    std::string related;  // empty: none
  };
  // Cells: signal 48 (line 2, indented), slowdown object at 50, 60 and 200
  // from line 3, the end at 205 and the signal after it from line 4.
  const std::vector<Case> cases = {
      // 11: no room before the signal in 48, asked for by the board in 60.
      {{{60, W, 50}, {48, S, 11}, {47, B, 1}, {46, B, 1}},
       11,
       2,
       3,
       9,
       "the code point is asked for by the slowdown warning board in cell 60"},
      // 12: a full window before the start in 200.
      {{{200, A, 150}, {195, B}, {194, B}, {193, B}}, 12, 3, 1, 13, ""},
      // 13 inside the slowdown: at the start's record.
      {{{200, A, 50}, {240, E, 50}, {207, B}, {208, B}, {209, B}}, 13, 3, 1, 13, ""},
      // 13 after it: at the end's record, the signal beside it.
      {{{200, A, 50}, {205, E, 50}, {210, S, 11}, {209, B}, {208, B}},
       13,
       4,
       1,
       13,
       "the code point is for the signal in cell 210"},
  };
  for (const Case& c : cases) {
    TrackModel m = track(400);
    for (const Item& it : c.items) {
      put(m, it.cell, it.tipo, it.valore1);
      if (it.cell == 48) m.set_origin(48, origin(2, 3, 9));
      if (it.cell == 60 || it.cell == 200) m.set_origin(it.cell, origin(3, 1, 13));
      if (it.cell == 205 || it.cell == 210) m.set_origin(it.cell, origin(4, 1, 13));
      if (it.tipo == B) m.set_origin(it.cell, {Placer::kLineText, 1, -1, 1, 4});
    }
    Status status;
    place_signal_codes(m, status, {"L.txt", line_text}, {"T_1-.txt", train_text});
    ASSERT_FALSE(status.diagnostics().empty()) << c.code;
    const Diagnostic& d = status.diagnostics()[0];
    EXPECT_EQ(d.code, c.code);
    ASSERT_TRUE(d.location.has_value()) << c.code;
    EXPECT_EQ(d.location->file, "T_1-.txt");
    EXPECT_EQ(d.location->line, c.line) << c.code;
    EXPECT_EQ(d.location->column, c.column) << c.code;
    ASSERT_TRUE(d.field.has_value());
    EXPECT_EQ(d.field->last_column, c.last_column);
    EXPECT_EQ(d.source_line, std::string(LineIndex(train_text).line(c.line).value()));
    if (c.related.empty()) {
      EXPECT_TRUE(d.related.empty()) << c.code;
    } else {
      ASSERT_EQ(d.related.size(), 1u) << c.code;
      EXPECT_EQ(d.related[0].message, c.related);
      EXPECT_EQ(d.related[0].location.file, "T_1-.txt");
    }
  }
}

TEST(SignalCodeFaults, BlockedWalkStopsPlacingInThatSlowdown) {
  Status status;
  EXPECT_EQ(placed({{200, A, 50}, {240, E, 50}, {207, B}, {208, B}, {209, S, 11}}, status),
            (Cells{182, 189, 195}));
  EXPECT_EQ(status.codice_errore(), 13);
  EXPECT_EQ(status.posizione_errore(), 208 * 50);
  ASSERT_EQ(status.diagnostics().size(), 1u);
  EXPECT_NE(status.diagnostics()[0].message.find("208, 207 and 209"), std::string::npos);
}

TEST(SignalCodeFaults, NoRoomBeforeTheSignalAfterASlowdown) {
  Status status;
  EXPECT_EQ(placed({{200, A, 50}, {205, E, 50}, {210, S, 11}, {209, B}, {208, B}}, status),
            (Cells{182, 189, 195}));
  EXPECT_EQ(status.codice_errore(), 13);
  EXPECT_EQ(status.posizione_errore(), 205 * 50);  // the end, not the signal
}

// --- The end of the track -------------------------------------------------

TEST(TrackEnd, WalkWithoutAnEndStopsAtTheLastCell) {
  // No end met: no search for a signal after it.
  EXPECT_EQ(placed({{200, A, 50}, {205, S, 11}, {219, S, 11}}, 220),
            (Cells{182, 189, 195, 208, 216}));
}

TEST(TrackEnd, SignalSearchStopsAtTheLastCell) {
  EXPECT_EQ(placed({{214, A, 50}, {219, E, 50}}, 220), (Cells{196, 203, 209}));
  // A signal in the last cell is still found; s is the end cell, so s - 1.
  EXPECT_EQ(placed({{214, A, 50}, {219, E, 50}, {220, S, 11}}, 220), (Cells{196, 203, 209, 218}));
}

TEST(TrackEnd, CellBeyondTheLastIsNotFree) {
  Status status;
  placed({{212, A, 50}, {219, B}, {220, B}}, status, 220);
  EXPECT_EQ(status.codice_errore(), 13);
  EXPECT_EQ(status.posizione_errore(), 220 * 50);
  ASSERT_EQ(status.diagnostics().size(), 1u);
  EXPECT_NE(status.diagnostics()[0].message.find("221 (beyond the last cell)"), std::string::npos)
      << status.diagnostics()[0].message;
}

TEST(TrackEnd, OnlyCellsUpToTwoBeforeTheLastAreVisited) {
  EXPECT_EQ(placed({{98, W, 50}, {90, S, 11}}, 100), (Cells{89}));
  EXPECT_EQ(placed({{99, W, 50}, {90, S, 11}}, 100), Cells{});
  EXPECT_EQ(placed({{1, A, 50}}, 1), Cells{});
  Status status;
  TrackModel none;
  place_signal_codes(none, status);
  EXPECT_TRUE(status.diagnostics().empty());
}

}  // namespace
}  // namespace binario
