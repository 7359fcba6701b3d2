#include "compiler/cell_meaning.h"

#include <gtest/gtest.h>

#include "compiler/records.h"

namespace binario {
namespace {

// Every byte a speed or gradient cell can hold decodes to a value that
// encodes back to the same byte, and the speed limit's range in the records
// table is exactly the speeds whose rounded fifth fits a cell.
TEST(CellMeaning, SpeedAndGradientBytesRoundTripAndTheSpeedRangeIsWhatFitsACell) {
  for (int b = 0; b <= 255; ++b) {
    const auto byte = static_cast<uint8_t>(b);
    EXPECT_EQ(speed_fifth(speed_from_fifth(byte)), b);
    EXPECT_EQ(gradient_byte(gradient_from_byte(byte)), byte);
  }
  // Speeds off the 5 km/h step round to the nearest step.
  EXPECT_EQ(speed_from_fifth(speed_fifth(7)), 5);
  EXPECT_EQ(speed_from_fifth(speed_fifth(8)), 10);
  EXPECT_EQ(speed_from_fifth(speed_fifth(-2)), 0);

  const ValueRange range = *record_spec(RecordKind::kSpeedLimit).values[1].range;
  EXPECT_TRUE(fits_byte(speed_fifth(range.lo)));
  EXPECT_TRUE(fits_byte(speed_fifth(range.hi)));
  EXPECT_FALSE(fits_byte(speed_fifth(range.lo - 1)));
  EXPECT_FALSE(fits_byte(speed_fifth(range.hi + 1)));

  // A gradient outside what a byte keeps wraps round.
  EXPECT_EQ(gradient_from_byte(gradient_byte(-100)), -100);
  EXPECT_EQ(gradient_from_byte(gradient_byte(155)), 155);
  EXPECT_EQ(gradient_from_byte(gradient_byte(156)), -100);
  EXPECT_EQ(gradient_from_byte(gradient_byte(-101)), 155);
}

// A board's two speeds of a class share one Integer; read signed they come
// back as written whenever both are on the 5 km/h step and the pair fits.
TEST(CellMeaning, BoardSpeedsAndStripesRoundTripAndRoundAsStored) {
  for (int64_t left = 0; left <= 1630; left += 5) {
    for (int64_t right = 0; right <= 495; right += 5) {
      const LeftRight back = board_speeds(board_speeds_cell(left, right));
      ASSERT_EQ(back.left, left) << left << " " << right;
      ASSERT_EQ(back.right, right) << left << " " << right;
    }
  }
  // Off the step: the right speed rounds half to even in fifths; a left
  // speed off the step spills into the right one.
  EXPECT_EQ(board_speeds(board_speeds_cell(100, 12)).right, 10);
  EXPECT_EQ(board_speeds(board_speeds_cell(100, 13)).right, 15);
  EXPECT_EQ(board_speeds_value(0, 2), 0);
  EXPECT_EQ(board_speeds(board_speeds_cell(3, 0)).left, 0);
  EXPECT_EQ(board_speeds(board_speeds_cell(3, 0)).right, 300);
  // Past 16 bits the value wraps: read signed, it is the value a
  // description can write back; read unsigned, the 16 bits as displayed.
  const int16_t wrapped = board_speeds_cell(1640, 0);
  EXPECT_EQ(board_speeds(wrapped).left, -1640);
  EXPECT_EQ(board_speeds(wrapped).right, 320);
  EXPECT_EQ(board_speeds(static_cast<uint16_t>(wrapped)).left, 1640);
  EXPECT_EQ(board_speeds(static_cast<uint16_t>(wrapped)).right, 0);
  EXPECT_EQ(board_speeds(-1).left, -5);
  EXPECT_EQ(board_speeds(-1).right, 495);

  for (int64_t left = -50; left <= 50; ++left) {
    for (int64_t right = 0; right <= 9; ++right) {
      const LeftRight back = board_stripes(board_stripes_value(left, right));
      EXPECT_EQ(back.left, left);
      EXPECT_EQ(back.right, right);
    }
  }
}

// The signal's packed Integers and its approach marks decode to values that
// encode back to what the cell holds, including after 16- and 8-bit wraps.
TEST(CellMeaning, SignalPairsRepeatValuesAndApproachMarksRoundTrip) {
  for (int64_t s = -20; s <= 20; ++s) {
    for (int64_t d = 0; d <= 9; ++d) {
      const LeftRight back = signal_pair(low16(signal_pair_value(s, d)));
      EXPECT_EQ(back.left, s);
      EXPECT_EQ(back.right, d);
    }
  }
  for (int64_t sx = 0; sx <= 2; ++sx) {
    for (int64_t dx = 0; dx <= 2; ++dx) {
      const int64_t mark = signal_mark_value(sx, dx);
      for (int64_t rapp : {0, 1, 9, 3276, 3277, 40000, -1, -3277}) {
        const int16_t stored = low16(signal_repeat_value(rapp, mark));
        EXPECT_EQ(low16(signal_repeat_value(signal_repeat(stored, mark), mark)), stored)
            << rapp << " " << mark;
      }
    }
  }
  for (int64_t m = 0; m < 256; ++m) {
    for (int64_t b = 1; b <= 4; ++b) {
      EXPECT_EQ(mark_from_byte(approach_mark_byte(m, b), b), m % 128);
    }
  }
  // A byte an odd distance from b is no mark of that distance.
  EXPECT_EQ(mark_from_byte(12, 1), -1);

  // A timed signal never waits 1 to 100; an untimed one keeps no time.
  EXPECT_EQ(signal_time_byte(kTimedSignal, 1), 101);
  EXPECT_EQ(signal_time_byte(kTimedSignal, 100), 101);
  EXPECT_EQ(signal_time_byte(kTimedSignal, 0), 0);
  EXPECT_EQ(signal_time_byte(kTimedSignal, 101), 101);
  EXPECT_EQ(signal_time_byte(kTimedSignal, 300), 44);
  EXPECT_EQ(signal_time_byte(1, 150), 0);
}

}  // namespace
}  // namespace binario

