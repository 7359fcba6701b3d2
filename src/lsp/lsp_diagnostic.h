// One compile diagnostic as the protocol shows it.
#pragma once

#include <nlohmann/json.hpp>

#include "compiler/diagnostics.h"
#include "lsp/text_position.h"

namespace binario {

// The protocol's diagnostic for `d`, placed on `lines`, the UTF-8 text it
// names (ignored for the file as a whole): the range is the field the compile
// read there (one character at the diagnostic's column when the compile did
// not say); a diagnostic of the file as a whole marks the start of the first
// line. The code is the status number. A diagnostic with a fix-it carries it as `data.fix`: the
// `range` of the field and the `newText` to put there, for the quick fix.
nlohmann::json lsp_diagnostic(const Diagnostic& d, const DocumentLines& lines);

}  // namespace binario
