// Formatting a description in the editor: the document laid out in columns
// (format/lay_out.h) from what the compile read of it, as edits of the lines
// that change. Only blanks between the fields of a record line change, so the
// lines stay where they are and each edit replaces one line.
#pragma once

#include <nlohmann/json.hpp>

#include "lsp/document_read.h"

namespace binario {

// The protocol's TextEdit[] that lays `document` out: one edit per line that
// changes. A line holding a character the compile could not be given (no
// Windows-1252 byte for it) is left as it is.
nlohmann::json formatting_edits(const DocumentRead& document);

}  // namespace binario
