// Runs the program itself, as a user would, in scratch folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "compiler/diagnostics.h"
#include "compiler/format_reference.h"
#include "platform/process.h"
#include "plot/line_plot.h"
#include "sources/builtin_texts.h"
#include "sources/line_list.h"
#include "test_support/error_codes.h"
#include "test_support/held_file.h"
#include "test_support/memory_file_system.h"
#include "test_support/program.h"
#include "test_support/recording_ui.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;

class CliTest : public ProgramTest {
 protected:
  // Copies the example pair into the scratch folder.
  void copy_examples() {
    const stdfs::path examples = stdfs::path(BINARIO_SOURCE_DIR) / "examples";
    stdfs::copy_file(examples / "Valdoria_linea.txt", dir / "Valdoria_linea.txt");
    stdfs::copy_file(examples / "Valdoria_42-.txt", dir / "Valdoria_42-.txt");
  }
  std::string pair() const {
    return (dir / "Valdoria_linea.txt").string() + " " + (dir / "Valdoria_42-.txt").string();
  }
};

TEST_F(CliTest, CompileWritesTheThreeFilesBesideTheInputsAndKeepsThem) {
  copy_examples();
  const std::string line_before = slurp(dir / "Valdoria_linea.txt");
  // A temporary a killed compile left goes; one a running process holds
  // (this test) stays.
  std::ofstream(dir / "~binario-4194305-0.tmp") << "left by a killed compile";
  const std::string running = "~binario-" + std::to_string(current_process_id()) + "-7.tmp";
  std::ofstream(dir / running) << "being written";
  const test::HeldFile held(dir / running);
  Result r = run("compile " + pair());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_TRUE(stdfs::exists(dir / "Valdoria_linea.dat"));
  EXPECT_TRUE(stdfs::exists(dir / "Valdoria_42.sim"));
  EXPECT_TRUE(stdfs::exists(dir / "Valdoria_42.dat"));
  EXPECT_EQ(slurp(dir / "Valdoria_linea.txt"), line_before);
  EXPECT_TRUE(stdfs::exists(dir / "Valdoria_42-.txt"));
  // No temporary file is left behind.
  int files = 0;
  for (auto& e : stdfs::directory_iterator(dir)) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 6);
  EXPECT_FALSE(stdfs::exists(dir / "~binario-4194305-0.tmp"));
  EXPECT_TRUE(stdfs::exists(dir / running));
}

TEST_F(CliTest, CompileTwiceGivesByteIdenticalFiles) {
  copy_examples();
  ASSERT_EQ(run("compile " + pair()).status, 0);
  const std::string cells = slurp(dir / "Valdoria_42.dat");
  const std::string geometry = slurp(dir / "Valdoria_linea.dat");
  ASSERT_EQ(run("compile " + pair()).status, 0);
  EXPECT_EQ(slurp(dir / "Valdoria_42.dat"), cells);
  EXPECT_EQ(slurp(dir / "Valdoria_linea.dat"), geometry);
}

TEST_F(CliTest, JsonReportsStatusDiagnosticsAndOutputs) {
  copy_examples();
  Result r = run("compile " + pair() + " -o " + (dir / "out").string() + " --json");
  EXPECT_EQ(r.status, 0) << r.err;
  nlohmann::json j = nlohmann::json::parse(r.out);
  EXPECT_EQ(j["status"]["code"], 0);
  EXPECT_EQ(j["status"]["position"], 0);
  EXPECT_TRUE(j["diagnostics"].empty());
  ASSERT_EQ(j["outputs"].size(), 3u);
  EXPECT_EQ(j["outputs"][2], (dir / "out" / "Valdoria_42.dat").string());
}

TEST_F(CliTest, FaultsArePrintedWithFileLineAndColumnAndExitOne) {
  std::ofstream(dir / "X_linea.txt", std::ios::binary)
      << "[generale]\r\nlunghezza percorso, 2000\r\n[pendenze]\r\n"
         "  pendenza, 99999, 1\r\n[fine]\r\n";
  std::ofstream(dir / "X_1-.txt", std::ios::binary) << "[generale]\r\n[fine]\r\n";
  const std::string line = (dir / "X_linea.txt").string();
  Result r = run("compile " + line + " " + (dir / "X_1-.txt").string());
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find(line + ":4:3: error 15: "), std::string::npos) << r.err;
  // The metre is said once: in the message, not again after it.
  EXPECT_NE(r.err.find("found metre 99999;"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find("(metre 99999)"), std::string::npos) << r.err;

  Result j = run("compile " + line + " " + (dir / "X_1-.txt").string() + " --json");
  nlohmann::json doc = nlohmann::json::parse(j.out);
  EXPECT_EQ(doc["status"]["code"], 15);
  EXPECT_EQ(doc["status"]["position"], 99999);
  ASSERT_GE(doc["diagnostics"].size(), 1u);
  EXPECT_EQ(doc["diagnostics"][0]["line"], 4);
  EXPECT_EQ(doc["diagnostics"][0]["column"], 3);
  EXPECT_EQ(doc["diagnostics"][0]["file"], line);
}

