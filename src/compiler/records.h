// What a record of the two descriptions is, in one table: the keyword an
// author writes, the key texts that make a field name it, where it may
// stand, its values, where its position lands, how the outline shows it and
// which reference entry explains it. The parsers choose and order their
// readers from it; completion, hover, the outline, the warnings' "did you
// mean" and the tests that hold docs/format.md and the editor grammar to the
// code read it too.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/fixed_width.h"

namespace binario {

// Every record kind, in the order the parsers test their key texts (within
// each section; the sections follow each other in reading order).
enum class RecordKind : uint8_t {
  // Line description, general section.
  kLineLength,
  kChainageTre,
  kChainageDue,
  kChainageUno,
  kBackgroundUno,
  kBackgroundDue,
  kBackgroundTre,
  kSignalRepetition,
  // Line description, body.
  kGradient,
  kCurve,
  kMountain,
  kSpeedBoard,
  kSignBoard,
  // Train description.
  kBrakedMass,
  kCars,
  kSpeedLimit,
  kAdhesion,
  kClock,
  kSand,
  kSignal,
  kSlowdown,
  kCodePoint,
  kStation,
};
inline constexpr size_t kRecordKinds = static_cast<size_t>(RecordKind::kStation) + 1;

enum class DescriptionFile : uint8_t { kLine, kTrain };

// Where a record is read: the section decides how fields in keyword
// position are read (how many comments are passed over, see the parsers).
enum class RecordSection : uint8_t { kLineGeneral, kLineBody, kTrain };

// How a value is read: the three number types and their ranges, or a text
// field (to the comma or line end; quoted to hold a comma).
enum class ValueType : uint8_t { kLong, kInteger, kByte, kText };

// The whole numbers a value must lie in to be kept, where the compile checks
// it beyond its type (outside: the fault the compile records).
struct ValueRange {
  int64_t lo;
  int64_t hi;
};

// The type's name as the format reference writes it: "Long", "Integer",
// "Byte", "text".
std::string_view value_type_name(ValueType type);

struct ValueSpec {
  std::string_view name;  // as the reference names it ("p", "posizione", "nome")
  std::string_view unit;  // "m", "km/h", "%", "h", "min", "s"; "" for none
  ValueType type;
  std::optional<ValueRange> range = std::nullopt;
  // The column's caption where a decompiled description names its values;
  // empty: the name.
  std::string_view caption{};
  // What a failure to read it calls it ("the position of a signal"); empty
  // for a text value, which is always read.
  std::string_view what{};
};

// The caption of a value's column: its caption, else its name.
inline std::string_view value_caption(const ValueSpec& value) {
  return value.caption.empty() ? value.name : value.caption;
}

// Which cells a record's position lands on.
enum class CellRule : uint8_t {
  kNone,   // no position, or a position that lands on no cell (a curve's geometry)
  kSpan,   // a span's change: from cell nearest(p / 50)
  kPoint,  // a point object: cell nearest(p / 50 + 1)
  kOwn,    // a rule of its own (a mountain span, a slowdown, a station)
};

// How the outline shows a record.
enum class OutlineKind : uint8_t {
  kNone,     // not shown
  kPlace,    // a station
  kObject,   // a point object: a signal, a board
  kStretch,  // a stretch of track: a slowdown
};

struct RecordSpec {
  RecordKind kind;
  // The keyword as an author writes it; a curve is written "curvas" or
  // "curvad" followed by its class digit, so it has two.
  std::array<std::string_view, 2> written;
  // A field names the record when it contains every key text (the second
  // may be empty), ignoring ASCII letter case when `any_case`.
  std::array<std::string_view, 2> keys;
  bool any_case;
  DescriptionFile file;
  RecordSection section;
  std::span<const ValueSpec> values;
  // The value that is a position along the line (an index into `values`),
  // and where it lands.
  std::optional<int> position;
  CellRule cell_rule;
  OutlineKind outline;
  // The name the outline shows; empty: the text of value `outline_label_value`.
  std::string_view outline_label;
  std::optional<int> outline_label_value;
  // The heading of its entry in docs/format.md.
  std::string_view reference;
  // The section header a decompiled description writes it under; empty for
  // the general section's records.
  std::string_view header{};
};

// The texts around the records: the field after which a written
// description's data starts, the header of the general section and the
// header that ends a description.
inline constexpr std::string_view kDataStart = "inizio_dati";
inline constexpr std::string_view kGeneralHeader = "[generale]";
inline constexpr std::string_view kEndHeader = "[fine]";

// The signal repetition's keyword as written with its count of codes (4 or
// 9): "ripetizione segnali 4 codici".
std::string repetition_keyword(int codes);

// Where each value stands among the values of the records that have many
// (the table's order; records.cc checks these against the table).
namespace values_of {
// A position and what holds from it on or stands there (gradient, curve
// length, speed limit, adhesion, speed-code value).
enum Pair : size_t { kPairPosition, kPairValue };
enum Chainage : size_t { kChainageKey, kChainage, kChainageFlag, kChainageValues };
enum Repetition : size_t { kRepetitionFrom, kRepetitionTo, kRepetitionValues };
enum Mountain : size_t { kMountainFrom, kMountainTo, kMountainKind, kMountainValues };
enum SpeedBoard : size_t {
  kBoardPosition,
  kVas,
  kVbs,
  kVcs,
  kStrisces,
  kVad,
  kVbd,
  kVcd,
  kStrisced
};
enum SignBoard : size_t { kSignBoardPosition, kSignBoardText };
enum Clock : size_t { kHours, kMinutes, kSeconds, kClockValues };
enum Signal : size_t {
  kSignalPosition,
  kSx,
  kS1,
  kS2,
  kS3,
  kRapp,
  kDx,
  kD1,
  kD2,
  kD3,
  kTempo,
  kSignalValues
};
enum Slowdown : size_t { kSlowdownX, kSlowdownV, kSlowdownL, kFtt, kFta, kDv, kSlowdownValues };
enum Station : size_t {
  kStationPos,
  kStationKind,
  kStationLength,
  kTps,
  kTab,
  kMar,
  kStationD2,
  kStationD3,
  kRap,
  kStationD1,
  kStationD2b,
  kStationD3b,
  kAc,
  kHoursOfDay,
  kMinutesOfDay,
  kSecondsOfDay,
  kStationName,
  kStationValues
};
}  // namespace values_of

// The table, indexed by RecordKind.
std::span<const RecordSpec> records_table();

// The values of a station record that hold its time: hours, minutes and
// seconds, one after the other.
inline constexpr size_t kStationHoursValue = values_of::kHoursOfDay;
inline constexpr size_t kStationSecondsValue = values_of::kSecondsOfDay;
inline const RecordSpec& record_spec(RecordKind kind) {
  return records_table()[static_cast<size_t>(kind)];
}

// The records of `section`, in the order their key texts are tested.
std::span<const RecordSpec> section_records(RecordSection section);

// True when `field` names the record: it contains its key texts.
bool names_record(const RecordSpec& table_row, std::string_view field);

// True when `field` names some record of `section`.
bool names_any_record(RecordSection section, std::string_view field);

// True when `field` names a section: it holds "[" and "]" and is no
// comment (it does not start with "-" once blanks are left out). A header
// ends the line description's general section; in the line's body and the
// train description headers are read as keywords no record takes.
bool names_section(std::string_view field);

// The keywords as written of the records of `section` (or of every section),
// in table order.
std::vector<std::string_view> written_keywords(RecordSection section);
std::vector<std::string_view> written_keywords();

// How a curve's keyword is read: left-hand when it holds an "s" in any
// letter case, of the class of the first of the digits 1 to 6 it holds,
// tested in that order (0: none, which the compile refuses).
struct CurveKeyword {
  bool left;
  int curve_class;
};
CurveKeyword read_curve_keyword(std::string_view keyword);
// The keyword a curve of this hand and class is written with ("curvas3").
std::string curve_keyword(bool left, int curve_class);
// True for a curve keyword written the one way, in any letter case: a
// written keyword and its class digit, nothing else.
bool plain_curve_keyword(std::string_view keyword);

// The codes per cell a signal repetition's keyword asks for: 4 when it holds
// a "4", else 9 when it holds a "9", else 0 (which the compile refuses).
int signal_repetition_codes(std::string_view keyword);

// How far ahead of a slowdown's start its warning board stands, in metres.
inline constexpr int64_t kWarningBoardDistance = 1200;

// The cells of a slowdown starting at metre `x` and running for `l` metres.
// The warning board (and the countdown before it) exist only past 1500 m.
struct SlowdownCells {
  bool warning;
  int64_t a;  // warning board, 1200 m ahead of the start
  int64_t b;  // start
  int64_t e;  // end
  int64_t w;  // the countdown's board nearest the warning board; the other three
              // stand in the cells before it
};
SlowdownCells slowdown_cells(int64_t x, int64_t l);

// The last cell of a mountain span that ends at metre `fine` (its first is
// span_cell of its start).
inline int64_t mountain_last_cell(int64_t fine) {
  return nearest(static_cast<double>(fine) / static_cast<double>(kCellLength) - 1.0);
}

// The extent of a station at `posizione` of kind `tipo` and `length`, with
// `mar` as written (non-zero: the extent runs 50 m further for kinds other
// than 5 to 8).
struct StationExtent {
  int64_t inizio;
  int64_t fine;
};
StationExtent station_extent(int64_t posizione, int64_t tipo, int64_t length, int64_t mar);
// Station kinds from this one up get their entry in the table but no cells:
// no stop cell, no approach marks.
inline constexpr int kFirstKindWithoutCells = 25;

// The stop cell of a station whose extent ends at metre `fine` (a multiple
// of 50): the last cell of the extent.
constexpr int64_t station_stop_cell(int64_t fine) {
  return fine / kCellLength - 1;
}

// Whether a station of kind `tipo` stands in the middle of its extent (and
// `mar` counts); kinds 5 to 8 end their extent by their own rule and keep no
// mar.
constexpr bool station_centred(int64_t tipo) {
  return tipo < 5 || tipo > 8;
}

// The cells a record of `kind` with the numbers `values` (in table order, a
// text value as 0) lands on: one cell for a span or a point object; a mountain span's first
// and last cell; a slowdown's warning board (when it has one), start and
// end; a station's stop cell (none for kinds 25 and above). Empty for a
// record without cells or with fewer values than the table lists.
std::vector<int64_t> record_cells(RecordKind kind, std::span<const int64_t> values);

}  // namespace binario
