// The process on POSIX systems: the program's path from /proc/self/exe, the
// arguments and streams as they are.
#include <signal.h>
#include <sys/mman.h>
#include <sys/types.h>
#include <unistd.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstdlib>
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

namespace {

// What prepare_heap_for_one_command does, once in a process.
bool ask_for_large_pages() {
#if defined(__GLIBC__) && defined(MADV_HUGEPAGE)
  constexpr std::uintptr_t kLargePage = std::uintptr_t{2} << 20;
  // Blocks up to the allocator's largest threshold come from the heap rather
  // than from mappings of their own, which would each be touched afresh.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  // What is freed is never given back while the command runs.
  mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
  // Grow the heap now by 1 GiB, as much as the largest input's compile
  // takes: address space only, nothing is touched until it is used. Past
  // that, and where the system refuses the growth (a limit on the address
  // space, or memory committed strictly), the heap grows in the allocator's
  // own small steps, so that a command that fitted such a limit still does.
  // Where the allocator is not glibc's (a sanitizer's), the block does not
  // come from the heap and nothing more is done.
  mallopt(M_TOP_PAD, 1 << 30);
  const auto* const before = static_cast<const char*>(::sbrk(0));
  void* const block = std::malloc(kLargePage);
  const auto* const after = static_cast<const char*>(::sbrk(0));
  mallopt(M_TOP_PAD, 128 << 10);
  if (block == nullptr) return false;
  const auto start = reinterpret_cast<std::uintptr_t>(block);
  const auto end = reinterpret_cast<std::uintptr_t>(after);
  if (end <= reinterpret_cast<std::uintptr_t>(before) || start >= end) {
    std::free(block);
    return false;
  }
  // A large page covers a whole aligned 2 MiB that nothing has touched yet,
  // so the heap up to the first boundary past the block (whose end the
  // allocator has written to) cannot have one: the block grows to end just
  // there and stays held, untouched, so that every later block lies past
  // it. (The allocator keeps 16 bytes of a block's size before it, and grows
  // a block followed by the heap's top in place, touching nothing past it.)
  const std::uintptr_t boundary = (start + kLargePage + 64 + kLargePage - 1) & ~(kLargePage - 1);
  static void* held_below_the_boundary = nullptr;
  held_below_the_boundary = std::realloc(block, boundary - start - 8);
  if (held_below_the_boundary == nullptr) {
    std::free(block);
    return false;
  }
  // Only a hint: where the system has no large pages the heap stays as it was.
  const std::uintptr_t last = end & ~(kLargePage - 1);
  return reinterpret_cast<std::uintptr_t>(held_below_the_boundary) == start && last > boundary &&
         ::madvise(static_cast<char*>(held_below_the_boundary) + (boundary - start),
                   last - boundary, MADV_HUGEPAGE) == 0;
#else
  return false;
#endif
}

}  // namespace

bool prepare_heap_for_one_command() {
  static const bool asked = ask_for_large_pages();
  return asked;
}

}  // namespace binario
