// What the run shows the user: the waiting label while it works, and the
// error box of the reserved-slot checks. The console stands behind this
// interface everywhere; a window layer per platform (FLTK on Linux, Win32 on
// Windows) where a window can be shown.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace binario {

class Ui {
 public:
  virtual ~Ui() = default;
  // Shows "Attendere" before the work starts.
  virtual void show_waiting() = 0;
  // Shows " Errore n. " followed by `code` and returns once the user has
  // acknowledged it; the caller then ends the run.
  virtual void errore(std::string_view code) = 0;
};

// The text the error box shows for `code`. Inline, so that the window module
// that Linux loads at run time needs nothing from the program.
inline std::string errore_text(std::string_view code) {
  std::string text = " Errore n. ";
  text.append(code);
  return text;
}

// Writes to standard error: the label only when standard error is a terminal,
// the error text always.
std::unique_ptr<Ui> make_console_ui();

}  // namespace binario
