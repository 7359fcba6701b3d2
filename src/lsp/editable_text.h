// An open document's text as the editor changes it: its lines, split where
// the last edit was made. A change of a range costs about the length of the
// lines it touches, plus the lines between it and the change before: a batch
// of changes that runs down or up the document (an editor's formatting sent
// back, a search and replace) moves through it once.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace binario {

// A place in a document as the protocol counts it: 0-based line, UTF-16
// column.
struct TextPlace {
  int line = 0;
  int column = 0;
};

class EditableText {
 public:
  explicit EditableText(std::string_view text);

  // Replaces the text from `start` to `end` (swapped when `end` comes
  // first) with `text`. A column past its line's end is the line's end, a
  // line past the last is the text's end; lines end at LF, CR LF or CR.
  void replace(TextPlace start, TextPlace end, std::string_view text);

  // The whole text.
  std::string str() const;
  size_t size() const { return bytes_; }

 private:
  // Each line with its end, the last without one (and possibly empty).
  // Lines before the split point are in `before_` in order; the rest are in
  // `after_` last first, so that the line at the split is after_.back().
  std::vector<std::string> before_;
  std::vector<std::string> after_;
  size_t bytes_ = 0;

  size_t lines() const { return before_.size() + after_.size(); }
  const std::string& line(size_t index) const;
  // Moves the split to just before line `index`.
  void split_at(size_t index);
  // The line and byte within it of the protocol's place.
  std::pair<size_t, size_t> locate(TextPlace place) const;
  // Appends the lines of `text` to before_; the last piece, without an end,
  // is kept only when `keep_last` (it is the document's last line).
  void push_lines(std::string_view text, bool keep_last);
};

}  // namespace binario
