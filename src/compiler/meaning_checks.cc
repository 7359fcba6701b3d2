#include "compiler/meaning_checks.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "compiler/cell_meaning.h"
#include "compiler/description_parser.h"
#include "compiler/field_reader.h"
#include "compiler/fixed_width.h"
#include "compiler/line_index.h"
#include "compiler/line_parser.h"
#include "compiler/records.h"
#include "compiler/time_of_day.h"

namespace binario {

namespace {

std::string str(int64_t n) {
  return std::to_string(n);
}

bool is_number(std::string_view t) {
  size_t i = t.starts_with('-') || t.starts_with('+') ? 1 : 0;
  if (i == t.size()) return false;
  for (; i < t.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(t[i]))) return false;
  }
  return true;
}

// A record read in full before the description stopped: the model holds it.
bool counts(const RecordRead& r) {
  return r.complete && !r.after_stop;
}

bool valid_time(const RecordRead& r, size_t first);
std::string folded_name(std::string_view name);

class Checker {
 public:
  Checker(const TrackModel& model, Status& status, DescriptionText line, DescriptionText train)
      : model_(model),
        status_(status),
        line_(line),
        train_(train),
        line_lines_(line.text),
        train_lines_(train.text) {}

  void line_description(const DescriptionRead& d);
  void train_description(const DescriptionRead& d, const DescriptionRead& line);
  void numbers_left_over(const DescriptionRead& d, const DescriptionText& text);
  void keywords_made_comments(const DescriptionRead& d, const DescriptionText& text,
                              std::initializer_list<RecordSection> sections);
  // Read one description against the other.
  void line_length_in_km(const DescriptionRead& line, const DescriptionRead& train);
  void other_line(const DescriptionRead& train, const DescriptionRead& line);

 private:
  int64_t line_length() const { return int64_t{model_.lunghezza_totale} - kRunOut; }
  static int64_t value(const RecordRead& r, size_t i) {
    return i < r.values.size() ? r.values[i].number.value_or(0) : 0;
  }
  void warn(const DescriptionText& t, const TextSpan& at, std::string_view name,
            std::string message) {
    status_.warn(name, SourceLocation{std::string(t.name), at.line, at.first_column},
                 std::move(message), lines(t));
    status_.extend_last({at.first_column, at.last_line, at.last_column});
  }
  // The lines of `t`, which is one of the two descriptions.
  const LineIndex& lines(const DescriptionText& t) const {
    const bool line = t.text.data() == line_.text.data() && t.text.size() == line_.text.size();
    return line ? line_lines_ : train_lines_;
  }
  void warn(const DescriptionText& t, const RecordRead& r, std::string_view name,
            std::string message) {
    warn(t, r.keyword.span, name, std::move(message));
  }
  // True when the compile refused the record with a fault: what it would
  // have placed is not in the model, and the fault is what to mend first.
  bool refused(const DescriptionText& t, const RecordRead& r) const {
    return std::any_of(
        status_.diagnostics().begin(), status_.diagnostics().end(), [&](const Diagnostic& d) {
          return d.severity == Severity::kError && d.location && d.location->file == t.name &&
                 d.location->line == r.keyword.span.line;
        });
  }
  void relate(const DescriptionText& t, const RecordRead& r, std::string message) {
    status_.relate_last(
        {SourceLocation{std::string(t.name), r.keyword.span.line, r.keyword.span.first_column},
         std::move(message)});
  }

  // Span records (gradients, speed limits, adhesion) are written into the
  // cells in the order they are listed: one listed behind the one before it
  // takes effect only after the cells that one filled.
  void span_order(const DescriptionText& t, const std::vector<const RecordRead*>& records,
                  const char* what, const char* plural);
  void curves(const std::vector<const RecordRead*>& records);
  void mountains(const std::vector<const RecordRead*>& records);
  void slowdowns(const std::vector<const RecordRead*>& records);
  void stations(const std::vector<const RecordRead*>& stations, const RecordRead* clock);
  void stop_cells(const DescriptionRead& train, const DescriptionRead& line);
  void time_fields(const RecordRead& r, size_t first, const char* what);
  void slowdown_places(const std::vector<const RecordRead*>& slowdowns,
                       const std::vector<const RecordRead*>& speeds,
                       const std::vector<const RecordRead*>& stations);
  void signal_spacing(const std::vector<const RecordRead*>& signals);
  void station_names(const std::vector<const RecordRead*>& stations);
  void train_values(const DescriptionRead& d);
  void once_only(const DescriptionRead& d, const DescriptionText& t,
                 std::initializer_list<RecordKind> kinds);
  void after_end(const DescriptionRead& d, const DescriptionText& t);

  const TrackModel& model_;
  Status& status_;
  DescriptionText line_;
  DescriptionText train_;
  LineIndex line_lines_;
  LineIndex train_lines_;

  // The records that count of one kind, in text order. The checks ask for
  // most kinds, some more than once: each description's records are sorted
  // by kind in one pass, the first time.
  const std::vector<const RecordRead*>& of_kind(const DescriptionRead& d, RecordKind kind);
  struct ByKind {
    const DescriptionRead* read = nullptr;
    std::array<std::vector<const RecordRead*>, kRecordKinds> records;
  };
  std::array<ByKind, 2> by_kind_;
};

const std::vector<const RecordRead*>& Checker::of_kind(const DescriptionRead& d, RecordKind kind) {
  ByKind* slot = &by_kind_[0];
  if (slot->read && slot->read != &d) slot = &by_kind_[1];
  if (slot->read != &d) {
    slot->read = &d;
    for (std::vector<const RecordRead*>& records : slot->records) records.clear();
    for (const RecordRead& r : d.records) {
      if (counts(r)) slot->records[static_cast<size_t>(r.kind)].push_back(&r);
    }
  }
  return slot->records[static_cast<size_t>(kind)];
}

void Checker::span_order(const DescriptionText& t, const std::vector<const RecordRead*>& records,
                         const char* what, const char* plural) {
  int64_t cursor = 0;  // the next cell the fill writes
  const RecordRead* previous = nullptr;
  for (const RecordRead* r : records) {
    const int64_t p = value(*r, 0);
    const int64_t k = span_cell(p);
    if (k > 0) cursor = std::max(cursor + 1, k);
    if (previous && p <= value(*previous, 0)) {
      const bool same = p == value(*previous, 0);
      warn(t, *r, "out-of-order",
           std::string(what) + " at metre " + str(p) +
               (same ? " repeats the position of the one before it"
                     : " is listed after the one at metre " + str(value(*previous, 0))) +
               ": the cells are filled in the order of the records, so it takes effect from "
               "cell " +
               str(cursor) + " (metre " + str(cursor * kCellLength) + "), not from cell " + str(k) +
               (same ? ", and the one before it holds for one cell only" : "") + "; list the " +
               plural + " in increasing order of position");
      relate(t, *previous, "the record listed before it");
    }
    previous = r;
  }
}

