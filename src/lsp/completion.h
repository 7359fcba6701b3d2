// Keyword completion: where the compile reads a keyword, the keywords of the
// records of the section the cursor is in (the line's general section or
// body, or the train description), inserted with their values as snippet
// placeholders named by the records table when the client takes snippets,
// as the bare keyword otherwise. Items are short; the reference entry comes
// with completionItem/resolve.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "compiler/records.h"
#include "lsp/client_capabilities.h"
#include "lsp/document_read.h"
#include "lsp/protocol.h"

namespace binario {

// The protocol's CompletionItem array at 0-based `line` and UTF-16 `column`
// of a description of `file` as the compile read it: empty among a record's
// values and before "[generale]".
std::vector<lsp::CompletionItem> keyword_completions(const DocumentRead& document,
                                                     DescriptionFile file, int line, int column,
                                                     const ClientCapabilities& client);

// The documentation completionItem/resolve adds to an item whose
// `data.reference` is `reference`: the keyword's reference entry; nothing
// for a reference that names none.
std::optional<lsp::MarkupContent> completion_documentation(std::string_view reference,
                                                           const ClientCapabilities& client);

}  // namespace binario
