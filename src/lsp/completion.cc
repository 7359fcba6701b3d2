#include "lsp/completion.h"

#include <string>
#include <string_view>

#include "lsp/reference.h"

namespace binario {
namespace {

constexpr std::string_view kRecords[] = {
    "lunghezza percorso",
    "progressiva chilometrica uno",
    "progressiva chilometrica due",
    "progressiva chilometrica tre",
    "sfondo uno",
    "sfondo due",
    "sfondo tre",
    "ripetizione segnali",
    "pendenza",
    "montagna",
    "indicatori_vmax",
    "cartello indicatore",
    "numero vetture",
    "percentuale massa frenata",
    "sabbia",
    "orologio",
    "aderenza",
    "velocita",
    "stazione",
    "rallentamento",
    "segnale",
    "abbattimento",
};

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

}  // namespace

nlohmann::json keyword_completions() {
  nlohmann::json items = nlohmann::json::array();
  for (std::string_view keyword : kRecords) {
    const std::optional<std::string> entry = reference_entry(keyword);
    nlohmann::json item = {{"label", std::string(keyword)}, {"kind", 14}};
    if (entry) {
      item["insertText"] = snippet(keyword, *entry);
      item["insertTextFormat"] = 2;  // a snippet
      item["documentation"] = {{"kind", "markdown"}, {"value", *entry}};
    }
    items.push_back(item);
  }
  return items;
}

}  // namespace binario
