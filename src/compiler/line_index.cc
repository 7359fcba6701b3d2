#include "compiler/line_index.h"

namespace binario {

namespace {

// The first CR or LF at or after `pos`, or the text's size.
size_t line_end(std::string_view text, size_t pos) {
  while (pos < text.size() && text[pos] != '\r' && text[pos] != '\n') ++pos;
  return pos;
}

}  // namespace

size_t LineIndex::next_line(size_t pos) const {
  size_t end = line_end(text_, pos);
  if (end == text_.size()) return end;
  if (text_[end] == '\r' && end + 1 < text_.size() && text_[end + 1] == '\n') ++end;
  return end + 1;
}

void LineIndex::index_up_to(int line) const {
  while (!at_end_ && known_ < line) {
    const size_t end = line_end(text_, last_start_);
    if (end == text_.size()) {
      at_end_ = true;
      break;
    }
    last_start_ = next_line(end);
    if (known_ % kStride == 0) starts_.push_back(last_start_);
    ++known_;
  }
}

std::optional<std::string_view> LineIndex::line(int line) const {
  index_up_to(line);
  if (line < 1 || line > known_) return std::nullopt;
  size_t start = starts_[static_cast<size_t>((line - 1) / kStride)];
  for (int n = (line - 1) % kStride; n > 0; --n) start = next_line(start);
  return text_.substr(start, line_end(text_, start) - start);
}

}  // namespace binario
