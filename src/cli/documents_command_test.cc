// binario documents and compile --documents: the three documents written as
// one set, the refusals that leave the disk as it was, and the built-in
// pair's slowdown order as the run writes it.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "documents/driver_documents.h"
#include "platform/paths.h"
#include "test_support/memory_file_system.h"
#include "test_support/program.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;

std::string example(const char* name) {
  return slurp(stdfs::path(BINARIO_SOURCE_DIR) / "examples" / name);
}

const std::string kLine = join_path("w", "Valdoria_linea.txt");
const std::string kTrain = join_path("w", "Valdoria_42-.txt");
const std::string kSheet = join_path("w", "Valdoria_42_scheda_treno.txt");
const std::string kOrder = join_path("w", "Valdoria_42_rallentamenti.txt");
const std::string kNotes = join_path("w", "Valdoria_42_note.txt");

MemoryFileSystem example_folder() {
  MemoryFileSystem fs;
  fs.directories.insert("w");
  fs.files[kLine] = example("Valdoria_linea.txt");
  fs.files[kTrain] = example("Valdoria_42-.txt");
  return fs;
}

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome documents(MemoryFileSystem& fs, const DocumentOptions& options = {}) {
  DocumentsArgs args;
  args.pair.line = kLine;
  args.pair.train = kTrain;
  args.documents = options;
  std::ostringstream out;
  std::ostringstream err;
  const int status = documents_command(args, fs, out, err);
  return {status, out.str(), err.str()};
}

TEST(DocumentsCommand, WritesTheThreeDocumentsAndReplacesThemOnlyWithForce) {
  MemoryFileSystem fs = example_folder();
  Outcome o = documents(fs, {false, "V160", "R", "300", {}, {}});
  ASSERT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(o.out, kSheet + "\n" + kOrder + "\n" + kNotes + "\n");
  EXPECT_EQ(o.err, "");
  ASSERT_EQ(fs.files.count(kSheet), 1u);
  EXPECT_NE(fs.files[kSheet].find("|     V160     |\r\n"), std::string::npos);
  EXPECT_NE(fs.files[kSheet].find("|         R         |              |      300T         |"),
            std::string::npos);
  EXPECT_NE(fs.files[kOrder].find("  Linea VALDORIA\r\n"), std::string::npos);
  EXPECT_NE(fs.files[kNotes].find("Buona simulazione.\r\n"), std::string::npos);

  // A document there already: nothing is replaced without --force.
  fs.files[kOrder] = "mine";
  const std::string sheet = fs.files[kSheet];
  fs.files[kSheet] = "old";
  o = documents(fs);
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("give --force"), std::string::npos) << o.err;
  EXPECT_EQ(fs.files[kOrder], "mine");
  EXPECT_EQ(fs.files[kSheet], "old");
  o = documents(fs, {true, "V160", "R", "300", {}, {}});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_EQ(fs.files[kSheet], sheet);
  EXPECT_NE(fs.files[kOrder], "mine");
  // The rates reach the run the sheet's running-speed column reads.
  o = documents(fs, {true, "V160", "R", "300", 2.0, {}});
  EXPECT_EQ(o.status, 0) << o.err;
  EXPECT_NE(fs.files[kSheet], sheet);
}

TEST(DocumentsCommand, APairWithAFaultGetsNoDocuments) {
  MemoryFileSystem fs = example_folder();
  // A slowdown at the signal's cell: status 18, as compile reports it.
  fs.files[kTrain].replace(fs.files[kTrain].find("rallentamento,    4000"), 22,
                           "rallentamento,    2400");
  const Outcome o = documents(fs);
  EXPECT_EQ(o.status, 1);
  EXPECT_NE(o.err.find("error"), std::string::npos) << o.err;
  EXPECT_NE(o.err.find("documents were not written"), std::string::npos) << o.err;
  EXPECT_EQ(fs.files.count(kSheet) + fs.files.count(kOrder) + fs.files.count(kNotes), 0u);
}

