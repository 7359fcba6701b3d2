// binario format: descriptions laid out in place, told apart by their names,
// a train read with the line beside it; --check changes nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "test_support/program.h"

namespace binario {
namespace {

std::string example(const char* name) {
  return slurp(std::filesystem::path(BINARIO_SOURCE_DIR) / "examples" / name);
}

MemoryFileSystem example_folder() {
  MemoryFileSystem fs;
  fs.directories.insert("w");
  fs.files["w/Valdoria_linea.txt"] = example("Valdoria_linea.txt");
  fs.files["w/Valdoria_42-.txt"] = example("Valdoria_42-.txt");
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
  EXPECT_EQ(format(fs, {"w/Valdoria_linea.txt", "w/Valdoria_42-.txt"}, true, &messages), 1);
  EXPECT_NE(messages.find("w/Valdoria_linea.txt: not laid out"), std::string::npos) << messages;
  EXPECT_EQ(fs.files, before);

  EXPECT_EQ(format(fs, {"w/Valdoria_linea.txt", "w/Valdoria_42-.txt"}, false, &messages), 0);
  EXPECT_EQ(messages, "");
  EXPECT_NE(fs.files["w/Valdoria_linea.txt"], before.at("w/Valdoria_linea.txt"));
  EXPECT_NE(fs.files["w/Valdoria_linea.txt"].find("pendenza, 2100,  3\r\n"), std::string::npos);

  const std::map<std::string, std::string> laid_out = fs.files;
  EXPECT_EQ(format(fs, {"w/Valdoria_linea.txt", "w/Valdoria_42-.txt"}, true, &messages), 0);
  EXPECT_EQ(messages, "");
  EXPECT_EQ(format(fs, {"w/Valdoria_42-.txt"}, false, &messages), 0);
  EXPECT_EQ(fs.files, laid_out);
}

TEST(FormatCommand, RefusesWhatItCannotReadOrPair) {
  MemoryFileSystem fs = example_folder();
  std::string messages;
  EXPECT_EQ(format(fs, {"w/notes.txt"}, false, &messages), 2);
  EXPECT_NE(messages.find("not named as a description"), std::string::npos) << messages;

  fs.files.erase("w/Valdoria_linea.txt");
  const std::string train = fs.files["w/Valdoria_42-.txt"];
  EXPECT_EQ(format(fs, {"w/Valdoria_42-.txt"}, false, &messages), 3);
  EXPECT_NE(messages.find("no line description beside it"), std::string::npos) << messages;
  EXPECT_EQ(fs.files["w/Valdoria_42-.txt"], train);

  EXPECT_EQ(format(fs, {"w/Other_linea.txt"}, false, &messages), 3);
  EXPECT_NE(messages.find("cannot read it"), std::string::npos) << messages;

  // A file that cannot be replaced is a write failure; nothing else stops.
  MemoryFileSystem held = example_folder();
  held.fail_commit.insert("w/Valdoria_linea.txt");
  EXPECT_EQ(format(held, {"w/Valdoria_linea.txt", "w/Valdoria_42-.txt"}, false, &messages), 5);
  EXPECT_NE(messages.find("cannot write w/Valdoria_linea.txt"), std::string::npos) << messages;
  EXPECT_EQ(held.files["w/Valdoria_linea.txt"], example("Valdoria_linea.txt"));
}

}  // namespace
}  // namespace binario
