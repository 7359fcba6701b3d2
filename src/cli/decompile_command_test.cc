// binario decompile, run as a user would: the author's path from the files
// of a run to descriptions that compile back to them, and the refusals that
// leave nothing on disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>

#include "compiler/compile.h"
#include "output/binary_files.h"
#include "output/byte_sink.h"
#include "sources/builtin_texts.h"
#include "sources/line_list.h"
#include "test_support/program.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;

class DecompileCommandTest : public ProgramTest {
 protected:
  // A run's three files in dir/run.
  stdfs::path run_folder() {
    stdfs::path run_dir = dir / "run";
    EXPECT_EQ(run("--no-window -C " + run_dir.string()).status, 0);
    return run_dir;
  }
};

TEST_F(DecompileCommandTest, DecompileEditCheckCompile) {
  const stdfs::path run_dir = run_folder();
  const stdfs::path out = dir / "texts";
  Result r = run("decompile " + run_dir.string() + " -o " + out.string());
  ASSERT_EQ(r.status, 0) << r.err;
  const stdfs::path line = out / "Zorvane_Pelk_linea.txt";
  const stdfs::path train = out / "Zorvane_Pelk_728-.txt";
  EXPECT_EQ(r.out, line.string() + "\n" + train.string() + "\n");
  EXPECT_EQ(r.err, "");

  r = run("check " + line.string() + " " + train.string());
  EXPECT_EQ(r.status, 0) << r.err;
  r = run("compile " + line.string() + " " + train.string() + " -o " + (dir / "again").string());
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* name :
       {"Zorvane_Pelk_linea.dat", "Zorvane_Pelk_728.sim", "Zorvane_Pelk_728.dat"}) {
    EXPECT_EQ(slurp(dir / "again" / name), slurp(run_dir / name)) << name;
  }

  // The files named one by one, without the geometry: no curves, the same
  // cells and table.
  r = run("decompile " + (run_dir / "Zorvane_Pelk_728.sim").string() + " " +
          (run_dir / "Zorvane_Pelk_728.dat").string() + " -o " + (dir / "flat").string());
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(dir / "flat" / "Zorvane_Pelk_728-.txt"), slurp(train));
  EXPECT_EQ(slurp(dir / "flat" / "Zorvane_Pelk_linea.txt").find("curva"), std::string::npos);
}

TEST_F(DecompileCommandTest, AnExistingDescriptionIsReplacedOnlyWithForce) {
  const stdfs::path run_dir = run_folder();
  { std::ofstream(run_dir / "Zorvane_Pelk_728-.txt") << "mine"; }
  Result r = run("decompile " + run_dir.string());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("give --force"), std::string::npos) << r.err;
  EXPECT_EQ(slurp(run_dir / "Zorvane_Pelk_728-.txt"), "mine");
  EXPECT_FALSE(stdfs::exists(run_dir / "Zorvane_Pelk_linea.txt"));
  r = run("decompile " + run_dir.string() + " --force");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(slurp(run_dir / "Zorvane_Pelk_728-.txt"), "mine");
}

