// One compile diagnostic as the protocol shows it.
#pragma once

#include <nlohmann/json.hpp>
#include <string_view>

#include "compiler/diagnostics.h"

namespace binario {

// The protocol's diagnostic for `d`, placed on `utf8_line`, the UTF-8 text of
// the line it names (ignored for the file as a whole): the range runs from the diagnostic's column
// to the end of its field (the next comma or the end of the line, trailing blanks left out); a
// diagnostic of the file as a whole marks the start of the first line. The code is the status
// number. A diagnostic with a fix-it carries it as `data.fix`: the `range` of
// the field and the `newText` to put there, for the quick fix.
nlohmann::json lsp_diagnostic(const Diagnostic& d, std::string_view utf8_line);

}  // namespace binario
