#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/ui.h"

namespace binario {

namespace {

class ConsoleUi : public Ui {
 public:
  void show_waiting() override {
    if (::isatty(STDERR_FILENO)) std::fputs("Attendere\n", stderr);
  }
  void errore(std::string_view code) override {
    std::string text = errore_text(code);
    std::fprintf(stderr, "%s\n", text.c_str());
  }
};

}  // namespace

std::unique_ptr<Ui> make_console_ui() {
  return std::make_unique<ConsoleUi>();
}

}  // namespace binario
