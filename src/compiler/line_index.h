// Finds a line of a description text by its number without reading the text
// from its start each time: a compile may report thousands of places, and
// each one's line is shown with it.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>
#include <vector>

namespace binario {

// Lines end at CR LF, CR or LF, as the field reader counts them; the text
// after the last line end is a line of its own (possibly empty). The index
// grows as far as the lines asked for, so the text is read once however many
// lookups are made; it keeps where every 16th line starts: a text made of
// line ends costs half a byte a line, and a lookup passes over at most 15
// lines before its own.
class LineIndex {
 public:
  explicit LineIndex(std::string_view text) : text_(text) {}

  // Line `line` (1-based), without its line end; nothing when the text has
  // no such line.
  std::optional<std::string_view> line(int line) const;

 private:
  static constexpr int kStride = 16;
  // Reads on until line `line` is known or the text ends.
  void index_up_to(int line) const;
  // Where the line after the one holding `pos` starts, or the text's size
  // when that line is the last.
  size_t next_line(size_t pos) const;

  std::string_view text_;
  // Lines 1 to known_ have been found; the last of them starts at last_start_.
  mutable int known_ = 1;
  mutable size_t last_start_ = 0;
  mutable bool at_end_ = false;            // line known_ is the text's last
  mutable std::vector<size_t> starts_{0};  // of lines 1, 1 + kStride, 1 + 2 * kStride, ...
};

}  // namespace binario
