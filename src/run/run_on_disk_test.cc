// The whole run on the real disk, in folders whose names are not ASCII: it
// leaves the same six files, byte for byte, as the run in memory, and a
// second run over them does the same.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "run/form1.h"
#include "test_support/memory_file_system.h"

namespace binario {
namespace {

class QuietUi : public Ui {
 public:
  void show_waiting() override {}
  void errore(std::string_view) override {}
};

std::filesystem::path native(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

TEST(RunOnDiskTest, NonAsciiFoldersGetTheSameBytesAsTheRunInMemory) {
  MemoryFileSystem memory;
  QuietUi ui;
  Form1 reference(memory, ui);
  reference.cartella_scenario = "dir";
  ASSERT_EQ(exit_status(reference.form_load(), reference.status), 0);

  const std::u8string temp = std::filesystem::temp_directory_path().u8string();
  const std::string scratch = join_path(std::string(temp.begin(), temp.end()),
                                        "binario-run-" + std::to_string(std::random_device()()));
  RealFileSystem disk;
  for (const std::string folder : {"città", "Ελλάδα"}) {
    SCOPED_TRACE(folder);
    const std::string dir = join_path(scratch, folder);
    std::string error;
    ASSERT_TRUE(disk.make_directories(dir, &error)) << error;
    for (int pass = 0; pass < 2; ++pass) {
      Form1 form(disk, ui);
      form.cartella_scenario = dir;
      const RunReport report = form.form_load();
      EXPECT_EQ(exit_status(report, form.status), 0) << "pass " << pass;
      std::vector<std::string> names;
      ASSERT_TRUE(disk.list_files(dir, &names, &error)) << error;
      ASSERT_EQ(names.size(), memory.files.size());
      for (const std::string& name : names) {
        std::string bytes;
        ASSERT_TRUE(disk.read_file(join_path(dir, name), &bytes, &error)) << error;
        EXPECT_TRUE(bytes == memory.files[join_path("dir", name)]) << name;
      }
    }
  }
  std::filesystem::remove_all(native(scratch));
}

}  // namespace
}  // namespace binario
