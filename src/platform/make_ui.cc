#include "platform/make_ui.h"

#ifdef BINARIO_HAVE_WINDOW
#include "platform/fltk_ui.h"
#endif

namespace binario {

bool window_built() {
#ifdef BINARIO_HAVE_WINDOW
  return true;
#else
  return false;
#endif
}

std::unique_ptr<Ui> make_ui(bool allow_window) {
#ifdef BINARIO_HAVE_WINDOW
  if (allow_window) {
    if (std::unique_ptr<Ui> window = make_window_ui("binario")) return window;
  }
#else
  (void)allow_window;
#endif
  return make_console_ui();
}

}  // namespace binario
