#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cli/app.h"
#include "platform/process.h"
#include "run/exit_status.h"

namespace {

// Flushes `stream` and the C stream under it; false when anything written
// to them was lost (a full disk, a closed pipe, /dev/full).
bool flushed(std::ostream& stream, std::FILE* file) {
  stream.flush();
  const bool flush_failed = std::fflush(file) != 0;
  return stream.good() && !flush_failed && !std::ferror(file);
}

// Output that could not be written is a failure like a file that could not
// be: a command that would have ended cleanly ends with the I/O failure
// status instead, and says so on standard error while that still works.
int with_output_checked(int status) {
  const bool out_written = flushed(std::cout, stdout);
  const bool err_written = flushed(std::cerr, stderr);
  if (out_written && err_written) return status;
  if (!out_written && err_written) {
    std::cerr << "binario: cannot write standard output\n";
    std::cerr.flush();
  }
  return status == binario::kExitClean ? binario::kExitFileError : status;
}

}  // namespace

int main(int argc, char** argv) {
  binario::set_up_standard_streams();
  // The arguments as UTF-8 on every platform.
  std::vector<std::string> arguments = binario::program_arguments(argc, argv);
  std::vector<char*> pointers;
  pointers.reserve(arguments.size());
  for (std::string& a : arguments) pointers.push_back(a.data());
  return with_output_checked(binario::run_cli(static_cast<int>(pointers.size()), pointers.data()));
}