void Checker::curves(const std::vector<const RecordRead*>& records) {
  int64_t k = 2;  // the next geometry point
  const RecordRead* previous = nullptr;
  bool previous_length_as_end = false;  // the record before was reported for it
  for (size_t i = 0; i < records.size(); ++i) {
    const RecordRead* r = records[i];
    const int64_t s = value(*r, 0), n = value(*r, 1);
    const int64_t first = std::max(k, s + 1), last = s + n;
    const CurveKeyword hand = read_curve_keyword(r->keyword.text);
    if (!plain_curve_keyword(r->keyword.text) && hand.curve_class != 0) {
      const std::string meant = curve_keyword(hand.left, hand.curve_class);
      const std::array<std::string_view, 2>& written = record_spec(RecordKind::kCurve).written;
      warn(line_, *r, "curve-keyword",
           "'" + std::string(r->keyword.text) + "' is read as a " +
               (hand.left ? "left-hand curve, because it holds an 's'"
                          : "right-hand curve, because it holds no 's'") +
               ", of class " + str(hand.curve_class) + "; write '" + std::string(written[0]) +
               "' (left) or '" + std::string(written[1]) + "' (right) and the class digit, here '" +
               meant + "' if that is the curve meant");
    }
    // The next curve begins inside this one, but not before metre n: the
    // length was most likely written as the curve's end.
    const RecordRead* next = i + 1 < records.size() ? records[i + 1] : nullptr;
    const bool length_as_end = next && n > s && value(*next, 0) >= n && value(*next, 0) < last;
    if (length_as_end) {
      warn(line_, *r, "length-as-end",
           "this curve from metre " + str(s) + " has length " + str(n) + ", so it runs to metre " +
               str(last) + ", over the next curve at metre " + str(value(*next, 0)) +
               ": the second value is a length, not an end metre; if the "
               "curve ends at metre " +
               str(n) + ", write its length " + str(n - s));
      relate(line_, *next, "the next curve, which it runs over");
    }
    if (hand.curve_class != 0 && n > 0) {
      const double turn =
          static_cast<double>(n) * kCurveClassCurvature[static_cast<size_t>(hand.curve_class - 1)];
      constexpr double kFullCircle = 6.283185307179586;
      if (turn > kFullCircle) {
        warn(line_, *r, "full-circle",
             "a curve of class " + str(hand.curve_class) + " over " + str(n) + " m turns " +
                 str(static_cast<int64_t>(turn / kFullCircle * 360.0)) +
                 " degrees, more than a full circle: the line runs round in a loop; the second "
                 "value is the curve's length, not its end metre" +
                 (n > s ? " (ending at metre " + str(n) + " it would be " + str(n - s) + " m long)"
                        : std::string()));
      }
    }
    if (n < 0) {
      warn(line_, *r, "reversed-span",
           "a curve of length " + str(n) +
               " m ends before it begins: it turns nothing; "
               "give its length as a positive number of metres");
    } else if (n == 0) {
      warn(line_, *r, "empty-span",
           "a curve of length 0 turns nothing; give its length in metres, or leave it out");
    } else if (previous && s < value(*previous, 0)) {
      warn(line_, *r, "out-of-order",
           "this curve at metre " + str(s) + " is listed after the one at metre " +
               str(value(*previous, 0)) + ": " +
               (last < first ? "the geometry has passed it, so it turns nothing"
                             : "only its points " + str(first) + " to " + str(last) + " turn") +
               "; list the curves in increasing order of position");
      relate(line_, *previous, "the curve listed before it");
    } else if (previous && first > s + 1 && !previous_length_as_end) {
      warn(line_, *r, "overlap",
           "this curve from metre " + str(s) +
               " begins inside the one before it, which runs to "
               "metre " +
               str(k - 1) + ": " +
               (last < first ? "it turns nothing"
                             : "only its points " + str(first) + " to " + str(last) + " turn") +
               "; make the curves follow each other without overlap");
      relate(line_, *previous, "the curve it overlaps");
    }
    if (n > 0) {
      if (last >= first)
        k = last + 1;
      else
        k = std::max(k, s + 1);
    }
    previous = r;
    previous_length_as_end = length_as_end;
  }
}

void Checker::mountains(const std::vector<const RecordRead*>& records) {
  const RecordRead* previous = nullptr;
  for (const RecordRead* r : records) {
    const int64_t i = value(*r, 0), f = value(*r, 1), t = value(*r, 2);
    const int64_t kind = t > 10 ? t - 10 : t;
    if (f < i) {
      warn(line_, *r, "reversed-span",
           "this mountain span ends at metre " + str(f) + ", before it begins at metre " + str(i) +
               ": no cell gets its kind; give the start first, then the end");
    } else if (span_cell(i) > nearest(static_cast<double>(f) / 50.0 - 1.0)) {
      warn(line_, *r, "empty-span",
           "this mountain span from metre " + str(i) + " to metre " + str(f) +
               " covers no whole cell: no cell gets its kind; a span needs at least 50 m");
    }
    if (kind < 1 || kind > 3) {
      warn(line_, *r, "unknown-kind",
           "mountain kind " + str(t) + " is stored as " + str(kind & 0xff) +
               ", a kind with no known meaning: the known kinds are 1 and 2 (3 joins a span to "
               "the one before it), and 11 to 13 the same with markers");
    }
    if (previous && i >= value(*previous, 0) && i < value(*previous, 1) && f >= i) {
      const bool same = i == value(*previous, 0) && f == value(*previous, 1);
      warn(line_, *r, "overlap",
           "this mountain span from metre " + str(i) + " to metre " + str(f) +
               (same ? " repeats the one before it"
                     : " begins inside the one before it, which runs to metre " +
                           str(value(*previous, 1))) +
               ": it begins less than 150 m after that one ends, so it is stored as kind 3, "
               "joined to it, whatever kind it is given; let each span end before the next "
               "begins, or write the two as one");
      relate(line_, *previous, "the span it overlaps");
    }
    if (i <= line_length() && f > line_length()) {
      warn(line_, *r, "in-run-out",
           "this mountain span ends at metre " + str(f) + ", past the end of the line (metre " +
               str(line_length()) + "), in the run-out after it");
    } else if (i > line_length()) {
      warn(line_, *r, "in-run-out",
           "this mountain span begins at metre " + str(i) + ", past the end of the line (metre " +
               str(line_length()) + "), in the run-out after it");
    }
    if (previous && i < value(*previous, 0)) {
      warn(line_, *r, "out-of-order",
           "this mountain span at metre " + str(i) + " is listed after the one at metre " +
               str(value(*previous, 0)) +
               ": each span is compared with the one listed before it, so it is stored as kind "
               "3, joined to it; list the spans in increasing order of position");
      relate(line_, *previous, "the span listed before it");
    }
    previous = r;
  }
}

