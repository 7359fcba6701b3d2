// binario plot, run as a user would: from the files a run left, from a pair
// of descriptions, and refusing folders it cannot read.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "output/binary_decoders.h"
#include "output/binary_files.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/ui.h"
#include "run/form1.h"
#include "sources/builtin_texts.h"
#include "sources/line_list.h"
#include "test_support/memory_file_system.h"
#include "test_support/program.h"
#include "test_support/xml_reader.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;

class PlotCommandTest : public ProgramTest {
 protected:
};

TEST_F(PlotCommandTest, TheFilesOfARunAndTheirDescriptionsGiveTheSamePicture) {
  const stdfs::path run_dir = dir / "run";
  ASSERT_EQ(run("--no-window -C " + run_dir.string()).status, 0);
  Result from_files = run("plot " + run_dir.string());
  ASSERT_EQ(from_files.status, 0) << from_files.err;
  const stdfs::path default_svg = run_dir / "Zorvane_Pelk_728.svg";
  EXPECT_EQ(from_files.out, default_svg.string() + "\n");
  const std::string svg = slurp(default_svg);
  std::string error;
  EXPECT_TRUE(testing_xml::parse(svg, &error)) << error;
  EXPECT_LT(svg.size(), 1'000'000u);

  const stdfs::path src = dir / "src";
  ASSERT_EQ(run("sources -C " + src.string()).status, 0);
  const stdfs::path line = src / "Zorvane_Pelk_linea.txt";
  const stdfs::path train = src / "Zorvane_Pelk_728-.txt";
  const stdfs::path pair_svg = dir / "pair.svg";
  Result from_pair =
      run("plot " + line.string() + " " + train.string() + " -o " + pair_svg.string());
  ASSERT_EQ(from_pair.status, 0) << from_pair.err;
  EXPECT_EQ(slurp(pair_svg), svg);
  // The descriptions are only read, and nothing but the picture is written.
  EXPECT_TRUE(stdfs::exists(line));
  EXPECT_TRUE(stdfs::exists(train));
  EXPECT_FALSE(stdfs::exists(src / "Zorvane_Pelk_728.dat"));
}

TEST_F(PlotCommandTest, ALineThatNeverBuildsAModelGivesNoPicture) {
  std::ofstream(dir / "X_linea.txt") << "nothing here\r\n";
  std::ofstream(dir / "X_1-.txt") << "[generale]\r\n[fine]\r\n";
  Result r = run("plot " + (dir / "X_linea.txt").string() + " " + (dir / "X_1-.txt").string() +
                 " -o " + (dir / "x.svg").string());
  EXPECT_EQ(r.status, 3);
  EXPECT_NE(r.err.find("error 102"), std::string::npos) << r.err;
  EXPECT_FALSE(stdfs::exists(dir / "x.svg"));
}

TEST_F(PlotCommandTest, RefusesFoldersItCannotRead) {
  // Nothing there.
  Result empty = run("plot " + dir.string());
  EXPECT_EQ(empty.status, 3);
  EXPECT_NE(empty.err.find("no track cells file"), std::string::npos) << empty.err;

  // A cut cells file: the decoder's offset reaches the user.
  const stdfs::path run_dir = dir / "run";
  ASSERT_EQ(run("--no-window -C " + run_dir.string()).status, 0);
  stdfs::resize_file(run_dir / "Zorvane_Pelk_728.dat", 15 * 10 + 7);
  Result cut = run("plot " + run_dir.string() + " -o " + (dir / "cut.svg").string());
  EXPECT_EQ(cut.status, 3);
  EXPECT_NE(cut.err.find("Zorvane_Pelk_728.dat: error: at byte"), std::string::npos) << cut.err;
  EXPECT_FALSE(stdfs::exists(dir / "cut.svg"));

  // Two scenarios in one folder: which one is meant cannot be told.
  stdfs::copy_file(run_dir / "Zorvane_Pelk_728.sim", run_dir / "Other_1.sim");
  Result two = run("plot " + run_dir.string());
  EXPECT_EQ(two.status, 2);
  EXPECT_NE(two.err.find("more than one train table"), std::string::npos) << two.err;

  // A file is no folder.
  Result file = run("plot " + (run_dir / "Other_1.sim").string());
  EXPECT_EQ(file.status, 2);
}

