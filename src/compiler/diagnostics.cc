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
  switch (code) {
    case 1:
      return "line length above 1,000,000 m";
    case 2:
      return "a kilometre-marker chainage is not a multiple of 50";
    case 3:
      return "signal-repetition start is not a multiple of 50";
    case 4:
      return "signal-repetition end is not a multiple of 50";
    case 5:
      return "signal-repetition keyword holds neither \"4\" nor \"9\"";
    case 6:
      return "sign board on a cell that is already taken";
    case 7:
      return "speed-code point on a cell that is already taken";
    case 8:
      return "station position is not a multiple of 50";
    case 9:
      return "station length is not a multiple of 100";
    case 10:
      return "no table entry left for this station or sign board";
    case 11:
      return "no room for the code point in front of a signal before a slowdown warning board";
    case 12:
      return "no free cell in a look-back window before a slowdown start";
    case 13:
      return "no free cell for a code point inside a slowdown or in front of the signal after it";
    case 15:
      return "position lies beyond the track model";
    case 16:
      return "signal on a cell that is already taken";
    case 17:
      return "slowdown warning board on a cell that is already taken";
    case 18:
      return "slowdown start on a cell that is already taken";
    case 19:
      return "slowdown end on a cell that is already taken";
    case 20:
      return "slowdown countdown cells are not free";
    case 21:
      return "maximum-speed indicator on a cell that is already taken";
    case 22:
      return "station begins less than 350 m after the previous station ends";
    case 24:
      return "station ends at metre 100 or before";
    case 25:
      return "the description could not be read";
    case 101:
      return "the line description file does not exist";
    case 102:
      return "the line description ends before \"[generale]\"";
    case 103:
      return "curve keyword without a class digit, or the geometry passes 1,000,000 points";
    case 1250:
      return "the first reserved marker slot is already in use";
    case 1251:
      return "the second reserved marker slot is already in use";
    default:
      return "unknown fault";
  }
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
