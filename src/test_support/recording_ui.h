// The UI of the tests: shows nothing and records what the run asked of it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/ui.h"

namespace binario::test {

class RecordingUi : public Ui {
 public:
  void show_waiting() override { ++waiting; }
  void errore(std::string_view code) override { errors.emplace_back(code); }

  int waiting = 0;                  // times the waiting label was shown
  std::vector<std::string> errors;  // the codes of the error boxes, in order
};

}  // namespace binario::test