void Checker::line_description(const DescriptionRead& d) {
  span_order(line_, of_kind(d, RecordKind::kGradient), "this gradient change", "gradient changes");
  for (const RecordRead* r : of_kind(d, RecordKind::kGradient)) {
    const int64_t g = value(*r, 1);
    // Outside -100..155 the store wraps, which value-changed reports.
    if (std::abs(g) > kMostPlausibleGradient && g >= -100 && g <= 155) {
      warn(line_, *r, "implausible-value",
           "a gradient of " + str(g) + " per mille is steeper than " + str(kMostPlausibleGradient) +
               " per mille, steeper than all but a few mountain lines; it is stored as written; "
               "give "
               "the gradient in per mille (metres per kilometre)");
    }
  }
  curves(of_kind(d, RecordKind::kCurve));
  mountains(of_kind(d, RecordKind::kMountain));
  once_only(d, line_,
            {RecordKind::kLineLength, RecordKind::kChainageUno, RecordKind::kChainageDue,
             RecordKind::kChainageTre, RecordKind::kBackgroundUno, RecordKind::kBackgroundDue,
             RecordKind::kBackgroundTre});
  after_end(d, line_);
  for (const RecordRead* r : of_kind(d, RecordKind::kSignBoard)) {
    if (r->values.size() >= 2 && folded_name(r->values[1].text).empty()) {
      warn(line_, *r, "empty-text",
           "this sign board has no text: the board shows nothing; write its text after its "
           "position");
    }
  }
  for (const RecordRead* r : of_kind(d, RecordKind::kSignalRepetition)) {
    const int64_t from = value(*r, 0), to = value(*r, 1);
    if (to != 0 && to < from) {
      warn(line_, *r, "reversed-span",
           "the stretch with signal repetition runs backwards, from metre " + str(from) +
               " to metre " + str(to) + "; it is stored as written; give its start first");
    }
    const int64_t end = line_length();
    if (from > end || to > end) {
      warn(line_, *r, "in-run-out",
           "the stretch with signal repetition " +
               (from > end ? "begins at metre " + str(from) : "ends at metre " + str(to)) +
               ", past the end of the line (metre " + str(end) + "), in the run-out after it");
    }
  }
}

bool valid_time(const RecordRead& r, size_t first) {
  auto v = [&r](size_t i) { return i < r.values.size() ? r.values[i].number.value_or(0) : 0; };
  return v(first) >= 0 && v(first) <= 23 && v(first + 1) >= 0 && v(first + 1) <= 59 &&
         v(first + 2) >= 0 && v(first + 2) <= 59;
}

void Checker::time_fields(const RecordRead& r, size_t first, const char* what) {
  const int64_t h = value(r, first), m = value(r, first + 1), s = value(r, first + 2);
  if (valid_time(r, first)) return;
  warn(train_, r, "time-out-of-range",
       std::string(what) + " " + str(h) + ":" + str(m) + ":" + str(s) +
           " is no time of day (hours 0 to 23, minutes and seconds 0 to 59); it is stored as "
           "written" +
           (h * 3600 + m * 60 + s >= 0 ? ", as " + clock_text(h * 3600 + m * 60 + s) + " later on"
                                       : std::string()));
}

void Checker::slowdowns(const std::vector<const RecordRead*>& records) {
  std::vector<const RecordRead*> by_start = records;
  std::stable_sort(by_start.begin(), by_start.end(), [](const RecordRead* a, const RecordRead* b) {
    return value(*a, 0) < value(*b, 0);
  });
  for (const RecordRead* r : records) {
    const int64_t x = value(*r, 0), v = value(*r, 1), l = value(*r, 2);
    const SlowdownCells c = slowdown_cells(x, l);
    if (l < 0) {
      warn(train_, *r, "reversed-span",
           "a slowdown of length " + str(l) + " m ends at metre " + str(x + l) +
               ", before its start: its end board stands in cell " + str(c.e) +
               ", before its start in cell " + str(c.b) +
               "; give the length as a positive "
               "number of metres");
    } else if (c.e == c.b) {
      warn(train_, *r, "empty-span",
           "this slowdown of " + str(l) + " m ends in its start's cell " + str(c.b) +
               ": the start overwrites the end, and the slowdown has no end; make it at least "
               "50 m long");
    }
    if (v <= 0) {
      warn(train_, *r, "implausible-value",
           "a slowdown to " + str(v) +
               " km/h stops the train: its boards are stored with "
               "speed " +
               str(v) + "; give the speed the train may run at");
    }
    const int64_t end = line_length();
    if (x <= end && x + l > end) {
      warn(train_, *r, "in-run-out",
           "this slowdown ends at metre " + str(x + l) + ", past the end of the line (metre " +
               str(end) + "), in the run-out after it");
    }
  }
  for (size_t i = 1; i < by_start.size(); ++i) {
    const RecordRead& a = *by_start[i - 1];
    const RecordRead& b = *by_start[i];
    if (value(a, 2) > 0 && value(b, 0) < value(a, 0) + value(a, 2)) {
      warn(train_, b, "overlap",
           "this slowdown from metre " + str(value(b, 0)) + " begins inside the one from metre " +
               str(value(a, 0)) + " to metre " + str(value(a, 0) + value(a, 2)) +
               ": their boards are stored one inside the other; make the first end before the "
               "second begins, or write them as one");
      relate(train_, a, "the slowdown it overlaps");
    }
  }
}

// The station kinds the built-in scenario uses or the compile treats apart;
// other kinds are stored, but nothing is known of what they mean.
bool known_station_kind(int64_t kind) {
  switch (kind) {
    case 2:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 12:
    case 22:
    case 28:
      return true;
    default:
      return false;
  }
}

