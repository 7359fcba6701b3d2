#include "lsp/signature_help.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "lsp/client_capabilities.h"
#include "lsp/cursor_place.h"
#include "lsp/reference.h"

namespace binario {
namespace {

ValueRange type_range(ValueType type) {
  switch (type) {
    case ValueType::kLong:
      return {std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()};
    case ValueType::kInteger:
      return {std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()};
    default:
      return {0, 255};
  }
}

// The "Meaning" cell of the reference row of value `position` (1-based) in
// the entry of `reference`; empty when the reference has none.
std::string meaning(std::string_view reference, int position) {
  const std::optional<std::string> entry = reference_entry(reference);
  if (!entry) return "";
  const std::optional<std::string> row = reference_field(*entry, position);
  if (!row) return "";
  // "| 1 | `posizione` | where the signal stands | m | …": the third cell.
  size_t start = 0;
  for (int bar = 0; bar < 3; ++bar) {
    start = row->find('|', start);
    if (start == std::string::npos) return "";
    ++start;
  }
  const size_t end = row->find('|', start);
  if (end == std::string::npos) return "";
  std::string cell = row->substr(start, end - start);
  while (!cell.empty() && cell.front() == ' ') cell.erase(0, 1);
  while (!cell.empty() && cell.back() == ' ') cell.pop_back();
  return cell;
}

}  // namespace

std::string value_summary(const ValueSpec& value) {
  std::string out(value.name);
  if (!value.unit.empty()) out += ", in " + std::string(value.unit);
  if (value.type == ValueType::kText) return out + ", a text";
  const ValueRange range = value.range.value_or(type_range(value.type));
  return out + ", a " + std::string(value_type_name(value.type)) + " from " +
         std::to_string(range.lo) + " to " + std::to_string(range.hi);
}

std::optional<lsp::SignatureHelp> signature_help(const DocumentRead& document, DescriptionFile file,
                                                 int line, int column, bool markdown) {
  const DocumentLines lines(document.utf8_text);
  const CursorPlace place =
      cursor_place(document.read, file, line, character_index(lines.line(line), column));
  if (!place.record) return std::nullopt;
  const RecordSpec& table_row = record_spec(place.record->kind);
  if (table_row.values.empty()) return std::nullopt;
  std::string label(table_row.written[0]);
  std::vector<lsp::ParameterInformation> parameters;
  for (size_t i = 0; i < table_row.values.size(); ++i) {
    const ValueSpec& value = table_row.values[i];
    label += ", ";
    const size_t start = label.size();
    label += value.name;
    std::string text = value_summary(value);
    const std::string said = meaning(table_row.reference, static_cast<int>(i + 1));
    if (!said.empty()) text += ": " + said;
    parameters.push_back({{start, label.size()}, markup(text, markdown)});
  }
  const size_t active = std::min(place.value, table_row.values.size() - 1);
  const std::string heading =
      "value " + std::to_string(active + 1) + " of " + std::to_string(table_row.values.size());
  lsp::SignatureInformation signature{label, markup(heading, markdown), std::move(parameters),
                                      active};
  return lsp::SignatureHelp{{std::move(signature)}, 0, active};
}

}  // namespace binario
