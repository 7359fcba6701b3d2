// Descriptions are Windows-1252 texts. A text saved as UTF-8 compiles all
// the same, but every accented letter is stored as two wrong ones: these
// warnings point at the lines where that happens.
#pragma once

#include <string>
#include <string_view>

#include "compiler/diagnostics.h"

namespace binario {

// Warns (`utf8-text`) about a UTF-8 byte-order mark at the start of `text`
// and about every line holding bytes that form UTF-8 multi-byte sequences,
// showing the text as it is stored and as it was likely meant.
void warn_utf8_text(std::string_view text, const std::string& file, Status& status);

}  // namespace binario
