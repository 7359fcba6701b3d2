// What the client said it can do in "initialize", as far as the features
// need it: the features shape their answers by it (a snippet or plain text,
// Markdown or plain text).
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "lsp/protocol.h"

namespace binario {

struct ClientCapabilities {
  // Completion items may be snippets with placeholders.
  bool snippets = false;
  // Hover texts may be Markdown (else plain text).
  bool hover_markdown = false;
  // A completion item's documentation may be Markdown (else plain text).
  bool completion_markdown = false;
  // A signature's documentation may be Markdown (else plain text).
  bool signature_markdown = false;
};

// The capabilities of an "initialize" request's parameters; a field that is
// missing or of another shape counts as not supported.
ClientCapabilities read_client_capabilities(const nlohmann::json& initialize_params);

// The protocol's MarkupContent for a text written in Markdown: as it is, or
// as plain text (headings without their marks, code without backquotes).
lsp::MarkupContent markup(const std::string& markdown, bool as_markdown);

}  // namespace binario