TEST_F(CliTest, MissingLineFileIsExitThreeAndWritesNothing) {
  std::ofstream(dir / "Y_2-.txt", std::ios::binary) << "[generale]\r\n[fine]\r\n";
  Result r = run("compile " + (dir / "Y_linea.txt").string() + " " + (dir / "Y_2-.txt").string());
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("error 101"), std::string::npos);
  EXPECT_FALSE(stdfs::exists(dir / "Y_2.dat"));
}

TEST_F(CliTest, NamesComeFromTheFileNamesOrTheOptions) {
  copy_examples();
  stdfs::rename(dir / "Valdoria_42-.txt", dir / "treno.txt");
  Result r =
      run("compile " + (dir / "Valdoria_linea.txt").string() + " " + (dir / "treno.txt").string());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("--number"), std::string::npos);
  r = run("compile " + (dir / "Valdoria_linea.txt").string() + " " + (dir / "treno.txt").string() +
          " --number 9 --name Altro");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(stdfs::exists(dir / "Altro_9.dat"));

  EXPECT_EQ(name_from_line_file("a/b/Zorvane_Pelk_linea.txt"), "Zorvane_Pelk");
  EXPECT_EQ(name_from_line_file("linea.txt"), std::nullopt);
  EXPECT_EQ(number_from_train_file("x/Zorvane_Pelk_728-.txt", "Zorvane_Pelk"), "728");
  EXPECT_EQ(number_from_train_file("x/Other_728-.txt", "Zorvane_Pelk"), std::nullopt);
}

TEST(WindowsNamesTest, NamesWindowsCannotHoldAreRefusedBeforeAnythingIsWritten) {
  MemoryFileSystem fs;
  fs.files["d/In_linea.txt"] = "[generale]\r\nlunghezza percorso, 3000\r\n[fine]\r\n";
  fs.files["d/In_1-.txt"] = "[generale]\r\n[fine]\r\n";
  const auto before = fs.files;
  struct Case {
    std::string name, number, says;
  };
  for (const Case& c : std::vector<Case>{
           {"a:b", "1", "holds ':'"},
           {"a<b", "1", "holds '<'"},
           {"ok", "4|2", "the train number '4|2' holds '|'"},
           {"wh?", "1", "'?'"},
           {"a*", "1", "'*'"},
           {"q\"", "1", "'\"'"},
           {"back\\slash", "1", "'\\'"},
           {"sub/dir", "1", "'/'"},
           {"tab\there", "1", "control character \\x09"},
           {"a<\x1b[2J", "1", "the scenario name 'a<\\x1b[2J' holds '<'"},
           {"CON.x", "1", "'CON.x_linea.txt' names the device CON"},
           {"lpt1 .a", "1", "names the device LPT1"},
       }) {
    SCOPED_TRACE(c.name + " " + c.number);
    CompileOptions options;
    options.line = "d/In_linea.txt";
    options.train = "d/In_1-.txt";
    options.name = c.name;
    options.number = c.number;
    test::RecordingUi ui;
    std::ostringstream out, err;
    EXPECT_EQ(compile_command(options, fs, ui, out, err), 2);
    EXPECT_NE(err.str().find(c.says), std::string::npos) << err.str();
    EXPECT_EQ(fs.files, before);
  }
  // Near misses are names like any other.
  for (const std::string name : {"CONSOLE", "COM0", "com10", "NULL.x", "a.b"}) {
    AuthorPairNames names;
    CompileOptions options;
    options.name = name;
    options.number = "7";
    std::ostringstream err;
    EXPECT_EQ(author_pair_names(options, &names, err), std::nullopt) << name << err.str();
  }
}

