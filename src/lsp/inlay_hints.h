// Inlay hints: after the position of every record that has one, the cells
// it lands on by the record's cell rule and its km ("cell 21 · km 1.000").
#pragma once

#include <nlohmann/json.hpp>

#include "lsp/document_read.h"

namespace binario {

// The protocol's InlayHint array for the 0-based lines `first_line` to
// `last_line` of a document as the compile read it.
nlohmann::json inlay_hints(const DocumentRead& document, int first_line, int last_line);

}  // namespace binario