// The same command on the in-memory file system: the folder of a run and the
// run's pair give one picture, and the disk is never touched.
TEST(PlotInMemory, AFolderAndItsPairGiveTheSamePicture) {
  MemoryFileSystem fs;
  fs.directories.insert("run");
  auto ui = make_console_ui();
  ASSERT_EQ(exit_status(run_scenario(fs, *ui, "run", nullptr), Status{}), kExitClean);

  std::ostringstream out;
  std::ostringstream err;
  ASSERT_EQ(plot_command(PlotArgs{{"run"}, ""}, fs, out, err), kExitClean) << err.str();
  const std::string svg_path = join_path("run", "Zorvane_Pelk_728.svg");
  EXPECT_EQ(out.str(), svg_path + "\n");
  ASSERT_EQ(fs.files.count(svg_path), 1u);

  const std::string line = join_path("src", "Zorvane_Pelk_linea.txt");
  const std::string train = join_path("src", "Zorvane_Pelk_728-.txt");
  fs.files[line] = line_list_text(builtin_line_list());
  fs.files[train] = line_list_text(builtin_train_list());
  ASSERT_EQ(plot_command(PlotArgs{{line, train}, "pair.svg"}, fs, out, err), kExitClean)
      << err.str();
  EXPECT_EQ(fs.files.at("pair.svg"), fs.files.at(svg_path));
  // The picture would replace an input: refused.
  EXPECT_EQ(plot_command(PlotArgs{{line, train}, train}, fs, out, err), kExitUsage);

  // Nor may a picture of a folder replace any file it is drawn from; and
  // what stands at its name must be a regular file.
  for (const std::string name :
       {"Zorvane_Pelk_728.sim", "Zorvane_Pelk_728.dat", "Zorvane_Pelk_linea.dat"}) {
    const std::string input = join_path("run", name);
    const std::string before = fs.files.at(input);
    std::ostringstream refused;
    EXPECT_EQ(plot_command(PlotArgs{{"run"}, input}, fs, out, refused), kExitUsage) << name;
    EXPECT_NE(refused.str().find("would replace an input file"), std::string::npos);
    EXPECT_EQ(fs.files.at(input), before) << name;
  }
  fs.others.insert("fifo");
  fs.directories.insert("folder.svg");
  for (const std::string target : {"fifo", "folder.svg"}) {
    std::ostringstream refused;
    EXPECT_EQ(plot_command(PlotArgs{{"run"}, target}, fs, out, refused), kExitFileError);
    EXPECT_NE(refused.str().find(target == "fifo" ? kNotRegularReason : kIsDirectoryReason),
              std::string::npos)
        << refused.str();
    EXPECT_EQ(fs.files.count(target), 0u);
  }

  // Two train tables in one folder: which scenario is meant cannot be told.
  fs.files[join_path("run", "Other_1.sim")] = fs.files.at(join_path("run", "Zorvane_Pelk_728.sim"));
  EXPECT_EQ(plot_command(PlotArgs{{"run"}, ""}, fs, out, err), kExitUsage);
}

// Files of different compiles in one folder are refused with the reason: a
// train table of another line, a geometry of another length. A train table
// whose positions hold the extremes of 32 bits is drawn all the same.
TEST(PlotInMemory, FilesOfDifferentCompilesAreRefused) {
  MemoryFileSystem fs;
  fs.directories.insert("run");
  auto ui = make_console_ui();
  ASSERT_EQ(exit_status(run_scenario(fs, *ui, "run", nullptr), Status{}), kExitClean);
  const std::string sim = join_path("run", "Zorvane_Pelk_728.sim");
  const std::string geometry_path = join_path("run", "Zorvane_Pelk_linea.dat");
  const std::string good_sim = fs.files.at(sim);
  const std::string good_geometry = fs.files.at(geometry_path);
  std::array<VoceTreno, kTrenoEntries> treno{};
  ASSERT_TRUE(decode_train_table(good_sim, &treno, nullptr));
  auto sim_with = [&](auto change) {
    std::array<VoceTreno, kTrenoEntries> t = treno;
    change(t);
    StringSink sink;
    write_train_table_file(t, sink);
    return sink.bytes;
  };
  std::ostringstream out;
  std::ostringstream err;

  fs.files[sim] = sim_with([](auto& t) { t[kTrainParameters].fine = 6000; });
  EXPECT_EQ(plot_command(PlotArgs{{"run"}, "x.svg"}, fs, out, err), kExitRefused);
  EXPECT_EQ(err.str(),
            "binario: the files in 'run' are not of one compile: the train table is of a 6000 m "
            "line, which has 261 cells, but the cells file holds 1781\n");
  fs.files[sim] = sim_with([](auto& t) { t[kTrainParameters].fine = INT32_MIN; });
  EXPECT_EQ(plot_command(PlotArgs{{"run"}, "x.svg"}, fs, out, err), kExitRefused);
  EXPECT_EQ(fs.files.count("x.svg"), 0u);

  // The geometry of a shorter line (its points cut after 1000 and the two
  // runs encoded again).
  fs.files[sim] = good_sim;
  DecodedGeometry geometry;
  ASSERT_TRUE(decode_geometry(good_geometry, &geometry, nullptr));
  geometry.first.resize(1000);
  geometry.second.resize(1000);
  StringSink shorter;
  encode_geometry(geometry, shorter);
  fs.files[geometry_path] = shorter.bytes;
  err.str("");
  EXPECT_EQ(plot_command(PlotArgs{{"run"}, "x.svg"}, fs, out, err), kExitRefused);
  EXPECT_NE(err.str().find("whose geometry has 89001 points, but the geometry file holds 1000"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(fs.files.count("x.svg"), 0u);

  // A station at the extremes of 32 bits: its tooltip gives the kilometres.
  fs.files[geometry_path] = good_geometry;
  fs.files[sim] = sim_with([](auto& t) {
    t[1].posizione = INT32_MIN;
    t[1].inizio = INT32_MIN;
    t[1].fine = INT32_MAX;
  });
  ASSERT_EQ(plot_command(PlotArgs{{"run"}, "x.svg"}, fs, out, err), kExitClean) << err.str();
  EXPECT_NE(fs.files.at("x.svg").find("km -2147483.648, from km -2147483.648 to km 2147483.647"),
            std::string::npos);
}

}  // namespace
}  // namespace binario
