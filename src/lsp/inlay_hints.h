// Inlay hints: after the position of every record that has one, the cells
// it lands on by the record's cell rule and its km ("cell 21 · km 1.000");
// after the time of every timed station past the first, the margin of the
// run to it ("margin 1 min 55 s · 74 %").
#pragma once

#include <vector>

#include "compiler/track_model.h"
#include "lsp/document_read.h"
#include "lsp/protocol.h"

namespace binario {

// The protocol's InlayHint array for the 0-based lines `first_line` to
// `last_line` of a document as the compile read it. `model` is the pair's
// compiled model, or null; the margins need one the compile built.
std::vector<lsp::InlayHint> inlay_hints(const DocumentRead& document, int first_line, int last_line,
                                        const TrackModel* model = nullptr);

}  // namespace binario
