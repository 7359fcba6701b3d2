// Inputs no author means to give, through the built program: a folder, a
// FIFO nobody writes to, a device that never ends and a file far too large
// are each refused at once with the reason, and only a path where nothing
// stands is a missing description (101).
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "test_support/program.h"

namespace binario {
namespace {

const char* const kLine = "[generale]\r\nlunghezza percorso, 3000\r\n[fine]\r\n";
const char* const kTrain = "[generale]\r\nnumero vetture, 4\r\nvelocita, 0, 30\r\n[fine]\r\n";

class BoundedInputTest : public ProgramTest {
 protected:
  std::string put(const std::string& name, const std::string& text) {
    const std::filesystem::path p = dir / name;
    std::ofstream(p, std::ios::binary) << text;
    return p.string();
  }
  // A file of `size` bytes that takes no room on the disk.
  std::string sparse(const std::string& name, off_t size) {
    std::string p = put(name, "");
    EXPECT_EQ(::truncate(p.c_str(), size), 0);
    return p;
  }
  std::string fifo(const std::string& name) {
    std::string p = (dir / name).string();
    EXPECT_EQ(::mkfifo(p.c_str(), 0600), 0);
    return p;
  }
  // `check` under a time limit, so that a read that never ends fails the test.
  Result check(const std::string& line, const std::string& train) {
    return run_program("timeout 20 " + std::string(BINARIO_EXE) + " check '" + line + "' '" +
                           train + "' --name X --number 1",
                       dir);
  }
  static void expect_read_failure(const Result& r, const std::string& reason) {
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_NE(r.err.find("error 25: "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("cannot open the file: " + reason), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("error 101"), std::string::npos) << r.err;
  }
};

TEST_F(BoundedInputTest, ALineDescriptionThatIsNoRegularFileIsAReadFailureWithItsReason) {
  const std::string train = put("X_1-.txt", kTrain);
  std::filesystem::create_directory(dir / "X_linea.txt");
  expect_read_failure(check((dir / "X_linea.txt").string(), train), "Is a directory");
  expect_read_failure(check(fifo("F_linea.txt"), train), "Is not a regular file");
  expect_read_failure(check("/dev/zero", train), "Is not a regular file");
  expect_read_failure(check(sparse("Big_linea.txt", 300'000'000), train),
                      "Is 300 MB, more than the 64 MiB a description may have");

  Result missing = check((dir / "None_linea.txt").string(), train);
  EXPECT_EQ(missing.status, 3);
  EXPECT_NE(missing.err.find("error 101"), std::string::npos) << missing.err;
}

TEST_F(BoundedInputTest, TheTrainDescriptionIsBoundedTheSameWay) {
  const std::string line = put("X_linea.txt", kLine);
  for (const std::string& train : {fifo("F_1-.txt"), std::string("/dev/urandom")}) {
    // The model was built, but a compile would write nothing: a refusal.
    expect_read_failure(check(line, train), "Is not a regular file");
  }
}

TEST_F(BoundedInputTest, CompileKeepsGoodFilesWhenADescriptionCannotBeOpened) {
  const std::string line = put("X_linea.txt", kLine);
  const std::string train = put("X_1-.txt", kTrain);
  const std::string compile = "compile " + line + " ";
  ASSERT_EQ(run(compile + train).status, 0);
  const std::string cells = slurp(dir / "X_1.dat");
  const std::string table = slurp(dir / "X_1.sim");
  std::filesystem::create_directory(dir / "Folder_1-.txt");
  for (const std::string& unopened :
       {fifo("F_1-.txt"), (dir / "Folder_1-.txt").string(), (dir / "None_1-.txt").string(),
        sparse("Big_1-.txt", 70'000'000)}) {
    SCOPED_TRACE(unopened);
    for (const std::string options : {"", " --json", " --strict"}) {
      const Result r = run_program("timeout 20 " + std::string(BINARIO_EXE) + " " + compile +
                                       unopened + " --number 1" + options,
                                   dir);
      EXPECT_EQ(r.status, 3) << r.err;
      if (options.empty()) {
        EXPECT_NE(r.err.find("nothing written"), std::string::npos) << r.err;
      }
      EXPECT_EQ(slurp(dir / "X_1.dat"), cells);
      EXPECT_EQ(slurp(dir / "X_1.sim"), table);
    }
  }
}

TEST_F(BoundedInputTest, DumpAndPlotReadNoMoreThanACompileCanWrite) {
  const std::string cap = "more than the 20140020 bytes a binary file of a compile may have";
  Result big = run("dump " + sparse("Big_1.dat", 30'000'000));
  EXPECT_EQ(big.status, 3);
  EXPECT_NE(big.err.find("cannot read the file: Is 30 MB, " + cap), std::string::npos) << big.err;

  Result pipe =
      run_program("timeout 20 " + std::string(BINARIO_EXE) + " dump " + fifo("P_1.sim"), dir);
  EXPECT_EQ(pipe.status, 3);
  EXPECT_NE(pipe.err.find("cannot read the file: Is not a regular file"), std::string::npos)
      << pipe.err;

  std::filesystem::create_directory(dir / "run");
  sparse("run/Big_1.dat", 30'000'000);
  put("run/Big_1.sim", "");
  Result plot = run("plot " + (dir / "run").string());
  EXPECT_EQ(plot.status, 3);
  EXPECT_NE(plot.err.find(cap), std::string::npos) << plot.err;
}

}  // namespace
}  // namespace binario
