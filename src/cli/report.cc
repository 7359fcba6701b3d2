#include "cli/report.h"

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string_view>

#include "output/text_encoding.h"

namespace binario {

using Json = nlohmann::ordered_json;

namespace {

// Paths are the platform's own (UTF-8); the messages quote source text,
// which is Windows-1252.
Json path_value(const std::string& path) {
  return path;
}

// A source line longer than this is shown as a window of it around the column.
constexpr size_t kLongestShownLine = 160;
constexpr size_t kShownBeforeColumn = 60;

bool is_control(unsigned char c) {
  return (c < 0x20 && c != '\t') || c == 0x7F;
}

const char* severity_name(Severity s) {
  switch (s) {
    case Severity::kWarning:
      return "warning";
    case Severity::kNote:
      return "note";
    case Severity::kError:
      break;
  }
  return "error";
}

// A message as it is shown, in UTF-8: the control bytes a description can
// put into it (a quoted field) are written as \xNN, so that nothing read
// from a file reaches the terminal as an escape sequence, a NUL or a line
// break of its own. Windows-1252 has no other control characters.
std::string shown_message(std::string_view message) {
  return windows1252_to_utf8(escaped_controls(message));
}

bool colour_diagnostics = false;

// The compilers' sequences: each switches its attribute on and clears the
// rest of the line, so a line that wraps keeps its background.
constexpr std::string_view kBold = "\033[01m\033[K";
constexpr std::string_view kRed = "\033[01;31m\033[K";
constexpr std::string_view kMagenta = "\033[01;35m\033[K";
constexpr std::string_view kCyan = "\033[01;36m\033[K";
constexpr std::string_view kGreen = "\033[01;32m\033[K";
constexpr std::string_view kReset = "\033[m\033[K";

std::string_view severity_colour(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return kRed;
    case Severity::kWarning:
      return kMagenta;
    case Severity::kNote:
      return kCyan;
  }
  return kBold;
}

// The excerpt with its caret and the underline after it (the end of the
// caret line, its last line) green.
std::string coloured_excerpt(std::string excerpt) {
  if (excerpt.size() < 2 || excerpt.back() != '\n') return excerpt;
  const size_t line = excerpt.rfind('\n', excerpt.size() - 2);
  const size_t caret = excerpt.find('^', line == std::string::npos ? 0 : line + 1);
  if (caret == std::string::npos) return excerpt;
  excerpt.insert(excerpt.size() - 1, kReset);
  excerpt.insert(caret, kGreen);
  return excerpt;
}

}  // namespace

bool colour_wanted(ColourMode mode, bool terminal_shows_colour, const char* no_color) {
  switch (mode) {
    case ColourMode::kAlways:
      return true;
    case ColourMode::kNever:
      return false;
    case ColourMode::kAuto:
      break;
  }
  return terminal_shows_colour && (no_color == nullptr || *no_color == '\0');
}

void set_colour_diagnostics(bool on) {
  colour_diagnostics = on;
}

std::string coloured_heading(const Diagnostic& d) {
  const DiagnosticHeading h = diagnostic_heading(d);
  std::string out;
  out.append(kBold).append(h.location).append(":").append(kReset).append(" ");
  out.append(severity_colour(d.severity)).append(h.severity).append(":").append(kReset);
  out.append(h.text);
  return out;
}

std::string source_excerpt(const Diagnostic& d) {
  if (!d.location || d.location->line <= 0 || !d.source_line) return {};
  // The diagnostic keeps a piece of a long line: `kept` starts at byte
  // `base` of a line of `length` bytes.
  const std::string_view kept = *d.source_line;
  const size_t base = static_cast<size_t>(std::max(d.source_line_column, 1)) - 1;
  const size_t length = std::max(d.source_line_length, base + kept.size());
  // Columns count bytes, and every Windows-1252 byte is one character.
  const size_t column = static_cast<size_t>(std::max(d.location->column, 1)) - 1;

  size_t from = 0;
  size_t to = length;
  if (length > kLongestShownLine) {
    from = std::min(column > kShownBeforeColumn ? column - kShownBeforeColumn : 0,
                    length - kLongestShownLine);
    to = from + kLongestShownLine;
  }
  from = std::clamp(from, base, base + kept.size());
  to = std::clamp(to, from, base + kept.size());
  const std::string_view cut = "...";
  std::string shown = from > 0 ? std::string(cut) : std::string();
  std::string under(shown.size(), ' ');
  for (size_t i = from; i < to; ++i) {
    const unsigned char c = static_cast<unsigned char>(kept[i - base]);
    shown += is_control(c) ? '?' : static_cast<char>(c);
    if (i < column) under += c == '\t' ? '\t' : ' ';
  }
  if (to < length) shown += cut;
  // A column past the shown text (the end of the line, or beyond it).
  for (size_t i = std::max(to, from); i < column; ++i) under += ' ';
  under += '^';
  // The rest of the field, as far as it is shown: to its last column, or to
  // the end of the line when it runs onto the next.
  if (d.field && d.field->first_column == d.location->column) {
    const size_t end = d.field->last_line > d.location->line
                           ? to
                           : std::min(to, static_cast<size_t>(std::max(d.field->last_column, 0)));
    for (size_t i = column + 1; i < end; ++i) under += '~';
  }

  const std::string number = std::to_string(d.location->line);
  const size_t width = std::max<size_t>(5, number.size() + 1);
  std::string out =
      std::string(width - number.size(), ' ') + number + " | " + windows1252_to_utf8(shown) + '\n';
  out += std::string(width, ' ') + " | " + under + '\n';
  return out;
}

