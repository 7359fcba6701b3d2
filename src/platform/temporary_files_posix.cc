// Temporaries removed on SIGINT, SIGTERM and SIGHUP. The handler may only
// make async-signal-safe calls: it walks a fixed table of C strings, unlinks
// each, restores the default action and raises the signal again, so the
// program ends as the signal asks (status and all).
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/temporary_files.h"

namespace binario {

namespace {

constexpr int kEntries = 64;
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

// Each entry holds a malloc'd copy of a path, or null. The handler only reads
// the pointers; an entry is emptied before its copy is freed.
std::atomic<char*> entries[kEntries];
static_assert(std::atomic<char*>::is_always_lock_free);

extern "C" void remove_temporaries_and_end(int sig) {
  const int saved_errno = errno;
  for (std::atomic<char*>& entry : entries) {
    if (const char* path = entry.load()) ::unlink(path);
  }
  // The signal is blocked while its handler runs: the raised one is
  // delivered, with the default action, as soon as the handler returns.
  ::signal(sig, SIG_DFL);
  ::raise(sig);
  errno = saved_errno;
}

void install_handlers_now() {
  for (int sig : kSignals) {
    struct sigaction old;
    if (::sigaction(sig, nullptr, &old) != 0 || old.sa_handler == SIG_IGN) continue;  // nohup
    struct sigaction action {};
    action.sa_handler = remove_temporaries_and_end;
    sigemptyset(&action.sa_mask);
    for (int other : kSignals) sigaddset(&action.sa_mask, other);
    ::sigaction(sig, &action, nullptr);
  }
}

void install_handlers() {
  static std::once_flag installed;
  std::call_once(installed, install_handlers_now);
}

}  // namespace

int register_temporary(const std::string& path) {
  install_handlers();
  char* copy = static_cast<char*>(std::malloc(path.size() + 1));
  if (!copy) return -1;
  std::memcpy(copy, path.c_str(), path.size() + 1);
  for (int i = 0; i < kEntries; ++i) {
    char* empty = nullptr;
    if (entries[i].compare_exchange_strong(empty, copy)) return i;
  }
  std::free(copy);
  return -1;
}

void unregister_temporary(int entry) {
  if (entry < 0 || entry >= kEntries) return;
  std::free(entries[entry].exchange(nullptr));
}

InterruptionsHeld::InterruptionsHeld() {
  install_handlers();
  sigset_t block, old;
  sigemptyset(&block);
  for (int sig : kSignals) sigaddset(&block, sig);
  ::sigprocmask(SIG_BLOCK, &block, &old);
  for (int sig : kSignals) {
    if (!sigismember(&old, sig)) saved_ |= 1ull << sig;
  }
}

InterruptionsHeld::~InterruptionsHeld() {
  // Unblocks only what this object blocked; a pending signal arrives now.
  sigset_t unblock;
  sigemptyset(&unblock);
  for (int sig : kSignals) {
    if (saved_ & (1ull << sig)) sigaddset(&unblock, sig);
  }
  ::sigprocmask(SIG_UNBLOCK, &unblock, nullptr);
}

}  // namespace binario
