// What the compile read of a document open in the editor, beside the UTF-8
// text it read: the hover and the outline look up fields here and never cut
// the text into fields themselves.
#pragma once

#include <string>
#include <string_view>

#include "compiler/records_read.h"
#include "lsp/protocol.h"
#include "lsp/text_position.h"

namespace binario {

struct DocumentRead {
  // The text as the editor held it when it was compiled: a reading is good
  // for that text only.
  std::string utf8_text;
  DescriptionRead read;
};

// The protocol's Range of a field the compile read. Byte columns are
// character indexes on the editor's lines (one byte per character).
lsp::Range span_range(const DocumentLines& lines, const TextSpan& span);

// True when the character with 0-based index `character` on 0-based `line`
// lies in `span`, or right after its last character.
bool span_holds(const TextSpan& span, int line, int character);

// A text as the compile read it (Windows-1252 bytes), for the editor.
std::string shown_text(std::string_view read_text);

}  // namespace binario
