#include "lsp/completion.h"

#include <string>
#include <string_view>

#include "lsp/cursor_place.h"
#include "lsp/reference.h"

namespace binario {
namespace {

using nlohmann::json;

constexpr int kKeywordItem = 14;
constexpr int kPlainText = 1;
constexpr int kSnippet = 2;

// A name as snippet text: "$", "}" and "\" escaped.
std::string snippet_text(std::string_view name) {
  std::string out;
  for (char c : name) {
    if (c == '$' || c == '}' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

// The keyword and a placeholder for each value, named as the records table
// names it. A curve's keyword ends in its class digit, left as a tab stop.
std::string snippet(const RecordSpec& table_row, std::string_view keyword) {
  std::string out = snippet_text(keyword);
  int stop = 1;
  if (table_row.kind == RecordKind::kCurve) out += "${" + std::to_string(stop++) + "}";
  for (const ValueSpec& value : table_row.values) {
    out += ", ${" + std::to_string(stop++) + ":" + snippet_text(value.name) + "}";
  }
  return out;
}

// The keyword followed by the names of its values, as the records table gives
// them: the record's shape, shown beside the label.
std::string shape(const RecordSpec& table_row, std::string_view keyword) {
  std::string out(keyword);
  for (const ValueSpec& value : table_row.values) out += ", " + std::string(value.name);
  return out;
}

}  // namespace

json keyword_completions(const DocumentRead& document, DescriptionFile file, int line, int column,
                         const ClientCapabilities& client) {
  json items = json::array();
  const DocumentLines lines(document.utf8_text);
  const CursorPlace place =
      cursor_place(document.read, file, line, character_index(lines.line(line), column));
  if (place.record || place.comment || !place.section) return items;
  for (const RecordSpec& table_row : section_records(*place.section)) {
    for (std::string_view keyword : table_row.written) {
      if (keyword.empty()) continue;
      json item = {{"label", std::string(keyword)},
                   {"kind", kKeywordItem},
                   {"detail", shape(table_row, keyword)},
                   {"data", {{"reference", std::string(table_row.reference)}}}};
      if (client.snippets) {
        item["insertText"] = snippet(table_row, keyword);
        item["insertTextFormat"] = kSnippet;
      } else {
        item["insertText"] = std::string(keyword);
        item["insertTextFormat"] = kPlainText;
      }
      items.push_back(std::move(item));
    }
  }
  return items;
}

json resolve_completion(json item, const ClientCapabilities& client) {
  if (!item.is_object()) return item;
  const auto data = item.find("data");
  if (data == item.end() || !data->is_object() || !data->contains("reference") ||
      !(*data)["reference"].is_string()) {
    return item;
  }
  if (const std::optional<std::string> entry =
          reference_entry((*data)["reference"].get<std::string>())) {
    item["documentation"] = markup(*entry, client.completion_markdown);
  }
  return item;
}

}  // namespace binario
