// binario check: the same reading and the same verdict as compile, and not a
// byte written.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "platform/paths.h"
#include "test_support/memory_file_system.h"
#include "test_support/program.h"
#include "test_support/recording_ui.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;

std::string example(const char* name) {
  return slurp(stdfs::path(BINARIO_SOURCE_DIR) / "examples" / name);
}

// Puts `record` (a CR LF line) in front of the closing "[fine]" of `text`.
std::string with_record(std::string text, const std::string& record) {
  text.insert(text.rfind("[fine]"), record);
  return text;
}

constexpr const char* kLinePath = "w/Valdoria_linea.txt";
constexpr const char* kTrainPath = "w/Valdoria_42-.txt";

struct Case {
  const char* name;
  std::function<void(MemoryFileSystem&)> setup;
  int exit_status;
  std::string options;  // "name": no names to be told from the file names
};

MemoryFileSystem example_pair() {
  MemoryFileSystem fs;
  fs.files[kLinePath] = example("Valdoria_linea.txt");
  fs.files[kTrainPath] = example("Valdoria_42-.txt");
  return fs;
}

TEST(CheckCommand, GivesTheExitStatusAndDiagnosticsOfCompileAndWritesNothing) {
  const Case cases[] = {
      {"clean", [](MemoryFileSystem&) {}, 0, ""},
      {"a position beyond the model",
       [](MemoryFileSystem& fs) {
         fs.files[kLinePath] = with_record(fs.files[kLinePath], "  pendenza, 99999, 1\r\n");
       },
       1, ""},
      {"a clash",
       [](MemoryFileSystem& fs) {
         fs.files[kTrainPath] =
             with_record(fs.files[kTrainPath], "segnale, 600, 1,4,1,0,0, 0,0,0,0,0\r\n");
       },
       1, ""},
      {"no line description", [](MemoryFileSystem& fs) { fs.files.erase(kLinePath); }, 3, ""},
      {"a taken reserved slot",
       [](MemoryFileSystem& fs) {
         fs.files[kTrainPath] =
             with_record(fs.files[kTrainPath], "segnale, 10, 1,4,1,0,0, 0,0,0,0,0\r\n");
       },
       4, ""},
      {"names that cannot be told", [](MemoryFileSystem&) {}, 2, "name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CompileOptions options;
    options.line = kLinePath;
    options.train = c.options == "name" ? "w/treno.txt" : kTrainPath;

    MemoryFileSystem compiled = example_pair();
    c.setup(compiled);
    test::RecordingUi ui;
    std::ostringstream compile_out, compile_err;
    const int compile_status = compile_command(options, compiled, ui, compile_out, compile_err);

    MemoryFileSystem checked = example_pair();
    c.setup(checked);
    // Existing outputs stay as they are.
    for (const char* old : {"w/Valdoria_linea.dat", "w/Valdoria_42.sim", "w/Valdoria_42.dat"}) {
      checked.files[old] = "old";
    }
    const std::map<std::string, std::string> before = checked.files;
    std::ostringstream out, err;
    const int status = check_command(options, checked, out, err);

    EXPECT_EQ(compile_status, c.exit_status) << compile_err.str();
    EXPECT_EQ(status, c.exit_status) << err.str();
    EXPECT_EQ(err.str(), compile_err.str());
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(checked.files, before);
    // Only the compile shows the error box; the check reports 1250 as a
    // diagnostic alone.
    if (c.exit_status == 4) {
      EXPECT_EQ(ui.errors, std::vector<std::string>{"1250"});
      EXPECT_NE(err.str().find("binario: error 1250: "), std::string::npos) << err.str();
    }
  }
}

// Files given the other way round, or a train named for another scenario:
// the usage message says so, and suggests --number only where the names
// agree.
TEST(CheckCommand, SwappedOrForeignFilesAreNamedAsSuch) {
  MemoryFileSystem fs = example_pair();
  auto usage = [&](const std::string& line, const std::string& train) {
    CompileOptions options;
    options.line = line;
    options.train = train;
    std::ostringstream out, err;
    EXPECT_EQ(check_command(options, fs, out, err), 2);
    return err.str();
  };
  const std::string swapped = usage(kTrainPath, kLinePath);
  EXPECT_NE(swapped.find("swapped order"), std::string::npos) << swapped;
  const std::string foreign = usage(kLinePath, "w/Pian_42-.txt");
  EXPECT_NE(foreign.find("is not named for the scenario 'Valdoria'"), std::string::npos) << foreign;
  EXPECT_EQ(foreign.find("give it with --number"), std::string::npos) << foreign;
  const std::string unnamed = usage(kLinePath, "w/treno.txt");
  EXPECT_NE(unnamed.find("give it with --number"), std::string::npos) << unnamed;
}

// With --json, a taken reserved slot is told in the JSON alone: no error box,
// no " Errore n. " on standard error.
TEST(CheckCommand, JsonCompileOfATakenSlotPrintsJsonOnly) {
  MemoryFileSystem fs = example_pair();
  fs.files[kTrainPath] = with_record(fs.files[kTrainPath], "segnale, 10, 1,4,1,0,0, 0,0,0,0,0\r\n");
  CompileOptions options;
  options.line = kLinePath;
  options.train = kTrainPath;
  options.json = true;
  test::RecordingUi ui;
  std::ostringstream out, err;
  EXPECT_EQ(compile_command(options, fs, ui, out, err), 4);
  EXPECT_EQ(ui.errors, std::vector<std::string>{});
  EXPECT_EQ(err.str(), "");
  EXPECT_NE(out.str().find("1250"), std::string::npos) << out.str();
  EXPECT_TRUE(nlohmann::json::accept(out.str())) << out.str();
}

TEST(CheckCommand, NeverOpensAnOutput) {
  // Every output refuses to be created: a compile fails with 5, a check
  // does not notice.
  MemoryFileSystem fs = example_pair();
  for (const char* out : {"Valdoria_linea.dat", "Valdoria_42.sim", "Valdoria_42.dat"}) {
    fs.fail_create.insert(join_path("w", out));
  }
  CompileOptions options;
  options.line = kLinePath;
  options.train = kTrainPath;
  std::ostringstream out, err;
  EXPECT_EQ(check_command(options, fs, out, err), 0) << err.str();
  EXPECT_EQ(err.str(), "");
  test::RecordingUi ui;
  EXPECT_EQ(compile_command(options, fs, ui, out, err), 5);
}

// A strict compile judges the very texts it then writes: each description is
// read once, so a file changed between a trial and the real compile cannot
// slip through unjudged.
TEST(CheckCommand, StrictCompileReadsEachDescriptionOnce) {
  struct CountingFileSystem : MemoryFileSystem {
    std::map<std::string, int> reads;
    using MemoryFileSystem::read_file;
    bool read_file(const std::string& path, const ReadCap& cap, std::string* contents,
                   std::string* error) override {
      ++reads[path];
      return MemoryFileSystem::read_file(path, cap, contents, error);
    }
  };
  CountingFileSystem fs;
  static_cast<MemoryFileSystem&>(fs) = example_pair();
  CompileOptions options;
  options.line = kLinePath;
  options.train = kTrainPath;
  options.strict = true;
  test::RecordingUi ui;
  std::ostringstream out, err;
  ASSERT_EQ(compile_command(options, fs, ui, out, err), 0) << err.str();
  EXPECT_EQ(fs.reads[kLinePath], 1);
  EXPECT_EQ(fs.reads[kTrainPath], 1);
  EXPECT_EQ(fs.files.count(join_path("w", "Valdoria_42.dat")), 1u);
}

TEST(CheckCommand, JsonListsNoOutputsAndCarriesTheSourceLine) {
  MemoryFileSystem fs = example_pair();
  fs.files[kLinePath] = with_record(fs.files[kLinePath], "  pendenza, 99999, 1\r\n");
  CompileOptions options;
  options.line = kLinePath;
  options.train = kTrainPath;
  options.json = true;
  std::ostringstream out, err;
  EXPECT_EQ(check_command(options, fs, out, err), 1);
  EXPECT_EQ(err.str(), "");
  const nlohmann::json j = nlohmann::json::parse(out.str());
  EXPECT_TRUE(j["outputs"].empty());
  EXPECT_EQ(j["status"]["code"], 15);
  // The fault of the line description, then the train's first signal
  // stopping on it.
  ASSERT_EQ(j["diagnostics"].size(), 2u);
  EXPECT_EQ(j["diagnostics"][0]["source_line"], "  pendenza, 99999, 1");
  EXPECT_EQ(j["diagnostics"][0]["column"], 3);
}

// --- The program itself ----------------------------------------------------

class CheckProgramTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    stdfs::create_directories(dir / "w");
    std::ofstream(dir / "w" / "Valdoria_linea.txt", std::ios::binary)
        << example("Valdoria_linea.txt");
  }
  void put_train(const std::string& text) {
    std::ofstream(dir / "w" / "Valdoria_42-.txt", std::ios::binary) << text;
  }

  Result check(const std::string& extra = "") {
    return run("check " + (dir / "w" / "Valdoria_linea.txt").string() + " " +
               (dir / "w" / "Valdoria_42-.txt").string() + extra);
  }

  // Every file in the pair's folder with its bytes.
  std::map<std::string, std::string> folder() const {
    std::map<std::string, std::string> files;
    for (const auto& e : stdfs::directory_iterator(dir / "w")) {
      files[e.path().filename().string()] = slurp(e.path());
    }
    return files;
  }
};