namespace binario {
namespace {

// Each number of a station record that its entry keeps has a field of its
// own (none overwrites another) and reads back as stored, cut to the field's
// width; the length, the time and the name have none.
TEST(CellMeaning, StationValuesKeepAFieldEachAndReadBack) {
  using namespace values_of;
  VoceTreno e;
  for (size_t i = 0; i < kStationValues; ++i) {
    const bool kept = store_station_value(e, i, static_cast<int64_t>(i) + 1);
    EXPECT_EQ(kept, stored_station_value(e, i).has_value()) << i;
    EXPECT_EQ(kept, i != kStationLength && i != kHoursOfDay && i != kMinutesOfDay &&
                        i != kSecondsOfDay && i != kStationName)
        << i;
  }
  for (size_t i = 0; i < kStationValues; ++i) {
    if (const std::optional<int64_t> v = stored_station_value(e, i)) {
      EXPECT_EQ(*v, static_cast<int64_t>(i) + 1) << i;
    }
  }
  // Bytes and Integers keep what their width holds, as the reader took it.
  store_station_value(e, kStationKind, 300);
  store_station_value(e, kStationD1, 70000);
  store_station_value(e, kStationPos, -2'000'000'000);
  EXPECT_EQ(stored_station_value(e, kStationKind), 44);
  EXPECT_EQ(stored_station_value(e, kStationD1), 4464);
  EXPECT_EQ(stored_station_value(e, kStationPos), -2'000'000'000);
}

// Every value of the general sections' records has a field of its own in
// the train table's reserved entries, beside the repetition's count of codes
// and outside the station entries; the records of the bodies have none.
TEST(CellMeaning, GeneralValuesKeepAFieldEachInTheReservedEntries) {
  std::array<VoceTreno, kTrenoEntries> treno{};
  int64_t next = 1;
  for (const RecordSpec& row : records_table()) {
    const bool general = row.position == std::nullopt;
    for (size_t i = 0; i < row.values.size(); ++i) {
      const GeneralField f = general_field(row.kind, i);
      EXPECT_EQ(f.entry > kFirstBoardSlot, general) << row.written[0] << " " << i;
      store_general_value(treno, row.kind, i, next++);
    }
  }
  store_repetition_codes(treno, 9);
  next = 1;
  for (const RecordSpec& row : records_table()) {
    for (size_t i = 0; i < row.values.size(); ++i, ++next) {
      if (row.position) continue;
      EXPECT_EQ(general_value(treno, row.kind, i), next) << row.written[0] << " " << i;
    }
  }
  EXPECT_EQ(repetition_codes(treno), 9);
  TrackModel model;
  for (size_t i = 0; i < values_of::kClockValues; ++i) {
    store_general_value(model.treno, RecordKind::kClock, i, static_cast<int64_t>(i) + 7);
  }
  store_general_value(model.treno, RecordKind::kBrakedMass, 0, 120);
  EXPECT_EQ(clock_seconds(model), 7 * 3600 + 8 * 60 + 9);
  EXPECT_EQ(braked_mass_percent(model), 120);
}

// Every Byte a mountain span's cells keep, with markers or without, comes
// from the kind decompile writes for it.
TEST(CellMeaning, MountainKindsRoundTripThroughTheByte) {
  for (int b = 0; b <= 255; ++b) {
    for (bool markers : {false, true}) {
      const MountainKind kept =
          mountain_kind(mountain_written_kind(static_cast<uint8_t>(b), markers));
      EXPECT_EQ(low8(kept.kind), b) << markers;
      EXPECT_EQ(kept.markers, markers) << b;
    }
  }
}

// A time of day splits into minutes and seconds of 0 to 59 and the hours
// left, negative ones included, and joins back to the same count.
TEST(CellMeaning, TimeOfDaySplitsAndJoinsBack) {
  struct Case {
    int64_t seconds, hours, minutes, secs;
  };
  const Case cases[] = {{0, 0, 0, 0},
                        {59, 0, 0, 59},
                        {60, 0, 1, 0},
                        {3599, 0, 59, 59},
                        {3600, 1, 0, 0},
                        {86399, 23, 59, 59},
                        {90061, 25, 1, 1},
                        {-1, -1, 59, 59},
                        {-3600, -1, 0, 0},
                        {-3601, -2, 59, 59},
                        {2147483647, 596523, 14, 7}};
  for (const Case& c : cases) {
    const TimeOfDay t = time_of_day(c.seconds);
    EXPECT_EQ(t.hours, c.hours) << c.seconds;
    EXPECT_EQ(t.minutes, c.minutes) << c.seconds;
    EXPECT_EQ(t.seconds, c.secs) << c.seconds;
    EXPECT_EQ(seconds_of_day(t.hours, t.minutes, t.seconds), c.seconds);
  }
  // As written, minutes and seconds may run past 59 or below 0.
  EXPECT_EQ(seconds_of_day(1, 75, -10), 3600 + 4500 - 10);
}

// Decompile writes a record back at the metre its cell's inverse gives: that
// metre must land on the same cell by the compile's own rule, and a
// slowdown's warning board must stand the cells before its start that
// decompile counts back from a board it finds.
TEST(CellMeaning, TheCellRulesInversesLandOnTheirCells) {
  for (int64_t j = 1; j < 40'000; j += 7) {
    EXPECT_EQ(span_cell(span_start(j)), j) << j;
    EXPECT_EQ(point_cell(point_position(j)), j) << j;
  }
  for (int64_t x = 1550; x < 200'000; x += 37) {
    const SlowdownCells c = slowdown_cells(x, 0);
    const int64_t board_cells = kWarningBoardDistance / kCellLength;
    EXPECT_EQ(c.b - c.a, board_cells) << x;
  }
}

// A curve keyword is read by its "s" in any case and the first of the class
// digits 1 to 6 in that order; the keyword written back for what was read
// is the plain one, which reads as itself.
TEST(CellMeaning, CurveAndRepetitionKeywordsReadAsTheParserReadsThem) {
  for (bool left : {true, false}) {
    for (int curve_class = 1; curve_class <= 6; ++curve_class) {
      const std::string plain = curve_keyword(left, curve_class);
      EXPECT_TRUE(plain_curve_keyword(plain)) << plain;
      const CurveKeyword read = read_curve_keyword(plain);
      EXPECT_EQ(read.left, left) << plain;
      EXPECT_EQ(read.curve_class, curve_class) << plain;
    }
  }
  EXPECT_TRUE(plain_curve_keyword("CurvaS3"));
  const CurveKeyword odd = read_curve_keyword("curva S 63");
  EXPECT_TRUE(odd.left);
  EXPECT_EQ(odd.curve_class, 3);  // 3 is tested before 6
  EXPECT_FALSE(plain_curve_keyword("curva S 63"));
  EXPECT_FALSE(plain_curve_keyword("curvas7"));
  EXPECT_FALSE(plain_curve_keyword("curvax3"));
  EXPECT_EQ(read_curve_keyword("curvad").curve_class, 0);
  EXPECT_EQ(signal_repetition_codes("ripetizione segnali 4"), 4);
  EXPECT_EQ(signal_repetition_codes("ripetizione segnali 9"), 9);
  EXPECT_EQ(signal_repetition_codes("ripetizione segnali 94"), 4);
  EXPECT_EQ(signal_repetition_codes("ripetizione segnali"), 0);
}

}  // namespace
}  // namespace binario
