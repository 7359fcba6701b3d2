// How the command line shows the outcome of a run: diagnostics on standard
// error in the compilers' FILE:LINE:COL form, or one JSON object.
#pragma once

#include <ostream>
#include <string>

#include "compiler/diagnostics.h"
#include "run/form1.h"

namespace binario {

// Every diagnostic, then every file error, one per line. A diagnostic with a
// source line is followed by that line and a caret under its column.
void print_text_report(std::ostream& err, const Status& status, const RunReport& report);

// The source line of `d` and a caret under its column, as two lines in UTF-8
// (each ending in a newline); empty when `d` has no source line:
//     4 |   pendenza, 99999, 1
//       |   ^
// Tabs are kept in the caret line so that the caret stays under its column
// whatever the tab width; control characters show as '?', and a long line is
// cut to a window around the column.
std::string source_excerpt(const Diagnostic& d);

// {"status": {...}, "diagnostics": [...], "outputs": [...]} and, when a file
// could not be written, "file_errors": [...].
std::string json_report(const Status& status, const RunReport& report);

}  // namespace binario
