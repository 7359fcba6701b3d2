// Reading a whole file on the real disk refuses what is not a regular file
// before reading a byte of it, and anything larger than the caller's cap.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/file_system.h"
#include "test_support/memory_file_system.h"
#include "test_support/scratch_folder.h"

namespace binario {
namespace {

TEST(BoundedRead, TheCapIsExactAndItsRefusalSaysBothSizes) {
  const test::ScratchFolder scratch("binario-bounded");
  const std::string path = (scratch.path() / "ten.txt").string();
  std::ofstream(path, std::ios::binary) << "0123456789";
  RealFileSystem fs;
  std::string contents, error;
  EXPECT_TRUE(fs.read_file(path, ReadCap{10, "a test file"}, &contents, &error)) << error;
  EXPECT_EQ(contents, "0123456789");
  EXPECT_TRUE(fs.read_file(path, &contents, &error)) << error;  // no cap at all
  EXPECT_EQ(contents, "0123456789");
  EXPECT_FALSE(fs.read_file(path, ReadCap{9, "a test file"}, &contents, &error));
  EXPECT_EQ(error, "Is 10 bytes, more than the 9 bytes a test file may have");
  EXPECT_TRUE(contents.empty());

  EXPECT_EQ(too_large_reason(300'000'000, ReadCap{64 << 20, "a description"}),
            "Is 300 MB, more than the 64 MiB a description may have");
  EXPECT_EQ(too_large_reason(30'000'000, ReadCap{20'140'020, "a binary file"}),
            "Is 30 MB, more than the 20140020 bytes a binary file may have");
}

TEST(BoundedRead, NothingButARegularFileIsRead) {
  const test::ScratchFolder scratch("binario-bounded");
  RealFileSystem fs;
  std::string contents, error;
  EXPECT_FALSE(fs.read_file(scratch.path().string(), &contents, &error));
  EXPECT_EQ(error, kIsDirectoryReason);
  EXPECT_FALSE(fs.missing(scratch.path().string()));
  EXPECT_TRUE(fs.missing((scratch.path() / "none.txt").string()));
  EXPECT_TRUE(fs.missing((scratch.path() / "none" / "deeper.txt").string()));

  MemoryFileSystem memory;
  memory.others.insert("fifo");
  memory.directories.insert("dir");
  EXPECT_FALSE(memory.read_file("fifo", &contents, &error));
  EXPECT_EQ(error, kNotRegularReason);
  EXPECT_FALSE(memory.missing("dir"));
  EXPECT_TRUE(memory.missing("none"));
}

}  // namespace
}  // namespace binario
