#include "compiler/records.h"

#include <array>
#include <span>
#include <string>

#include "compiler/field_reader.h"

namespace binario {

namespace {

using T = ValueType;
constexpr std::nullopt_t kNo = std::nullopt;

constexpr ValueSpec kLineLengthValues[] = {
    {"L", "m", T::kLong, ValueRange{-6974, 1'000'000}, "", "the length of the line"}};
constexpr ValueSpec kChainageTreValues[] = {
    {"key", "", T::kLong, kNo, "", "the key of chainage reference tre"},
    {"chainage", "m", T::kLong, kNo, "", "the chainage of chainage reference tre"},
    {"flag", "", T::kLong, kNo, "", "the flag of chainage reference tre"}};
constexpr ValueSpec kChainageDueValues[] = {
    {"key", "", T::kLong, kNo, "", "the key of chainage reference due"},
    {"chainage", "m", T::kLong, kNo, "", "the chainage of chainage reference due"},
    {"flag", "", T::kLong, kNo, "", "the flag of chainage reference due"}};
constexpr ValueSpec kChainageUnoValues[] = {
    {"key", "", T::kLong, kNo, "", "the key of chainage reference uno"},
    {"chainage", "m", T::kLong, kNo, "", "the chainage of chainage reference uno"},
    {"flag", "", T::kLong, kNo, "", "the flag of chainage reference uno"}};
constexpr ValueSpec kBackgroundUnoValues[] = {
    {"n", "", T::kLong, kNo, "", "background selector uno"}};
constexpr ValueSpec kBackgroundDueValues[] = {
    {"n", "", T::kLong, kNo, "", "background selector due"}};
constexpr ValueSpec kBackgroundTreValues[] = {
    {"n", "", T::kLong, kNo, "", "background selector tre"}};
constexpr ValueSpec kRepetitionValues[] = {
    {"from", "m", T::kLong, kNo, "", "the start of signal repetition"},
    {"to", "m", T::kLong, kNo, "", "the end of signal repetition"}};
constexpr ValueSpec kGradientValues[] = {
    {"p", "m", T::kLong, kNo, "pos.", "the position of a gradient"},
    {"g", "", T::kLong, kNo, "per mille", "a gradient"}};
constexpr ValueSpec kCurveValues[] = {{"s", "m", T::kLong, kNo, "inizio", "the start of a curve"},
                                      {"n", "m", T::kLong, kNo, "lung.", "the length of a curve"}};
constexpr ValueSpec kMountainValues[] = {
    {"i", "m", T::kLong, kNo, "da", "the start of a mountain span"},
    {"f", "m", T::kLong, kNo, "a", "the end of a mountain span"},
    {"t", "", T::kLong, kNo, "tipo", "the kind of a mountain span"}};
constexpr ValueSpec kSpeedBoardValues[] = {
    {"posizione", "m", T::kLong, kNo, "pos.", "the position of a speed board"},
    {"vas", "km/h", T::kLong, kNo, "", "the left class A speed of a speed board"},
    {"vbs", "km/h", T::kLong, kNo, "", "the left class B speed of a speed board"},
    {"vcs", "km/h", T::kLong, kNo, "", "the left class C speed of a speed board"},
    {"strisces", "", T::kInteger, kNo, "str.", "the left stripe count of a speed board"},
    {"vad", "km/h", T::kLong, kNo, "", "the right class A speed of a speed board"},
    {"vbd", "km/h", T::kLong, kNo, "", "the right class B speed of a speed board"},
    {"vcd", "km/h", T::kLong, kNo, "", "the right class C speed of a speed board"},
    {"strisced", "", T::kInteger, kNo, "str.", "the right stripe count of a speed board"}};
constexpr ValueSpec kSignBoardValues[] = {
    {"p", "m", T::kLong, kNo, "pos.", "the position of a sign board"},
    {"text", "", T::kText, kNo, "testo"}};
constexpr ValueSpec kBrakedMassValues[] = {
    {"percentage", "%", T::kLong, kNo, "", "the braked-mass percentage"}};
constexpr ValueSpec kCarsValues[] = {{"cars", "", T::kLong, kNo, "", "the number of cars"}};
constexpr ValueSpec kSpeedLimitValues[] = {
    {"p", "m", T::kLong, kNo, "pos.", "the position of a speed limit"},
    {"s", "km/h", T::kLong, ValueRange{-2, 1277}, "km/h", "the speed of a speed limit"}};
constexpr ValueSpec kAdhesionValues[] = {
    {"p", "m", T::kLong, kNo, "pos.", "the position of an adhesion value"},
    {"a", "", T::kLong, kNo, "valore", "an adhesion value"}};
constexpr ValueSpec kClockValues[] = {
    {"hours", "h", T::kInteger, kNo, "", "the hours of the clock"},
    {"minutes", "min", T::kInteger, kNo, "", "the minutes of the clock"},
    {"seconds", "s", T::kInteger, kNo, "", "the seconds of the clock"}};
constexpr ValueSpec kSandValues[] = {{"sand", "", T::kInteger, kNo, "", "the sand value"}};
constexpr ValueSpec kSignalValues[] = {
    {"posizione", "m", T::kLong, kNo, "pos.", "the position of a signal"},
    {"sx", "", T::kLong, kNo, "", "sx of a signal"},
    {"s1", "", T::kLong, kNo, "", "s1 of a signal"},
    {"s2", "", T::kLong, kNo, "", "s2 of a signal"},
    {"s3", "", T::kLong, kNo, "", "s3 of a signal"},
    {"rapp", "", T::kLong, kNo, "", "rapp of a signal"},
    {"dx", "", T::kLong, kNo, "", "dx of a signal"},
    {"d1", "", T::kLong, kNo, "", "d1 of a signal"},
    {"d2", "", T::kLong, kNo, "", "d2 of a signal"},
    {"d3", "", T::kLong, kNo, "", "d3 of a signal"},
    {"tempo", "", T::kLong, kNo, "", "the time of a signal"}};
constexpr ValueSpec kSlowdownValues[] = {
    {"x", "m", T::kLong, kNo, "inizio", "the start of a slowdown"},
    {"v", "km/h", T::kLong, kNo, "km/h", "the speed of a slowdown"},
    {"l", "m", T::kLong, kNo, "lung.", "the length of a slowdown"},
    {"f_tt", "", T::kLong, kNo, "", "f_tt of a slowdown"},
    {"f_ta", "", T::kLong, kNo, "", "f_ta of a slowdown"},
    {"d_v", "", T::kLong, kNo, "", "d_v of a slowdown"}};
constexpr ValueSpec kCodePointValues[] = {
    {"p", "m", T::kLong, kNo, "pos.", "the position of a speed-code point"},
    {"w", "", T::kLong, kNo, "valore", "the value of a speed-code point"}};
constexpr ValueSpec kStationValues[] = {
    {"pos.", "m", T::kLong, kNo, "", "the position of a station"},
    {"tipo", "", T::kByte, kNo, "", "the kind of a station"},
    {"lung.", "m", T::kLong, kNo, "", "the length of a station"},
    {"tps", "", T::kByte, kNo, "", "tps of a station"},
    {"tab", "", T::kByte, kNo, "", "tab of a station"},
    {"mar", "", T::kByte, kNo, "", "mar of a station"},
    {"d2", "", T::kInteger, kNo, "", "the first d2 of a station"},
    {"d3", "", T::kInteger, kNo, "", "the first d3 of a station"},
    {"rap", "", T::kByte, kNo, "", "rap of a station"},
    {"d1", "", T::kInteger, kNo, "", "d1 of a station"},
    {"d2", "", T::kInteger, kNo, "", "the second d2 of a station"},
    {"d3", "", T::kInteger, kNo, "", "the second d3 of a station"},
    {"ac", "", T::kByte, kNo, "", "ac of a station"},
    {"oro", "h", T::kLong, kNo, "ore", "the timetable hours of a station"},
    {"orm", "min", T::kLong, kNo, "min", "the timetable minutes of a station"},
    {"ors", "s", T::kLong, kNo, "sec", "the timetable seconds of a station"},
    {"nome", "", T::kText}};

using K = RecordKind;
using F = DescriptionFile;
using S = RecordSection;
using C = CellRule;
using O = OutlineKind;

// In RecordKind order. The key texts of the general section's references and
// backgrounds are matched in lower case only, as authors have always written them.
constexpr RecordSpec kRecords[] = {
    {K::kLineLength,
     {"lunghezza percorso"},
     {"lunghezza", "percorso"},
     true,
     F::kLine,
     S::kLineGeneral,
     kLineLengthValues,
     kNo,
     C::kNone,
     O::kNone,
     "",
     kNo,
     "lunghezza percorso"},
    {K::kChainageTre,
     {"progressiva chilometrica tre"},
     {"progressiva", "tre"},
     false,
     F::kLine,
     S::kLineGeneral,
     kChainageTreValues,
     kNo,
     C::kNone,
     O::kNone,
     "",
     kNo,
     "progressiva chilometrica tre"},
    {K::kChainageDue,
     {"progressiva chilometrica due"},
     {"progressiva", "due"},
     false,
     F::kLine,
     S::kLineGeneral,
     kChainageDueValues,
     kNo,
     C::kNone,
     O::kNone,
     "",
     kNo,
     "progressiva chilometrica due"},
    {K::kChainageUno,
     {"progressiva chilometrica uno"},
     {"progressiva", "uno"},
     false,
     F::kLine,
     S::kLineGeneral,
     kChainageUnoValues,
     kNo,
     C::kNone,
     O::kNone,
     "",
     kNo,
     "progressiva chilometrica uno"},
    {K::kBackgroundUno,
     {"sfondo uno"},
     {"sfondo", "uno"},
     false,
     F::kLine,
     S::kLineGeneral,
     kBackgroundUnoValues,
     kNo,
     C::kNone,
     O::kNone,
     "",
     kNo,
     "sfondo uno"},
    {K::kBackgroundDue,
     {"sfondo due"},
     {"sfondo", "due"},
     false,
     F::kLine,
     S::kLineGeneral,
     kBackgroundDueValues,
     kNo,
     C::kNone,
     O::kNone,
     "",
     kNo,
     "sfondo due"},
    {K::kBackgroundTre,
     {"sfondo tre"},
     {"sfondo", "tre"},
     false,
     F::kLine,
     S::kLineGeneral,
     kBackgroundTreValues,
     kNo,
     C::kNone,
     O::kNone,
     "",
     kNo,
     "sfondo tre"},
    {K::kSignalRepetition,
     {"ripetizione segnali"},
     {"ripetizione", "segnali"},
     false,
     F::kLine,
     S::kLineGeneral,
     kRepetitionValues,
     kNo,
     C::kNone,
     O::kNone,
     "",
     kNo,
     "ripetizione segnali"},
    {K::kGradient,
     {"pendenza"},
     {"pendenza"},
     true,
     F::kLine,
     S::kLineBody,
     kGradientValues,
     0,
     C::kSpan,
     O::kNone,
     "",
     kNo,
     "pendenza",
     "[pendenze]"},
    {K::kCurve,
     {"curvas", "curvad"},
     {"curva"},
     true,
     F::kLine,
     S::kLineBody,
     kCurveValues,
     0,
     C::kNone,
     O::kNone,
     "",
     kNo,
     "curva",
     "[curve]"},
    {K::kMountain,
     {"montagna"},
     {"montagna"},
     true,
     F::kLine,
     S::kLineBody,
     kMountainValues,
     0,
     C::kOwn,
     O::kNone,
     "",
     kNo,
     "montagna",
     "[montagne]"},
    {K::kSpeedBoard,
     {"indicatori_vmax"},
     {"indicatori_v"},
     true,
     F::kLine,
     S::kLineBody,
     kSpeedBoardValues,
     0,
     C::kPoint,
     O::kObject,
     "indicatori_vmax",
     kNo,
     "indicatori_vmax",
     "[cartelli]"},
    {K::kSignBoard,
     {"cartello indicatore"},
     {"indicat", "cartello"},
     true,
     F::kLine,
     S::kLineBody,
     kSignBoardValues,
     0,
     C::kPoint,
     O::kObject,
     "cartello indicatore",
     kNo,
     "cartello indicatore",
     "[indicazioni]"},
    {K::kBrakedMass,
     {"percentuale massa frenata"},
     {"massa", "frenata"},
     true,
     F::kTrain,
     S::kTrain,
     kBrakedMassValues,
     kNo,
     C::kNone,
     O::kNone,
     "",
     kNo,
     "percentuale massa frenata"},
    {K::kCars,
     {"numero vetture"},
     {"vetture"},
     true,
     F::kTrain,
     S::kTrain,
     kCarsValues,
     kNo,
     C::kNone,
     O::kNone,
     "",
     kNo,
     "numero vetture"},
    {K::kSpeedLimit,
     {"velocita"},
     {"velocit"},
     true,
     F::kTrain,
     S::kTrain,
     kSpeedLimitValues,
     0,
     C::kSpan,
     O::kNone,
     "",
     kNo,
     "velocita",
     "[vel_limite]"},
    {K::kAdhesion,
     {"aderenza"},
     {"aderenza"},
     true,
     F::kTrain,
     S::kTrain,
     kAdhesionValues,
     0,
     C::kSpan,
     O::kNone,
     "",
     kNo,
     "aderenza",
     "[aderenze]"},
    {K::kClock,
     {"orologio"},
     {"orologio"},
     true,
     F::kTrain,
     S::kTrain,
     kClockValues,
     kNo,
     C::kNone,
     O::kNone,
     "",
     kNo,
     "orologio"},
    {K::kSand,
     {"sabbia"},
     {"sabbia"},
     true,
     F::kTrain,
     S::kTrain,
     kSandValues,
     kNo,
     C::kNone,
     O::kNone,
     "",
     kNo,
     "sabbia"},
    {K::kSignal,
     {"segnale"},
     {"segnale"},
     true,
     F::kTrain,
     S::kTrain,
     kSignalValues,
     0,
     C::kPoint,
     O::kObject,
     "segnale",
     kNo,
     "segnale",
     "[segnali]"},
    {K::kSlowdown,
     {"rallentamento"},
     {"rallentamento"},
     true,
     F::kTrain,
     S::kTrain,
     kSlowdownValues,
     0,
     C::kOwn,
     O::kStretch,
     "rallentamento",
     kNo,
     "rallentamento",
     "[rallentamenti]"},
    {K::kCodePoint,
     {"abbattimento"},
     {"abbattimento"},
     true,
     F::kTrain,
     S::kTrain,
     kCodePointValues,
     0,
     C::kSpan,
     O::kNone,
     "",
     kNo,
     "abbattimento",
     "[codici]"},
    {K::kStation,
     {"stazione"},
     {"stazione"},
     true,
     F::kTrain,
     S::kTrain,
     kStationValues,
     0,
     C::kOwn,
     O::kPlace,
     "",
     16,
     "stazione",
     "[stazioni]"},
};

constexpr bool table_in_kind_order() {
  for (size_t i = 0; i < std::size(kRecords); ++i) {
    if (static_cast<size_t>(kRecords[i].kind) != i) return false;
  }
  return std::size(kRecords) == kRecordKinds;
}
static_assert(table_in_kind_order(), "kRecords must list every RecordKind in order");

// The positions values_of names stand where the table lists those values.
namespace v = values_of;
static_assert(kChainageTreValues[v::kChainageFlag].name == "flag" &&
              std::size(kChainageTreValues) == v::kChainageValues &&
              kChainageDueValues[v::kChainageFlag].name == "flag" &&
              kChainageUnoValues[v::kChainageFlag].name == "flag");
static_assert(kRepetitionValues[v::kRepetitionTo].name == "to" &&
              std::size(kRepetitionValues) == v::kRepetitionValues);
static_assert(kMountainValues[v::kMountainKind].name == "t" &&
              std::size(kMountainValues) == v::kMountainValues);
static_assert(kSpeedBoardValues[v::kStrisces].name == "strisces" &&
              kSpeedBoardValues[v::kVad].name == "vad" &&
              kSpeedBoardValues[v::kStrisced].name == "strisced" &&
              std::size(kSpeedBoardValues) == v::kStrisced + 1);
static_assert(kSignBoardValues[v::kSignBoardText].type == T::kText);
static_assert(kClockValues[v::kSeconds].name == "seconds" &&
              std::size(kClockValues) == v::kClockValues);
static_assert(kSignalValues[v::kRapp].name == "rapp" && kSignalValues[v::kDx].name == "dx" &&
              kSignalValues[v::kTempo].name == "tempo" &&
              std::size(kSignalValues) == v::kSignalValues);
static_assert(kSlowdownValues[v::kSlowdownL].name == "l" && kSlowdownValues[v::kDv].name == "d_v" &&
              std::size(kSlowdownValues) == v::kSlowdownValues);
static_assert(kStationValues[v::kMar].name == "mar" && kStationValues[v::kRap].name == "rap" &&
              kStationValues[v::kAc].name == "ac" && kStationValues[v::kHoursOfDay].name == "oro" &&
              kStationValues[v::kSecondsOfDay].name == "ors" &&
              kStationValues[v::kStationName].name == "nome" &&
              std::size(kStationValues) == v::kStationValues);

}  // namespace

std::string_view value_type_name(ValueType type) {
  switch (type) {
    case ValueType::kLong:
      return "Long";
    case ValueType::kInteger:
      return "Integer";
    case ValueType::kByte:
      return "Byte";
    case ValueType::kText:
      return "text";
  }
  return "";
}

std::string repetition_keyword(int codes) {
  return std::string(kRecords[static_cast<size_t>(K::kSignalRepetition)].written[0]) + " " +
         std::to_string(codes) + " codici";
}

std::span<const RecordSpec> records_table() {
  return kRecords;
}

namespace {

// The rows of one section, which stand together in the table.
constexpr std::span<const RecordSpec> rows_of(RecordSection section) {
  size_t first = 0;
  while (first < std::size(kRecords) && kRecords[first].section != section) ++first;
  size_t end = first;
  while (end < std::size(kRecords) && kRecords[end].section == section) ++end;
  return std::span<const RecordSpec>(kRecords).subspan(first, end - first);
}

}  // namespace

std::span<const RecordSpec> section_records(RecordSection section) {
  // Asked for every field a description holds: the rows are found once.
  static constexpr std::array<std::span<const RecordSpec>, 3> kSections = {
      rows_of(RecordSection::kLineGeneral), rows_of(RecordSection::kLineBody),
      rows_of(RecordSection::kTrain)};
  return kSections[static_cast<size_t>(section)];
}

bool names_record(const RecordSpec& table_row, std::string_view field) {
  for (std::string_view key : table_row.keys) {
    if (key.empty()) continue;
    if (table_row.any_case ? !contains_nocase(field, key) : !contains(field, key)) return false;
  }
  return true;
}

bool names_any_record(RecordSection section, std::string_view field) {
  for (const RecordSpec& table_row : section_records(section)) {
    if (names_record(table_row, field)) return true;
  }
  return false;
}

bool names_section(std::string_view field) {
  std::string_view trimmed = field;
  while (!trimmed.empty() && is_blank(trimmed.front())) trimmed.remove_prefix(1);
  return contains(field, "[") && contains(field, "]") && !trimmed.starts_with('-');
}

std::vector<std::string_view> written_keywords(RecordSection section) {
  std::vector<std::string_view> out;
  for (const RecordSpec& table_row : section_records(section)) {
    for (std::string_view w : table_row.written) {
      if (!w.empty()) out.push_back(w);
    }
  }
  return out;
}

std::vector<std::string_view> written_keywords() {
  std::vector<std::string_view> out;
  for (RecordSection s : {S::kLineGeneral, S::kLineBody, S::kTrain}) {
    const std::vector<std::string_view> part = written_keywords(s);
    out.insert(out.end(), part.begin(), part.end());
  }
  return out;
}

CurveKeyword read_curve_keyword(std::string_view keyword) {
  CurveKeyword k{contains_nocase(keyword, "s"), 0};
  for (int c = 1; c <= 6 && k.curve_class == 0; ++c) {
    if (keyword.find(static_cast<char>('0' + c)) != std::string_view::npos) k.curve_class = c;
  }
  return k;
}

std::string curve_keyword(bool left, int curve_class) {
  const RecordSpec& curve = record_spec(K::kCurve);
  return std::string(curve.written[left ? 0 : 1]) + static_cast<char>('0' + curve_class);
}

bool plain_curve_keyword(std::string_view keyword) {
  if (keyword.empty() || keyword.back() < '1' || keyword.back() > '6') return false;
  const std::string_view word = keyword.substr(0, keyword.size() - 1);
  for (std::string_view w : record_spec(K::kCurve).written) {
    if (w.size() == word.size() && contains_nocase(word, w)) return true;
  }
  return false;
}

int signal_repetition_codes(std::string_view keyword) {
  if (contains(keyword, "4")) return 4;
  if (contains(keyword, "9")) return 9;
  return 0;
}

SlowdownCells slowdown_cells(int64_t x, int64_t l) {
  SlowdownCells c{};
  c.warning = x > 1500;
  if (c.warning)
    c.a = nearest(
        static_cast<double>(x - kWarningBoardDistance) / static_cast<double>(kCellLength) + 1.0);
  c.b = point_cell(x);
  c.e = nearest(static_cast<double>(x + l) / static_cast<double>(kCellLength) + 1.0);
  c.w = nearest(static_cast<double>(x - kWarningBoardDistance) / static_cast<double>(kCellLength));
  return c;
}

StationExtent station_extent(int64_t posizione, int64_t tipo, int64_t length, int64_t mar) {
  if (tipo == 5 || tipo == 6) return {posizione - length, posizione + 150};
  if (!station_centred(tipo)) return {posizione - length, posizione + length};
  return {posizione - length / 2, posizione + length / 2 + (mar != 0 ? kCellLength : 0)};
}

std::vector<int64_t> record_cells(RecordKind kind, std::span<const int64_t> values) {
  const RecordSpec& table_row = record_spec(kind);
  if (!table_row.position || values.size() != table_row.values.size()) return {};
  const int64_t p = values[static_cast<size_t>(*table_row.position)];
  switch (table_row.cell_rule) {
    case C::kNone:
      return {};
    case C::kSpan:
      return {span_cell(p)};
    case C::kPoint:
      return {point_cell(p)};
    case C::kOwn:
      break;
  }
  switch (kind) {
    case K::kMountain:
      return {span_cell(p), mountain_last_cell(values[v::kMountainTo])};
    case K::kSlowdown: {
      const SlowdownCells c = slowdown_cells(p, values[v::kSlowdownL]);
      if (c.warning) return {c.a, c.b, c.e};
      return {c.b, c.e};
    }
    case K::kStation: {
      const int64_t tipo = values[v::kStationKind];
      if (tipo >= kFirstKindWithoutCells) return {};
      return {station_stop_cell(
          station_extent(p, tipo, values[v::kStationLength], values[v::kMar]).fine)};
    }
    default:
      return {};
  }
}

}  // namespace binario
