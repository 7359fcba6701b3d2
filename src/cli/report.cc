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

}  // namespace

std::string source_excerpt(const Diagnostic& d) {
  if (!d.location || d.location->line <= 0 || !d.source_line) return {};
  const std::string_view line = *d.source_line;
  // Columns count bytes, and every Windows-1252 byte is one character.
  const size_t column = static_cast<size_t>(std::max(d.location->column, 1)) - 1;

  size_t from = 0;
  size_t to = line.size();
  if (line.size() > kLongestShownLine) {
    from = std::min(column > kShownBeforeColumn ? column - kShownBeforeColumn : 0,
                    line.size() - kLongestShownLine);
    to = from + kLongestShownLine;
  }
  const std::string_view cut = "...";
  std::string shown = from > 0 ? std::string(cut) : std::string();
  std::string under(shown.size(), ' ');
  for (size_t i = from; i < to; ++i) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    shown += is_control(c) ? '?' : static_cast<char>(c);
    if (i < column) under += c == '\t' ? '\t' : ' ';
  }
  if (to < line.size()) shown += cut;
  // A column past the shown text (the end of the line, or beyond it).
  for (size_t i = std::max(to, from); i < column; ++i) under += ' ';
  under += '^';

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
    shown.message = windows1252_to_utf8(d.message);
    err << format_diagnostic(shown) << '\n' << source_excerpt(d);
    for (const RelatedLocation& r : d.related) {
      Diagnostic note;
      note.severity = Severity::kNote;
      note.location = r.location;
      note.message = windows1252_to_utf8(r.message);
      err << format_diagnostic(note) << '\n';
    }
  }
  for (const std::string& e : report.file_errors) err << "binario: cannot write " << e << '\n';
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
    item["message"] = windows1252_to_utf8(d.message);
    item["source_line"] = d.source_line ? Json(windows1252_to_utf8(*d.source_line)) : Json(nullptr);
    if (d.after_stop) item["after_stop"] = true;
    if (!d.related.empty()) {
      Json related = Json::array();
      for (const RelatedLocation& r : d.related) {
        related.push_back({{"file", path_value(r.location.file)},
                           {"line", r.location.line},
                           {"column", r.location.column},
                           {"message", windows1252_to_utf8(r.message)}});
      }
      item["related"] = std::move(related);
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
