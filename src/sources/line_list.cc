#include "sources/line_list.h"

#include <stdexcept>

namespace binario {

LineList::LineList() {
  slots_[0] = kEndMarker;
}

LineList::LineList(std::initializer_list<std::string_view> lines) : LineList() {
  for (std::string_view line : lines) add(line);
}

void LineList::add(std::string_view line) {
  if (line == kEndMarker) {
    throw std::invalid_argument("a line of a text file cannot be the end marker");
  }
  if (size_ >= kMaxLines) {
    throw std::length_error("a text file holds at most 1000 lines");
  }
  slots_[size_] = line;
  ++size_;
  slots_[size_] = kEndMarker;
}

std::string line_list_text(const LineList& list) {
  std::string contents;
  for (size_t i = 0; list.slot(i) != kEndMarker; ++i) {
    contents += list.slot(i);
    contents += "\r\n";
  }
  return contents;
}

}  // namespace binario
