#include "compiler/train_parser.h"

#include <cmath>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "compiler/cell_meaning.h"
#include "compiler/fixed_width.h"
#include "compiler/records.h"

namespace binario {

namespace {

// Two comments in a row are passed over; the last field of the text is never
// read as a keyword.
const DescriptionParser::Section& train_section() {
  static const std::vector<std::string_view> keywords = written_keywords(RecordSection::kTrain);
  static const DescriptionParser::Section section = {
      RecordSection::kTrain, 2, true,
      [](std::string_view t) { return names_any_record(RecordSection::kTrain, t); }, keywords};
  return section;
}

}  // namespace

TrainParser::TrainParser(TrackModel& model, Status& status, FieldReader& reader, std::string file)
    : DescriptionParser(model, status, reader, std::move(file), Placer::kTrainText) {}

void TrainParser::parse() {
  // Everything before the general section is skipped unread.
  bool found = false;
  while (!reader_.at_end() && !found) {
    const Field f = next_field();
    found = contains_nocase(f.text, kGeneralHeader);
    if (found) {
      note_header(f);
    } else {
      look_for_misspelt_header(f);
      note_before_section(f);
    }
  }
  if (!found) {
    const std::string header(kGeneralHeader);
    const std::string message =
        "no field holds \"" + header + "\": nothing in the train description was read";
    if (misspelt_header_) {
      warn("section-not-found", misspelt_header_->where,
           message + "; did you mean '" + header + "'?", replace_field(*misspelt_header_, header));
    } else {
      status_.warn("section-not-found", SourceLocation{file_, 0, 0}, message);
    }
  }

  const RecordReader read = [this](const Field& kw) { return read_record(kw); };
  TextPosition stopped_at;
  Step step = Step::kGoOn;
  if (!read_records_or_stop(train_section(), &stopped_at, read, &step)) return;
  if (step == Step::kStop) {
    read_after_stop(stopped_at, train_section(), read);
    return;
  }
  end_of_file_steps();
  if (step == Step::kEndSection) {
    read_after_stop(stopped_at, train_section(), read);
  } else if (found && records_read_ == 0) {
    status_.warn("empty-train", SourceLocation{file_, 0, 0},
                 "the train description holds no record: the speed is 0 everywhere");
  } else if (found && station_number_ == 1) {
    status_.warn("no-stations", SourceLocation{file_, 0, 0},
                 "the train description places no station");
  }
}

TrainParser::Step TrainParser::read_record(const Field& kw) {
  // Every record whose key texts the field holds is read, in table order.
  for (const RecordSpec& table_row : section_records(RecordSection::kTrain)) {
    if (!names_record(table_row, kw.text)) continue;
    const RecordScope scope(*this, table_row.kind, kw);
    if (const Step s = read_one(table_row.kind, kw); s != Step::kGoOn) return s;
  }
  return Step::kGoOn;
}

TrainParser::Step TrainParser::read_one(RecordKind kind, const Field& kw) {
  switch (kind) {
    case RecordKind::kBrakedMass:
    case RecordKind::kCars:
    case RecordKind::kSand:
    case RecordKind::kClock:
      // Each value is stored as it is read: a read that fails leaves the
      // values before it stored.
      for (size_t i = 0; i < record_spec(kind).values.size(); ++i) {
        store_general_value(model_.treno, kind, i, read_value(kind, i));
      }
      return Step::kGoOn;
    case RecordKind::kSpeedLimit:
      return velocita(kw);
    case RecordKind::kAdhesion:
      return aderenza(kw);
    case RecordKind::kSignal:
      return segnale(kw);
    case RecordKind::kSlowdown:
      return rallentamento(kw);
    case RecordKind::kCodePoint:
      return abbattimento(kw);
    case RecordKind::kStation:
      return stazione(kw);
    default:
      return Step::kGoOn;
  }
}

uint8_t TrainParser::speed_cell_value() const {
  const int64_t fifth = speed_fifth(previous_speed_);
  if (!fits_byte(fifth)) {
    throw ReadFailure(
        "expected a speed limit of -2 to 1277 km/h, whose fifth fits a speed cell, "
        "found " +
            std::to_string(previous_speed_) + " km/h",
        previous_speed_where_);
  }
  return static_cast<uint8_t>(fifth);
}

void TrainParser::fill_speed(int64_t j) {
  if (model_.in_cells(j)) cell(j).velocita = speed_cell_value();
}

void TrainParser::fill_adhesion(int64_t j) {
  if (model_.in_cells(j)) cell(j).aderenza = low8(previous_adhesion_);
}

TrainParser::Step TrainParser::velocita(const Field& kw) {
  const RecordNumbers n = read_numbers(RecordKind::kSpeedLimit);
  const int64_t p = n[values_of::kPairPosition];
  const int64_t s = n[values_of::kPairValue];
  if (!range_check(kw, p, 100)) return Step::kEndSection;
  // A speed whose fifth fits no cell is refused when the limit is stored.
  if (s % kSpeedStep != 0 && fits_byte(speed_fifth(s))) {
    warn("speed-rounded", kw.where,
         "a speed of " + std::to_string(s) + " km/h is stored as " +
             std::to_string(speed_from_fifth(speed_fifth(s))) +
             " km/h: the cells keep the speed in steps of 5 km/h");
  }

  // The previous limit holds up to the cell before this record's cell; a
  // record at or behind the cursor still moves it on by one cell.
  const int64_t k = span_cell(p);
  const int64_t last = model_.last_cell();
  if (k > 0) {
    do {
      if (speed_cursor_ >= last) break;
      fill_speed(speed_cursor_);
      ++speed_cursor_;
    } while (speed_cursor_ < k);
  }
  previous_speed_ = s;
  previous_speed_where_ = kw.where;
  return Step::kGoOn;
}

TrainParser::Step TrainParser::aderenza(const Field& kw) {
  const RecordNumbers n = read_numbers(RecordKind::kAdhesion);
  const int64_t p = n[values_of::kPairPosition];
  const int64_t a = n[values_of::kPairValue];
  if (!range_check(kw, p, 100)) return Step::kEndSection;
  warn_changed(kw, a, low8(a), "the adhesion value");

  const int64_t k = span_cell(p);
  if (k > 0) {
    do {
      fill_adhesion(adhesion_cursor_);
      ++adhesion_cursor_;
    } while (adhesion_cursor_ < k);
  }
  previous_adhesion_ = a;
  return Step::kGoOn;
}

TrainParser::Step TrainParser::segnale(const Field& kw) {
  Segnale s;
  {
    using namespace values_of;
    const RecordNumbers n = read_numbers(RecordKind::kSignal);
    s.posizione = n.as_long(kSignalPosition);
    s.sx = n.as_long(kSx);
    s.s1 = n.as_long(kS1);
    s.s2 = n.as_long(kS2);
    s.s3 = n.as_long(kS3);
    s.rapp = n.as_long(kRapp);
    s.dx = n.as_long(kDx);
    s.d1 = n.as_long(kD1);
    s.d2 = n.as_long(kD2);
    s.d3 = n.as_long(kD3);
    s.tempo = n.as_long(kTempo);
  }
  if (!range_check(kw, s.posizione, 100)) return Step::kEndSection;
  if (!cell_inside(kw, s.posizione, point_cell(s.posizione), "the signal")) {
    return Step::kEndSection;
  }
  warn_in_run_out(kw, s.posizione, "the signal");
  // The cell keeps each aspect pair as one Integer and the time as a Byte.
  for (const auto& [value, what] :
       {std::pair{signal_repeat_value(s.rapp, signal_mark_value(s.sx, s.dx)),
                  "rapp * 10 + sx * 3 + dx"},
        std::pair{signal_pair_value(s.s1, s.d1), "s1 * 10 + d1"},
        std::pair{signal_pair_value(s.s2, s.d2), "s2 * 10 + d2"},
        std::pair{signal_pair_value(s.s3, s.d3), "s3 * 10 + d3"}}) {
    warn_changed(kw, value, low16(value), (std::string("the signal's ") + what).c_str());
  }
  if (s.sx == kTimedSignal) {
    const int64_t tempo = signal_time(s.tempo);
    warn_changed(kw, tempo, low8(tempo), "the signal's time");
  }
  const std::optional<Refusal> refusal = memo_segnale(s, placed_by(kw));
  return stops_after_memo(kw, s.posizione, refusal, "signal") ? Step::kStop : Step::kGoOn;
}

std::optional<TrainParser::Refusal> TrainParser::memo_segnale(Segnale& s, CellOrigin origin) {
  const int64_t k = point_cell(s.posizione);
  Cella& c = cell(k);
  if (!is_free(c)) return Refusal{16, model_.cell_taken(k, Placer::kTrainText), k};

  {
    using namespace values_of;
    std::array<int64_t, kSignalValues> v{};
    v[kSignalPosition] = s.posizione;
    v[kSx] = s.sx;
    v[kS1] = s.s1;
    v[kS2] = s.s2;
    v[kS3] = s.s3;
    v[kRapp] = s.rapp;
    v[kDx] = s.dx;
    v[kD1] = s.d1;
    v[kD2] = s.d2;
    v[kD3] = s.d3;
    v[kTempo] = s.tempo;
    write_signal(c, v);
  }
  model_.set_origin(k, origin);
  const int64_t mark = signal_mark_value(s.sx, s.dx);
  s.tempo = static_cast<int32_t>(signal_time(s.tempo));

  // Approach marks 100, 200, 300 and 400 m before the signal's cell; those
  // before the first cell are left out.
  for (int64_t b = 1; b <= 4; ++b) {
    const int64_t j = k - 2 * b;
    if (model_.in_cells(j)) set_approach_mark(cell(j), approach_mark_byte(mark, b));
  }
  return std::nullopt;
}

TrainParser::Step TrainParser::rallentamento(const Field& kw) {
  Rallentamento r;
  {
    using namespace values_of;
    const RecordNumbers n = read_numbers(RecordKind::kSlowdown);
    r.x = n.as_long(kSlowdownX);
    r.v = n.as_long(kSlowdownV);
    r.l = n.as_long(kSlowdownL);
    r.f_tt = n.as_long(kFtt);
    r.f_ta = n.as_long(kFta);
    r.d_v = n.as_long(kDv);
  }
  if (!range_check(kw, r.x, 100)) return Step::kEndSection;

  // Start and end are checked before any cell is tested or written. The
  // warning board, where there is one, lies between cell 7 and the start.
  const SlowdownCells cells = slowdown_cells(r.x, r.l);
  if (!cell_inside(kw, r.x, cells.b, "the slowdown's start") ||
      !cell_inside(kw, r.x, cells.e, "the slowdown's end", r.x + r.l)) {
    return Step::kEndSection;
  }
  warn_in_run_out(kw, r.x, "the slowdown");
  warn_changed(kw, r.v, low16(r.v), "the slowdown's speed");
  warn_changed(kw, r.f_tt, low16(r.f_tt), "the slowdown's f_tt");
  warn_changed(kw, r.d_v, low16(r.d_v), "the slowdown's d_v");
  const std::optional<Refusal> refusal = memo_rallentamento(r, placed_by(kw));
  return stops_after_memo(kw, r.x, refusal, "slowdown") ? Step::kStop : Step::kGoOn;
}

std::optional<TrainParser::Refusal> TrainParser::memo_rallentamento(Rallentamento& r,
                                                                    CellOrigin origin) {
  const SlowdownCells cells = slowdown_cells(r.x, r.l);
  // Near the start of the line there is no room for a warning board.
  const int64_t f_ta = cells.warning ? r.f_ta : 0;

  auto taken = [&](int64_t j) { return model_.cell_taken(j, Placer::kTrainText); };
  if (cells.warning && !is_free(cell(cells.a))) return Refusal{17, taken(cells.a), cells.a};
  if (!is_free(cell(cells.b))) return Refusal{18, taken(cells.b), cells.b};
  if (!is_free(cell(cells.e))) return Refusal{19, taken(cells.e), cells.e};

  // The end first, so that a start or a warning board in its cell wins.
  write_slowdown_part(cell(cells.e), SlowdownPart::kEnd, r.v, r.f_tt, r.d_v);
  model_.set_origin(cells.e, origin);
  write_slowdown_part(cell(cells.b), SlowdownPart::kStart, r.v, r.f_tt, r.d_v);
  model_.set_origin(cells.b, origin);
  if (cells.warning) {
    write_slowdown_part(cell(cells.a), SlowdownPart::kWarning, r.v, r.f_tt, r.d_v);
    model_.set_origin(cells.a, origin);
  }
  if (f_ta == 0) return std::nullopt;

  // The countdown stands in the four cells behind the warning board. The
  // start lies past 1500 m here, so they are all at cell 3 or later.
  const int64_t w = cells.w;
  for (int64_t i = 0; i < 4; ++i) {
    if (!is_free(cell(w - i))) return Refusal{20, taken(w - i), w - i};
  }
  for (int64_t i = 0; i < 4; ++i) {
    write_countdown_board(cell(w - i), i + 1, r.d_v);
    model_.set_origin(w - i, origin);
  }
  return std::nullopt;
}

bool TrainParser::stops_after_memo(const Field& kw, int32_t position,
                                   const std::optional<Refusal>& refusal, const char* what) {
  if (refusal) {
    fault(refusal->code, position, kw.where, refusal->detail);
    relate_occupant(refusal->cell);
    return true;
  }
  // A fault left by the line stage (its status 15) ends the description at
  // the first signal or slowdown, once that one is placed.
  if (status_.codice_errore() > 0 && !status_.after_stop()) {
    fault(status_.codice_errore(), position, kw.where,
          std::string("the train description stops after this ") + what +
              " because an earlier fault is still standing");
    return true;
  }
  return false;
}

TrainParser::Step TrainParser::abbattimento(const Field& kw) {
  const RecordNumbers n = read_numbers(RecordKind::kCodePoint);
  const int64_t p = n[values_of::kPairPosition];
  const int64_t w = n[values_of::kPairValue];
  if (!range_check(kw, p, 100)) return Step::kEndSection;

  const int64_t k = span_cell(p);
  if (!cell_inside(kw, p, k, "the speed-code point")) return Step::kEndSection;
  warn_in_run_out(kw, p, "the speed-code point");
  Cella& c = cell(k);
  if (!is_free(c)) {
    fault(7, static_cast<int32_t>(p), kw.where, model_.cell_taken(k, Placer::kTrainText));
    relate_occupant(k);
    return Step::kStop;
  }
  write_code_point(c, w);
  model_.set_origin(k, placed_by(kw));
  return Step::kGoOn;
}

TrainParser::Step TrainParser::stazione(const Field& kw) {
  using namespace values_of;
  const int64_t n = station_number_;
  if (!station_entry_free(kw, n)) return Step::kStop;
  VoceTreno& e = model_.treno[static_cast<size_t>(n)];
  if (std::optional<Step> refused = read_station_position(kw, e)) return *refused;
  const int32_t position = static_cast<int32_t>(*stored_station_value(e, kStationPos));
  warn_in_run_out(kw, position, "the station");
  int64_t length = 0;
  if (!read_station_values(kw, e, &length)) return Step::kStop;
  const StationExtent extent = station_extent(kw, e, length);
  if (length < 600) store_station_value(e, kTab, 0);
  if (n == 1) {
    store_station_value(e, kMar, 0);
    store_station_value(e, kTab, 0);
  }
  if (*stored_station_value(e, kStationKind) < kFirstKindWithoutCells) {
    if (std::optional<Step> refused = place_station_stop(kw, e, n, extent.fine)) return *refused;
  }
  if (!far_enough_from_previous_station(kw, e, n, extent.inizio)) return Step::kStop;
  return next_station(kw, n);
}

bool TrainParser::station_entry_free(const Field& kw, int64_t n) {
  const int64_t boards = model_.numero_cartelli;
  // Entry n must lie below the sign-board texts (80 downward). The count test
  // after each station keeps it there unless the texts fill every entry.
  if (n > kFirstBoardSlot - boards) {
    fault(10, std::nullopt, kw.where,
          "expected a free entry for station " + std::to_string(n) + ", found entries " +
              std::to_string(kFirstBoardSlot - boards + 1) + " to " +
              std::to_string(kFirstBoardSlot) +
              " holding sign-board texts: there is no entry left for station " + std::to_string(n));
    return false;
  }
  return true;
}

std::optional<TrainParser::Step> TrainParser::read_station_position(const Field& kw, VoceTreno& e) {
  const int64_t pos = read_value(RecordKind::kStation, values_of::kStationPos);
  store_station_value(e, values_of::kStationPos, pos);
  if (!range_check(kw, pos, 800)) return Step::kEndSection;
  if (pos % kCellLength != 0) {
    fault(8, static_cast<int32_t>(pos), kw.where,
          "expected a multiple of 50, found metre " + std::to_string(pos));
    return Step::kStop;
  }
  return std::nullopt;
}

bool TrainParser::read_station_values(const Field& kw, VoceTreno& e, int64_t* length_out) {
  using namespace values_of;
  constexpr RecordKind kKind = RecordKind::kStation;
  // Each value is stored as it is read: a read that fails leaves the values
  // before it in the entry.
  store_station_value(e, kStationKind, read_value(kKind, kStationKind));
  const int64_t length = read_value(kKind, kStationLength);
  if (length % 100 != 0) {
    fault(9, static_cast<int32_t>(*stored_station_value(e, kStationPos)), kw.where,
          "expected a multiple of 100, found length " + std::to_string(length));
    return false;
  }
  *length_out = length;

  for (size_t i = kStationLength + 1; i < kHoursOfDay; ++i) {
    store_station_value(e, i, read_value(kKind, i));
  }
  const int64_t hours = read_value(kKind, kHoursOfDay);
  const int64_t minutes = read_value(kKind, kMinutesOfDay);
  const int64_t seconds = read_value(kKind, kSecondsOfDay);
  const int64_t orario = seconds_of_day(hours, minutes, seconds);
  if (!fits_long(orario)) {
    throw ReadFailure("expected a timetable time that fits a 32-bit count of seconds, found " +
                          std::to_string(hours) + " h " + std::to_string(minutes) + " min " +
                          std::to_string(seconds) + " s, " + std::to_string(orario) + " seconds",
                      kw.where);
  }
  store_station_time(e, static_cast<int32_t>(orario));
  std::string_view name;
  read_value(kKind, kStationName, &name);
  e.nome = std::string(name);
  return true;
}

StationExtent TrainParser::station_extent(const Field& kw, VoceTreno& e, int64_t length) {
  using namespace values_of;
  const int64_t kind = *stored_station_value(e, kStationKind);
  const StationExtent extent = binario::station_extent(*stored_station_value(e, kStationPos), kind,
                                                       length, *stored_station_value(e, kMar));
  if (!station_centred(kind)) store_station_value(e, kMar, 0);
  for (int64_t v : {extent.inizio, extent.fine}) {
    if (!fits_long(v)) {
      throw ReadFailure("expected the station's extent to fit 32-bit positions, found metre " +
                            std::to_string(extent.inizio) + " to metre " +
                            std::to_string(extent.fine),
                        kw.where);
    }
  }
  store_station_extent(e, static_cast<int32_t>(extent.inizio), static_cast<int32_t>(extent.fine));
  return extent;
}

std::optional<TrainParser::Step> TrainParser::place_station_stop(const Field& kw,
                                                                 const VoceTreno& e, int64_t n,
                                                                 int64_t fine) {
  const int64_t stop = station_stop_cell(fine);
  const int32_t position = static_cast<int32_t>(*stored_station_value(e, values_of::kStationPos));
  if (stop > model_.last_cell()) {
    fault(15, position, kw.where,
          "expected the station's stop cell up to the last cell, " +
              std::to_string(model_.last_cell()) + ", found stop cell " + std::to_string(stop) +
              " (its extent ends at metre " + std::to_string(fine) + ")");
    return Step::kEndSection;
  }
  if (station_has_marks(*stored_station_value(e, values_of::kStationKind))) {
    for (int64_t j = 1; j <= 4; ++j) {
      const int64_t q = station_mark_cell(fine, j);
      if (q > 1) set_approach_mark(cell(q), station_mark_byte(j));
    }
  }
  if (stop <= 1) {
    fault(24, std::nullopt, kw.where,
          "expected its extent to end after metre 100, found its end at metre " +
              std::to_string(fine) + " (its stop cell would be " + std::to_string(stop) + ")");
    return Step::kStop;
  }
  mark_station_stop(cell(stop), n);
  model_.set_origin(stop, placed_by(kw));
  return std::nullopt;
}

bool TrainParser::far_enough_from_previous_station(const Field& kw, const VoceTreno& e, int64_t n,
                                                   int64_t inizio) {
  if (n <= 1) return true;
  const int64_t previous_fine =
      stored_station_extent(model_.treno[static_cast<size_t>(n - 1)]).fine;
  if (inizio - 350 < previous_fine) {
    fault(22, static_cast<int32_t>(*stored_station_value(e, values_of::kStationPos)), kw.where,
          "expected its extent to begin at metre " + std::to_string(previous_fine + 350) +
              " or later, 350 m after the previous station ends at " +
              std::to_string(previous_fine) + ", found it begins at " + std::to_string(inizio) +
              ", " + std::to_string(inizio - previous_fine) + " m after");
    return false;
  }
  return true;
}

TrainParser::Step TrainParser::next_station(const Field& kw, int64_t n) {
  const int64_t boards = model_.numero_cartelli;
  station_number_ = n + 1;
  if (station_number_ >= kFirstBoardSlot - boards) {
    fault(10, std::nullopt, kw.where,
          "expected at most " + std::to_string(kFirstBoardSlot - 2 - boards) + " stations with " +
              std::to_string(boards) + " sign-board texts, found station " + std::to_string(n) +
              ", which takes the last free entry");
    return Step::kStop;
  }
  return Step::kGoOn;
}

void TrainParser::end_of_file_steps() {
  // The last limit and adhesion run on to cell U - 3; at least one cell is
  // written, and the last three cells keep 0.
  const int64_t last = model_.last_cell();
  do {
    fill_speed(speed_cursor_);
    ++speed_cursor_;
  } while (speed_cursor_ < last - 2);
  do {
    fill_adhesion(adhesion_cursor_);
    ++adhesion_cursor_;
  } while (adhesion_cursor_ < last - 2);

  // The line's kilometre markers must stand on cell boundaries.
  std::string bad;
  for (int entry : {kChainageTre, kChainageDue, kChainageUno}) {
    const VoceTreno& m = model_.treno[entry];
    for (auto [name, value] : {std::pair{"inizio", m.*chainage_member(values_of::kChainageKey)},
                               std::pair{"fine", m.*chainage_member(values_of::kChainage)}}) {
      if (value % 50 == 0) continue;
      if (!bad.empty()) bad += ", ";
      bad += "entry " + std::to_string(entry) + " " + name + " " + std::to_string(value);
    }
  }
  if (!bad.empty()) {
    status_.fault(2, std::nullopt, std::nullopt,
                  "expected the chainage references of the line description on multiples of 50, "
                  "found " +
                      bad);
  }
}

}  // namespace binario
