// For the tests that run the built program as a user would: a scratch folder
// per test, removed afterwards, and the program's exit status and output.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "test_support/scratch_folder.h"

namespace binario {

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

inline std::string slurp(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Runs `command` (quoted as the shell needs) with no input, and returns its
// exit status (-1 when it did not exit normally) and what it wrote; `scratch`
// holds the captured output meanwhile. The one place that knows how the
// system starts a program and reports how it ended.
inline Result run_program(const std::string& command, const std::filesystem::path& scratch) {
  const std::filesystem::path out = scratch / "stdout.txt";
  const std::filesystem::path err = scratch / "stderr.txt";
  const std::string line = command + " >" + out.string() + " 2>" + err.string() + " </dev/null";
  const int raw = std::system(line.c_str());
  Result r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.out = slurp(out);
  r.err = slurp(err);
  std::filesystem::remove(out);
  std::filesystem::remove(err);
  return r;
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    scratch_ = std::make_unique<test::ScratchFolder>(std::string("binario-") +
                                                     info->test_suite_name() + "-" + info->name());
    dir = scratch_->path();
  }
  void TearDown() override { scratch_.reset(); }

  // Runs the program with `args` (already quoted as the shell needs), no input.
  Result run(const std::string& args) {
    return run_program(std::string(BINARIO_EXE) + " " + args, dir);
  }

  std::filesystem::path dir;

 private:
  std::unique_ptr<test::ScratchFolder> scratch_;
};

}  // namespace binario
