#include "lsp/reference.h"

#include <fstream>
#include <sstream>

namespace binario {

std::optional<std::string> reference_entry(std::string_view keyword) {
  std::ifstream in(BINARIO_FORMAT_REFERENCE, std::ios::binary);
  if (!in) return std::nullopt;
  std::stringstream text;
  text << in.rdbuf();
  const std::string reference = text.str();
  const std::string heading = "### `" + std::string(keyword) + "`\n";
  const size_t start = reference.find(heading);
  if (start == std::string::npos) return std::nullopt;
  size_t end = reference.find("\n#", start + heading.size());
  if (end == std::string::npos) end = reference.size();
  return reference.substr(start, end - start);
}

std::optional<std::string> reference_field(const std::string& entry, int position) {
  const std::string row = "\n| " + std::to_string(position) + " |";
  const size_t start = entry.find(row);
  if (start == std::string::npos) return std::nullopt;
  const size_t end = entry.find('\n', start + 1);
  return entry.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
}

}  // namespace binario
