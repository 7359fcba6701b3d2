// The real disk in a scratch folder: a replacement appears whole or not at
// all, a failure leaves the earlier file as it was and no temporary file
// behind, and every refusal carries the system's reason. The tests run as
// root, which ignores permission bits, so the refusals come from paths that
// cannot work (a folder that is a regular file, a folder standing at the
// file's name) and from a file-size limit. Reasons are compared by the
// system's error code, so the same tests hold on Windows.
#include "platform/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "platform/description_file.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "platform/temporary_files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif
#include <memory>

#include "test_support/error_codes.h"
#include "test_support/full_disk.h"
#include "test_support/held_file.h"
#include "test_support/memory_file_system.h"
#include "test_support/scratch_folder.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;

using test::kIsAFolder;
using test::kMissing;
using test::kThroughAFile;

// UTF-8 names to std::filesystem and back, the same on every platform.
stdfs::path fs_path(const std::string& utf8) {
  return stdfs::path(std::u8string(utf8.begin(), utf8.end()));
}
std::string utf8(const stdfs::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

class RealFileSystemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch = std::make_unique<test::ScratchFolder>("binario-fs");
    dir = scratch->path();
  }
  void TearDown() override { scratch.reset(); }

  std::string path(const std::string& name) const { return join_path(utf8(dir), name); }
  void put(const std::string& name, const std::string& contents) {
    std::ofstream(dir / fs_path(name), std::ios::binary) << contents;
  }
  std::string slurp(const std::string& name) const {
    std::ifstream in(dir / fs_path(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> entries() const {
    std::vector<std::string> names;
    for (const auto& e : stdfs::directory_iterator(dir)) names.push_back(utf8(e.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
  }

  std::unique_ptr<test::ScratchFolder> scratch;
  stdfs::path dir;
  RealFileSystem fs;
};

TEST_F(RealFileSystemTest, ReplacesAFileWholeAndLeavesNoTemporary) {
  put("cells.dat", "earlier");
  std::string error;
  ASSERT_TRUE(write_whole_file(fs, path("cells.dat"), "replacement", &error)) << error;
  EXPECT_EQ(slurp("cells.dat"), "replacement");
  EXPECT_EQ(entries(), std::vector<std::string>{"cells.dat"});
  // And again over the file just written, as a second run does.
  ASSERT_TRUE(write_whole_file(fs, path("cells.dat"), "again", &error)) << error;
  EXPECT_EQ(slurp("cells.dat"), "again");
  EXPECT_EQ(entries(), std::vector<std::string>{"cells.dat"});

#ifndef _WIN32
  // A new file gets the usual mode of a new file, not the temporary's 0600.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  struct stat st;
  ASSERT_TRUE(write_whole_file(fs, path("new.dat"), "x", &error)) << error;
  ASSERT_EQ(::stat(path("new.dat").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0666 & ~mask);
#endif
}

TEST_F(RealFileSystemTest, AnUncommittedReplacementChangesNothing) {
  put("cells.dat", "earlier");
  {
    std::string error;
    auto out = fs.replace_file(path("cells.dat"), &error);
    ASSERT_NE(out, nullptr) << error;
    out->write("half of it");
    EXPECT_EQ(entries().size(), 2u);  // the temporary beside the file
  }
  EXPECT_EQ(slurp("cells.dat"), "earlier");
  EXPECT_EQ(entries(), std::vector<std::string>{"cells.dat"});
}

// The temporary's name does not grow from the final one: the longest name
// the system allows can be written.
TEST_F(RealFileSystemTest, TheLongestNameTheSystemAllowsCanBeWritten) {
  const std::string name = std::string(251, 'n') + ".dat";
  std::string error;
  ASSERT_TRUE(write_whole_file(fs, path(name), "cells", &error)) << error;
  EXPECT_EQ(slurp(name), "cells");
  EXPECT_EQ(entries(), std::vector<std::string>{name});
}

// Temporaries of the file layer's naming that no process holds are
// removed; held ones stay whatever number their name gives (a process of
// another container or machine sharing the folder), as do every other name
// and names no process can have.
TEST_F(RealFileSystemTest, OnlyTemporariesNoProcessHoldsAreRemoved) {
  const std::string self = std::to_string(current_process_id());
  const std::vector<std::string> kept = {
      "~binario-0-0.tmp",           "~binario-4194305-0.old", "~binario-4194305-x.tmp",
      "~binario-04194305-1.tmp",    "~binario-4194305.tmp",   "cells.dat.tmp-AbC123",
      "~binario-4194305-1.tmp.dat", "~binario--1.tmp",        "~binario-4194306-12.tmp"};
  for (const std::string& name : kept) put(name, "x");
  // Held by a live compile of another container, whose number names no
  // process here: it stays.
  const test::HeldFile live_elsewhere(dir / "~binario-4194306-12.tmp");
  // Left by a killed compile, one of another container whose number is
  // that of a live process here (this one): both go.
  put("~binario-4194305-0.tmp", "left by a killed compile");
  put("~binario-" + self + "-9999.tmp", "left by a killed compile elsewhere");
  remove_stale_temporaries(fs, utf8(dir));
  std::vector<std::string> left = kept;
  std::sort(left.begin(), left.end());
  EXPECT_EQ(entries(), left);

  // This process's own temporaries are held from their creation to their
  // rename, written or not.
  std::string error;
  auto out = fs.replace_file(path("cells.dat"), &error);
  ASSERT_NE(out, nullptr) << error;
  std::vector<std::string> now = entries();
  std::vector<std::string> added;
  std::set_difference(now.begin(), now.end(), left.begin(), left.end(), std::back_inserter(added));
  ASSERT_EQ(added.size(), 1u);
  EXPECT_EQ(temporary_owner(added[0]), current_process_id()) << added[0];
  out->write("cells");
  remove_stale_temporaries(fs, utf8(dir));
  ASSERT_TRUE(out->finish(&error)) << error;
  remove_stale_temporaries(fs, utf8(dir));
  EXPECT_EQ(entries(), now);
  ASSERT_TRUE(out->commit(&error)) << error;
  EXPECT_EQ(slurp("cells.dat"), "cells");
}

// An edit puts the new text in the place of the old one only while the file
// is still what was read: a change by another program in the meantime
// (its size, its time or, with both kept, its bytes) is left as it stands.
TEST_F(RealFileSystemTest, AnEditLeavesAFileChangedMeanwhileAlone) {
  const std::string original = "rete, 1\r\n";
  put("a_linea.txt", original);
  std::string error;
  const auto as_read = [&] { return EditBase{*fs.stamp(path("a_linea.txt")), &original}; };
  const stdfs::file_time_type when = stdfs::last_write_time(dir / "a_linea.txt");
  for (const std::string change : {"rete, 1\r\nsaved meanwhile\r\n", "rete, 2\r\n"}) {
    put("a_linea.txt", original);
    stdfs::last_write_time(dir / "a_linea.txt", when);
    auto out = fs.edit_file(path("a_linea.txt"), as_read(), &error);
    ASSERT_NE(out, nullptr) << error;
    out->write("rete,  1\r\n");
    put("a_linea.txt", change);
    stdfs::last_write_time(dir / "a_linea.txt", when);  // same size, same time: only the bytes
    EXPECT_FALSE(out->commit(&error));
    EXPECT_EQ(error, kChangedMeanwhileReason);
    out.reset();
    EXPECT_EQ(slurp("a_linea.txt"), change);
    EXPECT_EQ(entries(), std::vector<std::string>{"a_linea.txt"});
  }
  // One changed before the edit even starts is refused at once.
  const EditBase stale = as_read();
  put("a_linea.txt", "rete, 3, and more\r\n");
  EXPECT_EQ(fs.edit_file(path("a_linea.txt"), stale, &error), nullptr);
  EXPECT_EQ(error, kChangedMeanwhileReason);
  // Unchanged, the edit goes through.
  put("a_linea.txt", original);
  auto out = fs.edit_file(path("a_linea.txt"), as_read(), &error);
  ASSERT_NE(out, nullptr) << error;
  out->write("rete,  1\r\n");
  ASSERT_TRUE(out->commit(&error)) << error;
  EXPECT_EQ(slurp("a_linea.txt"), "rete,  1\r\n");
  EXPECT_EQ(entries(), std::vector<std::string>{"a_linea.txt"});
}

#ifndef _WIN32
// An edited text stays the same file to everyone who knew it: a symbolic
// link still names it, its permissions and its owner are its own, and one
// with other hard links is not parted from them.
TEST_F(RealFileSystemTest, AnEditKeepsTheFilesLinksModeAndOwner) {
  stdfs::create_directory(dir / "texts");
  put("texts/a_linea.txt", "old");
  ASSERT_EQ(::chmod(path("texts/a_linea.txt").c_str(), 0640), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(path("texts/a_linea.txt").c_str(), 4321, 8765), 0);
  }
  stdfs::create_symlink(dir / "texts" / "a_linea.txt", dir / "a_linea.txt");
  const std::string old = "old";
  std::string error;
  auto out = fs.edit_file(path("a_linea.txt"), {*fs.stamp(path("a_linea.txt")), &old}, &error);
  ASSERT_NE(out, nullptr) << error;
  out->write("new");
  ASSERT_TRUE(out->commit(&error)) << error;
  out.reset();
  EXPECT_TRUE(stdfs::is_symlink(dir / "a_linea.txt"));
  EXPECT_EQ(slurp("texts/a_linea.txt"), "new");
  EXPECT_EQ(entries(), (std::vector<std::string>{"a_linea.txt", "texts"}));
  EXPECT_EQ(stdfs::directory_iterator(dir / "texts")->path().filename(), "a_linea.txt");
  struct stat st;
  ASSERT_EQ(::stat(path("texts/a_linea.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(st.st_uid, 4321u);
    EXPECT_EQ(st.st_gid, 8765u);
  }

  // Another hard link: refused, both names keep the one old file.
  stdfs::create_hard_link(dir / "texts" / "a_linea.txt", dir / "copy_linea.txt");
  const std::string now = "new";
  EXPECT_EQ(fs.edit_file(path("copy_linea.txt"), {*fs.stamp(path("copy_linea.txt")), &now}, &error),
            nullptr);
  EXPECT_EQ(error, kOtherHardLinksReason);
  EXPECT_EQ(stdfs::hard_link_count(dir / "copy_linea.txt"), 2u);
  EXPECT_EQ(slurp("copy_linea.txt"), "new");
}
#endif

// A description grown past what any read takes back is refused before a
// byte is written.
TEST(EditDescription, ATextOverTheCapIsRefusedBeforeAnythingIsWritten) {
  MemoryFileSystem fs;
  fs.files["a_linea.txt"] = "old";
  std::string error;
  EXPECT_EQ(edit_description(fs, "a_linea.txt", {*fs.stamp("a_linea.txt")},
                             kDescriptionCap.max_bytes + 1, &error),
            nullptr);
  EXPECT_EQ(error,
            "Would be 67 MB, more than the 64 MiB a description may have; "
            "nothing was written");
  EXPECT_NE(edit_description(fs, "a_linea.txt", {*fs.stamp("a_linea.txt")},
                             kDescriptionCap.max_bytes, &error),
            nullptr);
  EXPECT_EQ(fs.files["a_linea.txt"], "old");
}

// A folder lock keeps a second holder waiting until the first lets go.
TEST_F(RealFileSystemTest, AFolderLockMakesASecondHolderWait) {
  std::string error;
  auto first = fs.lock_folder(utf8(dir), &error);
  ASSERT_NE(first, nullptr) << error;
  std::atomic<bool> released{false};
  std::atomic<bool> second_had_it_early{false};
  std::thread second([&] {
    RealFileSystem other;
    std::string reason;
    auto lock = other.lock_folder(utf8(dir) + "/.", &reason);
    if (!released || lock == nullptr) second_had_it_early = true;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  released = true;
  first.reset();
  second.join();
  EXPECT_FALSE(second_had_it_early);
  EXPECT_EQ(entries(), std::vector<std::string>{});  // no file added to the folder
  EXPECT_EQ(fs.lock_folder(path("missing"), &error), nullptr);
}

// An interruption removes the temporaries by name while they are still open
// for writing: the system must let it.
TEST_F(RealFileSystemTest, ATemporaryBeingWrittenCanBeRemovedByName) {
  std::string error;
  auto out = fs.replace_file(path("cells.dat"), &error);
  ASSERT_NE(out, nullptr) << error;
  out->write("half of it");
  const std::vector<std::string> names = entries();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_TRUE(fs.remove_file(path(names[0]), &error)) << error;
  out.reset();
  EXPECT_EQ(entries(), std::vector<std::string>{});
}

TEST_F(RealFileSystemTest, AFailedRenameKeepsWhatStoodThereAndRemovesTheTemporary) {
  // A folder made where the file should go while it is being written: the
  // rename over it is refused.
  std::string error;
  auto out = fs.replace_file(path("cells.dat"), &error);
  ASSERT_NE(out, nullptr) << error;
  out->write("new cells");
  stdfs::create_directory(dir / "cells.dat");
  put("cells.dat/inside", "kept");
  EXPECT_FALSE(out->commit(&error));
  EXPECT_EQ(error, system_error_reason(kIsAFolder));
  out.reset();
  EXPECT_EQ(entries(), std::vector<std::string>{"cells.dat"});
  EXPECT_EQ(slurp("cells.dat/inside"), "kept");
}

TEST_F(RealFileSystemTest, AFailedWriteIsReportedAtCommitAndKeepsThePreviousFile) {
  put("linea.dat", "earlier geometry");
  const std::string big(64 * 1024, 'g');
  std::string error;
  bool committed = true;
  {
    test::FullDisk disk(fs, 4096);
    auto out = disk.fs().replace_file(path("linea.dat"), &error);
    ASSERT_NE(out, nullptr) << error;
    out->write(big);
    out->write("more after the failure");
    committed = out->commit(&error);
  }
  EXPECT_FALSE(committed);
  EXPECT_EQ(error, test::FullDisk::reason());
  EXPECT_EQ(slurp("linea.dat"), "earlier geometry");
  EXPECT_EQ(entries(), std::vector<std::string>{"linea.dat"});
}

TEST_F(RealFileSystemTest, AFolderPathThroughARegularFileIsRefusedWithTheSystemsReason) {
  put("plain", "a file, not a folder");
  const std::string inside = path("plain") + "/sub/cells.dat";
  std::string error;
  EXPECT_EQ(fs.replace_file(inside, &error), nullptr);
  EXPECT_EQ(error, system_error_reason(kThroughAFile));
  std::string contents;
  error.clear();
  EXPECT_FALSE(fs.read_file(inside, &contents, &error));
  EXPECT_EQ(error, system_error_reason(kThroughAFile));
  EXPECT_FALSE(fs.exists(inside));
  EXPECT_EQ(slurp("plain"), "a file, not a folder");
  EXPECT_EQ(entries(), std::vector<std::string>{"plain"});
}

TEST_F(RealFileSystemTest, ReadingAndDeletingWhatIsNotAFileFail) {
  std::string contents;
  std::string error;
  EXPECT_FALSE(fs.read_file(path("missing.txt"), &contents, &error));
  EXPECT_EQ(error, system_error_reason(kMissing));
  EXPECT_FALSE(fs.remove_file(path("missing.txt"), &error));
  EXPECT_EQ(error, system_error_reason(kMissing));

  stdfs::create_directory(dir / "folder.txt");
  EXPECT_FALSE(fs.exists(path("folder.txt")));  // only regular files count
  EXPECT_FALSE(fs.read_file(path("folder.txt"), &contents, &error));
  EXPECT_EQ(error, kIsDirectoryReason);  // the same words on every platform
  EXPECT_FALSE(fs.remove_file(path("folder.txt"), &error));
  EXPECT_TRUE(stdfs::is_directory(dir / "folder.txt"));
}

// Only a regular file is ever replaced: renaming over a FIFO or a device
// would put a regular file in its place, also through a symbolic link.
TEST_F(RealFileSystemTest, ReplacingWhatIsNotARegularFileIsRefusedAndWritesNothing) {
  std::string error;
  stdfs::create_directory(dir / "folder.svg");
  EXPECT_EQ(fs.replace_file(path("folder.svg"), &error), nullptr);
  EXPECT_EQ(error, kIsDirectoryReason);
  EXPECT_TRUE(stdfs::is_directory(dir / "folder.svg"));
#ifndef _WIN32
  ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
  stdfs::create_symlink(dir / "fifo", dir / "link");
  stdfs::create_directory_symlink(dir / "folder.svg", dir / "folder-link");
  for (const std::string name : {"fifo", "link"}) {
    error.clear();
    EXPECT_FALSE(write_whole_file(fs, path(name), "picture", &error)) << name;
    EXPECT_EQ(error, kNotRegularReason) << name;
  }
  EXPECT_FALSE(write_whole_file(fs, path("folder-link"), "picture", &error));
  EXPECT_EQ(error, kIsDirectoryReason);
  EXPECT_TRUE(stdfs::is_fifo(dir / "fifo"));
  EXPECT_TRUE(stdfs::is_symlink(dir / "link"));
  EXPECT_TRUE(stdfs::is_symlink(dir / "folder-link"));
  // A device is refused before a temporary is made beside it.
  EXPECT_EQ(fs.replace_file("/dev/null", &error), nullptr);
  EXPECT_EQ(error, kNotRegularReason);
  EXPECT_TRUE(stdfs::is_character_file("/dev/null"));
#endif
  EXPECT_EQ(entries().size(), stdfs::exists(dir / "fifo") ? 4u : 1u);
}

TEST_F(RealFileSystemTest, ReadsBackEveryByteUnderAnyName) {
  // Every byte value, CR LF and 0x1A included, comes back as written.
  std::string bytes = "line\r\nend\x1a\n";
  for (int i = 0; i < 200000; ++i) bytes += static_cast<char>(i * 7);
  std::string error;
  for (const std::string name : {"all.bin", "Ελλάδα_linea.txt"}) {
    ASSERT_TRUE(write_whole_file(fs, path(name), bytes, &error)) << error;
    std::string contents = "stale";
    ASSERT_TRUE(fs.read_file(path(name), &contents, &error)) << error;
    EXPECT_EQ(contents, bytes);
    EXPECT_TRUE(fs.exists(path(name)));
    EXPECT_EQ(slurp(name).size(), bytes.size());
  }
  EXPECT_EQ(entries(), (std::vector<std::string>{"all.bin", "Ελλάδα_linea.txt"}));
}

TEST_F(RealFileSystemTest, MakesListsAndComparesFolders) {
  std::string error;
  const std::string nested = path("città/b");
  ASSERT_TRUE(fs.make_directories(nested, &error)) << error;
  EXPECT_TRUE(fs.is_directory(nested));
  EXPECT_TRUE(fs.make_directories(nested, &error)) << "an existing folder is fine";
  put("città/b/z.dat", "z");
  put("città/b/a.sim", "a");
  stdfs::create_directory(dir / fs_path("città/b/sub"));
  std::vector<std::string> names;
  ASSERT_TRUE(fs.list_files(nested, &names, &error)) << error;
  EXPECT_EQ(names, (std::vector<std::string>{"a.sim", "z.dat"}));  // files only, sorted
  EXPECT_TRUE(fs.same_file(path("città/b/a.sim"), path("città/b/../b/a.sim")));
  EXPECT_FALSE(fs.same_file(path("città/b/a.sim"), path("città/b/z.dat")));
  EXPECT_FALSE(fs.same_file(path("città/b/a.sim"), path("missing")));

  put("plain.txt", "x");
  EXPECT_FALSE(fs.make_directories(path("plain.txt"), &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(fs.list_files(path("missing"), &names, &error));
  EXPECT_TRUE(names.empty());
}

#ifdef _WIN32
TEST_F(RealFileSystemTest, TakesBothSeparatorsAndJoinsWithABackslash) {
  std::string error;
  ASSERT_TRUE(fs.make_directories(utf8(dir) + "/città\\Ελλάδα/", &error)) << error;
  ASSERT_TRUE(write_whole_file(fs, utf8(dir) + "/città/Ελλάδα\\a.sim", "a", &error)) << error;
  EXPECT_EQ(slurp("città/Ελλάδα/a.sim"), "a");
  EXPECT_TRUE(fs.same_file(path("città\\Ελλάδα\\a.sim"), path("città/Ελλάδα/a.sim")));
}

TEST_F(RealFileSystemTest, RefusesNamesWindowsWouldChangeOrTakeForADevice) {
  // Windows would drop the final dot or space, or write to the console or
  // nowhere; each is refused and nothing is written.
  for (const std::string name :
       {"trailing.", "trailing ", "CON", "nul.txt", "com1.dat", "LPT9", "dot./inside.dat"}) {
    SCOPED_TRACE(name);
    std::string error;
    EXPECT_EQ(fs.replace_file(path(name), &error), nullptr);
    EXPECT_EQ(error, system_error_reason(ERROR_INVALID_NAME));
    std::string contents;
    EXPECT_FALSE(fs.read_file(path(name), &contents, &error));
    EXPECT_FALSE(fs.make_directories(path(name), &error));
    EXPECT_FALSE(fs.exists(path(name)));
  }
  EXPECT_TRUE(entries().empty());
  std::string error;
  EXPECT_TRUE(write_whole_file(fs, path("CONTROL.dat"), "x", &error)) << error;
}

TEST_F(RealFileSystemTest, AFileHeldOpenWithoutSharingIsReportedAndKeptWhole) {
  put("cells.dat", "earlier");
  HANDLE held = ::CreateFileW((dir / "cells.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  std::string error;
  EXPECT_FALSE(write_whole_file(fs, path("cells.dat"), "replacement", &error));
  EXPECT_FALSE(error.empty());
  std::string contents;
  EXPECT_FALSE(fs.read_file(path("cells.dat"), &contents, &error));
  EXPECT_EQ(error, system_error_reason(ERROR_SHARING_VIOLATION));
  ::CloseHandle(held);
  EXPECT_EQ(slurp("cells.dat"), "earlier");
  EXPECT_EQ(entries(), std::vector<std::string>{"cells.dat"});
}

TEST_F(RealFileSystemTest, WorksPastTheOldPathLengthLimit) {
  const std::string deep =
      path(std::string(100, 'a') + "/" + std::string(100, 'b') + "/" + std::string(100, 'c'));
  ASSERT_GT(deep.size(), 300u);
  std::string error;
  ASSERT_TRUE(fs.make_directories(deep, &error)) << error;
  const std::string file = join_path(deep, "Zorvane_Pelk_728.dat");
  ASSERT_TRUE(write_whole_file(fs, file, "cells", &error)) << error;
  std::string contents;
  ASSERT_TRUE(fs.read_file(file, &contents, &error)) << error;
  EXPECT_EQ(contents, "cells");
  std::vector<std::string> names;
  ASSERT_TRUE(fs.list_files(deep, &names, &error)) << error;
  EXPECT_EQ(names, std::vector<std::string>{"Zorvane_Pelk_728.dat"});
  EXPECT_TRUE(fs.remove_file(file, &error)) << error;
}

TEST(SystemErrorReasonTest, IsOneLineWithoutTheFinalPeriod) {
  const std::string reason = system_error_reason(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(reason.empty());
  EXPECT_EQ(reason.find_first_of("\r\n"), std::string::npos);
  EXPECT_NE(reason.back(), '.');
  EXPECT_NE(reason.back(), ' ');
}
#endif  // _WIN32

TEST(MemoryFileSystemTest, ListsTheFilesOfAFolder) {
  MemoryFileSystem fs;
  std::string error;
  std::vector<std::string> names;
  EXPECT_FALSE(fs.list_files("d", &names, &error));
  ASSERT_TRUE(fs.make_directories("d", &error));
  fs.files["d/b.dat"] = "b";
  fs.files["d/a.sim"] = "a";
  fs.files["e/c.dat"] = "c";
  ASSERT_TRUE(fs.list_files("d", &names, &error));
  EXPECT_EQ(names, (std::vector<std::string>{"a.sim", "b.dat"}));
  EXPECT_FALSE(fs.make_directories("d/a.sim", &error));
}

TEST(WriteWholeFile, FailuresReportTheReasonAndKeepTheOldFile) {
  for (auto inject : {&MemoryFileSystem::fail_create, &MemoryFileSystem::fail_write,
                      &MemoryFileSystem::fail_commit}) {
    MemoryFileSystem fs;
    fs.files["a.txt"] = "old contents\r\n";
    (fs.*inject).insert("a.txt");
    std::string error;
    EXPECT_FALSE(write_whole_file(fs, "a.txt", "new\r\n", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(fs.files["a.txt"], "old contents\r\n");
  }
}

TEST(ReplaceFilesTogether, AFileThatCannotBeSetAsideLeavesEveryOldFile) {
  const std::vector<std::string> names = {"d/g.dat", "d/t.sim", "d/c.dat"};
  for (size_t held = 0; held < names.size(); ++held) {
    MemoryFileSystem fs;
    for (const std::string& name : names) fs.files[name] = "old " + name;
    fs.held_open.insert(names[held]);
    std::vector<std::unique_ptr<OutputFile>> files;
    std::string error;
    for (const std::string& name : names) {
      files.push_back(fs.replace_file(name, &error));
      files.back()->write("new");
    }
    SetReplaced result;
    EXPECT_FALSE(replace_files_together(files, &result));
    EXPECT_EQ(result.failed, held);
    EXPECT_EQ(result.renamed, 0u);
    EXPECT_EQ(result.error, kHeldOpenReason);
    EXPECT_TRUE(files.empty());
    for (const std::string& name : names) EXPECT_EQ(fs.files[name], "old " + name);
  }
}

TEST(WriteWholeFile, ReplacesALongerFileOnDisk) {
  namespace fsys = std::filesystem;
  const test::ScratchFolder scratch("binario-write");
  const fsys::path& dir = scratch.path();
  std::string path = (dir / "a.txt").string();
  RealFileSystem fs;
  std::string error;
  ASSERT_TRUE(write_whole_file(fs, path, std::string(500, 'Z'), &error)) << error;

  ASSERT_TRUE(write_whole_file(fs, path, "ab\r\n\r\n", &error)) << error;
  std::string contents;
  ASSERT_TRUE(fs.read_file(path, &contents, &error)) << error;
  EXPECT_EQ(contents, "ab\r\n\r\n");
  // Nothing but the file itself is left in the directory.
  EXPECT_EQ(std::distance(fsys::directory_iterator(dir), fsys::directory_iterator()), 1);
}

}  // namespace
}  // namespace binario
