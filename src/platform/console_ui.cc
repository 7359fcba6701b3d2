#include <iostream>
#include <string>

#include "platform/process.h"
#include "platform/ui.h"

namespace binario {

namespace {

class ConsoleUi : public Ui {
 public:
  void show_waiting() override {
    if (standard_error_is_terminal()) std::cerr << "Attendere\n";
  }
  void errore(std::string_view code) override { std::cerr << errore_text(code) << '\n'; }
};

}  // namespace

std::unique_ptr<Ui> make_console_ui() {
  return std::make_unique<ConsoleUi>();
}

}  // namespace binario
