// For the tests that run the built program as a user would: a scratch folder
// per test, removed afterwards, and the program's exit status and output.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "test_support/scratch_folder.h"

#ifdef _WIN32
#include <windows.h>

#include "platform/win32_text.h"
#else
#include <sys/wait.h>
#endif

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

#ifdef _WIN32
namespace test {

// A file the child process writes its output to: inheritable, so the child
// gets it as a standard handle.
inline HANDLE inheritable_file(const std::filesystem::path& p, DWORD access, DWORD creation) {
  SECURITY_ATTRIBUTES inherit{static_cast<DWORD>(sizeof(SECURITY_ATTRIBUTES)), nullptr, TRUE};
  // Shared for deletion too: the system may close the child's copies of the
  // handle a moment after the child has ended, and the file is removed then.
  return ::CreateFileW(p.wstring().c_str(), access,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, creation,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts the UTF-8 `command` line with CreateProcessW and the given standard
// handles; returns its exit code, or -1 when it could not be started.
inline int run_with_handles(const std::string& command, HANDLE in, HANDLE out, HANDLE err) {
  std::wstring line = utf8_to_wide(command);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
    return -1;
  }
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  const bool known = ::GetExitCodeProcess(process.hProcess, &code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return known ? static_cast<int>(code) : -1;
}

}  // namespace test
#endif

// Runs `command` (the program and its arguments, separated by spaces; a
// path in it has no space) with no input, and returns its exit status (-1
// when it did not exit normally) and what it wrote; `scratch` holds the
// captured output meanwhile. The one place that knows how the system starts
// a program and reports how it ended.
inline Result run_program(const std::string& command, const std::filesystem::path& scratch) {
  const std::filesystem::path out = scratch / "stdout.txt";
  const std::filesystem::path err = scratch / "stderr.txt";
  Result r;
#ifdef _WIN32
  HANDLE in = test::inheritable_file(L"NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE out_file = test::inheritable_file(out, GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err_file = test::inheritable_file(err, GENERIC_WRITE, CREATE_ALWAYS);
  r.status = test::run_with_handles(command, in, out_file, err_file);
  for (HANDLE h : {in, out_file, err_file}) {
    if (h != INVALID_HANDLE_VALUE) ::CloseHandle(h);
  }
#else
  const std::string line = command + " >" + out.string() + " 2>" + err.string() + " </dev/null";
  const int raw = std::system(line.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
  r.out = slurp(out);
  r.err = slurp(err);
  // Left behind only if the system still holds them; the scratch folder
  // goes at the end of the test either way.
  std::error_code ignored;
  std::filesystem::remove(out, ignored);
  std::filesystem::remove(err, ignored);
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

  // Runs the program with `args` (separated by spaces), no input.
  Result run(const std::string& args) {
    return run_program(std::string(BINARIO_EXE) + " " + args, dir);
  }

  std::filesystem::path dir;

 private:
  std::unique_ptr<test::ScratchFolder> scratch_;
};

}  // namespace binario
