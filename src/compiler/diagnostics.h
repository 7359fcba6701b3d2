// The outcome of a compile: `codice_errore` / `posizione_errore` with their
// last-fault-wins meaning, and beside them every fault in the order it was
// met, with the place in the source text that caused it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace binario {

class LineIndex;

// A place in a source text. `line` and `column` are 1-based; 0 means "the
// file as a whole" (for example a file that does not exist).
struct SourceLocation {
  std::string file;
  int line = 0;
  int column = 0;
};

enum class Severity { kError, kWarning, kNote };

// A description as diagnostics name it and quote its lines.
struct DescriptionText {
  std::string_view name;
  std::string_view text;  // Windows-1252 bytes
};

// Another place that explains a diagnostic, such as where the occupant of a
// taken cell was placed.
struct RelatedLocation {
  SourceLocation location;
  std::string message;
};

// An edit that would mend a diagnostic, as compilers give fix-it hints: the
// `length` bytes of the source line from the diagnostic's location (a
// misspelt field as it stands, without the blanks around it) are replaced by
// `replacement`.
struct FixIt {
  int length = 0;
  std::string replacement;  // Windows-1252 bytes, as the description holds them
};

// The extent of the field a diagnostic names, where the compile knows it:
// from `first_column` to `last_column` (1-based bytes, both included) of the
// location's line, or of `last_line` when the field runs on (a quoted text
// holding a line end). An empty field has last_column == first_column - 1.
struct FieldExtent {
  int first_column = 0;
  int last_line = 0;
  int last_column = 0;
};

// Of a source line longer than this, a diagnostic keeps this many bytes,
// kKeptBeforeColumn of them before its column.
inline constexpr size_t kKeptLine = 1024;
inline constexpr size_t kKeptBeforeColumn = 256;
// A message is cut to this many bytes (the middle left out): a field quoted
// in it may be the whole of a description.
inline constexpr size_t kLongestMessage = 1024;

// Cuts `message` to kLongestMessage bytes, leaving out its middle and saying
// how much was left out.
void cut_message(std::string& message);

struct Diagnostic {
  Severity severity = Severity::kError;
  int32_t code = 0;                 // errors only
  std::string name;                 // warnings only: the stable name (see kWarningNames)
  std::optional<int32_t> position;  // metres along the line, where the fault has one
  std::optional<SourceLocation> location;
  std::string message;
  // The text of the source line at `location` as it was when the fault was
  // met (Windows-1252 bytes, without the line end); the texts may be gone by
  // the time the diagnostic is shown. Of a line longer than kKeptLine bytes
  // only the kKeptLine bytes around the column are kept: a description may
  // be one line of 64 MiB, and each of its diagnostics would hold all of it.
  std::optional<std::string> source_line;
  // Where `source_line` starts on its line (1-based byte column) and how
  // long the whole line is: 1 and the size of `source_line` unless the line
  // was cut.
  int source_line_column = 1;
  size_t source_line_length = 0;
  // Keeps `line` (the whole line at `location`) as above.
  void keep_source_line(std::string_view line);
  bool source_line_cut() const {
    return source_line && (source_line_column > 1 || source_line_length > source_line->size());
  }
  // Found after the compile stopped the description: the model, the bytes
  // and the status pair do not reflect it.
  bool after_stop = false;
  // The note that says where the compile stopped the description: that
  // 1-based line (the note itself names no place, so the command line shows
  // no source line for it). 0 for every other diagnostic.
  int stopped_at_line = 0;
  std::vector<RelatedLocation> related;
  // Only with a location on a line.
  std::optional<FixIt> fix;
  // The field at `location`, where the compile knows it.
  std::optional<FieldExtent> field;
};