TEST_F(CliTest, NoGeometryWritesNoGeometryFileAndLeavesAnOldOne) {
  copy_examples();
  std::ofstream(dir / "Valdoria_linea.dat") << "old";
  Result r = run("compile " + pair() + " --no-geometry");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(dir / "Valdoria_linea.dat"), "old");
  EXPECT_TRUE(stdfs::exists(dir / "Valdoria_42.dat"));
}

TEST_F(CliTest, UnwritableOutputIsExitFiveWithTheFileAndTheReason) {
  copy_examples();
  // Running as root ignores permission bits; a folder path that runs through
  // a regular file is refused by the system all the same.
  std::ofstream(dir / "plain") << "x";
  const stdfs::path target = dir / "plain" / "sub";
  Result r = run("compile " + pair() + " -o " + target.string());
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(r.err.find(system_error_reason(test::kThroughAFile)), std::string::npos) << r.err;
}

TEST_F(CliTest, FailedRenameLeavesThePreviousFileAndNoTemporary) {
  copy_examples();
  // A directory standing where the cells file goes: the rename over it fails.
  stdfs::create_directories(dir / "Valdoria_42.dat");
  Result r = run("compile " + pair());
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(r.err.find("Valdoria_42.dat"), std::string::npos) << r.err;
  EXPECT_TRUE(stdfs::is_directory(dir / "Valdoria_42.dat"));
  for (auto& e : stdfs::directory_iterator(dir)) {
    EXPECT_EQ(e.path().filename().string().find(".tmp"), std::string::npos) << e.path();
  }
}

TEST_F(CliTest, UsageErrorsAreExitTwo) {
  EXPECT_EQ(run("compile").status, 2);
  EXPECT_EQ(run("frobnicate").status, 2);
  EXPECT_EQ(run("compile a b --bogus").status, 2);
  copy_examples();
  // An output that would replace an input is refused before anything runs.
  stdfs::copy_file(dir / "Valdoria_42-.txt", dir / "Valdoria_42.dat");
  Result clash = run("compile " + (dir / "Valdoria_linea.txt").string() + " " +
                     (dir / "Valdoria_42.dat").string() + " --number 42");
  EXPECT_EQ(clash.status, 2);
  EXPECT_NE(clash.err.find("would replace an input"), std::string::npos);
}

// Little-endian reads from a file image.
int read_i16(const std::string& b, size_t at) {
  return static_cast<int16_t>(static_cast<uint8_t>(b[at]) | (static_cast<uint8_t>(b[at + 1]) << 8));
}
int32_t read_i32(const std::string& b, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(b[at + i]);
  return static_cast<int32_t>(v);
}

TEST_F(CliTest, DefaultRunLeavesTheDocumentsAndTheBinaryFilesOnly) {
  const stdfs::path scenario = dir / "nuova" / "cartella";  // created by the run
  Result r = run("-C " + scenario.string());
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  std::set<std::string> names;
  for (auto& e : stdfs::directory_iterator(scenario)) names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{"Zorvane_Pelk_728_scheda_treno.txt",
                                          "Zorvane_Pelk_728_rallentamenti.txt",
                                          "Zorvane_Pelk_728_note.txt", "Zorvane_Pelk_linea.dat",
                                          "Zorvane_Pelk_728.sim", "Zorvane_Pelk_728.dat"}));

  // 82,000 m: cells 0 .. 1780, and 2 × 89,001 geometry entries.
  const std::string cells = slurp(scenario / "Zorvane_Pelk_728.dat");
  EXPECT_EQ(cells.size(), 1781u * 15u);
  EXPECT_EQ(slurp(scenario / "Zorvane_Pelk_linea.dat").size(), 2u * (8 + 88997 * 10 + 4));
  // Cell 1: the marker 5121 and og of "728" + "Zorvane_Pelk".
  EXPECT_EQ(read_i16(cells, 15 + 1), 5121);
  EXPECT_EQ(read_i16(cells, 15 + 3), 2447);
  // Entry 85 of the train table: walk the records to it.
  const std::string table = slurp(scenario / "Zorvane_Pelk_728.sim");
  size_t at = 0;
  for (int entry = 0; entry < 85; ++entry) at += 34 + read_i16(table, at + 14);
  const size_t n = static_cast<size_t>(read_i16(table, at + 14));
  EXPECT_EQ(table.substr(at + 16, n), "Zorvane_Pelk");
  EXPECT_EQ(read_i16(table, at + 16 + n), 610);
  EXPECT_EQ(read_i32(table, at + 30 + n), 32806);

  // A second run replaces every file with the same bytes.
  ASSERT_EQ(run("-C " + scenario.string()).status, 0);
  EXPECT_EQ(slurp(scenario / "Zorvane_Pelk_728.sim"), table);
  EXPECT_EQ(slurp(scenario / "Zorvane_Pelk_728.dat"), cells);
}

