#include "sources/line_list.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <stdexcept>
#include <string>

#include "platform/file_system.h"

namespace binario {
namespace {

TEST(LineListTest, WritesEachLineAsStoredWithCrLf) {
  MemoryFileSystem fs;
  std::string error;
  LineList list{"inizio_dati  ", "", "  x ,y", "[fine]"};
  ASSERT_TRUE(write_line_list(fs, "a.txt", list, &error)) << error;
  // Leading and trailing blanks stay, the empty slot is an empty line, the
  // last line ends in CR LF too, and the end marker is not written.
  EXPECT_EQ(fs.files["a.txt"], "inizio_dati  \r\n\r\n  x ,y\r\n[fine]\r\n");
}

TEST(LineListTest, EmptyListGivesAnEmptyFile) {
  MemoryFileSystem fs;
  fs.files["a.txt"] = "old";
  std::string error;
  ASSERT_TRUE(write_line_list(fs, "a.txt", LineList{}, &error)) << error;
  EXPECT_EQ(fs.files["a.txt"], "");
}

TEST(LineListTest, MarkerFollowsTheLastLine) {
  LineList list;
  EXPECT_EQ(list.slot(0), kEndMarker);
  list.add("a");
  list.add("");
  EXPECT_EQ(list.size(), 2u);
  EXPECT_EQ(list.slot(1), "");
  EXPECT_EQ(list.slot(2), kEndMarker);
  EXPECT_EQ(list.slot(3), "");
}

TEST(LineListTest, HoldsAThousandLinesAndTheMarker) {
  LineList list;
  for (size_t i = 0; i < LineList::kMaxLines; ++i) list.add("x");
  EXPECT_EQ(list.slot(1000), kEndMarker);
  EXPECT_THROW(list.add("x"), std::length_error);
  EXPECT_EQ(list.size(), 1000u);

  MemoryFileSystem fs;
  std::string error;
  ASSERT_TRUE(write_line_list(fs, "a.txt", list, &error)) << error;
  EXPECT_EQ(fs.files["a.txt"].size(), 3000u);
}

TEST(LineListTest, RefusesTheMarkerAsALine) {
  // A line equal to the marker would silently end the file there.
  LineList list{"a"};
  EXPECT_THROW(list.add(kEndMarker), std::invalid_argument);
  list.add("riferimento fine del file ");  // not the marker: one blank more
  EXPECT_EQ(list.size(), 2u);
}

TEST(LineListTest, FailuresReportTheReasonAndKeepTheOldFile) {
  LineList list{"new"};
  for (auto inject : {&MemoryFileSystem::fail_create, &MemoryFileSystem::fail_write,
                      &MemoryFileSystem::fail_commit}) {
    MemoryFileSystem fs;
    fs.files["a.txt"] = "old contents\r\n";
    (fs.*inject).insert("a.txt");
    std::string error;
    EXPECT_FALSE(write_line_list(fs, "a.txt", list, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(fs.files["a.txt"], "old contents\r\n");
  }
}

TEST(LineListTest, ReplacesALongerFileOnDisk) {
  namespace fsys = std::filesystem;
  fsys::path dir = fsys::temp_directory_path() / ("line_list_test_" + std::to_string(::getpid()));
  fsys::create_directories(dir);
  std::string path = (dir / "a.txt").string();
  RealFileSystem fs;
  std::string error;
  ASSERT_TRUE(write_whole_file(fs, path, std::string(500, 'Z'), &error)) << error;

  ASSERT_TRUE(write_line_list(fs, path, LineList{"ab", ""}, &error)) << error;
  std::string contents;
  ASSERT_TRUE(fs.read_file(path, &contents, &error)) << error;
  EXPECT_EQ(contents, "ab\r\n\r\n");
  // Nothing but the file itself is left in the directory.
  EXPECT_EQ(std::distance(fsys::directory_iterator(dir), fsys::directory_iterator()), 1);
  fsys::remove_all(dir);
}

}  // namespace
}  // namespace binario
