// The process as the platform layer sees it: the program's own folder and
// its arguments as UTF-8.
#include "platform/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
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

}  // namespace
}  // namespace binario
