#include "lsp/client_capabilities.h"

#include <string>
#include <string_view>

namespace binario {
namespace {

using nlohmann::json;

// The value at `path` inside `root`, or null when some step is missing or
// not an object.
const json* find(const json& root, std::initializer_list<const char*> path) {
  const json* at = &root;
  for (const char* key : path) {
    if (!at->is_object()) return nullptr;
    const auto next = at->find(key);
    if (next == at->end()) return nullptr;
    at = &*next;
  }
  return at;
}

bool flag(const json& root, std::initializer_list<const char*> path) {
  const json* value = find(root, path);
  return value && value->is_boolean() && value->get<bool>();
}

// True when the client's list of formats, in its order of preference, puts
// Markdown before plain text.
bool prefers_markdown(const json& root, std::initializer_list<const char*> path) {
  const json* formats = find(root, path);
  if (!formats || !formats->is_array()) return false;
  for (const json& format : *formats) {
    if (format == "markdown") return true;
    if (format == "plaintext") return false;
  }
  return false;
}

}  // namespace

ClientCapabilities read_client_capabilities(const json& initialize_params) {
  const json* text = find(initialize_params, {"capabilities", "textDocument"});
  if (!text) return {};
  ClientCapabilities out;
  out.snippets = flag(*text, {"completion", "completionItem", "snippetSupport"});
  out.hover_markdown = prefers_markdown(*text, {"hover", "contentFormat"});
  out.completion_markdown =
      prefers_markdown(*text, {"completion", "completionItem", "documentationFormat"});
  out.signature_markdown =
      prefers_markdown(*text, {"signatureHelp", "signatureInformation", "documentationFormat"});
  return out;
}

lsp::MarkupContent markup(const std::string& markdown, bool as_markdown) {
  if (as_markdown) return {true, markdown};
  std::string plain;
  plain.reserve(markdown.size());
  bool line_start = true;
  for (size_t i = 0; i < markdown.size(); ++i) {
    const char c = markdown[i];
    if (line_start && c == '#') {
      // A heading: its marks and the blank after them go.
      while (i < markdown.size() && markdown[i] == '#') ++i;
      if (i < markdown.size() && markdown[i] == ' ') ++i;
      --i;
      line_start = false;
      continue;
    }
    line_start = c == '\n';
    if (c != '`') plain.push_back(c);
  }
  return {false, plain};
}

}  // namespace binario