// Every name is looked at before anything is written: a train number that
// makes the train description's name too long leaves the descriptions
// there as they were, with or without --force, and a compile whose number
// makes a binary file's name too long leaves the set there whole.
TEST_F(DecompileCommandTest, ANameTooLongForAFileWritesNothing) {
  const stdfs::path run_dir = run_folder();
  Result r = run("decompile " + run_dir.string() + " -o " + (dir / "texts").string());
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string line = (dir / "texts" / "Zorvane_Pelk_linea.txt").string();
  const std::string train = (dir / "texts" / "Zorvane_Pelk_728-.txt").string();
  // NAME_NUM.sim has 255 bytes, the most a file name may have;
  // NAME_NUM-.txt one more.
  const std::string number(238, '7');
  const stdfs::path longer = dir / "longer";
  r = run("compile " + line + " " + train + " --number " + number + " -o " + longer.string());
  ASSERT_EQ(r.status, 0) << r.err;
  for (const char* force : {"", " --force"}) {
    { std::ofstream(longer / "Zorvane_Pelk_linea.txt") << "mine"; }
    r = run("decompile " + longer.string() + force);
    EXPECT_EQ(r.status, 3) << force;
    EXPECT_NE(r.err.find("-.txt' has 256 bytes, more than the 255 a file name may have; nothing "
                         "was written"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(slurp(longer / "Zorvane_Pelk_linea.txt"), "mine");
    stdfs::remove(longer / "Zorvane_Pelk_linea.txt");
    r = run("decompile " + longer.string() + force);
    EXPECT_EQ(r.status, 3) << force;
    EXPECT_FALSE(stdfs::exists(longer / "Zorvane_Pelk_linea.txt"));
  }

  { std::ofstream(longer / "Zorvane_Pelk_linea.dat") << "old geometry"; }
  r = run("compile " + line + " " + train + " --number " + number + "7 -o " + longer.string());
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(".sim' has 256 bytes"), std::string::npos) << r.err;
  EXPECT_EQ(slurp(longer / "Zorvane_Pelk_linea.dat"), "old geometry");
}

#ifndef _WIN32
// --force over a description there edits it as the same file: a symbolic
// link still leads to it and its permissions stay.
TEST_F(DecompileCommandTest, ForceKeepsADescriptionsLinkAndMode) {
  const stdfs::path run_dir = run_folder();
  stdfs::create_directory(dir / "mine");
  { std::ofstream(dir / "mine" / "Zorvane_Pelk_728-.txt") << "mine"; }
  stdfs::permissions(dir / "mine" / "Zorvane_Pelk_728-.txt",
                     stdfs::perms::owner_read | stdfs::perms::owner_write);
  stdfs::create_symlink(dir / "mine" / "Zorvane_Pelk_728-.txt", run_dir / "Zorvane_Pelk_728-.txt");
  Result r = run("decompile " + run_dir.string() + " --force");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(stdfs::is_symlink(run_dir / "Zorvane_Pelk_728-.txt"));
  EXPECT_NE(slurp(dir / "mine" / "Zorvane_Pelk_728-.txt"), "mine");
  EXPECT_EQ(stdfs::status(dir / "mine" / "Zorvane_Pelk_728-.txt").permissions(),
            stdfs::perms::owner_read | stdfs::perms::owner_write);
}
#endif

TEST_F(DecompileCommandTest, DamagedOrMismatchedFilesAreRefusedAndNothingIsWritten) {
  const stdfs::path run_dir = run_folder();
  const stdfs::path cells = run_dir / "Zorvane_Pelk_728.dat";
  stdfs::resize_file(cells, stdfs::file_size(cells) - 1);
  const stdfs::path out = dir / "out";
  Result r = run("decompile " + run_dir.string() + " -o " + out.string());
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, cells.string() +
                       ": error: at byte 26700: expected the 15-byte record of cell 1780, found "
                       "only 14 bytes before the end of the file\n");
  EXPECT_FALSE(stdfs::exists(out));

  // A cell no record writes: the compile of the result shows where.
  r = run("--no-window -C " + run_dir.string());
  std::string image = slurp(cells);
  image[100 * 15] = 9;
  { std::ofstream(cells, std::ios::binary) << image; }
  r = run("decompile " + run_dir.string() + " -o " + out.string());
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find(cells.string() + ": error: at byte 1500: the decompiled pair does not "
                                        "compile back to the same bytes: cell 100, tipo"),
            std::string::npos)
      << r.err;
  EXPECT_FALSE(stdfs::exists(out));

  r = run("decompile " + run_dir.string() + " " + (run_dir / "x.txt").string());
  EXPECT_EQ(r.status, 2);
}

// A name no file name on Windows may hold (one compile would refuse) is
// refused before anything is written, as compile would refuse it.
TEST_F(DecompileCommandTest, ANameNoFileMayHoldIsRefused) {
  CompileInput input;
  input.line = {"l", line_list_text(builtin_line_list()), std::nullopt, false};
  input.train = {"t", line_list_text(builtin_train_list()), std::nullopt, false};
  input.model_name = "Zorvane:Pelk";
  input.model_number = "728";
  const CompileResult compiled = compile(input);
  ASSERT_EQ(compiled.status.codice_errore(), 0);
  const stdfs::path odd = dir / "odd";
  stdfs::create_directories(odd);
  for (const auto& [image, name] : {std::pair{BinaryImage::kCells, "Z_728.dat"},
                                    std::pair{BinaryImage::kTrainTable, "Z_728.sim"}}) {
    StringSink sink;
    write_image(image, compiled.model, sink);
    std::ofstream(odd / name, std::ios::binary) << sink.bytes;
  }
  const stdfs::path out = dir / "out";
  const Result r = run("decompile " + (odd / "Z_728.dat").string() + " " +
                       (odd / "Z_728.sim").string() + " -o " + out.string());
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("holds ':', which no file name on Windows may hold"), std::string::npos)
      << r.err;
  EXPECT_FALSE(stdfs::exists(out));
}

}  // namespace
}  // namespace binario
