#include "compiler/format_reference.h"

#include <string>

namespace binario {

std::vector<ReferenceEntry> reference_entries(std::string_view document) {
  std::vector<ReferenceEntry> entries;
  std::string_view section;
  bool open = false;
  size_t open_from = 0;
  size_t at = 0;
  while (at < document.size()) {
    size_t end = document.find('\n', at);
    if (end == std::string_view::npos) end = document.size();
    const std::string_view line = document.substr(at, end - at);
    if (line.starts_with("## ") || line.starts_with("### ")) {
      if (open) entries.back().text = document.substr(open_from, at - open_from);
      open = false;
      if (line.starts_with("## ")) section = line.substr(3);
      if (line.starts_with("### `") && line.size() > 6 && line.back() == '`') {
        entries.push_back({section, line.substr(5, line.size() - 6), {}});
        open = true;
        open_from = at;
      }
    }
    at = end + 1;
  }
  if (open) entries.back().text = document.substr(open_from);
  return entries;
}

std::optional<ReferenceEntry> find_reference_entry(std::string_view name) {
  static const std::vector<ReferenceEntry> entries = reference_entries(format_reference_text());
  for (const ReferenceEntry& e : entries) {
    if (e.name == name) return e;
  }
  return std::nullopt;
}

std::optional<std::string_view> find_reference_section(std::string_view title) {
  const std::string_view document = format_reference_text();
  const std::string heading = "### " + std::string(title) + "\n";
  size_t at = document.starts_with(heading) ? 0 : document.find("\n" + heading);
  if (at == std::string_view::npos) return std::nullopt;
  if (at != 0) ++at;
  size_t end = document.find("\n##", at + heading.size() - 1);
  end = end == std::string_view::npos ? document.size() : end + 1;
  return document.substr(at, end - at);
}

}  // namespace binario
