// Temporaries removed when the console sends Ctrl+C, Ctrl+Break or its close
// event. The console runs the handler on a thread of its own: one lock
// guards the table, the handler keeps it once taken (no rename may follow)
// and returns FALSE so that the system's default handler ends the process.
#include <windows.h>

#include <mutex>
#include <string>

#include "platform/paths.h"
#include "platform/temporary_files.h"
#include "platform/win32_text.h"

namespace binario {

namespace {

constexpr int kEntries = 64;

struct Registry {
  CRITICAL_SECTION lock;
  std::wstring paths[kEntries];
  bool used[kEntries] = {};
  Registry() { ::InitializeCriticalSection(&lock); }
};

Registry& registry() {
  static Registry* r = new Registry;  // never destroyed: the handler may run at exit
  return *r;
}

BOOL WINAPI remove_temporaries(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
    return FALSE;
  }
  Registry& r = registry();
  ::EnterCriticalSection(&r.lock);  // held until the process ends
  for (int i = 0; i < kEntries; ++i) {
    if (r.used[i]) ::DeleteFileW(r.paths[i].c_str());
    r.used[i] = false;
  }
  return FALSE;
}

void install_handler() {
  static std::once_flag installed;
  std::call_once(installed, [] { ::SetConsoleCtrlHandler(remove_temporaries, TRUE); });
}

}  // namespace

int register_temporary(const std::string& path) {
  install_handler();
  Registry& r = registry();
  std::wstring wide = utf8_to_wide(windows_long_path(path));
  ::EnterCriticalSection(&r.lock);
  int entry = -1;
  for (int i = 0; i < kEntries && entry < 0; ++i) {
    if (!r.used[i]) {
      r.paths[i] = std::move(wide);
      r.used[i] = true;
      entry = i;
    }
  }
  ::LeaveCriticalSection(&r.lock);
  return entry;
}

void unregister_temporary(int entry) {
  if (entry < 0 || entry >= kEntries) return;
  Registry& r = registry();
  ::EnterCriticalSection(&r.lock);
  r.used[entry] = false;
  r.paths[entry].clear();
  ::LeaveCriticalSection(&r.lock);
}

InterruptionsHeld::InterruptionsHeld() {
  install_handler();
  ::EnterCriticalSection(&registry().lock);
}

InterruptionsHeld::~InterruptionsHeld() {
  ::LeaveCriticalSection(&registry().lock);
}

}  // namespace binario
