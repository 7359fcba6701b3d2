// What the bytes of a cell and the numbers of a station entry mean: the
// pure encoding of an author's values into cell bytes, and the decoding of
// cell bytes back into values — the speed limit in km/h, the gradient in per
// mille, the speed boards' and the signals' packed Integers, the approach
// marks, the slowdown boards, the station stop cell. The parsers encode with
// these; decompile, the run model, the plot, dump, the documents and the
// editor's hover decode with these, so no one else knows a cell byte's
// meaning.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "compiler/fixed_width.h"
#include "compiler/records.h"
#include "compiler/track_model.h"

namespace binario {

// floor(a / b) for b > 0: the quotient that leaves a remainder 0 <= r < b,
// the way a packed Integer splits back into its digits.
constexpr int64_t floor_div(int64_t a, int64_t b) {
  int64_t q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  return q;
}

// ---- Speeds: a cell and a board keep km/h in steps of 5.

inline constexpr int64_t kSpeedStep = 5;

// The fifth of a speed, rounded half to even, before it is stored (the
// caller decides what happens when it does not fit a Byte).
inline int64_t speed_fifth(int64_t kmh) {
  return nearest(static_cast<double>(kmh) / static_cast<double>(kSpeedStep));
}
// A stored fifth read back in km/h.
constexpr int64_t speed_from_fifth(int64_t fifth) {
  return fifth * kSpeedStep;
}

// The speed limit of a cell: stored as a fifth of the km/h.
inline int speed_limit_kmh(const Cella& c) {
  return static_cast<int>(speed_from_fifth(c.velocita));
}

// ---- Chainage references: one whose flag is 1 is kept 100 m further on.

inline constexpr int64_t kChainageRaise = 100;
constexpr int64_t chainage_stored(int64_t chainage, int64_t flag) {
  return flag == 1 ? chainage + kChainageRaise : chainage;
}
constexpr int64_t chainage_written(int64_t stored, int64_t flag) {
  return flag == 1 ? stored - kChainageRaise : stored;
}

// ---- Gradients: per mille, rising positive, stored plus 100 in a Byte.

inline constexpr int64_t kGradientBias = 100;

constexpr uint8_t gradient_byte(int64_t per_mille) {
  return low8(per_mille + kGradientBias);
}
constexpr int64_t gradient_from_byte(uint8_t b) {
  return int64_t{b} - kGradientBias;
}
// The gradient of a cell in per mille.
inline int gradient_per_mille(const Cella& c) {
  return static_cast<int>(gradient_from_byte(c.pendenza));
}

// ---- Mountain spans: the kind as written is kept in a Byte in each cell of
// the span; a kind above 10 stands for the kind 10 lower with markers every
// fourth cell.

struct MountainKind {
  int64_t kind;  // as kept, before it is cut to the Byte
  bool markers;
};
constexpr MountainKind mountain_kind(int64_t written) {
  return written > 10 ? MountainKind{written - 10, true} : MountainKind{written, false};
}
// A kind as written that keeps the Byte `kept`, with or without markers.
constexpr int64_t mountain_written_kind(uint8_t kept, bool markers) {
  if (markers) return kept == 0 ? 266 : int64_t{kept} + 10;
  return kept <= 10 ? kept : int64_t{kept} - 256;
}

// ---- Speed boards: each class's left and right speeds share one Integer,
// the left one's fifth as hundreds and the right one's as units; the two
// stripe counts share another as 10 * left + right.

// The packed value before it is cut to 16 bits (what a warning compares).
inline int64_t board_speeds_value(int64_t left_kmh, int64_t right_kmh) {
  return nearest(static_cast<double>(right_kmh) / static_cast<double>(kSpeedStep) +
                 20.0 * static_cast<double>(left_kmh));
}
inline int16_t board_speeds_cell(int64_t left_kmh, int64_t right_kmh) {
  return low16(board_speeds_value(left_kmh, right_kmh));
}
struct LeftRight {
  int64_t left;
  int64_t right;
};
// The two speeds of a packed value, in km/h. `stored` is the Integer as the
// reader takes it: signed to give back what a description wrote, or
// unsigned to show the 16 bits as a board displays them.
constexpr LeftRight board_speeds(int64_t stored) {
  const int64_t hundreds = floor_div(stored, 100);
  return {hundreds * kSpeedStep, (stored - hundreds * 100) * kSpeedStep};
}

constexpr int64_t board_stripes_value(int64_t left, int64_t right) {
  return 10 * left + right;
}
constexpr LeftRight board_stripes(int64_t stored) {
  const int64_t tens = floor_div(stored, 10);
  return {tens, stored - tens * 10};
}

// A speed board's cell: the packed speeds of classes A, B and C in valore1
// to valore3, the packed stripe counts in valore4.
inline constexpr values_of::SpeedBoard kBoardLeft[3] = {values_of::kVas, values_of::kVbs,
                                                        values_of::kVcs};
inline constexpr values_of::SpeedBoard kBoardRight[3] = {values_of::kVad, values_of::kVbd,
                                                         values_of::kVcd};
// Writes a speed board of the values `v` (the table's order) into `c`.
inline void write_speed_board(Cella& c, std::span<const int64_t, values_of::kStrisced + 1> v) {
  using namespace values_of;
  c.tipo = kSpeedBoard;
  c.valore1 = board_speeds_cell(v[kVas], v[kVad]);
  c.valore2 = board_speeds_cell(v[kVbs], v[kVbd]);
  c.valore3 = board_speeds_cell(v[kVcs], v[kVcd]);
  c.valore4 = low16(board_stripes_value(v[kStrisces], v[kStrisced]));
}
// Reads the speeds and stripe counts of the board in `c` into `v` (all but
// the position), as a description writes them.
// The packed speeds of class `k` (0 for A, 1 for B, 2 for C) in a board's cell.
inline int16_t board_class_cell(const Cella& c, size_t k) {
  return k == 0 ? c.valore1 : k == 1 ? c.valore2 : c.valore3;
}
inline void read_speed_board(const Cella& c, std::span<int64_t, values_of::kStrisced + 1> v) {
  for (size_t i = 0; i < 3; ++i) {
    const LeftRight speeds = board_speeds(board_class_cell(c, i));
    v[kBoardLeft[i]] = speeds.left;
    v[kBoardRight[i]] = speeds.right;
  }
  const LeftRight stripes = board_stripes(c.valore4);
  v[values_of::kStrisces] = stripes.left;
  v[values_of::kStrisced] = stripes.right;
}
// Whether `c` holds any of a board's values.
inline bool holds_board_values(const Cella& c) {
  return c.valore1 != 0 || c.valore2 != 0 || c.valore3 != 0 || c.valore4 != 0;
}

// ---- Signals: each aspect pair (s, d) is kept as s * 10 + d; the repeat
// value and the approach-mark value m = sx * 3 + dx as rapp * 10 + m; a timed
// signal (sx 2) keeps its time in a Byte, never 1 to 100.

constexpr int64_t signal_pair_value(int64_t s, int64_t d) {
  return s * 10 + d;
}
// The (s, d) of a stored pair.
constexpr LeftRight signal_pair(int64_t stored) {
  const int64_t tens = floor_div(stored, 10);
  return {tens, stored - tens * 10};
}
constexpr int64_t signal_mark_value(int64_t sx, int64_t dx) {
  return sx * 3 + dx;
}
constexpr int64_t signal_repeat_value(int64_t rapp, int64_t mark) {
  return rapp * 10 + mark;
}
inline constexpr int64_t kTimedSignal = 2;  // the sx of a signal that keeps a time
// A timed signal waits at least 101.
constexpr int64_t signal_time(int64_t tempo) {
  return tempo >= 1 && tempo <= 100 ? 101 : tempo;
}
constexpr uint8_t signal_time_byte(int64_t sx, int64_t tempo) {
  return sx == kTimedSignal ? low8(signal_time(tempo)) : 0;
}
// The approach mark `b` pairs of cells (1 to 4) before a signal with mark
// value `mark`.
constexpr uint8_t approach_mark_byte(int64_t mark, int64_t b) {
  return low8(mark * 10 + b);
}
// The approach mark a cell keeps (0: none), beside whatever object it holds.
inline uint8_t approach_mark(const Cella& c) {
  return c.ripetizione;
}
inline void set_approach_mark(Cella& c, uint8_t mark) {
  c.ripetizione = mark;
}
// The mark value a mark byte `held` at distance `b` can come from: the byte
// keeps 10 * m in 8 bits, so m is known modulo 128 (77 is 1/5 modulo 128);
// -1 when no m gives the byte.
constexpr int64_t mark_from_byte(uint8_t held, int64_t b) {
  const int64_t x = (int64_t{held} - b) & 0xFF;
  if (x % 2 != 0) return -1;
  return (77 * (x / 2)) & 127;
}
// The repeat value of a stored rapp * 10 + m, given m: the 16 bits keep
// rapp * 10 modulo 65536 (19661 is 1/5 modulo 32768). The caller checks that
// it encodes back to `stored`.
constexpr int64_t signal_repeat(int16_t stored, int64_t mark) {
  const int64_t diff = stored - mark;
  return diff % 10 == 0 ? diff / 10 : (((diff / 2) % 32768 + 32768) * 19661) % 32768;
}

// A signal's cell: the aspect pairs in valore1 to valore3, the repeat value
// with the mark value in valore4, a timed signal's time in `tempo`.
inline void write_signal(Cella& c, std::span<const int64_t, values_of::kSignalValues> v) {
  using namespace values_of;
  c.tipo = kSignal;
  c.valore4 = low16(signal_repeat_value(v[kRapp], signal_mark_value(v[kSx], v[kDx])));
  c.valore1 = low16(signal_pair_value(v[kS1], v[kD1]));
  c.valore2 = low16(signal_pair_value(v[kS2], v[kD2]));
  c.valore3 = low16(signal_pair_value(v[kS3], v[kD3]));
  c.tempo = signal_time_byte(v[kSx], signal_time(v[kTempo]));
}
// The stored pair `k` (1 to 3) of a signal's cell.
inline int16_t signal_pair_cell(const Cella& c, int k) {
  return k == 1 ? c.valore1 : k == 2 ? c.valore2 : c.valore3;
}
// The stored repeat and mark value of a signal's cell.
inline int16_t signal_repeat_cell(const Cella& c) {
  return c.valore4;
}
// The time a signal's cell keeps (0: an untimed signal).
inline uint8_t signal_time_cell(const Cella& c) {
  return c.tempo;
}

// ---- Slowdowns: each part is a cell of its own kind. The start and the end
// keep the speed (valore1), the second speed d_v when it is not 0
// (valore2) and f_tt (valore3); the warning board keeps the speed and d_v;
// each of the four countdown boards keeps its step 1 to 4 (valore1), and
// again in valore2 when d_v is not 0.

enum class SlowdownPart : uint8_t { kStart, kEnd, kWarning };

// Writes part `part` of a slowdown with speed `v`, `f_tt` and `d_v` as
// written into `c`. Parts that share a cell are written end, start, warning
// board: the last one's kind stays, the values of each stay where the later
// ones write none.
inline void write_slowdown_part(Cella& c, SlowdownPart part, int64_t v, int64_t f_tt, int64_t d_v) {
  switch (part) {
    case SlowdownPart::kStart:
      c.tipo = kSlowdownStart;
      break;
    case SlowdownPart::kEnd:
      c.tipo = kSlowdownEnd;
      break;
    case SlowdownPart::kWarning:
      c.tipo = kSlowdownWarning;
      break;
  }
  if (d_v != 0) c.valore2 = low16(d_v);
  c.valore1 = low16(v);
  if (part != SlowdownPart::kWarning) c.valore3 = low16(f_tt);
}
// Writes countdown board `step` (1 to 4, counting back from the warning
// board) of a slowdown with `d_v` into `c`.
inline void write_countdown_board(Cella& c, int64_t step, int64_t d_v) {
  c.tipo = kCountdown;
  c.valore1 = low16(step);
  if (d_v != 0) c.valore2 = low16(step);
}

// Whether `c` holds the slowdown part or countdown board written into
// `want`: the same kind and values, its speed (or step) only when
// `with_speed`.
inline bool shows_part(const Cella& c, const Cella& want, bool with_speed) {
  return c.tipo == want.tipo && (!with_speed || c.valore1 == want.valore1) &&
         c.valore2 == want.valore2 && c.valore3 == want.valore3 && c.valore4 == want.valore4 &&
         c.tempo == want.tempo;
}

// A slowdown's start and end boards, and the speed they carry (km/h).
inline bool starts_slowdown(const Cella& c) {
  return c.tipo == kSlowdownStart;
}
inline bool ends_slowdown(const Cella& c) {
  return c.tipo == kSlowdownEnd;
}
inline int slowdown_speed_kmh(const Cella& c) {
  return c.valore1;
}
// The speed a slowdown's warning board announces (km/h).
inline int warning_board_speed_kmh(const Cella& c) {
  return c.valore1;
}
// The d_v and f_tt a slowdown's part keeps (d_v: 0 when written as 0).
inline int16_t slowdown_d_v(const Cella& c) {
  return c.valore2;
}
inline int16_t slowdown_f_tt(const Cella& c) {
  return c.valore3;
}
// The step (1 to 4) of a countdown board.
inline int countdown_step(const Cella& c) {
  return c.valore1;
}

// A sign board's cell keeps the table entry that holds its text.
inline void write_sign_board(Cella& c, int64_t entry) {
  c.tipo = kSignBoard;
  c.valore1 = low16(entry);
}

// A speed-code point keeps its value; one of value below 1 is bare and
// keeps none.
// The value a speed-code point keeps.
inline int16_t code_point_value(const Cella& c) {
  return c.valore1;
}
inline void set_code_point_value(Cella& c, int16_t w) {
  c.valore1 = w;
}
inline void write_code_point(Cella& c, int64_t w) {
  if (w >= 1) {
    c.tipo = kCodePoint;
    c.valore1 = low16(w);
  } else {
    c.tipo = kBareCodePoint;
  }
}

// The table entry (80 down) holding a sign board's text; one outside 1 to
// 80 holds none.
inline int sign_board_entry(const Cella& c) {
  return c.valore1;
}
inline bool sign_board_has_entry(const Cella& c) {
  return c.valore1 >= 1 && c.valore1 <= kFirstBoardSlot;
}

// ---- Times of day: hours, minutes and seconds as written, kept as one
// count of seconds.

constexpr int64_t seconds_of_day(int64_t hours, int64_t minutes, int64_t seconds) {
  return hours * 3600 + minutes * 60 + seconds;
}
struct TimeOfDay {
  int64_t hours;
  int64_t minutes;
  int64_t seconds;
};
// The hours, minutes and seconds that give `seconds`: minutes and seconds
// 0 to 59, the hours what is left (negative for a negative count).
constexpr TimeOfDay time_of_day(int64_t seconds) {
  const int64_t hours = floor_div(seconds, 3600);
  const int64_t rest = seconds - hours * 3600;
  return {hours, rest / 60, rest % 60};
}

// ---- Station entries: which field of a station's entry in the train table
// keeps which value of its record (values_of::Station). The length and mar
// shape the extent (station_extent), which the entry keeps from its start to
// its end; the time of day is kept as one count of seconds; mar is kept as
// written until the extent is settled.

// Stores value `i` of a station record in its entry; false, storing
// nothing, for a value the entry keeps otherwise (the length, the time of
// day, the name).
inline bool store_station_value(VoceTreno& e, size_t i, int64_t n) {
  using namespace values_of;
  const auto byte = static_cast<uint8_t>(n);
  const auto integer = static_cast<int16_t>(n);
  switch (i) {
    case kStationPos:
      e.posizione = static_cast<int32_t>(n);
      return true;
    case kStationKind:
      e.tipo = byte;
      return true;
    case kTps:
      e.tps = byte;
      return true;
    case kTab:
      e.opz4 = byte;
      return true;
    case kMar:
      e.opz3 = byte;
      return true;
    case kStationD2:
      e.dato1 = integer;
      return true;
    case kStationD3:
      e.dato2 = integer;
      return true;
    case kRap:
      e.opz1 = byte;
      return true;
    case kStationD1:
      e.dato3 = integer;
      return true;
    case kStationD2b:
      e.dato4 = integer;
      return true;
    case kStationD3b:
      e.dato5 = integer;
      return true;
    case kAc:
      e.opz2 = byte;
      return true;
    default:
      return false;
  }
}
// Value `i` of a station record as its entry keeps it; nothing for a value
// the entry keeps otherwise.
inline std::optional<int64_t> stored_station_value(const VoceTreno& e, size_t i) {
  using namespace values_of;
  switch (i) {
    case kStationPos:
      return e.posizione;
    case kStationKind:
      return e.tipo;
    case kTps:
      return e.tps;
    case kTab:
      return e.opz4;
    case kMar:
      return e.opz3;
    case kStationD2:
      return e.dato1;
    case kStationD3:
      return e.dato2;
    case kRap:
      return e.opz1;
    case kStationD1:
      return e.dato3;
    case kStationD2b:
      return e.dato4;
    case kStationD3b:
      return e.dato5;
    case kAc:
      return e.opz2;
    default:
      return std::nullopt;
  }
}
// The extent of a station as its entry keeps it.
inline void store_station_extent(VoceTreno& e, int32_t inizio, int32_t fine) {
  e.inizio = inizio;
  e.fine = fine;
}
inline StationExtent stored_station_extent(const VoceTreno& e) {
  return {e.inizio, e.fine};
}
inline void store_station_time(VoceTreno& e, int32_t seconds) {
  e.orario = seconds;
}

// Kinds 5 and 6 stop where no approach marks lead.
constexpr bool station_has_marks(int64_t kind) {
  return kind != 5 && kind != 6;
}
// The approach mark `j` (1 to 4) cells before the stop of a station whose
// extent ends at `fine`, and the byte it holds.
constexpr int64_t station_mark_cell(int64_t fine, int64_t j) {
  return station_stop_cell(fine) - j;
}
constexpr uint8_t station_mark_byte(int64_t j) {
  return low8(80 + j);
}
// The stop cell of station `n`.
inline void mark_station_stop(Cella& c, int64_t n) {
  c.tipo = kStationStop;
  c.valore1 = low16(n);
}

// Whether `c`, a station stop, may have been written over the part in
// `want`: a stop writes only its kind and its number, the rest stays.
inline bool stop_keeps_part(const Cella& c, const Cella& want) {
  return c.valore2 == want.valore2 && c.valore3 == want.valore3 && c.valore4 == want.valore4 &&
         c.tempo == want.tempo;
}

// What `c`, a station stop, shows of the cell it was written over: all but
// the kind and the number the stop writes.
inline Cella under_stop(const Cella& c) {
  Cella u = c;
  u.tipo = kNone;
  u.valore1 = 0;
  return u;
}

// The number of the station whose stop cell `c` is, or 0.
inline int stop_cell_station(const Cella& c) {
  return c.tipo == kStationStop ? c.valore1 : 0;
}

// The stop cell of a station entry, by the rule the compile writes it:
// fine / 50 - 1 for kinds below 25; -1 for a kind without cells.
inline int64_t station_stop_cell(const VoceTreno& v) {
  if (v.tipo >= kFirstKindWithoutCells) return -1;
  return station_stop_cell(int64_t{v.fine});
}

// The entries 1, 2, … that hold stations: up to the first empty entry, and
// never into the sign-board texts stored from entry 80 down.
inline bool station_entry_empty(const VoceTreno& v) {
  return v.tipo == 0 && v.inizio == 0 && v.fine == 0 && v.posizione == 0 && v.nome.empty();
}
inline int station_count(const TrackModel& model) {
  const int last = kFirstBoardSlot - model.numero_cartelli;
  int n = 0;
  while (n < last && !station_entry_empty(model.treno[static_cast<size_t>(n) + 1])) ++n;
  return n;
}

// A station entry's time of day in seconds (hours·3600 + minutes·60 +
// seconds as written); 0 means the station has no time.
inline int64_t station_time(const VoceTreno& v) {
  return v.orario;
}

// ---- The reserved entries of the train table: which field of which entry
// keeps each value of the records of the general sections. A chainage
// reference keeps its three values in an entry of its own (81 to 83, sorted
// once the line's general section is read, see progressive_ordina); the
// signal repetition keeps beside its span the count of codes its keyword
// gives.

// The field of its entry that keeps a chainage reference's value `i`
// (values_of::Chainage).
constexpr int32_t VoceTreno::*chainage_member(size_t i) {
  using namespace values_of;
  return i == kChainageKey ? &VoceTreno::inizio
         : i == kChainage  ? &VoceTreno::fine
                           : &VoceTreno::posizione;
}

// The entry and the field (a Long one, or an Integer one) that keep value
// `i` of the general record `kind`; entry -1 for a record of no general
// section.
struct GeneralField {
  int entry = -1;
  int32_t VoceTreno::*wide = nullptr;
  int16_t VoceTreno::*narrow = nullptr;
};
constexpr GeneralField general_field(RecordKind kind, size_t i) {
  using K = RecordKind;
  using V = VoceTreno;
  switch (kind) {
    case K::kLineLength:
      return {kTrainParameters, &V::fine};
    case K::kChainageTre:
      return {kChainageTre, chainage_member(i)};
    case K::kChainageDue:
      return {kChainageDue, chainage_member(i)};
    case K::kChainageUno:
      return {kChainageUno, chainage_member(i)};
    case K::kBackgroundUno:
      return {kScenarioEntry, &V::inizio};
    case K::kBackgroundDue:
      return {kScenarioEntry, &V::posizione};
    case K::kBackgroundTre:
      return {kScenarioEntry, &V::fine};
    case K::kSignalRepetition:
      return {kTrainEntry, i == values_of::kRepetitionFrom ? &V::inizio : &V::fine};
    case K::kBrakedMass:
      return {kTrainParameters, &V::inizio};
    case K::kCars:
      return {kTrainParameters, &V::posizione};
    case K::kClock:
      return {kTrainEntry, nullptr,
              i == values_of::kHours     ? &V::dato3
              : i == values_of::kMinutes ? &V::dato4
                                         : &V::dato5};
    case K::kSand:
      return {kTrainEntry, nullptr, &V::dato1};
    default:
      return {};
  }
}

// Stores value `i` of the general record `kind` where the train table keeps
// it, cut to the field's width as the reader took it.
inline void store_general_value(std::array<VoceTreno, kTrenoEntries>& treno, RecordKind kind,
                                size_t i, int64_t n) {
  const GeneralField f = general_field(kind, i);
  if (f.entry < 0) return;
  VoceTreno& v = treno[static_cast<size_t>(f.entry)];
  if (f.wide) v.*f.wide = static_cast<int32_t>(n);
  if (f.narrow) v.*f.narrow = static_cast<int16_t>(n);
}
// Value `i` of the general record `kind` as the train table keeps it; 0 for
// a record of no general section.
inline int64_t general_value(const std::array<VoceTreno, kTrenoEntries>& treno, RecordKind kind,
                             size_t i) {
  const GeneralField f = general_field(kind, i);
  if (f.entry < 0) return 0;
  const VoceTreno& v = treno[static_cast<size_t>(f.entry)];
  return f.wide ? int64_t{v.*f.wide} : int64_t{v.*f.narrow};
}
// The signal repetition's count of codes (4 or 9; 0 without an end).
inline void store_repetition_codes(std::array<VoceTreno, kTrenoEntries>& treno, int32_t codes) {
  treno[kTrainEntry].posizione = codes;
}
inline int64_t repetition_codes(const std::array<VoceTreno, kTrenoEntries>& treno) {
  return treno[kTrainEntry].posizione;
}

// The train's braked-mass percentage and its clock in seconds.
inline int64_t braked_mass_percent(const TrackModel& model) {
  return general_value(model.treno, RecordKind::kBrakedMass, 0);
}
inline int64_t clock_seconds(const TrackModel& model) {
  using namespace values_of;
  return seconds_of_day(general_value(model.treno, RecordKind::kClock, kHours),
                        general_value(model.treno, RecordKind::kClock, kMinutes),
                        general_value(model.treno, RecordKind::kClock, kSeconds));
}

}  // namespace binario
