// Quick fixes: the edits the diagnostics carry, offered as code actions.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace binario {

// The protocol's CodeAction[] for a textDocument/codeAction request on
// `uri`: one "quickfix" for each diagnostic of `context` that carries an edit
// in its `data.fix` (see lsp_diagnostic), replacing that range of the
// document. Diagnostics without one, or whose data is not well formed, give
// none; so does a context whose `only` leaves quick fixes out.
nlohmann::json quick_fixes(const std::string& uri, const nlohmann::json& context);

}  // namespace binario
