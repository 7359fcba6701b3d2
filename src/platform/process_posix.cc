// The process on POSIX systems: the program's path from /proc/self/exe, the
// arguments and streams as they are.
#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cerrno>
#include <filesystem>
#include <limits>
#include <system_error>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace binario {

void set_up_standard_streams() {}

std::vector<std::string> program_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}

std::optional<std::string> argument_hint(const std::string&) {
  return std::nullopt;  // the shell has handed over the arguments as meant
}

bool output_vanishes_at_exit() {
  return false;
}

void show_message_box(const std::string&, bool) {}

std::optional<std::string> program_directory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec || !exe.is_absolute()) return std::nullopt;
  return path_parent(exe.string());
}

bool standard_error_is_terminal() {
  return ::isatty(STDERR_FILENO) != 0;
}

bool standard_error_shows_colour() {
  return standard_error_is_terminal();
}

unsigned long current_process_id() {
  return static_cast<unsigned long>(::getpid());
}

bool process_alive(unsigned long pid) {
  // 0 and what does not fit a pid_t would signal a group or fail: no process.
  if (pid == 0 || pid > static_cast<unsigned long>(std::numeric_limits<pid_t>::max())) return false;
  // Signal 0 only asks: EPERM means a process of another user holds the number.
  return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

bool change_directory(const std::string& dir, std::string* error) {
  if (::chdir(dir.c_str()) == 0) return true;
  if (error) *error = system_error_reason(errno);
  return false;
}

void release_free_memory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

void share_one_heap_between_threads() {
#if defined(__GLIBC__)
  mallopt(M_ARENA_MAX, 1);
#endif
}

}  // namespace binario