void Checker::stations(const std::vector<const RecordRead*>& stations, const RecordRead* clock) {
  const RecordRead* previous_timed = nullptr;
  int64_t previous_time = 0;
  bool first = true;
  for (const RecordRead* r : stations) {
    const int64_t pos = value(*r, 0), kind = value(*r, 1), length = value(*r, 2);
    if (first && pos != 0) {
      warn(train_, *r, "first-station",
           "the first station stands at metre " + str(pos) +
               ", not at the start of the line "
               "(metre 0), where the built-in and example trains put it; the train's first "
               "station is the one listed first, whatever its position");
    }
    first = false;
    if (length == 0) {
      warn(train_, *r, "implausible-value",
           "a station of length 0: its extent is stored as the single metre " + str(pos) +
               "; give the length of its platform in metres (a multiple of 100)");
    }
    if (!known_station_kind(kind)) {
      warn(train_, *r, "unknown-kind",
           "station kind " + str(kind) +
               " has no known meaning: it is stored, and the compile "
               "treats it as every kind " +
               (kind < 25 ? "below 25" : "from 25 up") +
               "; the built-in train uses 8 for its first station and 2, 4, 12, 22 and 28");
    }
    time_fields(*r, 13, "the time");
    int64_t t = value(*r, 13) * 3600 + value(*r, 14) * 60 + value(*r, 15);
    if (t == 0) continue;  // no timed stop
    // A run may cross midnight: a time more than twelve hours back is the
    // next day.
    if (previous_timed) t = time_after(previous_time, t);
    // A clock that is no time of day is reported as such, not compared.
    if (!previous_timed && clock && valid_time(*clock, 0)) {
      const int64_t c = value(*clock, 0) * 3600 + value(*clock, 1) * 60 + value(*clock, 2);
      if (c > t && time_after(c, t) == t) {
        warn(train_, *clock, "timetable-order",
             "the clock starts the run at " + clock_text(c) +
                 ", later than the first time of "
                 "the timetable, " +
                 clock_text(t) +
                 ": set the clock at or before the first "
                 "departure");
        relate(train_, *r, "the first station with a time");
      }
    }
    if (previous_timed && t < previous_time) {
      warn(train_, *r, "timetable-order",
           "the time " + clock_text(t % kDaySeconds) + " is earlier than the " +
               clock_text(previous_time % kDaySeconds) +
               " of the station before it: the timetable runs backwards; give the times in "
               "the order of the run");
      relate(train_, *previous_timed, "the earlier station with a later time");
    }
    previous_timed = r;
    previous_time = t;
  }
}

// The limits past which a train's general values are taken for a slip
// (docs/format.md, "implausible-value", gives the reasons).
constexpr int64_t kFewestCars = 1, kMostCars = 40;
constexpr int64_t kLeastBrakedMass = 20, kMostBrakedMass = 250;  // %
constexpr int64_t kMostSand = 1000;
// Two signals closer than this stand closer than any block section.
constexpr int64_t kClosestSignals = 400;  // m
// A slowdown from here on gets no warning board.
constexpr int64_t kLastSlowdownWithoutBoard = 1500;  // m

void Checker::train_values(const DescriptionRead& d) {
  for (const RecordRead* r : of_kind(d, RecordKind::kCars)) {
    const int64_t n = value(*r, 0);
    if (n < kFewestCars || n > kMostCars) {
      warn(train_, *r, "implausible-value",
           "a train of " + str(n) + " cars: " +
               (n < kFewestCars
                    ? "a train has at least one"
                    : "more than " + str(kMostCars) + ", longer than any passenger train runs") +
               "; it is stored as written; the built-in train has 10");
    }
  }
  for (const RecordRead* r : of_kind(d, RecordKind::kBrakedMass)) {
    const int64_t n = value(*r, 0);
    if (n < kLeastBrakedMass || n > kMostBrakedMass) {
      warn(train_, *r, "implausible-value",
           "a braked-mass percentage of " + str(n) + " is outside " + str(kLeastBrakedMass) +
               " to " + str(kMostBrakedMass) +
               " %, where the brakes of trains in service lie; it is stored as written; the "
               "built-in train has 130");
    }
  }
  for (const RecordRead* r : of_kind(d, RecordKind::kSand)) {
    const int64_t n = value(*r, 0);
    if (n < 0 || n > kMostSand) {
      warn(train_, *r, "implausible-value",
           "a sand value of " + str(n) + ": " +
               (n < 0 ? "a train carries no negative amount of sand"
                      : "more than " + str(kMostSand) + ", five times the built-in train's 200") +
               "; it is stored as written");
    }
  }
}

void Checker::slowdown_places(const std::vector<const RecordRead*>& slowdowns,
                              const std::vector<const RecordRead*>& speeds,
                              const std::vector<const RecordRead*>& stations) {
  for (const RecordRead* r : slowdowns) {
    if (refused(train_, *r)) continue;
    const int64_t x = value(*r, 0), v = value(*r, 1), l = value(*r, 2);
    const int64_t b = span_cell(x) >= 0 ? point_cell(x) : -1;
    if (x <= kLastSlowdownWithoutBoard && x >= 0 && l > 0) {
      warn(train_, *r, "no-warning-board",
           "this slowdown starts at metre " + str(x) + ", at or before metre " +
               str(kLastSlowdownWithoutBoard) +
               ": no warning board is placed 1200 m ahead of it, so the driver gets no warning "
               "of it; start it after metre " +
               str(kLastSlowdownWithoutBoard) + " if the driver is to be warned");
    }
    if (model_.in_cells(b) && v > 0) {
      const int64_t limit = speed_limit_kmh(model_.percorso[static_cast<size_t>(b)]);
      if (limit > 0 && v > limit) {
        const bool swapped = l > 0 && l <= limit;
        warn(train_, *r, "slowdown-too-fast",
             "this slowdown to " + str(v) + " km/h starts where the speed limit is " + str(limit) +
                 " km/h: it slows nothing, and its boards show a speed above the "
                 "limit" +
                 (swapped ? "; are its speed and length swapped (" + str(l) + " km/h over " +
                                str(v) + " m)?"
                          : std::string("; give the slowdown a speed below the limit")));
        const RecordRead* in_force = nullptr;
        for (const RecordRead* s : speeds) {
          if (span_cell(value(*s, 0)) <= b) in_force = s;
        }
        if (in_force) relate(train_, *in_force, "the speed limit in force there");
      }
    }
    for (const RecordRead* st : stations) {
      // Kinds from 25 up have no stop cell: the train passes them.
      if (value(*st, 1) >= 25) continue;
      const StationExtent e =
          station_extent(value(*st, 0), value(*st, 1), value(*st, 2), value(*st, 5));
      if (x >= e.inizio && x <= e.fine) {
        warn(train_, *r, "slowdown-in-station",
             "this slowdown starts at metre " + str(x) + ", inside the station from metre " +
                 str(e.inizio) + " to metre " + str(e.fine) +
                 ": its boards stand among the station's, where the train stops; start the "
                 "slowdown before or after the station");
        relate(train_, *st, "the station it starts in");
        break;
      }
    }
  }
}

