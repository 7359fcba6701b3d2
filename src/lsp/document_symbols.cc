#include "lsp/document_symbols.h"

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "compiler/records.h"
#include "lsp/cursor_place.h"
#include "output/kilometres.h"

namespace binario {
namespace {

int symbol_kind(OutlineKind kind) {
  switch (kind) {
    case OutlineKind::kPlace:
      return lsp::kSymbolStruct;
    case OutlineKind::kStretch:
      return lsp::kSymbolConstant;
    default:
      return lsp::kSymbolEvent;
  }
}

// The name the outline gives a record: its label, or the text of the value
// the table names; a stretch adds its speed.
std::string record_name(const RecordSpec& table_row, const RecordRead& record) {
  std::string name(table_row.outline_label);
  if (name.empty() && table_row.outline_label_value &&
      static_cast<size_t>(*table_row.outline_label_value) < record.values.size()) {
    name = shown_text(record.values[static_cast<size_t>(*table_row.outline_label_value)].text);
  }
  if (table_row.outline == OutlineKind::kStretch) {
    for (size_t i = 0; i < record.values.size(); ++i) {
      if (table_row.values[i].unit == "km/h") {
        name += " " + shown_text(record.values[i].text) + " km/h";
        break;
      }
    }
  }
  return name.empty() ? shown_text(record.keyword.text) : name;
}

// "km 2.750" for metre 2750; the value as written when it is no number.
std::string detail(const RecordSpec& table_row, const RecordRead& record) {
  const size_t at = table_row.position ? static_cast<size_t>(*table_row.position) : 0;
  if (at >= record.values.size()) return "";
  const ValueRead& value = record.values[at];
  return value.number ? "km " + kilometres(*value.number) : shown_text(value.text);
}

}  // namespace

std::vector<lsp::DocumentSymbol> document_symbols(const DocumentRead& document) {
  const DocumentLines lines(document.utf8_text);
  const DescriptionRead& read = document.read;
  const std::vector<const TextField*> sections = section_headers(read);

  std::vector<lsp::DocumentSymbol> symbols;
  // Index of the open section in `symbols` (records before the first
  // section stand at the top).
  std::optional<size_t> section;
  size_t next_section = 0;
  auto open_sections_before = [&](const TextSpan* span) {
    for (; next_section < sections.size() &&
           (!span || starts_before(sections[next_section]->span, *span));
         ++next_section) {
      const TextField& header = *sections[next_section];
      const lsp::Range range = span_range(lines, header.span);
      symbols.push_back({shown_text(header.text), std::nullopt, lsp::kSymbolNamespace, range, range,
                         std::vector<lsp::DocumentSymbol>()});
      section = symbols.size() - 1;
    }
  };
  for (const RecordRead& record : read.records) {
    const RecordSpec& table_row = record_spec(record.kind);
    if (table_row.outline == OutlineKind::kNone || record.values.empty()) continue;
    open_sections_before(&record.keyword.span);
    const TextSpan& last = record.values.back().span;
    const lsp::Range selection = span_range(lines, record.keyword.span);
    const lsp::Range range{selection.start, span_range(lines, last).end};
    lsp::DocumentSymbol symbol{record_name(table_row, record),
                               detail(table_row, record),
                               symbol_kind(table_row.outline),
                               range,
                               selection,
                               std::nullopt};
    if (section) {
      lsp::DocumentSymbol& open = symbols[*section];
      open.range.end = range.end;
      open.children->push_back(std::move(symbol));
    } else {
      symbols.push_back(std::move(symbol));
    }
  }
  open_sections_before(nullptr);
  return symbols;
}

}  // namespace binario
