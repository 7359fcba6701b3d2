// The line list that every text file of the program is written from: up to
// 1000 lines of Windows-1252 text, followed by the end marker in the slot
// after the last line.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace binario {

// The text that closes a list. It is never written to a file.
inline constexpr std::string_view kEndMarker = "riferimento fine del file";

class LineList {
 public:
  // Slots 0 .. 1000; the last line may stand in slot 999, so that the marker
  // always has a slot after it.
  static constexpr size_t kSlots = 1001;
  static constexpr size_t kMaxLines = kSlots - 1;

  // An empty list: the marker in slot 0.
  LineList();
  LineList(std::initializer_list<std::string_view> lines);

  // Puts `line` into the next slot and moves the marker on. An empty text is
  // an empty line. Throws std::length_error when the list is full, and
  // std::invalid_argument for the marker text itself, which would end the
  // file early.
  void add(std::string_view line);

  // Number of lines before the marker.
  size_t size() const { return size_; }
  // Slot i, 0 .. 1000: a line, the marker (slot size()) or an empty slot.
  const std::string& slot(size_t i) const { return slots_.at(i); }

 private:
  std::array<std::string, kSlots> slots_;
  size_t size_ = 0;
};

// The text of a file written from `list`: every slot up to the end marker,
// each line followed by CR LF.
std::string line_list_text(const LineList& list);

}  // namespace binario