void Checker::signal_spacing(const std::vector<const RecordRead*>& signals) {
  std::vector<const RecordRead*> by_place;
  for (const RecordRead* r : signals) {
    if (!refused(train_, *r)) by_place.push_back(r);
  }
  std::stable_sort(by_place.begin(), by_place.end(), [](const RecordRead* a, const RecordRead* b) {
    return value(*a, 0) < value(*b, 0);
  });
  for (size_t i = 1; i < by_place.size(); ++i) {
    const int64_t a = value(*by_place[i - 1], 0), b = value(*by_place[i], 0);
    if (b - a < kClosestSignals && b > a) {
      warn(train_, *by_place[i], "signals-too-close",
           "this signal at metre " + str(b) + " stands " + str(b - a) +
               " m after the one at metre " + str(a) + ", closer than " + str(kClosestSignals) +
               " m, the shortest block section: a train cannot stop between them; check the "
               "positions");
      relate(train_, *by_place[i - 1], "the signal before it");
    }
  }
}

// `name` in lower case, with the accents of Windows-1252's letters taken off
// and blanks at either end left out: two names that read the same to a driver
// compare equal.
std::string folded_name(std::string_view name) {
  static constexpr std::string_view kPlain =
      "aaaaaaaceeeeiiiidnooooo/ouuuuyty";  // for 0xE0 .. 0xFF and 0xC0 .. 0xDF
  std::string out;
  for (char ch : name) {
    auto c = static_cast<unsigned char>(ch);
    if (c >= 0xC0) {
      out += kPlain[(c - 0xC0) % 32];
    } else {
      out += static_cast<char>(std::tolower(c));
    }
  }
  const size_t first = out.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return out.substr(first, out.find_last_not_of(' ') - first + 1);
}

void Checker::station_names(const std::vector<const RecordRead*>& stations) {
  std::map<std::string, const RecordRead*> seen;
  for (const RecordRead* r : stations) {
    if (r->values.size() < 17) continue;
    const std::string_view name = r->values[16].text;
    const std::string folded = folded_name(name);
    if (folded.empty()) {
      warn(train_, *r, "empty-text",
           "this station has no name: the driver's display and the timetable show nothing "
           "for it; write its name after the time");
      continue;
    }
    const auto [it, added] = seen.emplace(folded, r);
    if (!added) {
      const std::string_view other = it->second->values[16].text;
      warn(train_, *r, "duplicate-name",
           "the station name '" + std::string(name) + "' is " +
               (other == name
                    ? std::string("also the name of")
                    : "the name '" + std::string(other) + "' but for letter case or accents, of") +
               " an earlier station: the two cannot be told apart on the display and in the "
               "timetable; give each station its own name");
      relate(train_, *it->second, "the earlier station of that name");
    }
  }
}

// Records that set one value of the scenario: a second one replaces the first.
void Checker::once_only(const DescriptionRead& d, const DescriptionText& t,
                        std::initializer_list<RecordKind> kinds) {
  for (RecordKind kind : kinds) {
    const std::vector<const RecordRead*>& records = of_kind(d, kind);
    for (size_t i = 1; i < records.size(); ++i) {
      warn(t, *records[i], "repeated-record",
           "a second '" + std::string(record_spec(kind).written[0]) +
               "': it replaces the one before it, which counts for nothing; keep one");
      relate(t, *records[0], "the first one, which this one replaces");
    }
  }
}

// A field that names the end of a description by custom: the records after it
// are read as if it were not there.
bool names_end(std::string_view field) {
  std::string lower(field);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower.find(kEndHeader) != std::string::npos;
}

void Checker::after_end(const DescriptionRead& d, const DescriptionText& t) {
  const auto end = std::find_if(d.ignored.begin(), d.ignored.end(),
                                [](const TextField& f) { return names_end(f.text); });
  if (end == d.ignored.end()) return;
  for (const RecordRead& r : d.records) {
    if (r.keyword.span.line <= end->span.line || !r.complete) continue;
    warn(t, r, "after-end",
         "this record stands after '" + std::string(end->text) + "' on line " +
             str(end->span.line) +
             ", yet it is read and compiled: '[fine]' ends nothing, it is a field no record "
             "takes; move the record above it, or make it a comment");
    status_.relate_last(
        {SourceLocation{std::string(t.name), end->span.line, end->span.first_column},
         "the '[fine]' it follows"});
    return;
  }
}

// A line length below this many metres, with records past it, was most
// likely written in kilometres.
constexpr int64_t kShortestLine = 1000;  // m

void Checker::line_length_in_km(const DescriptionRead& line, const DescriptionRead& train) {
  const std::vector<const RecordRead*> lengths = of_kind(line, RecordKind::kLineLength);
  if (lengths.empty()) return;
  const RecordRead& length = *lengths.back();
  const int64_t l = value(length, 0);
  if (l <= 0 || l >= kShortestLine || l * 1000 > kMaxLineLength) return;
  // A length split by a separator (30 000) is told as such.
  const int length_line = length.values.empty() ? 0 : length.values.back().span.last_line;
  if (std::any_of(line.ignored.begin(), line.ignored.end(),
                  [&](const TextField& f) { return f.span.line == length_line; })) {
    return;
  }
  const RecordRead* farthest = nullptr;
  const DescriptionText* in = nullptr;
  auto look = [&](const DescriptionRead& d, const DescriptionText& t) {
    for (const RecordRead& r : d.records) {
      const std::optional<int>& at = record_spec(r.kind).position;
      if (!r.complete || !at || r.kind == RecordKind::kLineLength) continue;
      const int64_t p = value(r, static_cast<size_t>(*at));
      if (p > l && (!farthest || p > value(*farthest, static_cast<size_t>(*at)))) {
        farthest = &r;
        in = &t;
      }
    }
  };
  look(line, line_);
  look(train, train_);
  if (!farthest) return;
  const int64_t p = value(*farthest, static_cast<size_t>(*record_spec(farthest->kind).position));
  warn(line_, length, "length-in-km",
       "the line is " + str(l) + " m long, yet records stand as far as metre " + str(p) +
           ": is the length written in kilometres? the length is in metres (" + str(l) + " km is " +
           str(l * 1000) + ")");
  relate(*in, *farthest, "the farthest record, past the end of the line");
}

// The route a description's title names: the text after "percorso" in the
// first field before "[generale]" that holds the word, folded as names are
// compared, blanks run together; and that field.
struct RouteTitle {
  std::string route;
  const TextField* field = nullptr;
};

