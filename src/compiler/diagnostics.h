// The outcome of a compile: `codice_errore` / `posizione_errore` with their
// last-fault-wins meaning, and beside them every fault in the order it was
// met, with the place in the source text that caused it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace binario {

// A place in a source text. `line` and `column` are 1-based; 0 means "the
// file as a whole" (for example a file that does not exist).
struct SourceLocation {
  std::string file;
  int line = 0;
  int column = 0;
};

struct Diagnostic {
  int32_t code = 0;
  std::optional<int32_t> position;  // metres along the line, where the fault has one
  std::optional<SourceLocation> location;
  std::string message;
  // The text of the source line at `location` as it was when the fault was
  // met (Windows-1252 bytes, without the line end); the texts may be gone by
  // the time the diagnostic is shown.
  std::optional<std::string> source_line;
};

class Status {
 public:
  int32_t codice_errore() const { return codice_errore_; }
  int32_t posizione_errore() const { return posizione_errore_; }
  const std::vector<Diagnostic>& diagnostics() const { return diagnostics_; }

  void reset();

  // Records a fault: `codice_errore` becomes `code`; `posizione_errore`
  // becomes `position` only when one is given (otherwise it keeps whatever an
  // earlier fault left). `detail` is appended to the code's standard message;
  // `source_line` is the text of the line at `where`.
  void fault(int32_t code, std::optional<int32_t> position, std::optional<SourceLocation> where,
             std::string_view detail = {},
             std::optional<std::string_view> source_line = std::nullopt);

 private:
  int32_t codice_errore_ = 0;
  int32_t posizione_errore_ = 0;
  std::vector<Diagnostic> diagnostics_;
};

// The one-line English meaning of a status code.
std::string_view status_text(int32_t code);

// "FILE:LINE:COL: error CODE: message (metre P)", or "binario: error CODE: …"
// when the fault has no place in a source text.
std::string format_diagnostic(const Diagnostic& d);

}  // namespace binario
