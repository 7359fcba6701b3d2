#include "compiler/line_parser.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/cell_meaning.h"
#include "compiler/fixed_width.h"
#include "compiler/records.h"

namespace binario {

namespace {

// The geometry point counter may not pass this point while curves are read.
constexpr int64_t kMaxGeometryPoint = 1'000'000;

// True for a field some row of the general section takes.
bool is_general_keyword(std::string_view t) {
  return names_any_record(RecordSection::kLineGeneral, t);
}

// True for a field the body claims: one holding the first key text of a
// body record, in any case. So a curve is claimed when the geometry is not
// built (its record is skipped, not misspelt), and any field holding the
// sign board's first key is claimed, as by the boards' records, though only
// a field with every key text of a record reads one.
bool is_body_keyword(std::string_view t) {
  for (const RecordSpec& table_row : section_records(RecordSection::kLineBody)) {
    if (contains_nocase(t, table_row.keys[0])) return true;
  }
  return false;
}

// In the general section ten comments in a row are passed over, with no test
// for the end of the text: a run of them that reaches the end fails the read.
const DescriptionParser::Section& general_section() {
  static const std::vector<std::string_view> keywords =
      written_keywords(RecordSection::kLineGeneral);
  static const DescriptionParser::Section section = {RecordSection::kLineGeneral,
                                                     LineParser::kGeneralComments, false,
                                                     is_general_keyword, keywords};
  return section;
}
// In the body two comments in a row are passed over; the last field of the
// text is never read as a keyword.
const DescriptionParser::Section& body_section() {
  static const std::vector<std::string_view> keywords = written_keywords(RecordSection::kLineBody);
  static const DescriptionParser::Section section = {RecordSection::kLineBody, 2, true,
                                                     is_body_keyword, keywords};
  return section;
}

std::string quoted(std::string_view s) {
  std::string out = "\"";
  out.append(s);
  out += '"';
  return out;
}

struct Triple {
  int32_t key = 0;
  int32_t chainage = 0;
  int32_t flag = 0;
};

Triple triple_of(const VoceTreno& v) {
  using namespace values_of;
  return {v.*chainage_member(kChainageKey), v.*chainage_member(kChainage),
          v.*chainage_member(kChainageFlag)};
}

// Sorts the chainage references in entries 81 (tre), 82 (due) and 83 (uno)
// and raises the chainage of every reference whose flag is 1. `where`
// holds, per original entry, the place a failure is reported at.
void sort_chainages(TrackModel& model, const TextPosition (&where)[3]) {
  const std::array<Triple, 3> in = {triple_of(model.treno[kChainageTre]),
                                    triple_of(model.treno[kChainageDue]),
                                    triple_of(model.treno[kChainageUno])};
  constexpr int kTre = 0, kDue = 1, kUno = 2, kZero = -1;
  // For each destination entry, the original reference it receives.
  std::array<int, 3> order = {kZero, kZero, kZero};

  const int64_t key_sum = int64_t{in[kTre].key} + in[kDue].key + in[kUno].key;
  if (key_sum == 0) {
    if (in[kTre].chainage > 0) order = {kTre, kDue, kUno};
    if (in[kDue].chainage > 0) order = {kDue, kTre, kUno};
    if (in[kUno].chainage > 0) order = {kUno, kDue, kTre};
  } else {
    // The first of the others is the lower-numbered line (uno before due
    // before tre), which wins a tie for entry 82.
    struct Choice {
      int top, second, third;
    };
    const std::array<Choice, 3> choices = {Choice{kTre, kUno, kDue}, Choice{kDue, kUno, kTre},
                                           Choice{kUno, kDue, kTre}};
    for (const Choice& c : choices) {
      if (in[c.top].key > in[c.second].key && in[c.top].key > in[c.third].key) {
        if (in[c.third].key > in[c.second].key) {
          order = {c.top, c.third, c.second};
        } else {
          order = {c.top, c.second, c.third};
        }
      }
    }
  }

  static constexpr const char* kNames[3] = {"tre", "due", "uno"};
  for (int d = 0; d < 3; ++d) {
    Triple t = order[d] == kZero ? Triple{} : in[order[d]];
    VoceTreno& v = model.treno[kChainageTre + d];
    v.*chainage_member(values_of::kChainageKey) = t.key;
    v.*chainage_member(values_of::kChainage) = t.chainage;
    v.*chainage_member(values_of::kChainageFlag) = t.flag;
    if (t.flag == 1) {
      std::optional<int32_t> raised = checked_long(chainage_stored(t.chainage, t.flag));
      if (!raised) {
        throw ReadFailure(std::string("expected a chainage of reference ") + kNames[order[d]] +
                              " that still fits 32 bits once " + std::to_string(kChainageRaise) +
                              " is added, found " + std::to_string(t.chainage),
                          where[order[d]]);
      }
      v.*chainage_member(values_of::kChainage) = *raised;
    }
  }
}

}  // namespace

void progressive_ordina(TrackModel& model) {
  const TextPosition nowhere[3] = {{0, 0}, {0, 0}, {0, 0}};
  sort_chainages(model, nowhere);
}

LineParser::LineParser(TrackModel& model, Status& status, FieldReader& reader, std::string file,
                       bool calcola_linea)
    : DescriptionParser(model, status, reader, std::move(file), Placer::kLineText),
      calcola_linea_(calcola_linea) {}

LineParser::Outcome LineParser::parse() {
  try {
    const Outcome outcome = parse_text();
    settle_model();
    return outcome;
  } catch (const ReadFailure&) {
    // The model keeps what was read before the failure.
    settle_model();
    throw;
  }
}

LineParser::Outcome LineParser::parse_text() {
  if (!find_general_section()) return Outcome::kStopped;
  if (read_general_section() == Outcome::kStopped) return Outcome::kStopped;

  sort_chainages(model_, chainage_where_);

  numero_montagne_ = 0;
  board_slot_ = kFirstBoardSlot;
  model_.numero_cartelli = 0;
  next_gradient_ = 0;
  gradient_ = 0;
  k_ = 2;
  if (calcola_linea_ && geometry_points_) model_.linea.seed();

  const RecordReader read_record = [this](const Field& kw) { return read_body_record(kw); };
  TextPosition stopped_at;
  Step step = Step::kGoOn;
  if (!read_records_or_stop(body_section(), &stopped_at, read_record, &step))
    return Outcome::kStopped;
  if (step != Step::kStop) fill_tails();
  if (step != Step::kGoOn) read_after_stop(stopped_at, body_section(), read_record);
  return step == Step::kStop ? Outcome::kStopped : Outcome::kReadTrain;
}

bool LineParser::find_general_section() {
  Field f;
  do {
    f = next_field();
    if (reader_.at_end()) {
      fault(102, std::nullopt, reader_.position(),
            "expected a field holding " + quoted(kGeneralHeader) + ", found the end of the text" +
                misspelt_header_hint());
      return false;
    }
    if (contains_nocase(f.text, kGeneralHeader)) break;
    look_for_misspelt_header(f);
    note_before_section(f);
  } while (true);
  note_header(f);
  return true;
}

LineParser::Outcome LineParser::read_general_section() {
  TextPosition closed_at;
  const Step step = read_records(general_section(), &closed_at,
                                 [this](const Field& kw) { return read_general_row(kw); });
  if (step == Step::kStop) return Outcome::kStopped;
  if (!model_.built()) {
    throw ReadFailure(
        "expected " + quoted(record_spec(RecordKind::kLineLength).written[0]) +
            " in the general section, found its end without it: the line has no length",
        step == Step::kEndSection ? closed_at : reader_.position());
  }
  return Outcome::kReadTrain;
}

LineParser::Step LineParser::read_general_row(const Field& kw) {
  // Every row whose key texts the field holds is read, in table order.
  for (const RecordSpec& table_row : section_records(RecordSection::kLineGeneral)) {
    if (!names_record(table_row, kw.text)) continue;
    const RecordScope scope(*this, table_row.kind, kw);
    if (!read_general_record(table_row.kind, kw)) return Step::kStop;
  }
  if (!names_section(kw.text)) return Step::kGoOn;
  note_header(kw);
  return Step::kEndSection;
}

bool LineParser::read_general_record(RecordKind kind, const Field& kw) {
  switch (kind) {
    case RecordKind::kLineLength:
      return read_line_length(kw);
    case RecordKind::kChainageTre:
    case RecordKind::kChainageDue:
    case RecordKind::kChainageUno:
      read_chainage_reference(kw, kind);
      return true;
    case RecordKind::kBackgroundUno:
    case RecordKind::kBackgroundDue:
    case RecordKind::kBackgroundTre:
      store_general_value(model_.treno, kind, 0, read_value(kind, 0));
      return true;
    case RecordKind::kSignalRepetition:
      return read_signal_repetition(kw);
    default:
      return true;
  }
}

bool LineParser::read_line_length(const Field& kw) {
  const int32_t length = read_numbers(RecordKind::kLineLength).as_long(0);
  const TextPosition length_at = reader_.current().where;
  if (length > kMaxLineLength) {
    fault(1, std::nullopt, kw.where,
          "expected at most " + std::to_string(kMaxLineLength) + " m, found " +
              std::to_string(length) + " m");
    return false;
  }
  const int64_t last_cell = last_cell_for_length(length);
  if (last_cell < 1) {
    throw ReadFailure("expected a line length that leaves at least two cells, found " +
                          std::to_string(length) + " m (its last cell would be " +
                          std::to_string(last_cell) + ")",
                      length_at);
  }
  store_general_value(model_.treno, RecordKind::kLineLength, 0, length);
  // Without its points the geometry is not allocated: its last point is 0,
  // so extend_geometry counts the points (and checks the counter) but
  // computes none.
  model_.allocate(length, calcola_linea_ && geometry_points_);
  return true;
}

void LineParser::read_chainage_reference(const Field& kw, RecordKind kind) {
  chainage_where_[general_field(kind, 0).entry - kChainageTre] = kw.where;
  // Each value is stored as it is read: a read that fails leaves the values
  // before it in the entry.
  for (size_t i = 0; i < values_of::kChainageValues; ++i) {
    store_general_value(model_.treno, kind, i, read_value(kind, i));
  }
}

bool LineParser::read_signal_repetition(const Field& kw) {
  using namespace values_of;
  constexpr RecordKind kKind = RecordKind::kSignalRepetition;
  const std::string_view t = kw.text;
  const int32_t from = static_cast<int32_t>(read_value(kKind, kRepetitionFrom));
  store_general_value(model_.treno, kKind, kRepetitionFrom, from);
  const int32_t to = static_cast<int32_t>(read_value(kKind, kRepetitionTo));
  store_general_value(model_.treno, kKind, kRepetitionTo, to);
  if (from % kCellLength != 0) {
    fault(3, std::nullopt, kw.where, "expected a multiple of 50, found " + std::to_string(from));
    return false;
  }
  if (to % kCellLength != 0) {
    fault(4, std::nullopt, kw.where, "expected a multiple of 50, found " + std::to_string(to));
    return false;
  }
  int32_t codes = signal_repetition_codes(t);
  if (codes == 0) {
    fault(5, std::nullopt, kw.where,
          "expected the number of codes, 4 or 9, in the keyword, found " + quoted(t));
    return false;
  }
  if (to == 0) codes = 0;
  store_repetition_codes(model_.treno, codes);
  return true;
}

LineParser::Step LineParser::read_body_record(const Field& kw) {
  // Every record whose key texts the field holds is read, in table order; a
  // curve only when the geometry is built.
  for (const RecordSpec& table_row : section_records(RecordSection::kLineBody)) {
    if (!names_record(table_row, kw.text)) continue;
    if (table_row.kind == RecordKind::kCurve && !calcola_linea_) continue;
    const RecordScope scope(*this, table_row.kind, kw);
    if (const Step s = read_body(table_row.kind, kw); s != Step::kGoOn) return s;
  }
  return Step::kGoOn;
}

LineParser::Step LineParser::read_body(RecordKind kind, const Field& kw) {
  switch (kind) {
    case RecordKind::kGradient:
      return pendenza(kw);
    case RecordKind::kCurve:
      return curva(kw);
    case RecordKind::kMountain:
      return montagna(kw);
    case RecordKind::kSpeedBoard:
      return indicatori_v(kw);
    case RecordKind::kSignBoard:
      return cartello(kw);
    default:
      return Step::kGoOn;
  }
}

void LineParser::fill_gradient_cell() {
  if (model_.in_cells(next_gradient_)) {
    model_.percorso[static_cast<size_t>(next_gradient_)].pendenza = gradient_byte(gradient_);
  }
  ++next_gradient_;
}

LineParser::Step LineParser::pendenza(const Field& kw) {
  const RecordNumbers n = read_numbers(RecordKind::kGradient);
  const int32_t p = n.as_long(values_of::kPairPosition);
  const int32_t g = n.as_long(values_of::kPairValue);
  if (!range_check(kw, p, 100)) return Step::kEndSection;
  warn_changed(kw, g, gradient_from_byte(gradient_byte(g)), "the gradient");
  const int64_t v = span_cell(p);
  // The cell in front of the change is always written, even when an earlier
  // change at the same place has already passed it.
  if (v > 0) {
    do {
      fill_gradient_cell();
    } while (next_gradient_ < v);
  }
  gradient_ = g;
  return Step::kGoOn;
}

LineParser::Step LineParser::curva(const Field& kw) {
  const RecordNumbers read = read_numbers(RecordKind::kCurve);
  const int32_t s = read.as_long(values_of::kPairPosition);
  const int32_t n = read.as_long(values_of::kPairValue);
  if (!range_check(kw, s, 100)) return Step::kEndSection;

  const CurveKeyword keyword = read_curve_keyword(kw.text);
  if (keyword.curve_class == 0) {
    fault(103, std::nullopt, kw.where,
          "expected a class digit 1 to 6 in the keyword, found " + quoted(kw.text));
    return Step::kStop;
  }
  double kappa = kCurveClassCurvature[static_cast<size_t>(keyword.curve_class - 1)];
  if (keyword.left) kappa = -kappa;

  if (!extend_geometry(&kw, s, false, 0, true)) return Step::kStop;
  if (!extend_geometry(&kw, int64_t{s} + n, true, kappa, true)) return Step::kStop;
  return Step::kGoOn;
}

bool LineParser::extend_geometry(const Field* kw, int64_t end, bool rotate, double kappa,
                                 bool capped) {
  if (k_ > end) return true;
  // Points past the end of the geometry are counted but not computed.
  int64_t last_computed = std::min<int64_t>(end, model_.linea.last());
  if (capped) last_computed = std::min(last_computed, kMaxGeometryPoint);

  // The points are not computed here: the geometry keeps the run and makes
  // its points when they are read.
  if (k_ <= last_computed) model_.linea.extend(static_cast<size_t>(last_computed), rotate, kappa);

  if (capped && end >= kMaxGeometryPoint) {
    k_ = kMaxGeometryPoint + 1;
    const std::string detail =
        "expected the curves to end by point " + std::to_string(kMaxGeometryPoint) +
        " of the geometry, found one running to metre " + std::to_string(end);
    if (kw) {
      fault(103, std::nullopt, kw->where, detail);
    } else {
      status_.fault(103, std::nullopt, std::nullopt, detail);
    }
    return false;
  }
  k_ = end + 1;
  return true;
}

LineParser::Step LineParser::montagna(const Field& kw) {
  const RecordNumbers n = read_numbers(RecordKind::kMountain);
  const int32_t inizio = n.as_long(values_of::kMountainFrom);
  const int32_t fine = n.as_long(values_of::kMountainTo);
  const int32_t tipo = n.as_long(values_of::kMountainKind);
  if (!range_check(kw, inizio, 100)) return Step::kEndSection;
  memo_montagna(inizio, fine, tipo, placed_by(kw));
  return Step::kGoOn;
}

void LineParser::memo_montagna(int64_t inizio, int64_t fine, int64_t tipo, CellOrigin origin) {
  const MountainKind written = mountain_kind(tipo);
  tipo = written.kind;
  const bool markers = written.markers;
  ++numero_montagne_;
  // A span that begins at most 150 m after the previous one ends joins it.
  if (numero_montagne_ > 1 && inizio - fine_montagna_precedente_ <= 150) tipo = 3;
  fine_montagna_precedente_ = fine;

  const int64_t first = span_cell(inizio);
  const int64_t last = mountain_last_cell(fine);
  // Cells outside the track are skipped; the markers keep counting from the
  // span's own first cell.
  const int64_t from = std::max<int64_t>(first, 0);
  const int64_t to = std::min<int64_t>(last, model_.last_cell());
  if (from > to) return;
  mountain_spans_.push_back({from, to, low8(tipo)});
  if (!markers) return;
  // The markers stand where j - first + 1 is a multiple of 4.
  const int64_t phase = ((first - 1) % 4 + 4) % 4;
  place_mountain_markers(from + ((phase - from) % 4 + 4) % 4, to, origin);
}

namespace {

// The root of `j` in a forest of cells that lead on to later ones, halving
// the path on the way.
int64_t next_root(std::vector<int64_t>& next, int64_t j) {
  while (next[static_cast<size_t>(j)] != j) {
    const int64_t after = next[static_cast<size_t>(next[static_cast<size_t>(j)])];
    next[static_cast<size_t>(j)] = after;
    j = after;
  }
  return j;
}

// A forest over cells 0 .. `cells` + `step` - 1 in which every cell is its
// own root: the cells past the track end every path.
std::vector<int64_t> own_roots(int64_t cells, int64_t step) {
  std::vector<int64_t> next(static_cast<size_t>(cells + step));
  for (size_t j = 0; j < next.size(); ++j) next[j] = static_cast<int64_t>(j);
  return next;
}

}  // namespace

void LineParser::place_mountain_markers(int64_t start, int64_t to, CellOrigin origin) {
  const int64_t cells = model_.last_cell() + 1;
  if (marker_next_.empty()) marker_next_ = own_roots(cells, 4);
  for (int64_t j = next_root(marker_next_, start); j <= to; j = next_root(marker_next_, j)) {
    Cella& c = model_.percorso[static_cast<size_t>(j)];
    if (c.tipo == kNone) {
      c.tipo = kMountainMarker;
      model_.set_origin(j, origin);
    }
    marker_next_[static_cast<size_t>(j)] = j + 4;
  }
}

void LineParser::settle_model() {
  marker_next_.clear();
  if (mountain_spans_.empty()) return;
  // Last span first: a cell written once keeps the kind of the last span
  // over it and leads on to the next cell not yet written.
  const int64_t cells = model_.last_cell() + 1;
  std::vector<int64_t> next = own_roots(cells, 1);
  for (auto span = mountain_spans_.rbegin(); span != mountain_spans_.rend(); ++span) {
    for (int64_t j = next_root(next, span->from); j <= span->to; j = next_root(next, j)) {
      model_.percorso[static_cast<size_t>(j)].montagna = span->kind;
      next[static_cast<size_t>(j)] = j + 1;
    }
  }
  mountain_spans_.clear();
}

LineParser::Step LineParser::indicatori_v(const Field& kw) {
  using namespace values_of;
  const RecordNumbers n = read_numbers(RecordKind::kSpeedBoard);
  const int32_t posizione = n.as_long(kBoardPosition);
  const int32_t vas = n.as_long(kVas);
  const int32_t vbs = n.as_long(kVbs);
  const int32_t vcs = n.as_long(kVcs);
  const int16_t strisces = n.as_integer(kStrisces);
  const int32_t vad = n.as_long(kVad);
  const int32_t vbd = n.as_long(kVbd);
  const int32_t vcd = n.as_long(kVcd);
  const int16_t strisced = n.as_integer(kStrisced);
  if (!range_check(kw, posizione, 100)) return Step::kEndSection;
  if (!cell_inside(kw, posizione, point_cell(posizione), "the speed board")) {
    return Step::kEndSection;
  }
  warn_in_run_out(kw, posizione, "the speed board");
  warn_board_values(kw, {vas, vbs, vcs, vad, vbd, vcd}, strisces, strisced);
  if (!memo_indicatori_v_max(kw, posizione, vas, vbs, vcs, strisces, vad, vbd, vcd, strisced)) {
    return Step::kStop;
  }
  return Step::kGoOn;
}

void LineParser::warn_board_values(const Field& kw, const std::array<int32_t, 6>& speeds,
                                   int16_t strisces, int16_t strisced) {
  // The board keeps each class's two speeds in one Integer, in steps of
  // 5 km/h: the left one as hundreds, the right one as units.
  std::string off_step;
  for (int32_t v : speeds) {
    if (v % kSpeedStep != 0) off_step += (off_step.empty() ? "" : ", ") + std::to_string(v);
  }
  if (!off_step.empty()) {
    warn("speed-rounded", kw.where,
         "the speed board's speeds " + off_step +
             " km/h are not multiples of 5: a board keeps speeds in steps of 5 km/h, so they "
             "do not read back as written");
  }
  for (size_t i = 0; i < 3; ++i) {
    const int64_t value = board_speeds_value(speeds[i], speeds[i + 3]);
    warn_changed(kw, value, low16(value), "the speed board's pair of class speeds");
  }
  // The stripe counts share one Integer as 10 * left + right.
  if (strisces < 0 || strisced < 0 || strisced > 9) {
    warn("value-changed", kw.where,
         "the stripe counts " + std::to_string(strisces) + " and " + std::to_string(strisced) +
             " are stored as 10 * left + right = " +
             std::to_string(low16(board_stripes_value(strisces, strisced))) +
             ", which does not read back as the two counts");
  } else {
    const int64_t value = board_stripes_value(strisces, strisced);
    warn_changed(kw, value, low16(value), "the speed board's stripe counts");
  }
}

bool LineParser::memo_indicatori_v_max(const Field& kw, int32_t posizione, int32_t vas, int32_t vbs,
                                       int32_t vcs, int16_t strisces, int32_t vad, int32_t vbd,
                                       int32_t vcd, int16_t strisced) {
  const int64_t j = point_cell(posizione);
  Cella& c = model_.percorso[static_cast<size_t>(j)];
  if (!is_free(c)) {
    fault(21, posizione, kw.where, model_.cell_taken(j, Placer::kLineText));
    relate_occupant(j);
    return false;
  }
  const std::array<int64_t, values_of::kStrisced + 1> values = {
      posizione, vas, vbs, vcs, strisces, vad, vbd, vcd, strisced};
  write_speed_board(c, values);
  model_.set_origin(j, placed_by(kw));
  return true;
}

LineParser::Step LineParser::cartello(const Field& kw) {
  const RecordNumbers n = read_numbers(RecordKind::kSignBoard);
  const int32_t p = n.as_long(values_of::kSignBoardPosition);
  if (!range_check(kw, p, 100)) return Step::kEndSection;
  const int64_t j = point_cell(p);
  if (!cell_inside(kw, p, j, "the sign board")) return Step::kEndSection;
  warn_in_run_out(kw, p, "the sign board");
  Cella& c = model_.percorso[static_cast<size_t>(j)];
  if (!is_free(c)) {
    fault(6, p, kw.where, model_.cell_taken(j, Placer::kLineText));
    relate_occupant(j);
    return Step::kStop;
  }
  if (board_slot_ < 1) {
    fault(10, p, kw.where,
          "expected a free entry for the sign-board text, found all " +
              std::to_string(kFirstBoardSlot) + " entries for sign-board texts taken");
    return Step::kStop;
  }
  write_sign_board(c, board_slot_);
  model_.set_origin(j, placed_by(kw));
  model_.treno[static_cast<size_t>(board_slot_)].nome = std::string(n.text);
  --board_slot_;
  ++model_.numero_cartelli;
  return Step::kGoOn;
}

void LineParser::fill_tails() {
  // Every cell up to U - 3 gets the gradient; the last three keep 0.
  const int64_t stop = int64_t{model_.last_cell()} - 2;
  do {
    fill_gradient_cell();
  } while (next_gradient_ < stop);

  if (calcola_linea_) {
    // The last two points of the geometry stay empty.
    extend_geometry(nullptr, int64_t{model_.lunghezza_totale} - 2, false, 0, false);
  }
}

}  // namespace binario
