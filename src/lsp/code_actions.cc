#include "lsp/code_actions.h"

namespace binario {

std::vector<lsp::CodeAction> quick_fixes(const std::string& uri,
                                         const lsp::CodeActionContext& context) {
  std::vector<lsp::CodeAction> actions;
  if (!context.wants(lsp::kQuickFix)) return actions;
  for (const lsp::CodeActionContext::Given& given : context.diagnostics) {
    if (!given.fix) continue;
    lsp::CodeAction action;
    action.title = "Replace with '" + given.fix->new_text + "'";
    action.kind = lsp::kQuickFix;
    action.diagnostics = {given.diagnostic};
    action.is_preferred = true;
    action.edit.emplace(uri, std::vector<lsp::TextEdit>{*given.fix});
    actions.push_back(std::move(action));
  }
  return actions;
}

}  // namespace binario
