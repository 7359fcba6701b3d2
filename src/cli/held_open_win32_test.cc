// The program on Windows while another program holds one of its outputs
// open, as the simulator or an editor does while the author compiles: the
// set of binary files stays whole, no temporary is left, and the message
// names the file and says why.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "test_support/program.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;

class HeldOpenTest : public ProgramTest {
 protected:
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : stdfs::directory_iterator(dir))
      names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
};

TEST_F(HeldOpenTest, EachOfTheThreeFilesHeldOpenLeavesTheWholeOldSet) {
  const std::string run_here = "-C " + dir.string() + " --no-window";
  ASSERT_EQ(run(run_here).status, 0);
  const std::vector<std::string> outputs = {"Zorvane_Pelk_linea.dat", "Zorvane_Pelk_728.sim",
                                            "Zorvane_Pelk_728.dat"};
  // Marks each old file, so that a file replaced by the run shows.
  for (const std::string& name : outputs) {
    std::ofstream(dir / name, std::ios::binary | std::ios::app) << "old";
  }
  std::vector<std::string> old;
  for (const std::string& name : outputs) old.push_back(slurp(dir / name));
  const std::vector<std::string> before = entries();

  for (const std::string& held_name : outputs) {
    SCOPED_TRACE(held_name);
    // Read sharing only, as a program that reads the file and keeps it open.
    HANDLE held = ::CreateFileW((dir / held_name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const Result r = run(run_here);
    ::CloseHandle(held);
    EXPECT_EQ(r.status, 5);
    EXPECT_NE(r.err.find(held_name + ": Is held open by another program"), std::string::npos)
        << r.err;
    for (size_t i = 0; i < outputs.size(); ++i) EXPECT_EQ(slurp(dir / outputs[i]), old[i]);
    EXPECT_EQ(entries(), before);  // no temporary, no old file set aside
  }
  // Once the file is closed, the run replaces the whole set.
  ASSERT_EQ(run(run_here).status, 0);
  for (size_t i = 0; i < outputs.size(); ++i) EXPECT_NE(slurp(dir / outputs[i]), old[i]);
  EXPECT_EQ(entries(), before);
}

TEST_F(HeldOpenTest, AFileOpenWithDeleteSharingIsReplacedAndTheOldOneGoes) {
  const std::string run_here = "-C " + dir.string() + " --no-window";
  ASSERT_EQ(run(run_here).status, 0);
  const std::vector<std::string> before = entries();
  const stdfs::path cells = dir / "Zorvane_Pelk_728.dat";
  std::ofstream(cells, std::ios::binary | std::ios::app) << "old";
  HANDLE held = ::CreateFileW(cells.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const Result r = run(run_here);
  ::CloseHandle(held);  // the old file, set aside and deleted, goes now
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(cells).find("old"), std::string::npos);
  EXPECT_EQ(entries(), before);
}

TEST_F(HeldOpenTest, ADocumentHeldOpenLeavesEveryDocumentAsItWas) {
  ASSERT_EQ(run("sources -C " + (dir / "texts").string()).status, 0);
  const std::string documents = "documents " + (dir / "texts" / "Zorvane_Pelk_linea.txt").string() +
                                " " + (dir / "texts" / "Zorvane_Pelk_728-.txt").string() + " -o " +
                                (dir / "docs").string() + " --force";
  ASSERT_EQ(run(documents).status, 0);
  const std::vector<std::string> names = {"Zorvane_Pelk_728_scheda_treno.txt",
                                          "Zorvane_Pelk_728_rallentamenti.txt",
                                          "Zorvane_Pelk_728_note.txt"};
  std::vector<std::string> old;
  for (const std::string& name : names) {
    std::ofstream(dir / "docs" / name, std::ios::binary | std::ios::app) << "old";
    old.push_back(slurp(dir / "docs" / name));
  }
  for (const std::string& held_name : names) {
    SCOPED_TRACE(held_name);
    HANDLE held = ::CreateFileW((dir / "docs" / held_name).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const Result r = run(documents);
    ::CloseHandle(held);
    EXPECT_EQ(r.status, 5);
    EXPECT_NE(r.err.find("Is held open by another program"), std::string::npos) << r.err;
    for (size_t i = 0; i < names.size(); ++i) EXPECT_EQ(slurp(dir / "docs" / names[i]), old[i]);
  }
}

}  // namespace
}  // namespace binario
