// Paths taken apart and joined as text, the way the run names its files and
// the command line finds an author's names.
#include "platform/paths.h"

#include <gtest/gtest.h>

#include <string>

namespace binario {
namespace {

TEST(PathsTest, JoinsWithOneSeparator) {
  const std::string sep(1, path_separator());
  EXPECT_EQ(join_path("", "a.txt"), "a.txt");
  EXPECT_EQ(join_path("dir", "a.txt"), "dir" + sep + "a.txt");
  EXPECT_EQ(join_path("dir" + sep, "a.txt"), "dir" + sep + "a.txt");
}

TEST(PathsTest, TakesNamesApart) {
  EXPECT_EQ(path_file_name("a/b/Zorvane_Pelk_linea.txt"), "Zorvane_Pelk_linea.txt");
  EXPECT_EQ(path_file_name("b.txt"), "b.txt");
  EXPECT_EQ(path_parent("a/b/c.txt"), "a/b");
  EXPECT_EQ(path_parent("c.txt"), "");
  EXPECT_EQ(path_parent("/c.txt"), "/");
  EXPECT_EQ(path_parent("a//c.txt"), "a");
  EXPECT_EQ(path_stem("a/Zorvane_Pelk_728.dat"), "Zorvane_Pelk_728");
  EXPECT_EQ(path_stem("a/.hidden"), ".hidden");
  EXPECT_EQ(path_stem("a/città.b.sim"), "città.b");
}

TEST(PathsTest, AcceptsForwardSlashesEverywhereAndBackslashesOnWindows) {
  EXPECT_TRUE(is_path_separator('/'));
  EXPECT_TRUE(is_path_separator(path_separator()));
  if (path_separator() != '\\') {
    EXPECT_FALSE(is_path_separator('\\'));
    EXPECT_EQ(path_file_name("a\\b.txt"), "a\\b.txt");
    return;
  }
  EXPECT_EQ(join_path("C:\\Ελλάδα", "a.dat"), "C:\\Ελλάδα\\a.dat");
  EXPECT_EQ(join_path("C:\\Ελλάδα\\", "a.dat"), "C:\\Ελλάδα\\a.dat");
  EXPECT_EQ(join_path("città/", "a.dat"), "città/a.dat");
  EXPECT_EQ(path_file_name("C:\\città\\b.txt"), "b.txt");
  EXPECT_EQ(path_file_name("C:/città\\b.txt"), "b.txt");
  EXPECT_EQ(path_parent("C:\\città/sub\\b.txt"), "C:\\città/sub");
  EXPECT_EQ(path_parent("\\b.txt"), "\\");
  EXPECT_EQ(path_stem("città\\Zorvane_Pelk_728.dat"), "Zorvane_Pelk_728");
}

}  // namespace
}  // namespace binario
