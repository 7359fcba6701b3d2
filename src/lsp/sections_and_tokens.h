// Folding ranges by section and semantic tokens that follow the compiler:
// each field is coloured as the compile read it — a record's keyword, its
// values, the comments it passed over, the section headers — and a field the
// compile read otherwise than it looks is marked "deprecated": a keyword of
// the other file or of another section, a header inside a body, a value
// read as a keyword, a keyword swallowed as a value.
#pragma once

#include <vector>

#include "lsp/document_read.h"
#include "lsp/protocol.h"

namespace binario {

// The protocol's FoldingRange array: one range per section, from its header
// to the line before the next one.
std::vector<lsp::FoldingRange> folding_ranges(const DocumentRead& document);

// The legend the server announces in "initialize".
lsp::SemanticTokensLegend semantic_tokens_legend();

// The protocol's SemanticTokens for the whole document.
lsp::SemanticTokens semantic_tokens(const DocumentRead& document);

}  // namespace binario