TEST_F(CliTest, TheRunKeepsADescriptionAnAuthorEditedInItsFolder) {
  const stdfs::path ed = dir / "ed";
  ASSERT_EQ(run("sources -C " + ed.string()).status, 0);
  const stdfs::path line = ed / "Zorvane_Pelk_linea.txt";
  std::ofstream(line, std::ios::binary | std::ios::app) << "; edited\r\n";
  const std::string edited = slurp(line);
  Result r = run("--no-window -C " + ed.string());
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("Zorvane_Pelk_linea.txt: holds another text"), std::string::npos) << r.err;
  EXPECT_EQ(slurp(line), edited);
  EXPECT_TRUE(stdfs::exists(ed / "Zorvane_Pelk_728-.txt"));
  EXPECT_FALSE(stdfs::exists(ed / "Zorvane_Pelk_728.dat"));
}

// `sources` keeps an author's edit as the run does (exit 3, nothing
// written) until it is told to replace it; the folder's name is shown
// escaped wherever it appears.
TEST_F(CliTest, SourcesKeepsAnEditedDescriptionUnlessForced) {
#ifdef _WIN32
  GTEST_SKIP() << "no name on Windows holds a control character";
#endif
  const stdfs::path src = dir / "src\x1b[31m";
  ASSERT_EQ(run("sources -C \"" + src.string() + "\"").status, 0);
  const stdfs::path line = src / "Zorvane_Pelk_linea.txt";
  const std::string edited = slurp(line) + "; edited\r\n";
  { std::ofstream(line, std::ios::binary) << edited; }
  stdfs::remove(src / "Zorvane_Pelk_728_note.txt");
  Result r = run("sources -C \"" + src.string() + "\"");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("src\\x1b[31m"), std::string::npos) << r.err;
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("give --force to replace it"), std::string::npos) << r.err;
  EXPECT_EQ(slurp(line), edited);
  EXPECT_FALSE(stdfs::exists(src / "Zorvane_Pelk_728_note.txt"));

  r = run("sources --force -C \"" + src.string() + "\"");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << r.out;
  EXPECT_NE(slurp(line), edited);
  EXPECT_TRUE(stdfs::exists(src / "Zorvane_Pelk_728_note.txt"));
}

TEST_F(CliTest, SourcesThenCompileGivesTheFilesOfTheRun) {
  ASSERT_EQ(run("-C " + (dir / "run").string()).status, 0);
  Result s = run("sources -C " + (dir / "src").string());
  EXPECT_EQ(s.status, 0) << s.err;
  EXPECT_NE(s.out.find("Zorvane_Pelk_linea.txt"), std::string::npos);
  EXPECT_TRUE(stdfs::exists(dir / "src" / "Zorvane_Pelk_728-.txt"));
  Result c = run("compile " + (dir / "src" / "Zorvane_Pelk_linea.txt").string() + " " +
                 (dir / "src" / "Zorvane_Pelk_728-.txt").string());
  EXPECT_EQ(c.status, 0) << c.err;
  for (const char* f : {"Zorvane_Pelk_linea.dat", "Zorvane_Pelk_728.sim", "Zorvane_Pelk_728.dat",
                        "Zorvane_Pelk_728_note.txt", "Zorvane_Pelk_728_scheda_treno.txt",
                        "Zorvane_Pelk_728_rallentamenti.txt"}) {
    EXPECT_EQ(slurp(dir / "src" / f), slurp(dir / "run" / f)) << f;
  }
}

TEST_F(CliTest, RunThatCannotCreateItsFolderIsExitFive) {
  std::ofstream(dir / "plain") << "x";
  Result r = run("-C " + (dir / "plain" / "sub").string());
  EXPECT_EQ(r.status, 5);
  EXPECT_NE(r.err.find("plain"), std::string::npos) << r.err;
}

