// The run's window with FLTK: a small window that says "Attendere" while the
// run works, and the modal error box of the reserved-slot checks.
//
// The window is laid out in twips (1/1440 inch) and converted to pixels at
// the screen's resolution. It is painted once when shown and not serviced
// afterwards: the run is one thread and does not return to the event loop
// until it ends or the error box asks for an answer.
//
// The layer is built as a module of its own, binario_window.so beside the
// program, which the program opens only when it is about to show a window:
// a run without one, and every other command, never loads FLTK and X11.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/ui.h"
#include "platform/window_layout.h"

namespace binario {

// The window layer on the display that DISPLAY names, with `title` as the
// title of both windows; nullptr when DISPLAY is unset or the display cannot
// be opened. Once a display is open the process keeps using it.
std::unique_ptr<Ui> make_window_ui(const std::string& title);

// The module's file name and the one function the program looks up in it:
// binario_make_window_ui(title) is make_window_ui with the result released
// to the caller (nullptr when there is no display).
inline constexpr char kWindowModuleName[] = "binario_window.so";
inline constexpr char kWindowModuleEntry[] = "binario_make_window_ui";
using WindowModuleEntry = Ui* (*)(const char* title);

// The module the program loads: the one beside the program in
// `program_folder`. Empty when that folder is not known or not an absolute
// path: code is loaded only from the program's own folder, never from the
// current folder or the loader's search path.
std::optional<std::string> window_module_path(const std::optional<std::string>& program_folder);
// The window layer from window_module_path(`program_folder`); nullptr when
// there is no display or no module path, or the module is missing or does
// not load. make_ui passes the program's folder.
std::unique_ptr<Ui> load_window_ui(const std::optional<std::string>& program_folder);

}  // namespace binario
