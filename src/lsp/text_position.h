// The two ways of counting a document: the protocol sends UTF-8 text and
// counts columns in UTF-16 code units; the compile reads Windows-1252 bytes
// and counts columns in bytes. Every character becomes one byte, so a byte
// column is a character index on the same line.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

namespace binario {

// A character the compile could not be given: 0-based line, and the column
// in UTF-16 code units where it starts and ends.
struct ReplacedCharacter {
  int line = 0;
  int start = 0;
  int end = 0;
};

struct CompileText {
  std::string bytes;  // Windows-1252, one byte per character of the UTF-8 text
  std::vector<ReplacedCharacter> replaced;
};

// The Windows-1252 bytes of a UTF-8 document. A character Windows-1252 has
// no byte for, and a byte that is not UTF-8, becomes '?' and is listed.
// Throws CompileCancelled soon after `*cancel` is set, if given.
CompileText to_compile_text(std::string_view utf8, const std::atomic<bool>* cancel = nullptr);

// The line of `text` with 0-based index `line`, without its end (empty past
// the last line). Lines end at LF, CR LF or CR.
std::string_view line_of(std::string_view text, int line);

// The lines of a text, found once, for a caller that looks up many of them
// (lines end as line_of counts them). The text must outlive the index.
class DocumentLines {
 public:
  explicit DocumentLines(std::string_view text);
  // The line with 0-based index `line`, without its end (empty past the last).
  std::string_view line(int line) const;
  // How many lines the text has (an empty text, or one ending in a line
  // end, has an empty last line).
  int size() const { return static_cast<int>(starts_.size()); }

 private:
  std::string_view text_;
  std::vector<size_t> starts_;
};

// The UTF-16 column on a UTF-8 line of the character with 0-based index
// `character` (past the end: the end of the line).
int utf16_column(std::string_view utf8_line, int character);

// The byte offset in a UTF-8 text of the protocol's position: 0-based
// `line` (lines end as line_of counts them) and UTF-16 `column`. A column
// past the line's end is its end, a line past the last is the text's end, a
// column inside a surrogate pair is the start of its character.
size_t byte_offset(std::string_view text, int line, int column);

// The 0-based character index at UTF-16 column `column` of a UTF-8 line (a
// column inside a surrogate pair counts as its character; past the end: the
// number of characters).
int character_index(std::string_view utf8_line, int column);

}  // namespace binario
