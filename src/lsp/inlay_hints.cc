#include "lsp/inlay_hints.h"

#include <string>

#include "compiler/records.h"
#include "output/kilometres.h"

namespace binario {

nlohmann::json inlay_hints(const DocumentRead& document, int first_line, int last_line) {
  nlohmann::json hints = nlohmann::json::array();
  const DocumentLines lines(document.utf8_text);
  for (const RecordRead& record : document.read.records) {
    const RecordSpec& table_row = record_spec(record.kind);
    if (!table_row.position || record.cells.empty()) continue;
    const ValueRead& position = record.values[static_cast<size_t>(*table_row.position)];
    if (!position.number) continue;
    const int line = position.span.last_line - 1;
    if (line < first_line) continue;
    if (line > last_line) break;
    std::string label = record.cells.size() == 1 ? "cell " : "cells ";
    for (size_t i = 0; i < record.cells.size(); ++i) {
      label += (i == 0 ? "" : ", ") + std::to_string(record.cells[i]);
    }
    label += " \u00b7 km " + kilometres(*position.number);
    hints.push_back({{"position", span_range(lines, position.span)["end"]},
                     {"label", label},
                     {"paddingLeft", true}});
  }
  return hints;
}

}  // namespace binario
