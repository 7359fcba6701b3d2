#include <string>
#include <vector>

#include "cli/app.h"
#include "platform/process.h"

int main(int argc, char** argv) {
  binario::set_up_standard_streams();
  // The arguments as UTF-8 on every platform.
  std::vector<std::string> arguments = binario::program_arguments(argc, argv);
  std::vector<char*> pointers;
  for (std::string& a : arguments) pointers.push_back(a.data());
  return binario::run_cli(static_cast<int>(pointers.size()), pointers.data());
}
