// File operations that fail during a run: each ends the run with exit 5 and
// a message naming the file and the reason, leaves every file it did not
// finish exactly as it was, and writes nothing after the failure.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "run/form1.h"
#include "test_support/full_disk.h"
#include "test_support/memory_file_system.h"
#include "test_support/recording_ui.h"
#include "test_support/scratch_folder.h"

namespace binario {
namespace {

const char* const kLine =
    "[generale]\r\n"
    "lunghezza percorso, 3000\r\n"
    "[curve]\r\n"
    "curvad3, 700, 200\r\n"
    "[fine]\r\n";

const char* const kTrain =
    "[generale]\r\n"
    "numero vetture, 4\r\n"
    "velocita, 0, 30\r\n"
    "segnale, 1500, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\r\n"
    "[fine]\r\n";

class FileFaultTest : public ::testing::Test {
 protected:
  FileFaultTest() : form(fs, ui) {
    form.cartella_scenario = "dir";
    form.nome_percorso = "Prova";
    form.numero_treno = "7";
    n = form.names();
    fs.files[n.line_text] = kLine;
    fs.files[n.train_text] = kTrain;
    for (const std::string& path : {n.geometry, n.train_table, n.cells}) {
      fs.files[path] = "earlier " + path;
    }
    before = fs.files;
  }

  void expect_one_error(const RunReport& report, const std::string& path,
                        const std::string& reason) {
    EXPECT_EQ(report.end, RunEnd::kFileError);
    EXPECT_EQ(exit_status(report, form.status), 5);
    ASSERT_EQ(report.file_errors.size(), 1u);
    EXPECT_EQ(report.file_errors[0], path + ": " + reason);
  }
  bool unchanged(const std::string& path) { return fs.files.at(path) == before.at(path); }
  // Runs the compile, which fails on `path`; the old binary files all stay.
  void expect_old_set_after_failure(const std::string& path, const std::string& reason) {
    RunReport report = form.memorizza_percorso(1);
    expect_one_error(report, path, reason + "; nothing was replaced");
    EXPECT_TRUE(report.outputs.empty()) << path;
    for (const std::string& output : {n.geometry, n.train_table, n.cells}) {
      EXPECT_TRUE(unchanged(output)) << path << " failed, " << output << " changed";
    }
  }