TEST_F(CheckProgramTest, LeavesEveryFileOfTheFolderAsItWas) {
  put_train(example("Valdoria_42-.txt"));
  for (const char* old : {"Valdoria_linea.dat", "Valdoria_42.sim", "Valdoria_42.dat"}) {
    std::ofstream(dir / "w" / old, std::ios::binary) << "previous " << old;
  }
  const auto before = folder();
  Result r = check();
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(folder(), before);  // no file changed, none added (no temporary either)
}

TEST_F(CheckProgramTest, ATakenReservedSlotIsExitFourWithoutTheErrorBox) {
  put_train(with_record(example("Valdoria_42-.txt"), "segnale, 10, 1,4,1,0,0, 0,0,0,0,0\r\n"));
  const auto before = folder();
  Result r = check();
  EXPECT_EQ(r.status, 4);
  EXPECT_NE(r.err.find("binario: error 1250: "), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("set by the signal from line 37 of the train description"),
            std::string::npos)
      << r.err;
  EXPECT_EQ(r.err.find("Errore n."), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(folder(), before);
}

TEST_F(CheckProgramTest, PrintsEachFaultWithItsLineAndACaretUnderlined) {
  put_train(with_record(example("Valdoria_42-.txt"), "\tsegnale, 600, 1,4,1,0,0, 0,0,0,0,0\r\n"));
  Result r = check();
  EXPECT_EQ(r.status, 1);
  const std::string train = (dir / "w" / "Valdoria_42-.txt").string();
  EXPECT_NE(
      r.err.find(train + ":37:2: error 16: signal on a cell that is already taken: cell 13 already "
                         "holds the speed board from line 27 of the line description (metre 600)\n"
                         "   37 | \tsegnale, 600, 1,4,1,0,0, 0,0,0,0,0\n"
                         "      | \t^~~~~~~\n"),
      std::string::npos)
      << r.err;
}

}  // namespace
}  // namespace binario
