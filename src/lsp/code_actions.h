// Quick fixes: the edits the diagnostics carry, offered as code actions.
#pragma once

#include <string>
#include <vector>

#include "lsp/protocol.h"

namespace binario {

// The protocol's CodeAction[] for a textDocument/codeAction request on
// `uri`: one "quickfix" for each diagnostic of `context` that carries an edit
// in its `data.fix` (see lsp_diagnostic), replacing that range of the
// document. Diagnostics without one, or whose data is not well formed, give
// none; so does a context whose `only` leaves quick fixes out.
std::vector<lsp::CodeAction> quick_fixes(const std::string& uri,
                                         const lsp::CodeActionContext& context);

}  // namespace binario
