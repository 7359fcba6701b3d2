// The run's window on Windows, with nothing but the system's own window
// functions: a small window that says "Attendere" while the run works, and
// the error box of the reserved-slot checks as a system message box.
//
// The window is laid out in twips and converted to pixels at the screen's
// resolution; the process declares itself aware of that resolution so that
// the system does not stretch the window a second time. The window is
// painted once when shown and not serviced afterwards: the run is one thread
// and takes no message until it ends or the error box waits for an answer.
#pragma once

#include <memory>
#include <string>

#include "platform/ui.h"
#include "platform/window_layout.h"

namespace binario {

// The window layer, with `title` (UTF-8) as the title of both windows;
// nullptr when the window class cannot be registered.
std::unique_ptr<Ui> make_win32_ui(const std::string& title);

// The name of the waiting window's class, to find it among the desktop's
// windows.
inline constexpr wchar_t kWaitingWindowClass[] = L"binario_waiting";

}  // namespace binario
