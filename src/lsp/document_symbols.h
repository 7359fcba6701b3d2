// The outline of a description: its sections, and inside them the stations
// (name and km), signals, slowdowns and boards, as the compile read them.
#pragma once

#include <nlohmann/json.hpp>

#include "lsp/document_read.h"

namespace binario {

// The protocol's DocumentSymbol array for a document as the compile read it.
nlohmann::json document_symbols(const DocumentRead& document);

}  // namespace binario
