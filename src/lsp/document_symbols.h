// The outline of a description: its sections, and inside them the stations
// (name and km), signals, slowdowns and boards, as the compile read them.
#pragma once

#include <vector>

#include "lsp/document_read.h"
#include "lsp/protocol.h"

namespace binario {

// The protocol's DocumentSymbol array for a document as the compile read it.
std::vector<lsp::DocumentSymbol> document_symbols(const DocumentRead& document);

}  // namespace binario
