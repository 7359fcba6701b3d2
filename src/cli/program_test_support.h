// For the tests that run the built program as a user would: a scratch folder
// per test, removed afterwards, and the program's exit status and output.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

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

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = std::filesystem::temp_directory_path() / ("binario-" + std::to_string(::getpid()) + "-" +
                                                    info->test_suite_name() + "-" + info->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  // Runs the program with `args` (already quoted as the shell needs), no input.
  Result run(const std::string& args) {
    const std::filesystem::path out = dir / "stdout.txt";
    const std::filesystem::path err = dir / "stderr.txt";
    const std::string command = std::string(BINARIO_EXE) + " " + args + " >" + out.string() +
                                " 2>" + err.string() + " </dev/null";
    const int raw = std::system(command.c_str());
    Result r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = slurp(out);
    r.err = slurp(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return r;
  }

  std::filesystem::path dir;
};

}  // namespace binario
