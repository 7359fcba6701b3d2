// Signature help: among a record's values, the record's shape with the
// value being typed named, its unit and the range it must lie in.
#pragma once

#include <optional>
#include <string>

#include "compiler/records.h"
#include "lsp/document_read.h"
#include "lsp/protocol.h"

namespace binario {

// The protocol's SignatureHelp at 0-based `line` and UTF-16 `column` of a
// description of `file` as the compile read it; nothing where no record's
// values are. Documentation is Markdown or, when `markdown` is false, plain
// text.
std::optional<lsp::SignatureHelp> signature_help(const DocumentRead& document, DescriptionFile file,
                                                 int line, int column, bool markdown);

// What a value holds: "posizione, in m, a Long from -2147483648 to
// 2147483647".
std::string value_summary(const ValueSpec& value);

}  // namespace binario
