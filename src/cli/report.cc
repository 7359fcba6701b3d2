#include "cli/report.h"

#include <nlohmann/json.hpp>

#include "cli/text_encoding.h"

namespace binario {

using Json = nlohmann::ordered_json;

namespace {

// Paths are the platform's own (UTF-8); the messages quote source text,
// which is Windows-1252.
Json path_value(const std::string& path) {
  return path;
}

}  // namespace

void print_text_report(std::ostream& err, const Status& status, const RunReport& report) {
  for (const Diagnostic& d : status.diagnostics()) {
    Diagnostic shown = d;
    shown.message = windows1252_to_utf8(d.message);
    err << format_diagnostic(shown) << '\n';
  }
  for (const std::string& e : report.file_errors) err << "binario: cannot write " << e << '\n';
}

std::string json_report(const Status& status, const RunReport& report) {
  Json j;
  j["status"] = {{"code", status.codice_errore()}, {"position", status.posizione_errore()}};
  Json diagnostics = Json::array();
  for (const Diagnostic& d : status.diagnostics()) {
    Json item;
    item["code"] = d.code;
    item["position"] = d.position ? Json(*d.position) : Json(nullptr);
    bool located = d.location && !d.location->file.empty();
    bool has_line = located && d.location->line > 0;
    item["file"] = located ? path_value(d.location->file) : Json(nullptr);
    item["line"] = has_line ? Json(d.location->line) : Json(nullptr);
    item["column"] = has_line ? Json(d.location->column) : Json(nullptr);
    item["message"] = windows1252_to_utf8(d.message);
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