void print_text_report(std::ostream& err, const Status& status, const RunReport& report) {
  for (const Diagnostic& d : status.diagnostics()) {
    Diagnostic shown = d;
    shown.message = shown_message(d.message);
    if (shown.location) shown.location->file = escaped_utf8(shown.location->file);
    const std::string heading =
        colour_diagnostics ? coloured_heading(shown) : format_diagnostic(shown);
    const std::string excerpt =
        colour_diagnostics ? coloured_excerpt(source_excerpt(d)) : source_excerpt(d);
    err << heading << '\n' << excerpt;
    for (const RelatedLocation& r : d.related) {
      Diagnostic note;
      note.severity = Severity::kNote;
      note.location = r.location;
      note.location->file = escaped_utf8(r.location.file);
      note.message = shown_message(r.message);
      err << (colour_diagnostics ? coloured_heading(note) : format_diagnostic(note)) << '\n';
    }
  }
  for (const std::string& e : report.file_errors) {
    err << "binario: cannot write " << escaped_utf8(e) << '\n';
  }
  for (const std::string& e : report.delete_errors) {
    err << "binario: cannot delete " << escaped_utf8(e) << '\n';
  }
  for (const KeptDescription& k : report.kept) {
    err << "binario: " << escaped_utf8(k.path) << ": ";
    if (k.unreadable.empty()) {
      err << "holds another text than the description the run writes there";
    } else {
      err << "cannot be read to tell whether the run wrote it: " << k.unreadable;
    }
    err << "; the run keeps it and writes and deletes nothing (move it away, or compile it "
           "with binario compile)\n";
  }
}

std::string json_report(const Status& status, const RunReport& report) {
  Json j;
  j["status"] = {{"code", status.codice_errore()}, {"position", status.posizione_errore()}};
  Json diagnostics = Json::array();
  for (const Diagnostic& d : status.diagnostics()) {
    Json item;
    item["severity"] = severity_name(d.severity);
    if (d.severity == Severity::kWarning) item["name"] = d.name;
    item["code"] = d.severity == Severity::kError ? Json(d.code) : Json(nullptr);
    item["position"] = d.position ? Json(*d.position) : Json(nullptr);
    bool located = d.location && !d.location->file.empty();
    bool has_line = located && d.location->line > 0;
    item["file"] = located ? path_value(d.location->file) : Json(nullptr);
    item["line"] = has_line ? Json(d.location->line) : Json(nullptr);
    item["column"] = has_line ? Json(d.location->column) : Json(nullptr);
    // One past the field's last byte, as a fix's end_column; on end_line
    // when the field runs onto a later line.
    if (has_line && d.field) {
      item["end_column"] = d.field->last_column + 1;
      if (d.field->last_line != d.location->line) item["end_line"] = d.field->last_line;
    }
    item["message"] = shown_message(d.message);
    item["source_line"] = d.source_line ? Json(windows1252_to_utf8(*d.source_line)) : Json(nullptr);
    // Of a long line, the piece kept: where it starts and how long the line is.
    if (d.source_line_cut()) {
      item["source_line_column"] = d.source_line_column;
      item["source_line_length"] = d.source_line_length;
    }
    if (d.after_stop) item["after_stop"] = true;
    if (!d.related.empty()) {
      Json related = Json::array();
      for (const RelatedLocation& r : d.related) {
        related.push_back({{"file", path_value(r.location.file)},
                           {"line", r.location.line},
                           {"column", r.location.column},
                           {"message", shown_message(r.message)}});
      }
      item["related"] = std::move(related);
    }
    if (d.fix && has_line) {
      // Columns count bytes, as the diagnostic's do; the end is one past the
      // field.
      item["fix"] = {{"line", d.location->line},
                     {"column", d.location->column},
                     {"end_column", d.location->column + d.fix->length},
                     {"replacement", windows1252_to_utf8(d.fix->replacement)}};
    }
    diagnostics.push_back(std::move(item));
  }
  j["diagnostics"] = std::move(diagnostics);
  Json outputs = Json::array();
  for (const std::string& o : report.outputs) outputs.push_back(path_value(o));
  j["outputs"] = std::move(outputs);
  if (!report.file_errors.empty()) j["file_errors"] = report.file_errors;
  return j.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
}

}  // namespace binario