TEST(DocumentsCommand, OptionsThatDoNotFitOrCannotBeHeldAreRefused) {
  for (const DocumentOptions& options : {
           DocumentOptions{false, "V200 C extra wide", std::nullopt, std::nullopt, {}, {}},
           DocumentOptions{false, std::nullopt, "\xE2\x82\xAC\xE2\x98\x83", std::nullopt, {}, {}},
           DocumentOptions{false, std::nullopt, std::nullopt, "600T", {}, {}},
           DocumentOptions{false, std::nullopt, "I\tC", std::nullopt, {}, {}},
           DocumentOptions{false, std::nullopt, std::nullopt, std::nullopt, 0.0, {}},
           DocumentOptions{false, std::nullopt, std::nullopt, std::nullopt, {}, 10.5},
       }) {
    MemoryFileSystem fs = example_folder();
    const Outcome o = documents(fs, options);
    EXPECT_EQ(o.status, 2) << o.err;
    EXPECT_EQ(fs.files.size(), 2u) << o.err;
  }
}

TEST(DocumentsCommand, ASetThatCannotBeFinishedLeavesEveryDocumentAsItWas) {
  MemoryFileSystem fs = example_folder();
  fs.files[kSheet] = "old sheet";
  fs.held_open.insert(kSheet);
  Outcome o = documents(fs, {true, std::nullopt, std::nullopt, std::nullopt, {}, {}});
  EXPECT_EQ(o.status, 5);
  EXPECT_NE(o.err.find(kSheet + ": error: cannot write the file"), std::string::npos) << o.err;
  EXPECT_EQ(fs.files[kSheet], "old sheet");
  EXPECT_EQ(fs.files.count(kOrder) + fs.files.count(kNotes), 0u);

  MemoryFileSystem failing = example_folder();
  failing.fail_write.insert(kNotes);
  o = documents(failing);
  EXPECT_EQ(o.status, 5);
  EXPECT_EQ(failing.files.count(kSheet) + failing.files.count(kOrder), 0u);
}

TEST(DocumentsCommand, NothingIsWrittenWhereTheDocumentsCannotGo) {
  auto run = [](MemoryFileSystem& fs, const std::string& line, const std::string& train,
                const std::string& output_dir) {
    DocumentsArgs args;
    args.pair.line = line;
    args.pair.train = train;
    args.pair.output_dir = output_dir;
    std::ostringstream out;
    std::ostringstream err;
    const int status = documents_command(args, fs, out, err);
    return Outcome{status, out.str(), err.str()};
  };
  // An output folder that cannot be made (a file holds its name).
  MemoryFileSystem fs = example_folder();
  const std::string out_dir = join_path("w", "out");
  fs.files[out_dir] = "a file";
  Outcome o = run(fs, kLine, kTrain, out_dir);
  EXPECT_EQ(o.status, 5);
  EXPECT_NE(o.err.find("cannot create the folder '" + out_dir + "': Not a directory"),
            std::string::npos)
      << o.err;
  EXPECT_EQ(fs.files.size(), 3u);

  // A folder where the documents cannot be created.
  fs = example_folder();
  fs.fail_create.insert(kNotes);
  o = run(fs, kLine, kTrain, "");
  EXPECT_EQ(o.status, 5);
  EXPECT_NE(o.err.find(kNotes + ": error: cannot write the file: Permission denied"),
            std::string::npos)
      << o.err;
  EXPECT_EQ(fs.files.size(), 2u);

  // A scenario name Windows-1252 cannot hold: usage, before anything is read.
  fs = example_folder();
  const std::string line = join_path("w",
                                     "\xC5\x81\xC3\xB3"
                                     "d\xC5\xBA_linea.txt");  // Łódź
  const std::string train = join_path("w",
                                      "\xC5\x81\xC3\xB3"
                                      "d\xC5\xBA_42-.txt");
  fs.files[line] = fs.files[kLine];
  fs.files[train] = fs.files[kTrain];
  o = run(fs, line, train, "");
  EXPECT_EQ(o.status, 2);
  EXPECT_NE(o.err.find("Windows-1252"), std::string::npos) << o.err;
  EXPECT_EQ(fs.files.size(), 4u);
}

TEST(DocumentsCommand, JsonListsTheDocumentsWritten) {
  MemoryFileSystem fs = example_folder();
  DocumentsArgs args;
  args.pair.line = kLine;
  args.pair.train = kTrain;
  args.pair.json = true;
  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(documents_command(args, fs, out, err), 0) << err.str();
  const nlohmann::json report = nlohmann::json::parse(out.str());
  EXPECT_EQ(report["outputs"], nlohmann::json({kSheet, kOrder, kNotes}));
  EXPECT_EQ(report["status"]["code"], 0);

  // Not written (they are there already): the report lists nothing.
  out.str("");
  EXPECT_EQ(documents_command(args, fs, out, err), 2);
  EXPECT_EQ(out.str(), "");
}

