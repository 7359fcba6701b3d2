// binario format: descriptions laid out in place, told apart by their names,
// a train read with the line beside it; --check changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "platform/paths.h"
#include "test_support/program.h"

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

}  // namespace
}  // namespace binario
