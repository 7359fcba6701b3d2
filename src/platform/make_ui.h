// Chooses what the run shows the user: the window when the program was built
// with one and a display can be opened, the console otherwise.
#pragma once

#include <memory>

#include "platform/ui.h"

namespace binario {

// True when the program was built with the window layer.
bool window_built();

// The window layer when `allow_window` is set, the program has one and a
// display is available; the console layer otherwise.
std::unique_ptr<Ui> make_ui(bool allow_window);

}  // namespace binario
