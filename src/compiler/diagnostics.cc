#include "compiler/diagnostics.h"

#include "compiler/line_index.h"
#include "compiler/metre_suffix.h"

namespace binario {

void cut_message(std::string& message) {
  if (message.size() <= kLongestMessage) return;
  constexpr size_t kEnd = 128;
  const std::string left_out =
      " [... " + std::to_string(message.size() - kLongestMessage) + " bytes left out ...] ";
  const size_t head = kLongestMessage - kEnd - left_out.size();
  message = message.substr(0, head) + left_out + message.substr(message.size() - kEnd);
}

void Diagnostic::keep_source_line(std::string_view line) {
  source_line_length = line.size();
  source_line_column = 1;
  if (line.size() <= kKeptLine) {
    source_line = std::string(line);
    return;
  }
  const size_t column = location ? static_cast<size_t>(std::max(location->column, 1)) - 1 : 0;
  const size_t from = std::min(column > kKeptBeforeColumn ? column - kKeptBeforeColumn : 0,
                               line.size() - kKeptLine);
  source_line = std::string(line.substr(from, kKeptLine));
  source_line_column = static_cast<int>(from) + 1;
}

void Status::reset() {
  codice_errore_ = 0;
  posizione_errore_ = 0;
  diagnostics_.clear();
  after_stop_ = false;
  last_dropped_ = false;
  extra_in_description_ = 0;
}

void Status::fault(int32_t code, std::optional<int32_t> position,
                   std::optional<SourceLocation> where, std::string_view detail,
                   std::optional<std::string_view> source_line) {
  last_dropped_ = after_stop_ && !room_for_extra(where);
  if (last_dropped_) return;
  if (!after_stop_) {
    codice_errore_ = code;
    if (position) posizione_errore_ = *position;
  }
  Diagnostic d;
  d.code = code;
  d.position = position;
  d.location = std::move(where);
  d.message = std::string(status_text(code));
  if (!detail.empty()) {
    d.message += ": ";
    d.message += detail;
  }
  if (source_line) d.keep_source_line(*source_line);
  push(std::move(d));
}

void Status::warn(std::string_view name, std::optional<SourceLocation> where, std::string message,
                  std::optional<std::string_view> source_line, std::optional<FixIt> fix) {
  last_dropped_ = !room_for_extra(where);
  if (last_dropped_) return;
  Diagnostic d;
  d.severity = Severity::kWarning;
  d.name = std::string(name);
  d.location = std::move(where);
  d.message = std::move(message);
  if (source_line) d.keep_source_line(*source_line);
  if (d.location && d.location->line > 0) d.fix = std::move(fix);
  push(std::move(d));
}

namespace {

std::optional<std::string_view> line_at(const std::optional<SourceLocation>& where,
                                        const LineIndex& lines) {
  if (!where) return std::nullopt;
  return lines.line(where->line);
}

}  // namespace

void Status::fault(int32_t code, std::optional<int32_t> position,
                   std::optional<SourceLocation> where, std::string_view detail,
                   const LineIndex& lines) {
  fault(code, position, std::move(where), detail, std::nullopt);
  keep_line_at(lines);
}

void Status::warn(std::string_view name, std::optional<SourceLocation> where, std::string message,
                  const LineIndex& lines, std::optional<FixIt> fix) {
  warn(name, std::move(where), std::move(message), std::nullopt, std::move(fix));
  keep_line_at(lines);
}

void Status::keep_line_at(const LineIndex& lines) {
  if (last_dropped_) return;
  Diagnostic& d = diagnostics_.back();
  if (const std::optional<std::string_view> line = line_at(d.location, lines)) {
    d.keep_source_line(*line);
  }
}

void Status::note(const std::string& file, std::string message) {
  last_dropped_ = !room_for_extra(SourceLocation{file, 0, 0});
  if (last_dropped_) return;
  Diagnostic d;
  d.severity = Severity::kNote;
  d.location = SourceLocation{file, 0, 0};
  d.message = std::move(message);
  d.after_stop = after_stop_;
  push(std::move(d));
}

void Status::relate_last(RelatedLocation related) {
  if (last_dropped_ || diagnostics_.empty()) return;
  cut_message(related.message);
  diagnostics_.back().related.push_back(std::move(related));
}

void Status::extend_last(FieldExtent field) {
  if (!last_dropped_ && !diagnostics_.empty()) diagnostics_.back().field = field;
}

void Status::begin_after_stop(const std::string& file, int line) {
  Diagnostic d;
  d.severity = Severity::kNote;
  d.location = SourceLocation{file, 0, 0};
  d.message =
      "the compile stopped at line " + std::to_string(line) + "; what follows was not compiled";
  d.after_stop = true;
  d.stopped_at_line = line;
  stop_note_ = diagnostics_.size();
  diagnostics_.push_back(std::move(d));
  after_stop_ = true;
}

void Status::end_after_stop() {
  if (after_stop_ && diagnostics_.size() == stop_note_ + 1) diagnostics_.pop_back();
  after_stop_ = false;
}

bool Status::room_for_extra(const std::optional<SourceLocation>& where) {
  if (!extras_) return false;
  const bool kept = keeps_next_extra();
  ++extra_in_description_;
  if (kept) return true;
  if (extra_in_description_ == kMostExtra + 1) {
    Diagnostic d;
    d.severity = Severity::kNote;
    if (where) d.location = SourceLocation{where->file, 0, 0};
    d.message = "more than " + std::to_string(kMostExtra) +
                " warnings and later faults in this description; the rest are not shown";
    d.after_stop = after_stop_;
    diagnostics_.push_back(std::move(d));
  }
  return false;
}

void Status::push(Diagnostic d) {
  d.after_stop = after_stop_;
  cut_message(d.message);
  diagnostics_.push_back(std::move(d));
}

std::string_view status_text(int32_t code) {
  for (const FaultCode& f : kFaultCodes) {
    if (f.code == code) return f.text;
  }
  return "unknown fault";
}

std::string metre_suffix(const Diagnostic& d) {
  if (!d.position) return {};
  const std::string metre = "metre " + std::to_string(*d.position);
  if (d.message.ends_with(" " + metre)) return {};
  // "metre P" said anywhere, not as the start of a longer number.
  for (size_t at = d.message.find(metre); at != std::string::npos;
       at = d.message.find(metre, at + 1)) {
    const size_t after = at + metre.size();
    if (after == d.message.size() || d.message[after] < '0' || d.message[after] > '9') return {};
  }
  return " (" + metre + ")";
}

DiagnosticHeading diagnostic_heading(const Diagnostic& d) {
  DiagnosticHeading h;
  if (d.location && !d.location->file.empty()) {
    h.location = d.location->file;
    if (d.location->line > 0) {
      h.location +=
          ':' + std::to_string(d.location->line) + ':' + std::to_string(d.location->column);
    }
  } else {
    h.location = "binario";
  }
  switch (d.severity) {
    case Severity::kError:
      h.severity = "error " + std::to_string(d.code);
      h.text = " " + d.message + metre_suffix(d);
      break;
    case Severity::kWarning:
      h.severity = "warning";
      h.text = " " + d.message + " [" + d.name + "]";
      break;
    case Severity::kNote:
      h.severity = "note";
      h.text = " " + d.message;
      break;
  }
  return h;
}

std::string format_diagnostic(const Diagnostic& d) {
  const DiagnosticHeading h = diagnostic_heading(d);
  return h.location + ": " + h.severity + ":" + h.text;
}

}  // namespace binario
