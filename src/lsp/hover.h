// Hover texts: on a record's keyword its reference entry; on a value the
// reference row of that field and, on a position, the metre, the km and the
// cells it lands on with what the compile put there. Fields are found in
// what the compile read, so the hover and the compile never disagree on
// where a field starts, ends, or which record it belongs to.
#pragma once

#include <functional>
#include <optional>

#include "compiler/track_model.h"
#include "lsp/document_read.h"
#include "lsp/protocol.h"

namespace binario {

// The model of the compile that read the document, asked for only when the
// hover shows what it holds (the cells of a position, the run to a station):
// a keyword or another value needs what was read and nothing more. Null when
// there is no model.
using ModelOfRead = std::function<const TrackModel*()>;

// The protocol's Hover for 0-based `line` and UTF-16 `column` of a document
// as the compile read it, or nothing when the place holds no field of a record.
// `model` gives the same compile's model. The text is Markdown, or plain text
// when `markdown` is false.
std::optional<lsp::Hover> hover(const DocumentRead& document, int line, int column,
                                const ModelOfRead& model, bool markdown = true);
// The same with the model at hand (null when there is none).
std::optional<lsp::Hover> hover(const DocumentRead& document, int line, int column,
                                const TrackModel* model, bool markdown = true);

}  // namespace binario
