// The built-in scenario, the line Zorvane - Pelk with train 728: its two
// description texts and the three documents for the driver. Every text is
// fixed; the scenario name and train number of a run change only the names
// of the files they are written to.
#pragma once

#include "sources/line_list.h"

namespace binario {

LineList builtin_line_list();    // the line description, 121 lines
LineList builtin_train_list();   // the train description, 114 lines
LineList train_sheet_list();     // the train sheet, 49 lines
LineList slowdown_order_list();  // the slowdown order, 46 lines
LineList notes_list();           // the notes, 9 lines (Windows-1252)

}  // namespace binario
