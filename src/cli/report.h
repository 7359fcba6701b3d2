// How the command line shows the outcome of a run: diagnostics on standard
// error in the compilers' FILE:LINE:COL form, or one JSON object.
#pragma once

#include <ostream>
#include <string>

#include "compiler/diagnostics.h"
#include "run/form1.h"

namespace binario {

// --color: colour always, never, or when standard error is a terminal.
enum class ColourMode { kAuto, kAlways, kNever };

// Whether diagnostics are coloured: in auto mode only on a terminal that
// shows colour, and not when `no_color` (the NO_COLOR variable, null when
// unset) is set and not empty.
bool colour_wanted(ColourMode mode, bool terminal_shows_colour, const char* no_color);

// Colours the diagnostics print_text_report writes from now on, or stops.
// Set once by the command line, after its options are read.
void set_colour_diagnostics(bool on);

// The first line of `d` as format_diagnostic gives it, coloured as the
// compilers do: the location bold, the severity word ("error",
// "warning", "note", with what follows it up to its colon) in its colour.
std::string coloured_heading(const Diagnostic& d);

// Every diagnostic, then every file not written or deleted and every description
// the run kept, one per line. A diagnostic with a
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