RouteTitle route_title(const DescriptionRead& d) {
  for (const TextField& f : d.before_section) {
    std::string lower(f.text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t at = lower.find("percorso");
    if (at == std::string::npos) continue;
    std::string route;
    for (char c : folded_name(f.text.substr(at + 8))) {
      if (c == ' ' && (route.empty() || route.back() == ' ')) continue;
      route += c;
    }
    while (!route.empty() && route.back() == ' ') route.pop_back();
    if (route.empty()) continue;
    return {route, &f};
  }
  return {};
}

// The two ends a route names, as "A - B" or "A-B-C": its first and last
// parts, each without blanks at either end; nothing for a route of one part.
std::optional<std::pair<std::string, std::string>> route_ends(std::string_view route) {
  const size_t first = route.find('-'), last = route.rfind('-');
  if (first == std::string_view::npos) return std::nullopt;
  auto trimmed = [](std::string_view t) {
    const size_t a = t.find_first_not_of(' ');
    return a == std::string_view::npos ? std::string()
                                       : std::string(t.substr(a, t.find_last_not_of(' ') - a + 1));
  };
  std::pair<std::string, std::string> ends{trimmed(route.substr(0, first)),
                                           trimmed(route.substr(last + 1))};
  if (ends.first.empty() || ends.second.empty()) return std::nullopt;
  return ends;
}

// True when the folded station name and the folded end of a route name the
// same place: one holds the other ("monte sereno" and "sereno").
bool same_place(const std::string& station, const std::string& end) {
  return !station.empty() &&
         (station.find(end) != std::string::npos || end.find(station) != std::string::npos);
}

void Checker::other_line(const DescriptionRead& train, const DescriptionRead& line) {
  const RouteTitle t = route_title(train), l = route_title(line);
  if (t.field && l.field && t.route != l.route) {
    warn(train_, t.field->span, "other-line",
         "the train description's title names the route '" + std::string(t.field->text) +
             "', and the line description's '" + std::string(l.field->text) +
             "': is this the train of another line? the compile pairs the two files it is given");
    status_.relate_last(
        {SourceLocation{std::string(line_.name), l.field->span.line, l.field->span.first_column},
         "the line description's title"});
    return;
  }
  const std::vector<const RecordRead*> stations = of_kind(train, RecordKind::kStation);
  if (stations.empty()) return;
  // A train that runs past the end of this line was written for a longer one.
  const std::vector<const RecordRead*> lengths = of_kind(line, RecordKind::kLineLength);
  const RecordRead* farthest = *std::max_element(
      stations.begin(), stations.end(),
      [](const RecordRead* a, const RecordRead* b) { return value(*a, 0) < value(*b, 0); });
  const int64_t end = line_length();
  // A length written in kilometres is reported as such.
  if (value(*farthest, 0) > end && end >= kShortestLine && !lengths.empty()) {
    warn(train_, *farthest, "other-line",
         "this station stands at metre " + str(value(*farthest, 0)) +
             ", past the end of the line (metre " + str(end) +
             "): the train runs further than the line it is paired with; is this the train of "
             "another line? the compile pairs the two files it is given");
    relate(line_, *lengths.back(), "the line's length");
    return;
  }
  // A train that neither starts nor ends where the line's title says the
  // line runs names the stations of another line.
  if (!l.field) return;
  const auto ends = route_ends(l.route);
  if (!ends) return;
  auto name = [](const RecordRead* r) {
    return r->values.size() >= 17 ? folded_name(r->values[16].text) : std::string();
  };
  const std::string first = name(stations.front()), last = name(stations.back());
  if (first.empty() || last.empty()) return;  // reported as empty-text
  for (const std::string& station : {first, last}) {
    if (same_place(station, ends->first) || same_place(station, ends->second)) return;
  }
  warn(train_, *stations.front(), "other-line",
       "the train runs from '" + std::string(stations.front()->values[16].text) + "' to '" +
           std::string(stations.back()->values[16].text) +
           "', and neither is an end of the route the line description's title names, '" +
           std::string(l.field->text) +
           "': is this the train of another line? the compile pairs the two files it is given");
  status_.relate_last(
      {SourceLocation{std::string(line_.name), l.field->span.line, l.field->span.first_column},
       "the line description's title"});
}

// What a station's stop cell overwrote: any object an earlier record put in
// that cell.
void Checker::stop_cells(const DescriptionRead& train, const DescriptionRead& line) {
  struct Placed {
    const RecordRead* record;
    const DescriptionText* text;
    const char* what;
  };
  std::map<int64_t, Placed> placed;
  auto place = [&](int64_t cell, const RecordRead& r, const DescriptionText& t, const char* what) {
    placed[cell] = {&r, &t, what};
  };
  for (const RecordRead& r : line.records) {
    if (!counts(r) || r.cells.empty()) continue;
    if (r.kind == RecordKind::kSpeedBoard) place(r.cells[0], r, line_, "speed board");
    if (r.kind == RecordKind::kSignBoard) place(r.cells[0], r, line_, "sign board");
  }
  for (const RecordRead& r : train.records) {
    if (!counts(r) || r.cells.empty()) continue;
    switch (r.kind) {
      case RecordKind::kSignal:
        place(r.cells[0], r, train_, "signal");
        break;
      case RecordKind::kCodePoint:
        place(r.cells[0], r, train_, "speed-code point");
        break;
      case RecordKind::kSlowdown: {
        const SlowdownCells c = slowdown_cells(value(r, 0), value(r, 2));
        place(c.e, r, train_, "slowdown end");
        place(c.b, r, train_, "slowdown start");
        if (c.warning) {
          place(c.a, r, train_, "slowdown warning board");
          if (value(r, 4) != 0) {
            const int64_t w = nearest(static_cast<double>(value(r, 0) - 1200) / 50.0);
            for (int64_t i = 0; i < 4; ++i) place(w - i, r, train_, "slowdown countdown board");
          }
        }
        break;
      }
      case RecordKind::kStation: {
        const int64_t q = r.cells[0];
        if (auto it = placed.find(q); it != placed.end()) {
          warn(train_, r, "overwritten",
               "this station's stop goes into cell " + str(q) + " and overwrites the " +
                   it->second.what + " there: the " + it->second.what +
                   " is lost; move the station or the " + it->second.what);
          relate(*it->second.text, *it->second.record,
                 std::string("the ") + it->second.what + " the stop overwrote");
        }
        place(q, r, train_, "station stop");
        break;
      }
      default:
        break;
    }
  }
}

void Checker::train_description(const DescriptionRead& d, const DescriptionRead& line) {
  if (!d.read) return;
  const std::vector<const RecordRead*> speeds = of_kind(d, RecordKind::kSpeedLimit);
  span_order(train_, speeds, "this speed limit", "speed limits");
  for (const RecordRead* r : speeds) {
    const int64_t s = value(*r, 1);
    if (s <= 2) {
      warn(train_, *r, "implausible-value",
           "a speed limit of " + str(s) +
               " km/h is stored as 0: the train cannot move there; "
               "give the limit in km/h");
    } else if (s > kMostPlausibleSpeed && s <= 1277) {
      warn(train_, *r, "implausible-value",
           "a speed limit of " + str(s) + " km/h is above " + str(kMostPlausibleSpeed) +
               " km/h, faster than any train runs in service; it is stored as written; is "
               "it a number split by a separator?");
    }
  }
  const std::vector<const RecordRead*> adhesion = of_kind(d, RecordKind::kAdhesion);
  span_order(train_, adhesion, "this adhesion value", "adhesion values");
  for (const RecordRead* r : adhesion) {
    if (value(*r, 1) == 0) {
      warn(train_, *r, "implausible-value",
           "an adhesion of 0 from metre " + str(value(*r, 0)) +
               " is stored: the wheels have no grip there; the built-in train uses 80");
    }
  }
  const bool any_record = std::any_of(d.records.begin(), d.records.end(), counts);
  // Records read after a stop count here: the description has them, and the
  // stop is what the author must mend.
  auto written = [&d](RecordKind kind) {
    return std::any_of(d.records.begin(), d.records.end(),
                       [kind](const RecordRead& r) { return r.kind == kind && r.complete; });
  };
  if (any_record && !written(RecordKind::kSpeedLimit) && !d.headers.empty()) {
    status_.warn("no-speed-limit", SourceLocation{std::string(train_.name), 0, 0},
                 "the train description has no speed limit (velocita): the limit is 0 "
                 "everywhere, and the train cannot move");
  }
  if (!speeds.empty()) {
    const RecordRead* first = *std::min_element(
        speeds.begin(), speeds.end(),
        [](const RecordRead* a, const RecordRead* b) { return value(*a, 0) < value(*b, 0); });
    const int64_t k = span_cell(value(*first, 0));
    if (k > 0 && model_.in_cells(0) && model_.percorso[0].velocita == 0) {
      warn(train_, *first, "no-limit-at-start",
           "the first speed limit starts at metre " + str(value(*first, 0)) +
               ": the cells before "
               "it, from metre 0 to metre " +
               str(k * kCellLength - 1) +
               ", keep speed 0, and the train cannot move off there; give a limit from metre 0");
    }
  }
  if (any_record && !speeds.empty() && !written(RecordKind::kAdhesion)) {
    status_.warn("no-adhesion", SourceLocation{std::string(train_.name), 0, 0},
                 "the train description has no adhesion (" +
                     std::string(record_spec(RecordKind::kAdhesion).written[0]) +
                     "): the adhesion is 0 everywhere, and the wheels have no grip; the built-in "
                     "train gives 80 from metre 0");
  }
  train_values(d);
  once_only(d, train_, {RecordKind::kCars, RecordKind::kBrakedMass, RecordKind::kSand});
  after_end(d, train_);
  const std::vector<const RecordRead*> clocks = of_kind(d, RecordKind::kClock);
  for (const RecordRead* r : clocks) time_fields(*r, 0, "the clock");
  const std::vector<const RecordRead*> signals = of_kind(d, RecordKind::kSignal);
  for (size_t i = 1; i < signals.size(); ++i) {
    if (value(*signals[i], 0) < value(*signals[i - 1], 0)) {
      warn(train_, *signals[i], "out-of-order",
           "this signal at metre " + str(value(*signals[i], 0)) +
               " is listed after the one at metre " + str(value(*signals[i - 1], 0)) +
               ": each signal takes its own cell whatever the order, so check its position "
               "for a slip; list the signals in the order of the line");
      relate(train_, *signals[i - 1], "the signal listed before it");
    }
  }
  signal_spacing(signals);
  slowdowns(of_kind(d, RecordKind::kSlowdown));
  slowdown_places(of_kind(d, RecordKind::kSlowdown), speeds, of_kind(d, RecordKind::kStation));
  stations(of_kind(d, RecordKind::kStation), clocks.empty() ? nullptr : clocks.back());
  station_names(of_kind(d, RecordKind::kStation));
  stop_cells(d, line);
}

// Where a number is split by a separator: the field `b` right after `a`,
// with nothing between them but one comma or one blank, holding three digits
// (a thousands separator) or any digits after a comma (a decimal comma).
std::string split_number_hint(std::string_view source_line, const TextSpan& a,
                              std::string_view a_text, const TextSpan& b, std::string_view b_text) {
  if (a.last_line != b.line || a.line != b.line) return {};
  if (!is_number(a_text) || !is_number(b_text) || b_text.starts_with('-') ||
      b_text.starts_with('+')) {
    return {};
  }
  const size_t from = static_cast<size_t>(a.last_column);
  const size_t to = static_cast<size_t>(b.first_column - 1);
  if (to <= from || to > source_line.size()) return {};
  const std::string_view between = source_line.substr(from, to - from);
  const std::string written = std::string(a_text) + std::string(between) + std::string(b_text);
  if ((between == "," || between == " " || between == ".") && b_text.size() == 3) {
    return "'" + written + "' looks like " + std::string(a_text) + std::string(b_text) +
           " written with a thousands separator, which ends a number: write " +
           std::string(a_text) + std::string(b_text);
  }
  if (between == ",") {
    return "'" + written + "' looks like a decimal comma, which ends a number: values are " +
           "whole numbers";
  }
  return {};
}

void Checker::numbers_left_over(const DescriptionRead& d, const DescriptionText& text) {
  // The fields of every record, by line, to find what stands before an
  // ignored number.
  size_t next_record = 0;
  size_t next_comment = 0;
  int comment_line = 0;  // the line a comment passed over before the field ends on
  const RecordRead* last = nullptr;
  const TextField* previous = nullptr;
  for (const TextField& f : d.ignored) {
    const TextField* before = std::exchange(previous, &f);
    while (next_record < d.records.size() &&
           (d.records[next_record].keyword.span.line < f.span.line ||
            (d.records[next_record].keyword.span.line == f.span.line &&
             d.records[next_record].keyword.span.first_column < f.span.first_column))) {
      last = &d.records[next_record++];
    }
    while (next_comment < d.comments.size() && d.comments[next_comment].span.line <= f.span.line) {
      comment_line = d.comments[next_comment++].span.last_line;
    }
    if (!is_number(f.text)) continue;
    const int record_line = !last ? 0
                                  : (last->values.empty() ? last->keyword.span.line
                                                          : last->values.back().span.last_line);
    if (record_line != f.span.line && comment_line != f.span.line &&
        (!before || before->span.last_line != f.span.line)) {
      // The first field of its line: a number where a keyword belongs.
      warn(text, f.span, "ignored-field",
           "ignored field " + quoted_field(f.text) +
               ": a number stands where a record's keyword belongs, and no record starts with a "
               "number, so the line is passed over; write the record's keyword before its values");
      continue;
    }
    if (!last || !last->complete || last->values.empty()) continue;
    const ValueRead& tail = last->values.back();
    if (tail.span.last_line != f.span.line) continue;
    // One warning a line: a field ignored between the record and this one
    // was reported already.
    if (before && before->span.line == f.span.line &&
        before->span.first_column > tail.span.last_column) {
      continue;
    }
    const std::string_view source = lines(text).line(f.span.line).value_or("");
    // The separator may stand between two values of the record, or between
    // its last value and the number left over.
    std::string hint = comma_in_text_hint(*last, {f.span.line, f.span.first_column}, source);
    if (!hint.empty()) hint.erase(0, 2);  // "; " — the message joins it itself
    if (hint.empty()) hint = split_number_hint(source, tail.span, tail.text, f.span, f.text);
    for (size_t i = 1; hint.empty() && i < last->values.size(); ++i) {
      const ValueRead& a = last->values[i - 1];
      const ValueRead& b = last->values[i];
      hint = split_number_hint(source, a.span, a.text, b.span, b.text);
    }
    const RecordSpec& table_row = record_spec(last->kind);
    warn(text, f.span, "ignored-field",
         "ignored field " + quoted_field(f.text) + ": the record '" +
             std::string(table_row.written[0]) + "' before it took its " +
             str(static_cast<int64_t>(table_row.values.size())) +
             (table_row.values.size() == 1 ? " value" : " values") +
             " already, and no record starts with a number" +
             (hint.empty() ? std::string("; a number with a separator is read as two fields")
                           : "; " + hint));
  }
}

void Checker::keywords_made_comments(const DescriptionRead& d, const DescriptionText& text,
                                     std::initializer_list<RecordSection> sections) {
  if (d.comments.empty()) return;
  // The lines with a number ignored after a column: a comment followed on its
  // line by numbers was meant as a record. The fields are in text order, so
  // the lines come in increasing order.
  std::vector<std::pair<int, int>> first_number_column;  // line, column
  for (const TextField& f : d.ignored) {
    if (!is_number(f.text)) continue;
    if (!first_number_column.empty() && first_number_column.back().first == f.span.line) {
      first_number_column.back().second =
          std::min(first_number_column.back().second, f.span.first_column);
    } else {
      first_number_column.emplace_back(f.span.line, f.span.first_column);
    }
  }
  for (const TextField& c : d.comments) {
    const auto it = std::lower_bound(first_number_column.begin(), first_number_column.end(),
                                     std::pair{c.span.last_line, 0});
    if (it == first_number_column.end() || it->first != c.span.last_line ||
        it->second < c.span.last_column) {
      continue;
    }
    for (RecordSection section : sections) {
      const std::span<const RecordSpec> records = section_records(section);
      const auto named = std::find_if(records.begin(), records.end(),
                                      [&](const RecordSpec& s) { return names_record(s, c.text); });
      if (named == records.end()) continue;
      warn(text, c.span, "hyphen-comment",
           "'" + std::string(c.text) + "' holds the keyword '" + std::string(named->written[0]) +
               "' but also a hyphen, so it is read as a comment: the record is lost and its "
               "values are ignored; write the keyword without a hyphen");
      break;
    }
  }
}

// The first record a description holds after its first section header: the
// file whose record its keyword names, where it stands and the keyword. A
// keyword that names records of both files, or none, is passed over.
struct FirstRecord {
  DescriptionFile file = DescriptionFile::kLine;
  int line = 0;  // 0: none found
  int column = 0;
  std::string keyword;
};

FirstRecord first_record(std::string_view text) {
  bool in_section = false;
  int number = 0;
  for (size_t at = 0; at < text.size();) {
    const size_t end = std::min(text.find('\n', at), text.size());
    std::string_view row = text.substr(at, end - at);
    at = end + 1;
    ++number;
    const size_t start = row.find_first_not_of(" \t");
    if (start == std::string_view::npos) continue;
    std::string_view field =
        row.substr(start, row.find(',') == std::string_view::npos ? std::string_view::npos
                                                                  : row.find(',') - start);
    while (!field.empty() && (field.back() == ' ' || field.back() == '\t' || field.back() == '\r'))
      field.remove_suffix(1);
    if (names_section(field)) {
      in_section = true;
      continue;
    }
    if (!in_section || field.empty() || field.front() == '-') continue;
    bool line = false, train = false;
    for (const RecordSpec& row : records_table()) {
      if (!names_record(row, field)) continue;
      (row.file == DescriptionFile::kLine ? line : train) = true;
    }
    if (line == train) continue;
    return {line ? DescriptionFile::kLine : DescriptionFile::kTrain, number,
            static_cast<int>(start) + 1, std::string(field)};
  }
  return {};
}

}  // namespace

