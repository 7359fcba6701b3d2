#include "lsp/completion.h"

#include <span>
#include <string>
#include <string_view>

#include "compiler/records.h"
#include "lsp/reference.h"

namespace binario {
namespace {

// The value names of the field table ("| 1 | `p` | …" or "| 1 | p | …").
std::string snippet(std::string_view keyword, const std::string& entry) {
  std::string out(keyword);
  for (int position = 1;; ++position) {
    std::optional<std::string> row = reference_field(entry, position);
    if (!row) break;
    const size_t start = row->find('|', 1);
    const size_t end = start == std::string::npos ? start : row->find('|', start + 1);
    if (end == std::string::npos) break;
    std::string name = row->substr(start + 1, end - start - 1);
    std::string clean;
    for (char c : name) {
      if (c != '`' && c != '$' && c != '}' && c != '\\') clean.push_back(c);
    }
    while (!clean.empty() && clean.front() == ' ') clean.erase(0, 1);
    while (!clean.empty() && clean.back() == ' ') clean.pop_back();
    out += ", ${" + std::to_string(position) + ":" + clean + "}";
  }
  return out;
}

// A keyword the reference has an entry for, with a snippet of its record;
// a curve's keyword, which needs its class digit, is left to the author.
void add_keyword(nlohmann::json& items, std::string_view keyword) {
  const std::optional<std::string> entry = reference_entry(keyword);
  if (!entry) return;
  items.push_back({{"label", std::string(keyword)},
                   {"kind", 14},
                   {"insertText", snippet(keyword, *entry)},
                   {"insertTextFormat", 2},  // a snippet
                   {"documentation", {{"kind", "markdown"}, {"value", *entry}}}});
}

}  // namespace

nlohmann::json keyword_completions() {
  nlohmann::json items = nlohmann::json::array();
  for (std::string_view keyword : written_keywords()) add_keyword(items, keyword);
  return items;
}

}  // namespace binario
