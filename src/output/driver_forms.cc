#include "output/driver_forms.h"

#include <algorithm>

namespace binario::forms {

namespace {

std::string_view cut(std::string_view text, size_t room) {
  return text.substr(0, std::min(text.size(), room));
}

}  // namespace

std::string left(std::string_view text, size_t width, size_t indent) {
  std::string cell(std::min(indent, width), ' ');
  cell += cut(text, width - cell.size());
  cell.resize(width, ' ');
  return cell;
}

std::string right(std::string_view text, size_t width, size_t trailing) {
  const size_t room = width - std::min(trailing, width);
  const std::string_view shown = cut(text, room);
  return std::string(room - shown.size(), ' ') + std::string(shown) +
         std::string(width - room, ' ');
}

std::string centred(std::string_view text, size_t width) {
  const std::string_view shown = cut(text, width);
  const size_t before = (width - shown.size()) / 2;
  return std::string(before, ' ') + std::string(shown) +
         std::string(width - before - shown.size(), ' ');
}

}  // namespace binario::forms
