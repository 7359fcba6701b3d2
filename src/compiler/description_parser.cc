#include "compiler/description_parser.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <span>
#include <utility>
#include <vector>

#include "compiler/fixed_width.h"
#include "compiler/short_records.h"

namespace binario {

namespace {

std::string lowered(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

size_t edit_distance(std::string_view a, std::string_view b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

bool is_comment(std::string_view field) {
  return contains(field, "-");
}

std::string_view trimmed(std::string_view s) {
  const size_t first = s.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

TextSpan span_of(const Field& f) {
  return {f.where.line, f.where.column, f.last.line, f.last.column};
}

// The numbers of a record's values (0 for a text), for its cell rule.
std::vector<int64_t> numbers_of(const RecordRead& r) {
  std::vector<int64_t> numbers(r.values.size());
  for (size_t i = 0; i < numbers.size(); ++i) numbers[i] = r.values[i].number.value_or(0);
  return numbers;
}

// A field longer than this is no misspelt keyword (and would make the
// distance costly).
constexpr size_t kLongestKeywordField = 40;

}  // namespace

std::string_view closest_keyword(std::string_view field,
                                 std::span<const std::string_view> keywords) {
  if (field.size() > kLongestKeywordField) return {};
  std::string f = lowered(field);
  while (!f.empty() && std::isdigit(static_cast<unsigned char>(f.back()))) f.pop_back();
  std::string_view best;
  size_t best_distance = 0;
  for (std::string_view k : keywords) {
    const size_t d = edit_distance(f, k);
    if (d > std::max<size_t>(1, k.size() / 3)) continue;
    if (best.empty() || d < best_distance) {
      best = k;
      best_distance = d;
    }
  }
  return best;
}

std::string comma_in_text_hint(const RecordRead& r, TextPosition field,
                               std::string_view source_line) {
  if (!r.complete || r.values.empty()) return {};
  const ValueRead& v = r.values.back();
  if (record_spec(r.kind).values.back().type != ValueType::kText ||
      v.span.last_line != field.line || v.span.last_column >= field.column) {
    return {};
  }
  const size_t from = static_cast<size_t>(v.span.first_column - 1);
  if (from >= source_line.size() || source_line[from] == '"') return {};
  std::string_view written = source_line.substr(from);
  while (!written.empty() && is_blank(written.back())) written.remove_suffix(1);
  return "; the text '" + std::string(v.text) +
         "' before it ended at a comma: a text that holds a comma " + "must be quoted, \"" +
         std::string(written) + "\"";
}

void DescriptionParser::record_into(DescriptionRead* read) {
  read_ = read;
  keeper_.read = read;
  if (read) read->read = true;
}

void DescriptionParser::ValueKeeper::value_read(const Field& f, std::optional<int64_t> number) {
  read->add_value(span_of(f), f.text, number);
}

DescriptionParser::RecordScope::RecordScope(DescriptionParser& parser, RecordKind kind,
                                            const Field& kw)
    : parser_(parser), exceptions_(std::uncaught_exceptions()) {
  if (!parser_.read_) return;
  DescriptionRead& read = *parser_.read_;
  read.start_record(kind, read.field(span_of(kw), kw.text), parser_.status_.after_stop());
  parser_.reader_.set_listener(&parser_.keeper_);
}

DescriptionParser::RecordScope::~RecordScope() {
  if (!parser_.read_) return;
  parser_.reader_.set_listener(nullptr);
  if (std::uncaught_exceptions() != exceptions_) return;
  RecordRead& r = parser_.read_->records.back();
  r.complete = r.values.size() == record_spec(r.kind).values.size();
  if (!r.complete) return;
  r.cells = CellList(record_cells(r.kind, numbers_of(r)));
  parser_.warn_if_run_on(r);
}

void DescriptionParser::warn_if_run_on(const RecordRead& r) {
  warn_values_run_on(r, {file_, reader_.lines(), comments_passed_}, status_);
}

std::optional<RelatedLocation> DescriptionParser::warn_if_ran_short(const ReadFailure& failure) {
  if (!read_) return std::nullopt;
  return warn_record_ran_short(*read_, failure, {file_, reader_.lines(), comments_passed_},
                               status_);
}

void DescriptionParser::keep_unreadable(const ReadFailure& failure) {
  const Field& f = reader_.current();
  // A failure at the end of the text, or one about a field read before the
  // last (a chainage that breaks the order of the three), has no field here.
  if (!read_ || !failure.last() || f.where.line != failure.where().line ||
      f.where.column != failure.where().column) {
    return;
  }
  read_->unreadable.push_back(read_->field(span_of(f), f.text));
}

void DescriptionParser::keep_passed_over(std::deque<TextField>& list, const Field& f) {
  // What the warnings ask of a field passed over is its text and the field
  // kept right before it, so of a run of empty fields only the last is kept:
  // a text of commas or of blank lines would otherwise keep a field per byte.
  if (f.text.empty() && !list.empty() && list.back().text.empty()) {
    list.back().span = span_of(f);
    return;
  }
  list.push_back(read_->field(span_of(f), f.text));
}

void DescriptionParser::keep_ignored(const Field& f) {
  keep_passed_over(read_->ignored, f);
}

void DescriptionParser::note_header(const Field& f) {
  header_noted_ = true;
  if (read_) read_->headers.push_back(read_->field(span_of(f), f.text));
}

void DescriptionParser::note_before_section(const Field& f) {
  if (read_) keep_passed_over(read_->before_section, f);
}

DescriptionParser::DescriptionParser(TrackModel& model, Status& status, FieldReader& reader,
                                     std::string file, Placer placer)
    : model_(model), status_(status), reader_(reader), file_(std::move(file)), placer_(placer) {}

void DescriptionParser::fault(int32_t code, std::optional<int32_t> position, TextPosition where,
                              const std::string& detail) {
  status_.fault(code, position, SourceLocation{file_, where.line, where.column}, detail,
                reader_.lines());
  mark_field(where);
}

void DescriptionParser::mark_field(TextPosition where) {
  if (const std::optional<TextPosition> last = reader_.last_of(where)) {
    status_.extend_last({where.column, last->line, last->column});
  }
}

void DescriptionParser::warn(std::string_view name, TextPosition where, std::string message,
                             std::optional<FixIt> fix) {
  status_.warn(name, SourceLocation{file_, where.line, where.column}, std::move(message),
               reader_.lines(), std::move(fix));
  mark_field(where);
}

std::optional<FixIt> DescriptionParser::replace_field(const Field& f,
                                                      std::string replacement) const {
  if (f.spans_lines || f.unclosed_quote) return std::nullopt;
  const std::optional<std::string_view> line = reader_.line_text(f.where.line);
  const size_t at = static_cast<size_t>(f.where.column - 1);
  if (!line || at >= line->size()) return std::nullopt;
  const bool quoted = (*line)[at] == '"';
  const size_t length = f.text.size() + (quoted ? 2 : 0);
  if (at + length > line->size()) return std::nullopt;
  return FixIt{static_cast<int>(length), std::move(replacement)};
}

Field DescriptionParser::next_field() {
  Field f = reader_.read_field();
  if (f.unclosed_quote) {
    warn("unclosed-quote", f.where,
         "this quote is never closed: the rest of the text is read as one field");
  } else if (f.spans_lines) {
    warn("multiline-quote", f.where,
         "this quoted text runs over a line end: the line end is part of the field");
  }
  return f;
}

namespace {

const char* section_name(RecordSection section) {
  switch (section) {
    case RecordSection::kLineGeneral:
      return "the general section of the line description";
    case RecordSection::kLineBody:
      return "the body of the line description";
    case RecordSection::kTrain:
      return "the train description";
  }
  return "";
}

bool in_line_description(RecordSection section) {
  return section != RecordSection::kTrain;
}

}  // namespace

std::string DescriptionParser::belongs_elsewhere(const Field& kw, const Section& section) const {
  const std::string_view t = kw.text;
  // A keyword of the other section or description: say where it belongs.
  for (const RecordSpec& table_row : records_table()) {
    if (table_row.section == section.records || !names_record(table_row, t)) continue;
    const std::string belongs = "the record '" + std::string(table_row.written[0]) +
                                "' belongs to " + section_name(table_row.section);
    if (in_line_description(table_row.section) != in_line_description(section.records)) {
      return belongs + ", not to " + section_name(section.records) + "; move it there";
    }
    if (table_row.section == RecordSection::kLineGeneral) {
      return belongs + ", which ended at the first section header; move it before that header";
    }
    std::string hint = belongs +
                       ", but the general section is still open: it ends only at a section "
                       "header such as '[pendenze]'";
    if (unclosed_header_) {
      hint += "; line " + std::to_string(unclosed_header_->where.line) + " holds '" +
              std::string(unclosed_header_->text) + "', which lacks its ']'";
    }
    return hint;
  }
  return {};
}

void DescriptionParser::warn_ignored(const Field& kw, const Section& section) {
  const std::string_view t = kw.text;
  // A field that opens a section header without closing it is no header: in
  // the general section, which ends only at a header, it keeps the section
  // open.
  if (section.records == RecordSection::kLineGeneral && contains(t, "[") && !contains(t, "]") &&
      !contains(t, "-")) {
    if (!unclosed_header_) unclosed_header_ = kw;
    ignored_line_ = kw.where.line;
    warn("ignored-field", kw.where,
         "ignored field '" + std::string(t) +
             "': it opens a section header but lacks its ']', so it is no header and the "
             "general section goes on; the records after it are not read as the body's; write '" +
             std::string(t) + "]'",
         replace_field(kw, std::string(t) + "]"));
    return;
  }
  if (t.empty() || contains(t, "[") || contains(t, "-")) return;
  // A number is the rest of a record whose keyword was already reported (or
  // of a record this compile does not read, such as a curve without the
  // geometry).
  if (t.find_first_not_of("+0123456789 \t") == std::string_view::npos) return;
  // One warning a line: the rest of a dropped record is no news.
  if (kw.where.line == ignored_line_) return;
  ignored_line_ = kw.where.line;
  std::string message = "ignored field " + quoted_field(t) + ": ";
  // The hints are looked for only when the warning will be shown.
  std::string hint = status_.keeps_next_extra() ? belongs_elsewhere(kw, section) : "";
  if (!hint.empty()) {
    warn("ignored-field", kw.where, message + hint);
    return;
  }
  message += "no record starts with it";
  std::optional<FixIt> fix;
  std::string_view k = status_.keeps_next_extra() ? closest_keyword(t, section.keywords) : "";
  if (!k.empty()) {
    message += "; did you mean '" + std::string(k) + "'?";
    // The keyword was matched without the field's class digit ("curv3"):
    // the fix keeps it.
    size_t digits = t.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(t[digits - 1]))) --digits;
    fix = replace_field(kw, std::string(k) + std::string(t.substr(digits)));
  } else if (read_ && !read_->records.empty() && status_.keeps_next_extra()) {
    message += comma_in_text_hint(read_->records.back(), kw.where,
                                  reader_.line_text(kw.where.line).value_or(""));
  }
  warn("ignored-field", kw.where, std::move(message), std::move(fix));
}

void DescriptionParser::warn_in_run_out(const Field& kw, int64_t p, const char* what) {
  const int64_t end = int64_t{model_.lunghezza_totale} - kRunOut;
  if (p <= end) return;
  warn("in-run-out", kw.where,
       std::string(what) + " at metre " + std::to_string(p) +
           " lies past the end of the line (metre " + std::to_string(end) +
           "), in the run-out after it");
}

void DescriptionParser::warn_changed(const Field& kw, int64_t value, int64_t stored,
                                     const char* what) {
  if (value == stored) return;
  warn("value-changed", kw.where,
       std::string(what) + " " + std::to_string(value) +
           " does not fit its field: " + std::to_string(stored) + " is stored");
}

void DescriptionParser::relate_occupant(int64_t j) {
  const CellOrigin o = model_.origin(j);
  if (o.line <= 0) return;
  const std::string* file = o.by == placer_                                    ? &file_
                            : o.by == Placer::kLineText && !line_file_.empty() ? &line_file_
                                                                               : nullptr;
  if (!file) return;
  status_.relate_last(
      {SourceLocation{*file, o.line, 1}, "the occupant of the cell was placed here"});
}

DescriptionParser::Step DescriptionParser::read_records(const Section& section,
                                                        TextPosition* stopped_at,
                                                        const RecordReader& read_record) {
  comments_passed_ = section.comments;
  while (!reader_.at_end()) {
    const std::optional<Field> kw = next_keyword(section);
    if (!kw) break;
    if (section.takes(kw->text)) {
      ++records_read_;
    } else {
      warn_ignored(*kw, section);
    }
    const size_t records_before = read_ ? read_->records.size() : 0;
    header_noted_ = false;
    const Step step = read_record(*kw);
    if (read_ && read_->records.size() == records_before && !header_noted_) keep_ignored(*kw);
    if (step != Step::kGoOn) {
      *stopped_at = kw->where;
      return step;
    }
  }
  return Step::kGoOn;
}

bool DescriptionParser::read_records_or_stop(const Section& section, TextPosition* stopped_at,
                                             const RecordReader& read_record, Step* step) {
  try {
    *step = read_records(section, stopped_at, read_record);
    return true;
  } catch (const ReadFailure& failure) {
    // Without extras the compile's caller reports the failure, as for any
    // other text that cannot be read.
    if (!status_.extras()) throw;
    fault_ran_short(failure);
    read_after_stop(failure.where(), section, read_record);
    return false;
  }
}

void DescriptionParser::fault_ran_short(const ReadFailure& failure) {
  keep_unreadable(failure);
  const std::optional<RelatedLocation> record = warn_if_ran_short(failure);
  fault(25, std::nullopt, failure.where(), failure.message());
  if (record) status_.relate_last(*record);
}

std::optional<Field> DescriptionParser::next_keyword(const Section& section) {
  Field kw = next_field();
  if (reader_.at_end()) return std::nullopt;
  for (int passed = 0; passed < section.comments && is_comment(kw.text); ++passed) {
    if (read_) read_->comments.push_back(read_->field(span_of(kw), kw.text));
    kw = next_field();
    if (section.last_field_unread && reader_.at_end()) return std::nullopt;
  }
  return kw;
}

void DescriptionParser::read_after_stop(TextPosition where, const Section& section,
                                        const RecordReader& read_record) {
  if (!status_.extras()) return;
  settle_model();
  TrackModel saved = model_;
  status_.begin_after_stop(file_, where.line);
  // The values left of a record that stopped are no keywords: reading goes
  // on at the next line.
  auto skip_rest = [this] {
    if (!reader_.at_end() && reader_.position().column > 1) reader_.skip_line();
  };
  if (reader_.position().line == where.line) skip_rest();
  try {
    while (read_records(section, &where, read_record) != Step::kGoOn) skip_rest();
  } catch (const ReadFailure& failure) {
    fault_ran_short(failure);
  }
  if (beyond_left_out_ > 0) {
    status_.note(file_, std::to_string(beyond_left_out_) + " more record" +
                            (beyond_left_out_ == 1 ? "" : "s") + " from line " +
                            std::to_string(first_beyond_left_out_) +
                            " on lie beyond the track as well; they are not listed one by one");
  }
  beyond_left_out_ = 0;
  beyond_after_stop_ = false;
  settle_model();
  model_ = std::move(saved);
  status_.end_after_stop();
}

int64_t DescriptionParser::read_value(RecordKind kind, size_t i, std::string_view* text) {
  const ValueSpec& v = record_spec(kind).values[i];
  switch (v.type) {
    case ValueType::kLong:
      return reader_.read_long(v.what);
    case ValueType::kInteger:
      return reader_.read_integer(v.what);
    case ValueType::kByte:
      return reader_.read_byte(v.what);
    case ValueType::kText: {
      const Field f = next_field();
      if (text) *text = f.text;
      return 0;
    }
  }
  return 0;
}

DescriptionParser::RecordNumbers DescriptionParser::read_numbers(RecordKind kind) {
  RecordNumbers out;
  const size_t count = record_spec(kind).values.size();
  for (size_t i = 0; i < count && i < out.values.size(); ++i) {
    out.values[i] = read_value(kind, i, &out.text);
  }
  return out;
}

void DescriptionParser::look_for_misspelt_header(const Field& f) {
  if (misspelt_header_ || !contains(f.text, "[")) return;
  static constexpr std::string_view kGeneral[] = {kGeneralHeader};
  if (!closest_keyword(trimmed(f.text), kGeneral).empty()) misspelt_header_ = f;
}

std::string DescriptionParser::misspelt_header_hint() const {
  if (!misspelt_header_) return {};
  return "; line " + std::to_string(misspelt_header_->where.line) + " holds '" +
         std::string(trimmed(misspelt_header_->text)) + "': did you mean '" +
         std::string(kGeneralHeader) + "'?";
}

bool DescriptionParser::range_check(const Field& kw, int64_t p, int64_t margin) {
  const int64_t last = model_.last_cell();
  const double needed = static_cast<double>(p + margin) / 50.0;
  if (static_cast<double>(last) >= needed) return true;
  if (status_.after_stop()) {
    if (std::exchange(beyond_after_stop_, true)) {
      if (beyond_left_out_++ == 0) first_beyond_left_out_ = kw.where.line;
      return false;
    }
  }
  fault(15, static_cast<int32_t>(p), kw.where, model_.beyond_track(p, margin));
  return false;
}

bool DescriptionParser::cell_inside(const Field& kw, int64_t p, int64_t j, const std::string& what,
                                    std::optional<int64_t> at) {
  if (model_.in_cells(j)) return true;
  fault(15, static_cast<int32_t>(p), kw.where,
        "expected " + what + " in one of cells 0 to " + std::to_string(model_.last_cell()) +
            ", found metre " + std::to_string(at.value_or(p)) + ", which puts it in cell " +
            std::to_string(j) +
            (at && *at != p ? "; the record starts at metre " + std::to_string(p) : ""));
  return false;
}

}  // namespace binario
