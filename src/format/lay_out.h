// Lays an author's description out in columns: every line that holds one
// whole record and nothing else is rewritten with its keyword and values
// aligned with the record lines around it — numbers to the right, texts to
// the left — and every other line (comments, headers, blank lines, a record
// whose values run onto the next line, a field the compile passed over) is
// kept byte for byte, line ends included. Only the blanks between the fields
// of a record line change, never a field, so laying out a laid-out text
// changes nothing.
//
// The layout is checked, not trusted: the laid-out text is compiled again
// beside its partner and must give the same binary files, the same status
// pair and the same diagnostics (their places but for the column). A text
// that would compile differently is left as it is.
#pragma once

#include <string>

#include "compiler/compile.h"
#include "compiler/records_read.h"

namespace binario {

// The text of `read` (what the compile read of `text`) laid out.
std::string lay_out_text(const std::string& text, const DescriptionRead& read);

struct LaidOut {
  std::string text;      // the laid-out text, or the text as it was
  bool changed = false;  // `text` differs from the description's
  // Set when the description could not be laid out: the compile did not read
  // it (the line was refused, the text unreadable), or the laid-out text
  // would compile differently. `text` is the description's own then.
  std::string refused;
};

// Lays out the description `role` of `input` (both texts as a compile takes
// them), checked as above.
LaidOut lay_out_description(const CompileInput& input, DescriptionFile role);

}  // namespace binario
