// How the command line shows the outcome of a run: diagnostics on standard
// error in the compilers' FILE:LINE:COL form, or one JSON object.
#pragma once

#include <ostream>
#include <string>

#include "run/form1.h"
#include "run/status.h"

namespace binario {

// Every diagnostic, then every file error, one per line.
void print_text_report(std::ostream& err, const Status& status, const RunReport& report);

// {"status": {...}, "diagnostics": [...], "outputs": [...]} and, when a file
// could not be written, "file_errors": [...].
std::string json_report(const Status& status, const RunReport& report);

}  // namespace binario
