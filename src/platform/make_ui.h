// Chooses what the run shows the user: the platform's window layer when it
// can show a window, the console otherwise. One make_ui file per platform.
#pragma once

#include <memory>

#include "platform/ui.h"

namespace binario {

// The window layer when `allow_window` is set and a window can be shown; the
// console layer otherwise.
std::unique_ptr<Ui> make_ui(bool allow_window);

}  // namespace binario
