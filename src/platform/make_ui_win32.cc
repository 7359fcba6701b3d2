// The chooser on Windows: the Win32 window layer, which needs nothing beyond
// the system, unless the run was asked to show no window.
#include "platform/make_ui.h"
#include "platform/win32_ui.h"

namespace binario {

std::unique_ptr<Ui> make_ui(bool allow_window) {
  if (allow_window) {
    if (std::unique_ptr<Ui> window = make_win32_ui(kWindowTitle)) return window;
  }
  return make_console_ui();
}

}  // namespace binario
