#include "lsp/completion.h"

#include <string>
#include <string_view>

#include "lsp/cursor_place.h"
#include "lsp/reference.h"

namespace binario {
namespace {

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

std::vector<lsp::CompletionItem> keyword_completions(const DocumentRead& document,
                                                     DescriptionFile file, int line, int column,
                                                     const ClientCapabilities& client) {
  std::vector<lsp::CompletionItem> items;
  const DocumentLines lines(document.utf8_text);
  const CursorPlace place =
      cursor_place(document.read, file, line, character_index(lines.line(line), column));
  if (place.record || place.comment || !place.section) return items;
  for (const RecordSpec& table_row : section_records(*place.section)) {
    for (std::string_view keyword : table_row.written) {
      if (keyword.empty()) continue;
      lsp::CompletionItem item{std::string(keyword),      lsp::kCompletionKeyword,
                               shape(table_row, keyword), std::string(keyword),
                               lsp::kInsertPlainText,     std::string(table_row.reference)};
      if (client.snippets) {
        item.insert_text = snippet(table_row, keyword);
        item.insert_text_format = lsp::kInsertSnippet;
      }
      items.push_back(std::move(item));
    }
  }
  return items;
}

std::optional<lsp::MarkupContent> completion_documentation(std::string_view reference,
                                                           const ClientCapabilities& client) {
  const std::optional<std::string> entry = reference_entry(reference);
  if (!entry) return std::nullopt;
  return markup(*entry, client.completion_markdown);
}

}  // namespace binario
