// The process as the platform layer sees it: the program's own folder and
// its arguments as UTF-8.
#include "platform/process.h"

#if defined(__linux__)
#include <sys/resource.h>
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "test_support/scratch_folder.h"

namespace binario {
namespace {

TEST(ProcessTest, TheProgramsFolderHoldsTheProgram) {
  const std::optional<std::string> known = program_directory();
  ASSERT_TRUE(known.has_value());
  const std::string& folder = *known;
  EXPECT_TRUE(std::filesystem::path(folder).is_absolute()) << folder;
  RealFileSystem fs;
  ASSERT_TRUE(fs.is_directory(folder)) << folder;
  std::vector<std::string> names;
  std::string error;
  ASSERT_TRUE(fs.list_files(folder, &names, &error)) << error;
  const bool found = std::any_of(names.begin(), names.end(), [](const std::string& name) {
    return name == "process_test" || name == "process_test.exe";
  });
  EXPECT_TRUE(found) << folder;
}

TEST(ProcessTest, TheArgumentsAreTheOnesTheProgramWasStartedWith) {
  std::vector<std::string> given = ::testing::internal::GetArgvs();
  std::vector<char*> argv;
  argv.reserve(given.size());
  for (std::string& a : given) argv.push_back(a.data());
  const std::vector<std::string> arguments =
      program_arguments(static_cast<int>(argv.size()), argv.data());
  ASSERT_EQ(arguments.size(), given.size());
  EXPECT_EQ(path_stem(arguments[0]), "process_test");
  for (size_t i = 1; i < given.size(); ++i) EXPECT_EQ(arguments[i], given[i]);
}

// Relative paths are taken from the folder changed into, whatever characters
// its name holds; a folder that is not there is refused with a reason.
TEST(ProcessTest, ChangingTheFolderMovesRelativePaths) {
  test::ScratchFolder scratch("binario-process");
  const std::filesystem::path before = std::filesystem::current_path();
  const std::string folder = join_path(scratch.path().string(), "cartella \xC3\x88");
  RealFileSystem fs;
  std::string error;
  ASSERT_TRUE(fs.make_directories(folder, &error)) << error;
  ASSERT_TRUE(change_directory(folder, &error)) << error;
  ASSERT_TRUE(write_whole_file(fs, "qui.txt", "x", &error)) << error;
  std::filesystem::current_path(before);
  EXPECT_TRUE(fs.exists(join_path(folder, "qui.txt")));

  error.clear();
  EXPECT_FALSE(change_directory(join_path(folder, "assente"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(std::filesystem::current_path(), before);
}

// The address sanitizer's allocator keeps freed memory aside on purpose.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BINARIO_OWN_ALLOCATOR 0
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define BINARIO_OWN_ALLOCATOR 0
#endif
#ifndef BINARIO_OWN_ALLOCATOR
#define BINARIO_OWN_ALLOCATOR 1
#endif

#if defined(__linux__) && BINARIO_OWN_ALLOCATOR
// The pages of this process in memory, in bytes.
size_t resident_bytes() {
  std::ifstream statm("/proc/self/statm");
  size_t pages = 0;
  size_t resident = 0;
  statm >> pages >> resident;
  return resident * 4096;
}

// Memory a worker thread took and freed goes back to the system when asked,
// also after a large block has made the allocator keep blocks of up to
// twice its size (as in the language server, whose threads take turns at
// answers of tens of megabytes). In a heap of the thread's own, the freed
// memory stayed held at that heap's top.
TEST(ProcessTest, MemoryAWorkerThreadFreedGoesBackWhenReleased) {
  share_one_heap_between_threads();
  auto large = std::make_unique<char[]>(size_t{24} << 20);
  std::memset(large.get(), 1, size_t{24} << 20);
  large.reset();
  release_free_memory();
  const size_t before = resident_bytes();
  volatile char seen = 0;
  std::thread([&seen] {
    std::vector<std::unique_ptr<char[]>> blocks;
    for (int i = 0; i < 32; ++i) {
      blocks.push_back(std::make_unique<char[]>(size_t{1} << 20));
      std::memset(blocks.back().get(), i + 1, size_t{1} << 20);
    }
    for (const auto& b : blocks) seen = static_cast<char>(seen + b[4095]);
  }).join();
  EXPECT_NE(seen, 0);
  release_free_memory();
  EXPECT_LT(resident_bytes(), before + (size_t{8} << 20));
}

// The flags of the mapping that holds `address` (/proc/self/smaps's
// "VmFlags" line), or an empty text when none holds it.
std::string mapping_flags(const void* address) {
  std::ifstream smaps("/proc/self/smaps");
  const auto at = reinterpret_cast<uintptr_t>(address);
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    uintptr_t first = 0;
    uintptr_t end = 0;
    char dash = 0;
    std::istringstream range(line);
    if (range >> std::hex >> first >> dash >> end && dash == '-') {
      inside = first <= at && at < end;
    } else if (inside && line.starts_with("VmFlags:")) {
      return line;
    }
  }
  return "";
}

// A command's new blocks, past the allocator's usual threshold for mappings
// of their own and as large as a compile's, come from memory the system was
// asked to back with large pages ("hg"), and are usable; asked again, the
// heap is left as it was prepared.
TEST(ProcessTest, AOneCommandsHeapHandsBlocksOutOfLargePages) {
  if (!std::filesystem::exists("/sys/kernel/mm/transparent_hugepage")) {
    GTEST_SKIP() << "this kernel has no transparent huge pages";
  }
  ASSERT_TRUE(prepare_heap_for_one_command());
  std::vector<std::unique_ptr<char[]>> blocks;
  for (const size_t size : {size_t{256} << 10, size_t{4} << 20, size_t{24} << 20}) {
    blocks.push_back(std::make_unique<char[]>(size));
    std::memset(blocks.back().get(), 7, size);
    EXPECT_NE(mapping_flags(blocks.back().get()).find(" hg"), std::string::npos) << size;
  }
  EXPECT_TRUE(prepare_heap_for_one_command());
  blocks.push_back(std::make_unique<char[]>(size_t{1} << 20));
  EXPECT_NE(mapping_flags(blocks.back().get()).find(" hg"), std::string::npos);
}

// The address space this process holds, in bytes (/proc/self/status).
size_t address_space_bytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.starts_with("VmSize:")) return std::stoul(line.substr(7)) * 1024;
  }
  return 0;
}

// Under a limit on the address space (`ulimit -v`) the 1 GiB of heap cannot
// be had; the heap then grows in the allocator's own small steps, so a
// command that fitted the limit before still does: here 80 MiB in blocks of
// 1 MiB with 100 MiB to spare. (Growing in steps of 64 MiB, the second step
// went past the limit and the command ended with std::bad_alloc.) Run in a
// child process, which ends with 0 when every block was had.
[[noreturn]] void take_blocks_under_a_limit() {
  const rlim_t limit = address_space_bytes() + (rlim_t{100} << 20);
  const rlimit r{limit, limit};
  if (::setrlimit(RLIMIT_AS, &r) != 0) std::_Exit(2);
  prepare_heap_for_one_command();
  std::vector<std::unique_ptr<char[]>> blocks;
  for (int i = 0; i < 80; ++i) {
    blocks.push_back(std::make_unique<char[]>(size_t{1} << 20));
    blocks.back()[0] = 1;
  }
  std::_Exit(0);
}

TEST(ProcessTest, UnderALimitOnTheAddressSpaceEveryBlockThatFitsIsHad) {
  EXPECT_EXIT(take_blocks_under_a_limit(), ::testing::ExitedWithCode(0), "");
}
#endif

}  // namespace
}  // namespace binario
