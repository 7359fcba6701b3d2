// binario.exe started as Explorer starts it, with no console to write to: a
// failure and the result of a pair dropped on the program are shown in a
// message box titled "binario", which the test reads and closes as a user
// would. Needs a desktop (Windows, or Wine on an X server).
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/win32_text.h"
#include "test_support/program.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;

struct BoxSeen {
  int exit_status = -1;
  bool shown = false;
  std::string text;
};

struct Search {
  DWORD process;
  HWND box;
};

BOOL CALLBACK find_box(HWND w, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  DWORD owner = 0;
  ::GetWindowThreadProcessId(w, &owner);
  wchar_t title[64] = {};
  wchar_t kind[64] = {};
  ::GetWindowTextW(w, title, 64);
  ::GetClassNameW(w, kind, 64);
  if (owner == search->process && std::wstring(title) == L"binario" &&
      std::wstring(kind) == L"#32770" && ::IsWindowVisible(w)) {
    search->box = w;
    return FALSE;
  }
  return TRUE;
}

// Starts `arguments` with no console, reads the box
// it shows (if any), presses its OK button and waits for the program's end.
BoxSeen run_detached(const std::string& arguments) {
  BoxSeen seen;
  std::wstring line = utf8_to_wide(std::string(BINARIO_EXE) + " " + arguments);
  // Standard handles on the null device, as a program started without a
  // console may have: neither a file nor a pipe that someone reads.
  HANDLE nul = test::inheritable_file(L"NUL", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
  PROCESS_INFORMATION process{};
  const bool started = ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE,
                                        DETACHED_PROCESS, nullptr, nullptr, &startup, &process);
  ::CloseHandle(nul);
  if (!started) {
    ADD_FAILURE() << "cannot start " << BINARIO_EXE;
    return seen;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < deadline) {
    Search search{process.dwProcessId, nullptr};
    ::EnumWindows(find_box, reinterpret_cast<LPARAM>(&search));
    if (search.box) {
      seen.shown = true;
      // The box's text is its static control, 0xFFFF.
      wchar_t text[4096] = {};
      ::GetDlgItemTextW(search.box, 0xFFFF, text, 4096);
      seen.text = wide_to_utf8(text);
      ::PostMessageW(search.box, WM_COMMAND, IDOK, 0);
      break;
    }
    if (::WaitForSingleObject(process.hProcess, 100) == WAIT_OBJECT_0) break;
  }
  if (::WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the program did not end";
    ::TerminateProcess(process.hProcess, 99);
  }
  DWORD code = 0;
  ::GetExitCodeProcess(process.hProcess, &code);
  seen.exit_status = static_cast<int>(code);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return seen;
}

class MessageBoxTest : public ProgramTest {
 protected:
  std::string put(const std::string& name, const std::string& text) {
    std::ofstream(dir / name, std::ios::binary) << text;
    return (dir / name).string();
  }
};

TEST_F(MessageBoxTest, AFailureWithNoConsoleIsShownWithTheReasonAndTheFile) {
  const std::string train = put("X_1-.txt", "[generale]\r\n[fine]\r\n");
  const BoxSeen compile = run_detached("compile " + (dir / "X_linea.txt").string() + " " + train);
  EXPECT_EQ(compile.exit_status, 3);
  ASSERT_TRUE(compile.shown);
  EXPECT_NE(compile.text.find("X_linea.txt"), std::string::npos) << compile.text;
  EXPECT_NE(compile.text.find("error 101"), std::string::npos) << compile.text;
  EXPECT_EQ(compile.text.find('\033'), std::string::npos) << "colour sequences in the box";

  // The run into a folder that is a file.
  const BoxSeen run = run_detached("-C " + train + " --no-window");
  EXPECT_EQ(run.exit_status, 5);
  ASSERT_TRUE(run.shown);
  EXPECT_NE(run.text.find("cannot create the folder"), std::string::npos) << run.text;
  EXPECT_NE(run.text.find("X_1-.txt"), std::string::npos) << run.text;

  // Success shows nothing.
  const BoxSeen version = run_detached("--version");
  EXPECT_EQ(version.exit_status, 0);
  EXPECT_FALSE(version.shown) << version.text;
}

TEST_F(MessageBoxTest, APairDroppedOnTheProgramCompilesBesideItAndSaysWhat) {
  const stdfs::path examples = stdfs::path(BINARIO_SOURCE_DIR) / "examples";
  stdfs::copy_file(examples / "Valdoria_linea.txt", dir / "Valdoria_linea.txt");
  stdfs::copy_file(examples / "Valdoria_42-.txt", dir / "Valdoria_42-.txt");
  // Explorer passes the paths in the order of the selection: train first here.
  const BoxSeen dropped = run_detached((dir / "Valdoria_42-.txt").string() + " " +
                                       (dir / "Valdoria_linea.txt").string());
  EXPECT_EQ(dropped.exit_status, 0);
  ASSERT_TRUE(dropped.shown);
  EXPECT_NE(
      dropped.text.find("binario: wrote Valdoria_linea.dat, Valdoria_42.sim, Valdoria_42.dat"),
      std::string::npos)
      << dropped.text;
  EXPECT_TRUE(stdfs::exists(dir / "Valdoria_42.dat"));
  EXPECT_TRUE(stdfs::exists(dir / "Valdoria_42.sim"));

  // A pair with a fault: the box gives the diagnostics.
  const std::string line = put("X_linea.txt",
                               "[generale]\r\nlunghezza percorso, 2000\r\n[pendenze]\r\n"
                               "  pendenza, 99999, 1\r\n[fine]\r\n");
  const std::string train = put("X_1-.txt", "[generale]\r\n[fine]\r\n");
  const BoxSeen faulty = run_detached(line + " " + train);
  EXPECT_EQ(faulty.exit_status, 1);
  ASSERT_TRUE(faulty.shown);
  EXPECT_NE(faulty.text.find("X_linea.txt:4:3: error 15:"), std::string::npos) << faulty.text;
}

}  // namespace
}  // namespace binario
