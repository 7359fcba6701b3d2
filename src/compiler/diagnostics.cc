#include "compiler/diagnostics.h"

namespace binario {

void Status::reset() {
  codice_errore_ = 0;
  posizione_errore_ = 0;
  diagnostics_.clear();
}

void Status::fault(int32_t code, std::optional<int32_t> position,
                   std::optional<SourceLocation> where, std::string_view detail,
                   std::optional<std::string_view> source_line) {
  codice_errore_ = code;
  if (position) posizione_errore_ = *position;
  Diagnostic d;
  d.code = code;
  d.position = position;
  d.location = std::move(where);
  d.message = std::string(status_text(code));
  if (!detail.empty()) {
    d.message += ": ";
    d.message += detail;
  }
  if (source_line) d.source_line = std::string(*source_line);
  diagnostics_.push_back(std::move(d));
}

std::string_view status_text(int32_t code) {
  for (const FaultCode& f : kFaultCodes) {
    if (f.code == code) return f.text;
  }
  return "unknown fault";
}

std::string format_diagnostic(const Diagnostic& d) {
  std::string out;
  if (d.location && !d.location->file.empty()) {
    out += d.location->file;
    if (d.location->line > 0) {
      out += ':' + std::to_string(d.location->line) + ':' + std::to_string(d.location->column);
    }
  } else {
    out += "binario";
  }
  out += ": error " + std::to_string(d.code) + ": " + d.message;
  if (d.position) out += " (metre " + std::to_string(*d.position) + ")";
  return out;
}

}  // namespace binario
