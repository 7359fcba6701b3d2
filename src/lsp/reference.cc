#include "lsp/reference.h"

#include "compiler/format_reference.h"

namespace binario {

std::optional<std::string> reference_entry(std::string_view keyword) {
  const std::optional<ReferenceEntry> entry = find_reference_entry(keyword);
  if (!entry) return std::nullopt;
  // The hover shows the entry up to the first line after its heading that
  // starts with '#', without the line end before it.
  const size_t heading = keyword.size() + 6;  // "### `KEYWORD`\n"
  const size_t end = entry->text.find("\n#", heading);
  return std::string(entry->text.substr(0, end));
}

std::optional<std::string> reference_field(const std::string& entry, int position) {
  const std::string row = "\n| " + std::to_string(position) + " |";
  const size_t start = entry.find(row);
  if (start == std::string::npos) return std::nullopt;
  const size_t end = entry.find('\n', start + 1);
  return entry.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

}  // namespace binario
