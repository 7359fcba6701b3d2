// binario format: descriptions laid out in place, told apart by their names,
// a train read with the line beside it; --check changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "platform/paths.h"
#include "test_support/memory_file_system.h"
#include "test_support/program.h"
#include "test_support/scratch_folder.h"

namespace binario {
namespace {

std::string example(const char* name) {
  return slurp(std::filesystem::path(BINARIO_SOURCE_DIR) / "examples" / name);
}

// The paths as the program joins them on this platform.
const std::string kLine = join_path("w", "Valdoria_linea.txt");
const std::string kTrain = join_path("w", "Valdoria_42-.txt");

MemoryFileSystem example_folder() {
  MemoryFileSystem fs;
  fs.directories.insert("w");
  fs.files[kLine] = example("Valdoria_linea.txt");
  fs.files[kTrain] = example("Valdoria_42-.txt");
  return fs;
}

int format(MemoryFileSystem& fs, std::initializer_list<std::string> files, bool check,
           std::string* messages) {
  FormatArgs args;
  args.files = files;
  args.check = check;
  std::ostringstream err;
  const int status = format_command(args, fs, err);
  *messages = err.str();
  return status;
}

TEST(FormatCommand, LaysOutInPlaceOnceAndCheckChangesNothing) {
  MemoryFileSystem fs = example_folder();
  const std::map<std::string, std::string> before = fs.files;
  std::string messages;
  EXPECT_EQ(format(fs, {kLine, kTrain}, true, &messages), 1);
  EXPECT_NE(messages.find(kLine + ": not laid out"), std::string::npos) << messages;
  EXPECT_EQ(fs.files, before);

  EXPECT_EQ(format(fs, {kLine, kTrain}, false, &messages), 0);
  EXPECT_EQ(messages, "");
  EXPECT_NE(fs.files[kLine], before.at(kLine));
  EXPECT_NE(fs.files[kLine].find("pendenza, 2100,  3\r\n"), std::string::npos);

  const std::map<std::string, std::string> laid_out = fs.files;
  EXPECT_EQ(format(fs, {kLine, kTrain}, true, &messages), 0);
  EXPECT_EQ(messages, "");
  EXPECT_EQ(format(fs, {kTrain}, false, &messages), 0);
  EXPECT_EQ(fs.files, laid_out);
}

TEST(FormatCommand, RefusesWhatItCannotReadOrPair) {
  MemoryFileSystem fs = example_folder();
  std::string messages;
  EXPECT_EQ(format(fs, {join_path("w", "notes.txt")}, false, &messages), 2);
  EXPECT_NE(messages.find("not named as a description"), std::string::npos) << messages;

  fs.files.erase(kLine);
  const std::string train = fs.files[kTrain];
  EXPECT_EQ(format(fs, {kTrain}, false, &messages), 3);
  EXPECT_NE(messages.find("no line description beside it"), std::string::npos) << messages;
  EXPECT_EQ(fs.files[kTrain], train);

  EXPECT_EQ(format(fs, {join_path("w", "Other_linea.txt")}, false, &messages), 3);
  EXPECT_NE(messages.find("cannot read it"), std::string::npos) << messages;

  // A file that cannot be replaced is a write failure; nothing else stops.
  MemoryFileSystem held = example_folder();
  held.fail_commit.insert(kLine);
  EXPECT_EQ(format(held, {kLine, kTrain}, false, &messages), 5);
  EXPECT_NE(messages.find("cannot write " + kLine), std::string::npos) << messages;
  EXPECT_EQ(held.files[kLine], example("Valdoria_linea.txt"));
}

// An author's file stays the author's: a change saved while format runs is
// kept and said; one that cannot be rewritten as the same file (other hard
// links, an owner that cannot be kept) is left as it is, with the reason.
TEST(FormatCommand, LeavesAFileItCannotRewriteAsTheSameFileAlone) {
  // The author saves the line description while format lays it out.
  struct SavedMeanwhile : MemoryFileSystem {
    std::unique_ptr<OutputFile> edit_file(const std::string& path, const EditBase& base,
                                          std::string* error) override {
      auto file = MemoryFileSystem::edit_file(path, base, error);
      files[path] += "; saved meanwhile\r\n";
      return file;
    }
  } saving;
  saving.directories.insert("w");
  saving.files[kLine] = example("Valdoria_linea.txt");
  std::string messages;
  EXPECT_EQ(format(saving, {kLine}, false, &messages), 5);
  EXPECT_EQ(messages, "binario: cannot write " + kLine + ": " + kChangedMeanwhileReason + "\n");
  EXPECT_EQ(saving.files[kLine], example("Valdoria_linea.txt") + "; saved meanwhile\r\n");

  for (auto refused : {&MemoryFileSystem::hard_linked, &MemoryFileSystem::foreign_owner}) {
    MemoryFileSystem fs = example_folder();
    (fs.*refused).insert(kLine);
    EXPECT_EQ(format(fs, {kLine, kTrain}, false, &messages), 5);
    EXPECT_NE(messages.find(kLine + ": "), std::string::npos) << messages;
    EXPECT_NE(messages.find("left as it is"), std::string::npos) << messages;
    EXPECT_EQ(fs.files[kLine], example("Valdoria_linea.txt"));
  }
}

// A check that could not look at a file has not found it laid out: its
// status says so, whether the file or its partner stood in the way.
TEST(FormatCommand, CheckFailsForAFileItCouldNotCheck) {
  MemoryFileSystem fs = example_folder();
  std::string messages;
  ASSERT_EQ(format(fs, {kLine, kTrain}, false, &messages), 0) << messages;
  fs.files[kLine] = "not a line description\r\n";
  EXPECT_EQ(format(fs, {kTrain}, true, &messages), 3);
  EXPECT_NE(messages.find(kTrain + ": left as it is"), std::string::npos) << messages;
  // Laying out alone, the same refusal leaves the file and the status clean.
  EXPECT_EQ(format(fs, {kTrain}, false, &messages), 0);

  fs.files[kLine] = example("Valdoria_linea.txt");
  fs.fail_read.insert(kLine);
  EXPECT_EQ(format(fs, {kTrain}, true, &messages), 3);
  EXPECT_NE(messages.find("cannot read it"), std::string::npos) << messages;
}

#ifndef _WIN32
// On disk: a laid-out description keeps its permissions, and one reached
// through a symbolic link is laid out where it lives.
TEST(FormatCommand, KeepsTheModeAndFollowsASymbolicLinkOnDisk) {
  const test::ScratchFolder scratch("binario-format");
  const std::filesystem::path& dir = scratch.path();
  std::filesystem::create_directory(dir / "texts");
  std::ofstream(dir / "texts" / "Valdoria_linea.txt", std::ios::binary)
      << example("Valdoria_linea.txt");
  std::filesystem::permissions(
      dir / "texts" / "Valdoria_linea.txt",
      std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
  std::filesystem::create_symlink(dir / "texts" / "Valdoria_linea.txt", dir / "Valdoria_linea.txt");
  RealFileSystem fs;
  FormatArgs args;
  args.files = {(dir / "Valdoria_linea.txt").string()};
  std::ostringstream err;
  ASSERT_EQ(format_command(args, fs, err), 0) << err.str();
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "Valdoria_linea.txt"));
  EXPECT_NE(slurp(dir / "texts" / "Valdoria_linea.txt"), example("Valdoria_linea.txt"));
  EXPECT_EQ(std::filesystem::status(dir / "texts" / "Valdoria_linea.txt").permissions(),
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
}
#endif

}  // namespace
}  // namespace binario