  MemoryFileSystem fs;
  test::RecordingUi ui;
  Form1 form;
  ScenarioFileNames n;
  std::map<std::string, std::string> before;
};

TEST_F(FileFaultTest, AnOutputThatCannotBeCreatedStopsTheWriting) {
  fs.fail_create.insert(n.geometry);
  RunReport report = form.memorizza_percorso(1);
  expect_one_error(report, n.geometry, "Permission denied; nothing was replaced");
  EXPECT_TRUE(report.outputs.empty());
  // The compile itself was clean; the files after the failed one were not touched.
  EXPECT_EQ(form.status.codice_errore(), 0);
  EXPECT_TRUE(unchanged(n.geometry));
  EXPECT_TRUE(unchanged(n.train_table));
  EXPECT_TRUE(unchanged(n.cells));
}

TEST_F(FileFaultTest, AFailedWriteKeepsTheWholePreviousSet) {
  // Whichever image fails, the three old files stay byte for byte: the new
  // ones are only renamed into place once all three are complete.
  for (const std::string& failing : {n.geometry, n.train_table, n.cells}) {
    fs.files = before;
    fs.fail_write = {failing};
    expect_old_set_after_failure(failing, "No space left on device");
  }
}

TEST_F(FileFaultTest, AThirdFileThatCannotBeCreatedKeepsThePreviousSet) {
  fs.fail_create.insert(n.cells);
  expect_old_set_after_failure(n.cells, "Permission denied");
}

TEST_F(FileFaultTest, OnlyARenameAfterAnotherSucceededLeavesAMixedSetAndSaysWhichFilesAreNew) {
  // The first rename failing changes nothing.
  fs.fail_commit.insert(n.geometry);
  expect_old_set_after_failure(n.geometry, "Permission denied");

  // The last one failing after two succeeded cannot be undone: reported.
  fs.files = before;
  fs.fail_commit = {n.cells};
  RunReport last = form.memorizza_percorso(1);
  expect_one_error(last, n.cells,
                   "Permission denied (already replaced by this compile: " + n.geometry + " " +
                       n.train_table + "; the others are the previous ones)");
  EXPECT_EQ(last.outputs, (std::vector<std::string>{n.geometry, n.train_table}));
  EXPECT_FALSE(unchanged(n.geometry));
  EXPECT_FALSE(unchanged(n.train_table));
  EXPECT_TRUE(unchanged(n.cells));
}

TEST_F(FileFaultTest, ADescriptionThatCannotBeDeletedIsReportedAfterTheFilesAreWritten) {
  fs.fail_remove.insert(n.train_text);
  RunReport report = form.memorizza_percorso(1);
  EXPECT_EQ(exit_status(report, form.status), 5);
  EXPECT_TRUE(report.file_errors.empty());
  EXPECT_EQ(report.delete_errors, std::vector<std::string>{n.train_text + ": Permission denied"});
  EXPECT_EQ(report.outputs.size(), 3u);
  EXPECT_FALSE(fs.exists(n.line_text));
  EXPECT_TRUE(fs.exists(n.train_text));
}

TEST_F(FileFaultTest, AnUnreadableLineDescriptionBuildsNothing) {
  fs.fail_read.insert(n.line_text);
  RunReport report = form.memorizza_percorso(1);
  EXPECT_EQ(exit_status(report, form.status), 3);
  EXPECT_EQ(form.status.codice_errore(), 25);
  const Diagnostic& d = form.status.diagnostics().back();
  ASSERT_TRUE(d.location.has_value());
  EXPECT_EQ(d.location->file, n.line_text);
  EXPECT_EQ(d.location->line, 0);
  EXPECT_NE(d.message.find("Input/output error"), std::string::npos) << d.message;
  for (const std::string& path : {n.geometry, n.train_table, n.cells}) {
    EXPECT_TRUE(unchanged(path)) << path;
  }
}

TEST_F(FileFaultTest, TheRunStopsAtADocumentThatCannotBeWritten) {
  form.nome_percorso = "Zorvane_Pelk";
  form.numero_treno = "728";
  const ScenarioFileNames z = form.names();
  fs.files[z.slowdown_order] = "earlier order";
  fs.fail_write.insert(z.slowdown_order);
  RunReport report = form.form_load();
  expect_one_error(report, z.slowdown_order, "No space left on device; nothing was replaced");
  EXPECT_EQ(fs.files[z.slowdown_order], "earlier order");
  EXPECT_FALSE(fs.exists(z.train_sheet));
  EXPECT_FALSE(fs.exists(z.cells));
  // The descriptions were read and deleted; no file of the set was put in
  // place.
  EXPECT_FALSE(fs.exists(z.line_text));
  EXPECT_FALSE(fs.exists(z.train_text));
  EXPECT_FALSE(fs.exists(z.notes));
}

// The same on the real disk, where the system refuses: a disk that fills at
// 64 KB makes the geometry file, the largest (about 200 KB for a 3000 m
// line), fail part way through its write.
TEST(RealFileFault, AWriteTheSystemRefusesKeepsThePreviousFileAndNoTemporary) {
  namespace stdfs = std::filesystem;
  const test::ScratchFolder scratch("binario-run");
  const stdfs::path& dir = scratch.path();
  RealFileSystem real;
  test::FullDisk disk(real, 64 * 1024);
  test::RecordingUi ui;
  Form1 form(disk.fs(), ui);
  const std::u8string folder = dir.u8string();
  form.cartella_scenario = std::string(folder.begin(), folder.end());
  form.nome_percorso = "Prova";
  form.numero_treno = "7";
  const ScenarioFileNames n = form.names();
  const auto on_disk = [](const std::string& utf8) {
    return stdfs::path(std::u8string(utf8.begin(), utf8.end()));
  };
  std::ofstream(on_disk(n.line_text), std::ios::binary) << kLine;
  std::ofstream(on_disk(n.train_text), std::ios::binary) << kTrain;
  std::ofstream(on_disk(n.geometry), std::ios::binary) << "earlier geometry";

  RunReport report = form.memorizza_percorso(1);

  EXPECT_EQ(exit_status(report, form.status), 5);
  ASSERT_EQ(report.file_errors.size(), 1u);
  EXPECT_EQ(report.file_errors[0],
            n.geometry + ": " + test::FullDisk::reason() + "; nothing was replaced");
  std::ifstream in(on_disk(n.geometry), std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "earlier geometry");
  std::set<std::string> left;
  for (const auto& e : stdfs::directory_iterator(dir)) left.insert(e.path().filename().string());
  EXPECT_EQ(left, std::set<std::string>{"Prova_linea.dat"});  // the texts were read and deleted
}

}  // namespace
}  // namespace binario
