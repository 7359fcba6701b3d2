// Hover texts: on a record's keyword its reference entry; on a value the
// reference row of that field and, on a position, the metre, the km and the
// cells it lands on with what the compile put there. Fields are found in
// what the compile read, so the hover and the compile never disagree on
// where a field starts, ends, or which record it belongs to.
#pragma once

#include <optional>

#include "compiler/track_model.h"
#include "lsp/document_read.h"
#include "lsp/protocol.h"

namespace binario {

// The protocol's Hover for 0-based `line` and UTF-16 `column` of a document
// as the compile read it, or nothing when the place holds no field of a record.
// `model` is the same compile's model (null when there is none). The text is
// Markdown, or plain text when `markdown` is false.
std::optional<lsp::Hover> hover(const DocumentRead& document, int line, int column,
                                const TrackModel* model, bool markdown = true);

}  // namespace binario