// The commands page shows the train sheet of examples/ as the command writes
// it, without the two empty lines before the boxes and the one after.
TEST(DocumentsCommand, TheCommandsPageShowsTheSheetAsWritten) {
  MemoryFileSystem fs = example_folder();
  ASSERT_EQ(documents(fs, {false, std::nullopt, "R", "300", {}, {}}).status, 0);
  auto without_cr = [](const std::string& text) {
    std::string out;
    for (char c : text) {
      if (c != '\r') out += c;
    }
    return out;
  };
  const std::string sheet = without_cr(fs.files[kSheet]);
  ASSERT_TRUE(sheet.starts_with("\n\n") && sheet.ends_with("\n\n"));
  const std::string page =
      without_cr(slurp(stdfs::path(BINARIO_SOURCE_DIR) / "docs" / "commands.md"));
  const size_t intro = page.find("The train sheet of `examples/`");
  ASSERT_NE(intro, std::string::npos);
  const size_t open = page.find("```\n", intro) + 4;
  const size_t close = page.find("```\n", open);
  EXPECT_EQ(page.substr(open, close - open), sheet.substr(2, sheet.size() - 3));
}

class DocumentsProgramTest : public ProgramTest {};

TEST_F(DocumentsProgramTest, CompileWritesTheDocumentsBesideTheBinaryFiles) {
  // The built-in pair as `sources` writes it: its slowdown order is the one
  // the run writes.
  ASSERT_EQ(run("sources -C " + (dir / "texts").string()).status, 0);
  ASSERT_EQ(run("--no-window -C " + (dir / "run").string()).status, 0);
  const stdfs::path out = dir / "out";
  Result r = run("compile --documents " + (dir / "texts" / "Zorvane_Pelk_linea.txt").string() +
                 " " + (dir / "texts" / "Zorvane_Pelk_728-.txt").string() + " -o " + out.string());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(stdfs::exists(out / "Zorvane_Pelk_728.dat"));
  EXPECT_EQ(slurp(out / "Zorvane_Pelk_728_rallentamenti.txt"),
            slurp(dir / "run" / "Zorvane_Pelk_728_rallentamenti.txt"));
  EXPECT_TRUE(stdfs::exists(out / "Zorvane_Pelk_728_scheda_treno.txt"));
  EXPECT_TRUE(stdfs::exists(out / "Zorvane_Pelk_728_note.txt"));

  // Again: the documents exist, so compile refuses before writing anything.
  stdfs::remove(out / "Zorvane_Pelk_728.dat");
  r = run("compile --documents " + (dir / "texts" / "Zorvane_Pelk_linea.txt").string() + " " +
          (dir / "texts" / "Zorvane_Pelk_728-.txt").string() + " -o " + out.string());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("give --force"), std::string::npos) << r.err;
  EXPECT_FALSE(stdfs::exists(out / "Zorvane_Pelk_728.dat"));
  r = run("compile --documents --force " + (dir / "texts" / "Zorvane_Pelk_linea.txt").string() +
          " " + (dir / "texts" / "Zorvane_Pelk_728-.txt").string() + " -o " + out.string());
  EXPECT_EQ(r.status, 0) << r.err;

  // With --json the report lists the documents after the binary files.
  r = run("compile --documents --force --json " +
          (dir / "texts" / "Zorvane_Pelk_linea.txt").string() + " " +
          (dir / "texts" / "Zorvane_Pelk_728-.txt").string() + " -o " + out.string());
  ASSERT_EQ(r.status, 0) << r.err;
  const nlohmann::json report = nlohmann::json::parse(r.out);
  std::vector<std::string> names;
  for (const auto& path : report["outputs"]) {
    names.push_back(stdfs::path(path.get<std::string>()).filename().string());
  }
  EXPECT_EQ(names, (std::vector<std::string>{
                       "Zorvane_Pelk_linea.dat", "Zorvane_Pelk_728.sim", "Zorvane_Pelk_728.dat",
                       "Zorvane_Pelk_728_scheda_treno.txt", "Zorvane_Pelk_728_rallentamenti.txt",
                       "Zorvane_Pelk_728_note.txt"}));
  EXPECT_EQ(report["status"]["code"], 0);

  r = run("explain documents");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("--speed-class"), std::string::npos);
}

}  // namespace
}  // namespace binario
