// Cuts a description text into comma-separated fields, the way both
// descriptions are read: never line by line, always field by field, each
// field with the line and column where it starts.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "compiler/line_index.h"

namespace binario {

struct TextPosition {
  int line = 1;    // 1-based
  int column = 1;  // 1-based, in bytes
};

struct Field {
  std::string_view text;  // a view into the reader's text
  TextPosition where;
  // Where its last byte stands: the closing quote of a quoted field (the
  // last byte of the text when there is none); column where.column - 1 for
  // an empty field.
  TextPosition last;
  bool unclosed_quote = false;  // a quoted field that ran to the end of the text
  bool spans_lines = false;     // a quoted field that holds a line end
};

// A value that could not be read: not a number, out of range for its field,
// or a read that started at the end of the text. The compile turns it into
// status 25.
class ReadFailure : public std::runtime_error {
 public:
  ReadFailure(const std::string& message, TextPosition where,
              std::optional<TextPosition> last = std::nullopt)
      : std::runtime_error(message), message_(message), where_(where), last_(last) {}
  TextPosition where() const { return where_; }
  // The whole message: what() ends at the first NUL, which a field quoted
  // in the message may hold.
  const std::string& message() const { return message_; }
  // Where the field that could not be read ends; nothing when there is none
  // (a read at the end of the text).
  std::optional<TextPosition> last() const { return last_; }

 private:
  std::string message_;
  TextPosition where_;
  std::optional<TextPosition> last_;
};

// Thrown by a reader whose cancel flag has been set: the compile is
// abandoned (the language server stops one that an exit or a newer text has
// made pointless).
class CompileCancelled : public std::exception {
 public:
  const char* what() const noexcept override { return "the compile was cancelled"; }
};

// Told of every value the reader reads (a text field or a number that was
// read without a failure), for a caller that keeps what was read.
class FieldListener {
 public:
  virtual void value_read(const Field& f, std::optional<int64_t> number) = 0;

 protected:
  ~FieldListener() = default;
};

class FieldReader {
 public:
  explicit FieldReader(std::string_view text) : text_(text), lines_(text) {}
  // Every read throws CompileCancelled once `*flag` is true (looked at once
  // every few hundred reads, so a read costs no more than before).
  void cancel_when(const std::atomic<bool>* flag) { cancel_ = flag; }

  // True once every byte has been consumed.
  bool at_end() const { return pos_ >= text_.size(); }
  // Where the next field would start reading.
  TextPosition position() const { return {line_, static_cast<int>(pos_ - line_start_) + 1}; }

  // Reads a text field (a keyword candidate, a station name, a board text).
  // Blanks in front are skipped; the field runs to the next comma or line
  // end, which is consumed; its trailing blanks are not part of the value. A
  // field that begins with a double quote runs to the closing quote (across
  // lines; to the end of the text when there is none), after which blanks and
  // one comma or line end are consumed. Throws ReadFailure when the read
  // starts at the end of the text.
  Field read_field();

  // Reads a number: an optional sign and decimal digits, ending at a blank,
  // a comma or a line end. Blanks after it are skipped, and a comma or line
  // end that follows them is consumed. `what` names the value in the message
  // of a ReadFailure ("position of a gradient").
  int32_t read_long(std::string_view what);
  int16_t read_integer(std::string_view what);
  uint8_t read_byte(std::string_view what);

  // Passes over the rest of the current line and its line end.
  void skip_line();

  // From here on every value read is told to `listener` (none: nullptr).
  void set_listener(FieldListener* listener) { listener_ = listener; }

  // The field most recently read (text or number).
  const Field& current() const { return current_; }
  // Where the field that starts at `where` ends, when it is one of the last
  // kRecentFields fields read (a record's keyword and values are): for the
  // extent of a diagnostic at it.
  std::optional<TextPosition> last_of(TextPosition where) const;
  static constexpr size_t kRecentFields = 32;

  // The text of line `line` (1-based, without its line end), counted the way
  // the reader counts lines; nothing when the text has no such line.
  std::optional<std::string_view> line_text(int line) const { return lines_.line(line); }
  // The lines of the text, for a diagnostic that shows its line.
  const LineIndex& lines() const { return lines_; }

 private:
  void skip_blanks();
  void check_cancelled() {
    if (cancel_ && (reads_++ & 0xFF) == 0 && cancel_->load(std::memory_order_relaxed)) {
      throw CompileCancelled();
    }
  }
  // Consumes a line end at pos_ if there is one (CR LF, CR or LF).
  bool consume_line_end();
  int64_t read_number(std::string_view what, int64_t lo, int64_t hi, const char* kind);
  [[noreturn]] void fail_at_end(std::string_view what);

  void remember(const Field& f) { recent_[recent_next_++ % kRecentFields] = {f.where, f.last}; }

  struct Extent {
    TextPosition where{0, 0};
    TextPosition last{0, 0};
  };
  std::array<Extent, kRecentFields> recent_{};
  size_t recent_next_ = 0;
  std::string_view text_;
  LineIndex lines_;
  size_t pos_ = 0;
  size_t line_start_ = 0;
  int line_ = 1;
  Field current_;
  FieldListener* listener_ = nullptr;
  const std::atomic<bool>* cancel_ = nullptr;
  uint32_t reads_ = 0;
};

inline bool is_blank(char c) {
  return c == ' ' || c == '\t';
}

// Line `line` (1-based) of `text`, without its line end. A line ends at CR LF,
// CR or LF, as the reader counts them; the text after the last line end is a
// line of its own (possibly empty). Nothing when there is no such line. Each
// call reads the text from its start: a LineIndex answers many lookups.
std::optional<std::string_view> text_line(std::string_view text, int line);

// Substring tests used for keyword recognition.
// A field in single quotes for a message; a long one (a number of a million
// digits) is cut to its first and last bytes and its length said.
std::string quoted_field(std::string_view field);

bool contains(std::string_view field, std::string_view key);

// Every field of a description is tried against every keyword of its
// section (64 million empty fields in a 64 MiB line of commas), so this is a
// plain loop the caller inlines: a place is compared further only where the
// key's first letter stands, letters compared without regard to case.
inline bool contains_nocase(std::string_view field, std::string_view key) {
  if (key.empty()) return true;
  if (field.size() < key.size()) return false;
  const auto lower = [](char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  };
  const char first = lower(key.front());
  const size_t last = field.size() - key.size();
  for (size_t i = 0; i <= last; ++i) {
    if (lower(field[i]) != first) continue;
    size_t k = 1;
    while (k < key.size() && lower(field[i + k]) == lower(key[k])) ++k;
    if (k == key.size()) return true;
  }
  return false;
}

}  // namespace binario
