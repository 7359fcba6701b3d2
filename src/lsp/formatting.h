// Formatting a description in the editor: the document laid out in columns
// (format/lay_out.h) from what the compile read of it, as edits of the lines
// that change. Only blanks between the fields of a record line change, so the
// lines stay where they are and each edit replaces one line.
#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "lsp/document_read.h"

namespace binario {

// One line laid out: the whole of 0-based `line`, up to UTF-16 column `end`
// (its end), replaced with `text`.
struct LineEdit {
  int line = 0;
  int end = 0;
  std::string text;  // UTF-8
};

// The edits that lay `document` out: one per line that changes, in order. A
// line holding a character the compile could not be given (no Windows-1252
// byte for it) is left as it is. Throws CompileCancelled soon after
// `*cancel` is set, if given.
std::vector<LineEdit> formatting_edits(const DocumentRead& document,
                                       const std::atomic<bool>* cancel = nullptr);

}  // namespace binario