// Every warning the compile can give, by its stable name.
inline constexpr std::string_view kWarningNames[] = {
    "ignored-field",
    "section-not-found",
    "unclosed-quote",
    "multiline-quote",
    "utf8-text",
    "speed-rounded",
    "in-run-out",
    "value-changed",
    "empty-train",
    "no-stations",
    // What the scenario means (compiler/meaning_checks.h).
    "out-of-order",
    "reversed-span",
    "overlap",
    "empty-span",
    "overwritten",
    "time-out-of-range",
    "timetable-order",
    "first-station",
    "implausible-value",
    "no-speed-limit",
    "unknown-kind",
    "hyphen-comment",
    "no-limit-at-start",
    "no-adhesion",
    "slowdown-too-fast",
    "no-warning-board",
    "slowdown-in-station",
    "signals-too-close",
    "curve-keyword",
    "length-as-end",
    "full-circle",
    "empty-text",
    "duplicate-name",
    "after-end",
    "repeated-record",
    "length-in-km",
    "other-line",
    "swapped-files",
    // The run of the train (timing/run_checks.h).
    "impossible-time",
    "undrivable-time",
    "no-running-time",
    "stop-without-cell",
    "repeated-clock",
    "clock-far",
    // A record whose values run onto the next line (compiler/short_records.h).
    "short-record",
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
  // The same, with the line at `where` taken from `lines` only when the fault
  // is kept.
  void fault(int32_t code, std::optional<int32_t> position, std::optional<SourceLocation> where,
             std::string_view detail, const LineIndex& lines);

  // Records a warning `name`: the status pair is never touched. `fix` is an
  // edit at `where` that would mend it.
  void warn(std::string_view name, std::optional<SourceLocation> where, std::string message,
            std::optional<std::string_view> source_line = std::nullopt,
            std::optional<FixIt> fix = std::nullopt);
  // The same, with the line at `where` taken from `lines` only when the
  // warning is kept: past the cap no line is looked up.
  void warn(std::string_view name, std::optional<SourceLocation> where, std::string message,
            const LineIndex& lines, std::optional<FixIt> fix = std::nullopt);
  // Records a note about `file` as a whole (never past the cap).
  void note(const std::string& file, std::string message);
  // Adds a related location to the diagnostic recorded last; nothing when the
  // last fault or warning was dropped.
  void relate_last(RelatedLocation related);
  // Gives the diagnostic recorded last the extent of its field; nothing when
  // the last fault or warning was dropped.
  void extend_last(FieldExtent field);

  // From here on, every fault and warning is one found after the compile
  // stopped the description at `line` of `file`: it leaves the status pair
  // alone and is marked so. A note says where the compile stopped.
  void begin_after_stop(const std::string& file, int line);
  // The note goes again when nothing was found after the stop.
  void end_after_stop();
  bool after_stop() const { return after_stop_; }
  // Without extras (the default), warnings are dropped and nothing is read
  // after a stop: only the faults that set the status pair are recorded. The
  // compile turns them on when its caller asks for them.
  void set_extras(bool on) { extras_ = on; }
  bool extras() const { return extras_; }
  // True when the next warning or later fault will be kept: what only its
  // message needs can be left uncomputed otherwise.
  bool keeps_next_extra() const { return extras_ && extra_in_description_ < kMostExtra; }
  // Starts counting the warnings and later faults of one more description.
  void begin_description() { extra_in_description_ = 0; }

  // At most this many warnings and later faults are kept per description;
  // one note says when more were left out.
  static constexpr int kMostExtra = 100;

 private:
  // False when the cap is reached (a note is added the first time).
  bool room_for_extra(const std::optional<SourceLocation>& where);
  void push(Diagnostic d);
  // Keeps the line at the last diagnostic's location, from `lines`.
  void keep_line_at(const LineIndex& lines);

  bool after_stop_ = false;
  bool last_dropped_ = false;  // the last fault or warning was not kept
  size_t stop_note_ = 0;       // the index of the note of the stop
  bool extras_ = false;
  int extra_in_description_ = 0;
  int32_t codice_errore_ = 0;
  int32_t posizione_errore_ = 0;
  std::vector<Diagnostic> diagnostics_;
};

// Every status code a compile records, with its one-line English meaning.
struct FaultCode {
  int32_t code;
  std::string_view text;
};
inline constexpr FaultCode kFaultCodes[] = {
    {1, "line length above 1,000,000 m"},
    {2, "a kilometre-marker chainage is not a multiple of 50"},
    {3, "signal-repetition start is not a multiple of 50"},
    {4, "signal-repetition end is not a multiple of 50"},
    {5, "signal-repetition keyword holds neither \"4\" nor \"9\""},
    {6, "sign board on a cell that is already taken"},
    {7, "speed-code point on a cell that is already taken"},
    {8, "station position is not a multiple of 50"},
    {9, "station length is not a multiple of 100"},
    {10, "no table entry left for this station or sign board"},
    {11, "no room for the code point in front of a signal before a slowdown warning board"},
    {12, "no free cell in a look-back window before a slowdown start"},
    {13, "no free cell for a code point inside a slowdown or in front of the signal after it"},
    {15, "position lies beyond the track model"},
    {16, "signal on a cell that is already taken"},
    {17, "slowdown warning board on a cell that is already taken"},
    {18, "slowdown start on a cell that is already taken"},
    {19, "slowdown end on a cell that is already taken"},
    {20, "slowdown countdown cells are not free"},
    {21, "maximum-speed indicator on a cell that is already taken"},
    {22, "station begins less than 350 m after the previous station ends"},
    {24, "station ends at metre 100 or before"},
    {25, "the description could not be read"},
    {101, "the line description file does not exist"},
    {102, "the line description ends before \"[generale]\""},
    {103, "curve keyword without a class digit, or the geometry passes 1,000,000 points"},
    {1250, "the first reserved marker slot is already in use"},
    {1251, "the second reserved marker slot is already in use"},
};

// The one-line English meaning of a status code ("unknown fault" for a code
// that is not in the table).
std::string_view status_text(int32_t code);

// "FILE:LINE:COL: error CODE: message (metre P)", or "binario: error CODE: …"
// when the fault has no place in a source text; "FILE:LINE:COL: warning:
// message [NAME]" for a warning and "FILE:LINE:COL: note: message" for a note.
std::string format_diagnostic(const Diagnostic& d);

// The three parts of format_diagnostic's line, for a front end that shows
// them apart (in colour): "FILE:LINE:COL" (or "binario"), the severity with
// what belongs to it ("error CODE", "warning", "note") and the text after
// its colon (" message (metre P)", " message [NAME]").
struct DiagnosticHeading {
  std::string location;
  std::string severity;
  std::string text;
};
DiagnosticHeading diagnostic_heading(const Diagnostic& d);

}  // namespace binario
