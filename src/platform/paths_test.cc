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
  // A joined path keeps the separator the folder's path already uses.
  EXPECT_EQ(join_path("C:/Scenari/ro", "a.dat"), "C:/Scenari/ro/a.dat");
  EXPECT_EQ(join_path("C:/Scenari\\ro", "a.dat"), "C:/Scenari\\ro\\a.dat");
  EXPECT_EQ(join_path("ro", "a.dat"), "ro\\a.dat");
  EXPECT_EQ(path_file_name("C:\\città\\b.txt"), "b.txt");
  EXPECT_EQ(path_file_name("C:/città\\b.txt"), "b.txt");
  EXPECT_EQ(path_parent("C:\\città/sub\\b.txt"), "C:\\città/sub");
  EXPECT_EQ(path_parent("\\b.txt"), "\\");
  EXPECT_EQ(path_stem("città\\Zorvane_Pelk_728.dat"), "Zorvane_Pelk_728");
}

TEST(PathsTest, TellsTheNamesWindowsTakesForADevice) {
  for (const char* device :
       {"CON", "prn", "Aux.txt", "nul.tar.gz", "COM1", "lpt9.dat", "CON .x", "conout$"}) {
    EXPECT_NE(windows_device_name(device), "") << device;
  }
  EXPECT_EQ(windows_device_name("com3.sim"), "COM3");
  for (const char* file : {"", "CONSOLE", "COM0", "COM10", "LPT", "xNUL", "NUL_1.dat", "a.CON"}) {
    EXPECT_EQ(windows_device_name(file), "") << file;
  }
}

TEST(PathsTest, LongAbsolutePathsTakeTheExtendedPrefix) {
  const std::string folder(120, 'f');
  const std::string name(130, 'n');
  // Short paths, relative ones and prefixed ones are left as they are.
  EXPECT_EQ(windows_long_path("C:/a/../b.dat"), "C:/a/../b.dat");
  const std::string relative = folder + "/" + name;
  EXPECT_EQ(windows_long_path(relative), relative);
  const std::string prefixed = "\\\\?\\C:\\" + relative;
  EXPECT_EQ(windows_long_path(prefixed), prefixed);
  EXPECT_EQ(windows_long_path("\\\\.\\pipe\\" + relative), "\\\\.\\pipe\\" + relative);
  // A drive path: backslashes only, "." and ".." resolved, doubled separators merged.
  EXPECT_EQ(windows_long_path("C:/Scenari//" + folder + "/./x/../" + name + "/"),
            "\\\\?\\C:\\Scenari\\" + folder + "\\" + name);
  EXPECT_EQ(windows_long_path("d:\\..\\" + folder + "\\città\\" + name),
            "\\\\?\\d:\\" + folder + "\\città\\" + name);
  // A share: ".." does not climb over its server and name.
  EXPECT_EQ(windows_long_path("\\\\srv\\share\\..\\..\\" + folder + "/" + name),
            "\\\\?\\UNC\\srv\\share\\" + folder + "\\" + name);
  // Just past the shortest limit (a folder's, 247) the prefix starts.
  const std::string at_limit = "C:\\" + std::string(244, 'a');
  EXPECT_EQ(windows_long_path(at_limit), at_limit);
  EXPECT_EQ(windows_long_path(at_limit + "b"), "\\\\?\\" + at_limit + "b");
}

}  // namespace
}  // namespace binario