void check_pair_order(DescriptionText line, DescriptionText train, Status& status) {
  const FirstRecord l = first_record(line.text), t = first_record(train.text);
  if (l.line == 0 || t.line == 0 || l.file != DescriptionFile::kTrain ||
      t.file != DescriptionFile::kLine) {
    return;
  }
  status.warn("swapped-files", SourceLocation{std::string(line.name), l.line, l.column},
              "the line description '" + std::string(line.name) + "' begins with '" + l.keyword +
                  "', a record of a train description, and the train description '" +
                  std::string(train.name) + "' with '" + t.keyword +
                  "', a record of a line description: the two files seem given in swapped "
                  "order; give the line description first, then the train description",
              LineIndex(line.text));
  status.extend_last({l.column, l.line, l.column + static_cast<int>(l.keyword.size()) - 1});
  status.relate_last({SourceLocation{std::string(train.name), t.line, t.column},
                      "the line record the train description begins with"});
}

void check_meaning(const TrackModel& model, const RecordsRead& read, DescriptionText line,
                   DescriptionText train, Status& status) {
  if (!model.built()) return;
  Checker c(model, status, line, train);
  if (read.line.read) {
    c.line_description(read.line);
    c.numbers_left_over(read.line, line);
    c.keywords_made_comments(read.line, line,
                             {RecordSection::kLineGeneral, RecordSection::kLineBody});
  }
  if (read.line.read) c.line_length_in_km(read.line, read.train);
  if (read.line.read && read.train.read) c.other_line(read.train, read.line);
  if (read.train.read) {
    c.train_description(read.train, read.line);
    c.numbers_left_over(read.train, train);
    c.keywords_made_comments(read.train, train, {RecordSection::kTrain});
  }
}

}  // namespace binario
