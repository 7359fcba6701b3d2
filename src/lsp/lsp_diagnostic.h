// One compile diagnostic as the protocol shows it.
#pragma once

#include "compiler/diagnostics.h"
#include "lsp/protocol.h"
#include "lsp/text_position.h"

namespace binario {

// The protocol's diagnostic for `d`, placed on `lines`, the UTF-8 text it
// names (ignored for the file as a whole): the range is the field the compile
// read there (one character at the diagnostic's column when the compile did
// not say); a diagnostic of the file as a whole marks the start of the first
// line. The code is the status number, or a warning's name. A diagnostic
// with a fix-it carries it (`data.fix`): the field's range and the text to
// put there, for the quick fix.
lsp::Diagnostic lsp_diagnostic(const Diagnostic& d, const DocumentLines& lines);

}  // namespace binario