TEST_F(CliTest, HelpAndVersion) {
  Result help = run("--help");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("compile"), std::string::npos);
  Result version = run("--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_NE(version.out.find("binario "), std::string::npos);
  for (const char* sub : {"compile", "check", "sources", "dump", "plot", "documents"}) {
    Result v = run(std::string(sub) + " --version");
    EXPECT_EQ(v.status, 0) << sub;
    EXPECT_EQ(v.out, version.out) << sub;
    // Arguments are named for what they are, not for their type.
    Result h = run(std::string(sub) + " --help");
    EXPECT_EQ(h.out.find("TEXT"), std::string::npos) << sub << h.out;
  }
  Result compile = run("compile --help");
  EXPECT_NE(compile.out.find("LINE FILE"), std::string::npos) << compile.out;
  EXPECT_NE(compile.out.find("-o,--output DIR"), std::string::npos) << compile.out;
  Result plot = run("plot --help");
  EXPECT_NE(plot.out.find("binario plot LINE TRAIN"), std::string::npos) << plot.out;
  EXPECT_NE(plot.out.find("binario plot DIR"), std::string::npos) << plot.out;
}

// The program's -C moves it into the folder before any subcommand runs, so
// relative paths are taken from there, and the run keeps its own -C.
// Output lost on a full disk is a failure the exit status tells: every
// command that would end cleanly ends with 5, and says so on standard error
// while that works. (/dev/full is Linux's: every write to it fails.)
TEST_F(CliTest, OutputThatCannotBeWrittenIsExitFive) {
#ifdef _WIN32
  GTEST_SKIP() << "no device that refuses every write";
#else
  if (!stdfs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  copy_examples();
  const auto status_of = [&](const std::string& args, const std::string& redirect) {
    const int raw = std::system(
        (std::string(BINARIO_EXE) + " " + args + " " + redirect + " </dev/null").c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  const stdfs::path err = dir / "err.txt";
  for (const std::string& args :
       std::vector<std::string>{"check --json " + pair(), "compile --json " + pair(), "explain 15",
                                "--help", "--version", "sources -C " + (dir / "s").string(),
                                "dump " + (dir / "Valdoria_42.sim").string()}) {
    EXPECT_EQ(status_of(args, ">/dev/full 2>" + err.string()), 5) << args;
    EXPECT_NE(slurp(err).find("binario: cannot write standard output"), std::string::npos)
        << args << ": " << slurp(err);
  }
  EXPECT_EQ(status_of("explain 15", ">/dev/null"), 0);  // written and gone is fine

  // Standard error: a warning that cannot be shown.
  std::string train = slurp(dir / "Valdoria_42-.txt");
  train.replace(train.find("\nsegnale,"), 9, "\nsegnle,");
  std::ofstream(dir / "Valdoria_42-.txt", std::ios::binary) << train;
  EXPECT_EQ(status_of("check " + pair(), ">/dev/null 2>/dev/full"), 5);
  EXPECT_EQ(status_of("check " + pair(), ">/dev/null 2>/dev/null"), 0);
#endif
}

TEST_F(CliTest, AFieldWithAnEscapeSequenceAndANulIsShownEscapedAndWhole) {
  copy_examples();
  std::string line = slurp(dir / "Valdoria_linea.txt");
  line.replace(line.find("6000"), 4,
               std::string("6\x1b[2J\0"
                           "0",
                           7));
  std::ofstream(dir / "Valdoria_linea.txt", std::ios::binary) << line;
  const std::string shown = "'6\\x1b[2J\\x000'";
  const Result text = run("check " + pair());
  EXPECT_EQ(text.status, 3);
  EXPECT_NE(text.err.find(shown), std::string::npos) << text.err;
  EXPECT_EQ(text.err.find('\x1b'), std::string::npos) << text.err;
  const Result json = run("check --json " + pair());
  EXPECT_EQ(json.status, 3);
  const nlohmann::json j = nlohmann::json::parse(json.out);
  EXPECT_NE(j["diagnostics"][0]["message"].get<std::string>().find(shown), std::string::npos)
      << json.out;
}

// Paths come from the command line and from folder listings: a name that
// holds an escape sequence is shown escaped in every message about it.
TEST_F(CliTest, APathWithAnEscapeSequenceIsShownEscaped) {
#ifdef _WIN32
  GTEST_SKIP() << "the test's command line cannot carry an escape character on Windows";
#else
  const std::string name = "x\x1b]0;T\x07\x1b[2J";
  const std::string shown = "x\\x1b]0;T\\x07\\x1b[2J";
  const auto raw_control = [](const std::string& text) {
    return text.find_first_of("\x1b\x07") != std::string::npos;
  };

  const Result unknown = run("dump '" + (dir / (name + ".bin")).string() + "'");
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("cannot tell what '" + (dir / shown).string() + ".bin'"),
            std::string::npos)
      << unknown.err;
  EXPECT_FALSE(raw_control(unknown.err)) << unknown.err;

  const Result missing = run("dump '" + (dir / (name + "_1.sim")).string() + "'");
  EXPECT_EQ(missing.status, 3);
  EXPECT_NE(missing.err.find(shown + "_1.sim: error: cannot read the file"), std::string::npos)
      << missing.err;
  EXPECT_FALSE(raw_control(missing.err)) << missing.err;

  // Two track cells files in one folder: the listing names both.
  std::ofstream(dir / "Uno_1.dat", std::ios::binary) << "x";
  std::ofstream(dir / (name + "_1.dat"), std::ios::binary) << "x";
  const Result two = run("plot " + dir.string());
  EXPECT_EQ(two.status, 2);
  EXPECT_NE(two.err.find(shown + "_1.dat"), std::string::npos) << two.err;
  EXPECT_FALSE(raw_control(two.err)) << two.err;
#endif
}

TEST_F(CliTest, ProgramFolderOptionWorksForEverySubcommand) {
  const stdfs::path work = dir / "lavoro";  // created by -C
  Result s = run("-C " + work.string() + " sources");
  EXPECT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(s.out.find(work.string()), std::string::npos) << "bare names: " << s.out;
  EXPECT_NE(s.out.find("Zorvane_Pelk_linea.txt\n"), std::string::npos) << s.out;
  ASSERT_TRUE(stdfs::exists(work / "Zorvane_Pelk_728-.txt"));

  const std::string pair_here = "Zorvane_Pelk_linea.txt Zorvane_Pelk_728-.txt";
  EXPECT_EQ(run("-C " + work.string() + " check " + pair_here).status, 0);
  Result c = run("-C " + work.string() + " compile " + pair_here + " -o out");
  EXPECT_EQ(c.status, 0) << c.err;
  EXPECT_TRUE(stdfs::exists(work / "out" / "Zorvane_Pelk_728.dat"));
  EXPECT_EQ(run("-C " + work.string() + " dump out/Zorvane_Pelk_728.dat --cell 0").status, 0);

  // sources' own -C is taken from the program's.
  EXPECT_EQ(run("-C " + work.string() + " sources -C sub").status, 0);
  EXPECT_TRUE(stdfs::exists(work / "sub" / "Zorvane_Pelk_linea.txt"));

  std::ofstream(dir / "plain") << "x";
  Result bad = run("-C " + (dir / "plain").string() + " check a b");
  EXPECT_EQ(bad.status, 5);
  EXPECT_NE(bad.err.find("plain"), std::string::npos) << bad.err;
}

TEST_F(CliTest, ColourOnlyWhenAskedForOrOnATerminal) {
  std::ofstream(dir / "X_linea.txt", std::ios::binary)
      << "[generale]\r\nlunghezza percorso, 2000\r\n[pendenze]\r\n"
         "  pendenza, 99999, 1\r\n[fine]\r\n";
  std::ofstream(dir / "X_1-.txt", std::ios::binary) << "[generale]\r\n[fine]\r\n";
  const std::string check =
      "check " + (dir / "X_linea.txt").string() + " " + (dir / "X_1-.txt").string();
  const std::string red = "\033[01;31m\033[Kerror 15:";
  // Standard error is a file here: auto and never give the plain text.
  const Result plain = run(check);
  EXPECT_EQ(plain.status, 1);
  EXPECT_EQ(plain.err.find('\033'), std::string::npos);
  EXPECT_EQ(run(check + " --color=never").err, plain.err);
  EXPECT_EQ(run("--color=never " + check).err, plain.err);
  // Before or after the subcommand, and NO_COLOR does not overrule "always".
  EXPECT_NE(run(check + " --color=always").err.find(red), std::string::npos);
  EXPECT_NE(run("--color always " + check).err.find(red), std::string::npos);
  // NO_COLOR in the environment the program inherits.
#ifdef _WIN32
  _putenv_s("NO_COLOR", "1");
#else
  setenv("NO_COLOR", "1", 1);
#endif
  const Result forced = run("--color=always " + check);
#ifdef _WIN32
  _putenv_s("NO_COLOR", "");
#else
  unsetenv("NO_COLOR");
#endif
  EXPECT_NE(forced.err.find(red), std::string::npos);
  EXPECT_EQ(run(check + " --color=sometimes").status, 2);
}

// compile's summary and the plot count the stations of the table, those with
// no stop cell (the built-in train's kind 28) among them.
TEST(StationCount, CompileAndPlotCountTheSameStations) {
  CompileInput input;
  input.line = {"l", line_list_text(builtin_line_list()), std::nullopt, false};
  input.train = {"t", line_list_text(builtin_train_list()), std::nullopt, false};
  const CompileResult r = compile(input);
  const size_t plotted = build_line_plot(line_data_from_model(r.model)).stations.size();
  EXPECT_EQ(plotted, 16u);
  EXPECT_NE(compile_summary(RunReport{}, r.model).find(", 16 stations, "), std::string::npos)
      << compile_summary(RunReport{}, r.model);
}

TEST_F(CliTest, CompileSaysWhatItWroteOnlyWhenAsked) {
  copy_examples();
  RealFileSystem fs;
  test::RecordingUi ui;
  CompileOptions options;
  options.line = (dir / "Valdoria_linea.txt").string();
  options.train = (dir / "Valdoria_42-.txt").string();
  std::ostringstream out, err;
  ASSERT_EQ(compile_command(options, fs, ui, out, err), 0);
  EXPECT_EQ(err.str(), "");
  options.summary = true;
  ASSERT_EQ(compile_command(options, fs, ui, out, err), 0);
  const std::string line = err.str();
  EXPECT_EQ(line.rfind("binario: wrote Valdoria_linea.dat, Valdoria_42.sim, Valdoria_42.dat: ", 0),
            0u)
      << line;
  // What `dump` counts in the example's cells file.
  EXPECT_NE(line.find(": 261 cells, 3 stations, 4 signals\n"), std::string::npos) << line;
  EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
  // Standard error is not a terminal here: nothing is said, -q or not.
  EXPECT_EQ(run("compile " + pair()).err, "");
  EXPECT_EQ(run("compile -q " + pair()).status, 0);
}

// A warning alone leaves the exit status at 0; --strict makes it 1, and a
// strict compile then writes nothing and leaves earlier outputs as they were.
TEST_F(CliTest, StrictMakesAWarningAFailureAndCompileThenWritesNothing) {
  copy_examples();
  for (const char* command : {"check --strict ", "compile --strict -q ", "plot --strict "}) {
    EXPECT_EQ(run(command + pair()).status, 0) << command << "on the examples";
  }
  std::string train = slurp(dir / "Valdoria_42-.txt");
  train.replace(train.find("\nsegnale,"), 9, "\nsegnle,");
  std::ofstream(dir / "Valdoria_42-.txt", std::ios::binary) << train;
  for (const stdfs::path& f : {dir / "Valdoria_42.dat", dir / "Valdoria_42.sim",
                               dir / "Valdoria_linea.dat", dir / "Valdoria_42.svg"}) {
    stdfs::remove(f);
  }
  std::ofstream(dir / "Valdoria_42.dat", std::ios::binary) << "earlier";

  const Result check = run("check " + pair());
  EXPECT_EQ(check.status, 0);
  EXPECT_NE(check.err.find("did you mean 'segnale'? [ignored-field]"), std::string::npos)
      << check.err;
  EXPECT_EQ(run("check --strict " + pair()).status, 1);
  EXPECT_EQ(run("plot --strict " + pair()).status, 1);

  const Result strict = run("compile --strict " + pair());
  EXPECT_EQ(strict.status, 1);
  EXPECT_NE(strict.err.find("[ignored-field]"), std::string::npos) << strict.err;
  EXPECT_EQ(slurp(dir / "Valdoria_42.dat"), "earlier");
  EXPECT_FALSE(stdfs::exists(dir / "Valdoria_42.sim"));
  EXPECT_FALSE(stdfs::exists(dir / "Valdoria_linea.dat"));

  // Without --strict the same pair compiles, with the warning shown.
  const Result lenient = run("compile " + pair());
  EXPECT_EQ(lenient.status, 0);
  EXPECT_NE(lenient.err.find("[ignored-field]"), std::string::npos) << lenient.err;
  EXPECT_NE(slurp(dir / "Valdoria_42.dat"), "earlier");

  // A warning about what the pair means counts the same.
  train.replace(train.find("velocita,    4900,    60"), 23, "velocita,    4900,     0");
  std::ofstream(dir / "Valdoria_42-.txt", std::ios::binary) << train;
  const Result meaning = run("check --strict " + pair());
  EXPECT_EQ(meaning.status, 1);
  EXPECT_NE(meaning.err.find("[implausible-value]"), std::string::npos) << meaning.err;
}

TEST_F(CliTest, TheBuiltInScenarioGivesNoWarning) {
  ASSERT_EQ(run("sources -C " + dir.string()).status, 0);
  const Result r = run("check --strict " + (dir / "Zorvane_Pelk_linea.txt").string() + " " +
                       (dir / "Zorvane_Pelk_728-.txt").string());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

// explain prints from the document built into the program: every status
// code and every warning has its entry there, and an unknown name lists them.
TEST(Explain, EveryCodeAndWarningHasItsEntryAndUnknownNamesAreUsageErrors) {
  std::vector<std::string> names;
  for (const FaultCode& f : kFaultCodes) names.push_back(std::to_string(f.code));
  for (std::string_view w : kWarningNames) names.emplace_back(w);
  names.emplace_back("stazione");
  for (const std::string& name : names) {
    std::ostringstream out, err;
    EXPECT_EQ(explain_command(name, out, err), 0) << name;
    EXPECT_EQ(out.str().rfind("### `" + name + "`\n", 0), 0u) << out.str();
    EXPECT_EQ(out.str().find("\n## "), std::string::npos) << "runs past its section: " << name;
    EXPECT_EQ(out.str().find("\n### ", 1), std::string::npos) << "runs into the next: " << name;
  }
  std::ostringstream out, err;
  EXPECT_EQ(explain_command("pendnza", out, err), 2);
  EXPECT_TRUE(out.str().empty());
  EXPECT_NE(err.str().find("ignored-field"), std::string::npos);
  EXPECT_NE(err.str().find("pendenza"), std::string::npos);
}

// A keyword as a description may write it prints the entry of every record
// it names, by the parsers' own test; what they do not take is unknown.
TEST(Explain, AcceptsEverySpellingTheParsersAccept) {
  for (const auto& [what, entry] : {std::pair{"curvad3", "curva"},
                                    {"velocita' limite", "velocita"},
                                    {"VELOCITA", "velocita"},
                                    {"generale", "[generale]"},
                                    {"segnale", "segnale"}}) {
    std::ostringstream out, err;
    EXPECT_EQ(explain_command(what, out, err), 0) << what;
    EXPECT_EQ(out.str().rfind("### `" + std::string(entry) + "`\n", 0), 0u) << what;
  }
  std::ostringstream both, err;
  EXPECT_EQ(explain_command("velocita aderenza", both, err), 0);
  EXPECT_NE(both.str().find("### `aderenza`"), std::string::npos);
  EXPECT_NE(both.str().find("### `velocita`"), std::string::npos);
  // The general section's words are read in lower case only.
  std::ostringstream none, why;
  EXPECT_EQ(explain_command("Sfondo uno", none, why), 2);
  EXPECT_TRUE(none.str().empty());
}

// Every topic names a section the reference has, printed whole and alone;
// without an argument every entry and topic is listed.
TEST(Explain, TopicsPrintTheirSectionAndNothingListsEverything) {
  for (const ReferenceTopic& t : kReferenceTopics) {
    std::ostringstream out, err;
    EXPECT_EQ(explain_command(std::string(t.name), out, err), 0) << t.name;
    EXPECT_EQ(out.str().rfind("### " + std::string(t.title) + "\n", 0), 0u) << out.str();
    EXPECT_EQ(out.str().find("\n#", 1), std::string::npos) << "runs into the next: " << t.name;
  }
  std::ostringstream out, err;
  EXPECT_EQ(explain_command("", out, err), 0);
  EXPECT_TRUE(err.str().empty());
  for (std::string_view w : kWarningNames) {
    EXPECT_NE(out.str().find(std::string(w)), std::string::npos) << w;
  }
  EXPECT_NE(out.str().find("Topics: fields, keywords, comments"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("lunghezza percorso, progressiva chilometrica uno"), std::string::npos)
      << out.str();
}

}  // namespace
}  // namespace binario
