// Runs `binario dump` on the files a run writes and on broken ones, as a user
// would, in scratch folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "output/text_encoding.h"
#include "platform/file_system.h"
#include "run/form1.h"
#include "test_support/error_codes.h"
#include "test_support/memory_file_system.h"
#include "test_support/program.h"
#include "test_support/recording_ui.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;
using nlohmann::json;

class DumpTest : public ProgramTest {
 protected:
  // The default run into `dir`.
  void default_run() { ASSERT_EQ(run("-C " + dir.string()).status, 0); }

  json dump_json(const std::string& file) {
    Result r = run("dump " + (dir / file).string() + " --json");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return json::parse(r.out);
  }

  void write(const std::string& file, const std::string& bytes) {
    std::ofstream(dir / file, std::ios::binary) << bytes;
  }
};

// Every file of the default run, read back through `dump --json`, holds what
// the same run puts in its model.
TEST_F(DumpTest, JsonOfEveryFileOfTheRunAgreesWithTheModel) {
  default_run();
  MemoryFileSystem fs;
  test::RecordingUi ui;
  Form1 form(fs, ui);
  form.cartella_scenario = "x";
  form.form_load();
  const TrackModel& model = form.model;
  ASSERT_TRUE(model.built());

  const json cells = dump_json("Zorvane_Pelk_728.dat");
  EXPECT_EQ(cells["kind"], "cells");
  EXPECT_EQ(cells["count"], model.percorso.size());
  ASSERT_EQ(cells["cells"].size(), model.percorso.size());
  for (size_t k = 0; k < model.percorso.size(); ++k) {
    const Cella& c = model.percorso[k];
    const json expected = {{"cell", k},
                           {"position", k * 50},
                           {"tipo", c.tipo},
                           {"valore1", c.valore1},
                           {"valore2", c.valore2},
                           {"valore3", c.valore3},
                           {"valore4", c.valore4},
                           {"tempo", c.tempo},
                           {"ripetizione", c.ripetizione},
                           {"montagna", c.montagna},
                           {"velocita", c.velocita},
                           {"pendenza", c.pendenza},
                           {"aderenza", c.aderenza}};
    ASSERT_EQ(cells["cells"][k], expected);
  }

  const json table = dump_json("Zorvane_Pelk_728.sim");
  EXPECT_EQ(table["kind"], "train_table");
  ASSERT_EQ(table["treno"].size(), model.treno.size());
  for (size_t i = 0; i < model.treno.size(); ++i) {
    const VoceTreno& v = model.treno[i];
    json j = table["treno"][i];
    EXPECT_EQ(utf8_to_windows1252(j["nome"].get<std::string>()), v.nome) << i;
    j.erase("nome");
    const json expected = {{"index", i},        {"tipo", v.tipo},           {"inizio", v.inizio},
                           {"fine", v.fine},    {"posizione", v.posizione}, {"tps", v.tps},
                           {"dato1", v.dato1},  {"dato2", v.dato2},         {"dato3", v.dato3},
                           {"dato4", v.dato4},  {"dato5", v.dato5},         {"opz1", v.opz1},
                           {"opz2", v.opz2},    {"opz3", v.opz3},           {"opz4", v.opz4},
                           {"orario", v.orario}};
    EXPECT_EQ(j, expected);
  }

  const json geometry = dump_json("Zorvane_Pelk_linea.dat");
  EXPECT_EQ(geometry["kind"], "geometry");
  const Linea& linea = model.linea;
  ASSERT_EQ(geometry["points"], linea.points());
  ASSERT_EQ(geometry["first"].size(), linea.points());
  ASSERT_EQ(geometry["second"].size(), linea.points());
  const std::vector<Linea::Point> points = linea.coordinates();
  for (size_t k = 0; k < linea.points(); ++k) {
    const Tag tag = linea.tag(k);
    for (int c = 0; c < 2; ++c) {
      const json& j = geometry[c == 0 ? "first" : "second"][k];
      ASSERT_EQ(j["tag"], static_cast<int>(tag)) << k;
      if (tag == Tag::kEmpty) {
        ASSERT_TRUE(j["value"].is_null()) << k;
        continue;
      }
      const double v = c == 0 ? points[k].x : points[k].y;
      if (tag == Tag::kInteger) {
        ASSERT_TRUE(j["value"].is_number_integer()) << k;
      } else {
        ASSERT_TRUE(j["value"].is_number_float()) << k << " " << j;
      }
      ASSERT_EQ(std::bit_cast<uint64_t>(j["value"].get<double>()), std::bit_cast<uint64_t>(v))
          << k << " " << j;
    }
  }
}

// The longest line of `text`, in characters (UTF-8 sequences count once).
size_t widest_line(const std::string& text) {
  size_t widest = 0;
  size_t width = 0;
  for (char c : text) {
    if (c == '\n') {
      widest = std::max(widest, width);
      width = 0;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++width;
    }
  }
  return std::max(widest, width);
}

TEST_F(DumpTest, TablesNameEveryFieldShowTheValuesAndFitEightyColumns) {
  default_run();
  Result cells = run("dump " + (dir / "Zorvane_Pelk_728.dat").string());
  ASSERT_EQ(cells.status, 0) << cells.err;
  std::istringstream lines(cells.out);
  std::string title, header, cell0, cell1;
  std::getline(lines, title);
  std::getline(lines, header);
  std::getline(lines, cell0);
  std::getline(lines, cell1);
  EXPECT_NE(title.find("track cells, 1781 cells (26715 bytes)"), std::string::npos) << title;
  // Each field headed by four letters of its name, one cell a line.
  EXPECT_EQ(header,
            "cell  metre  tipo  val1  val2  val3  val4  temp  ripe  mont  velo  pend  ader");
  // Cell 1 at 50 m holds the marker 5121 and the competition code.
  EXPECT_TRUE(cell1.starts_with("   1     50     0  5121  2447")) << cell1;
  EXPECT_EQ(std::count(cells.out.begin(), cells.out.end(), '\n'), 2 + 1781);

  // The train table's entries take two lines each, the name last.
  Result table = run("dump " + (dir / "Zorvane_Pelk_728.sim").string());
  ASSERT_EQ(table.status, 0) << table.err;
  EXPECT_NE(table.out.find("\ntreno  tipo  inizio"), std::string::npos) << table.out;
  EXPECT_NE(table.out.find("  orario  nome\n"), std::string::npos) << table.out;
  EXPECT_NE(
      table.out.find("\n   85     0       1      0          0    0    610      0      0      0"
                     "      0\n          0     0     0     0   32806  Zorvane_Pelk\n"),
      std::string::npos)
      << table.out;
  EXPECT_EQ(std::count(table.out.begin(), table.out.end(), '\n'), 1 + 2 * (1 + 87));

  Result geometry = run("dump " + (dir / "Zorvane_Pelk_linea.dat").string());
  ASSERT_EQ(geometry.status, 0) << geometry.err;
  EXPECT_NE(geometry.out.find("\n    1  Integer 0 "), std::string::npos);
  EXPECT_NE(geometry.out.find("  Integer 1\n"), std::string::npos);
  EXPECT_NE(geometry.out.find("\n89000  empty "), std::string::npos);
  EXPECT_NE(geometry.out.find("  Double "), std::string::npos);

  // Nothing but the title (which holds the path) is wider than 79 columns.
  const size_t title_line = title.size() + 1;
  for (const Result* r : {&cells, &table, &geometry}) {
    EXPECT_LE(widest_line(r->out.substr(r->out.find('\n') + 1)), 79u) << r->out.substr(0, 400);
  }
  Result window = run("dump " + (dir / "Zorvane_Pelk_728.dat").string() + " --at 825");
  ASSERT_EQ(window.status, 0) << window.err;
  EXPECT_LE(widest_line(window.out.substr(title_line)), 79u) << window.out;
}

TEST_F(DumpTest, NamesAreShownInUtf8AndDoublesReadBackExactly) {
  // A train table whose entry 1 is named "Città" in Windows-1252.
  std::string table;
  for (int i = 0; i < 87; ++i) {
    std::string record(34, '\0');
    if (i == 1) {
      record[14] = 5;  // the length of the name
      record.insert(16, "Citt\xE0");
    }
    table += record;
  }
  write("T_1.sim", table);
  Result text = run("dump " + (dir / "T_1.sim").string());
  ASSERT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("  Citt\xC3\xA0\n"), std::string::npos) << text.out;
  EXPECT_EQ(dump_json("T_1.sim")["treno"][1]["nome"], "Citt\xC3\xA0");

  // After the seed, point 2: first coordinate 0.1 as a Double, second -0.0.
  auto value = [](double v) {
    std::string s("\x05\x00", 2);
    const uint64_t bits = std::bit_cast<uint64_t>(v);
    for (int b = 0; b < 8; ++b) s += static_cast<char>(bits >> (8 * b));
    return s;
  };
  const std::string seed("\x02\x00\x00\x00\x02\x00\x00\x00", 8);
  write("G_linea.dat", seed + value(0.1) + seed + value(-0.0));
  Result g = run("dump " + (dir / "G_linea.dat").string());
  EXPECT_NE(g.out.find("Double 0.1 "), std::string::npos) << g.out;
  EXPECT_NE(g.out.find("Double -0.0\n"), std::string::npos) << g.out;
  const json j = dump_json("G_linea.dat");
  EXPECT_EQ(j["first"][2]["value"].get<double>(), 0.1);
  EXPECT_TRUE(std::signbit(j["second"][2]["value"].get<double>())) << j;
}

TEST_F(DumpTest, RefusedFileGivesTheByteAndPrintsNoTable) {
  default_run();
  const std::string cells = slurp(dir / "Zorvane_Pelk_728.dat");
  write("Cut_1.dat", cells.substr(0, cells.size() - 1));
  for (const char* flag : {"", " --json"}) {
    Result r = run("dump " + (dir / "Cut_1.dat").string() + flag);
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, (dir / "Cut_1.dat").string() +
                         ": error: at byte 26700: expected the 15-byte record of cell 1780, "
                         "found only 14 bytes before the end of the file\n");
  }

  const std::string table = slurp(dir / "Zorvane_Pelk_728.sim");
  write("Long_1.sim", table + "x");
  Result r = run("dump " + (dir / "Long_1.sim").string() + " --json");
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(": error: at byte " + std::to_string(table.size()) +
                       ": expected the end of the file after treno entry 86"),
            std::string::npos)
      << r.err;

  write("Bad_linea.dat", std::string("\x08\x00", 2));
  r = run("dump " + (dir / "Bad_linea.dat").string());
  EXPECT_EQ(r.status, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find(": error: at byte 0: expected a tag 0 (empty), 2 (Integer) or 5 (Double) "
                       "for entry 0, found 8"),
            std::string::npos)
      << r.err;
}

TEST_F(DumpTest, UnreadableFileIsExitThreeAndUnknownEndingIsUsage) {
  Result missing = run("dump " + (dir / "None_1.sim").string());
  EXPECT_EQ(missing.status, 3);
  EXPECT_EQ(missing.out, "");
  EXPECT_NE(missing.err.find("None_1.sim: error: cannot read the file: " +
                             system_error_reason(test::kMissing)),
            std::string::npos)
      << missing.err;

  stdfs::create_directories(dir / "Folder_1.dat");
  Result folder = run("dump " + (dir / "Folder_1.dat").string());
  EXPECT_EQ(folder.status, 3);
  EXPECT_NE(folder.err.find(kIsDirectoryReason), std::string::npos) << folder.err;

  write("notes.txt", "x");
  Result unknown = run("dump " + (dir / "notes.txt").string());
  EXPECT_EQ(unknown.status, 2);
  EXPECT_NE(unknown.err.find("cannot tell what"), std::string::npos) << unknown.err;
  EXPECT_EQ(run("dump").status, 2);
}

// --cell and --at show a few cells of the full dump, named, with the cells a
// metre's point object and span change land in (halves to even).
TEST_F(DumpTest, CellAndMetreShowTheirNeighboursNamed) {
  default_run();
  const json all = dump_json("Zorvane_Pelk_728.dat");
  const size_t count = all["cells"].size();
  size_t signal = 0;
  while (signal < count && all["cells"][signal]["tipo"] != 1) ++signal;
  ASSERT_LT(signal, count);

  const json one = dump_json("Zorvane_Pelk_728.dat --cell " + std::to_string(signal));
  EXPECT_EQ(one["cell"], signal);
  ASSERT_EQ(one["cells"].size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    json c = one["cells"][i];
    const json& full = all["cells"][signal - 2 + i];
    EXPECT_EQ(c["speed_kmh"], full["velocita"].get<int>() * 5);
    if (i == 2) {
      EXPECT_EQ(c["kind"], "signal");
    }
    c.erase("kind");
    c.erase("speed_kmh");
    EXPECT_EQ(c, full);
  }

  // 125 / 50 + 1 = 3.5 goes to 4, 125 / 50 = 2.5 to 2: cells 0 to 6.
  const json at = dump_json("Zorvane_Pelk_728.dat --at 125");
  EXPECT_EQ(at["point_cell"], 4);
  EXPECT_EQ(at["span_cell"], 2);
  ASSERT_EQ(at["cells"].size(), 7u);
  EXPECT_EQ(at["cells"][0]["cell"], 0);

  Result text = run("dump " + (dir / "Zorvane_Pelk_728.dat").string() + " --at 125");
  EXPECT_EQ(text.status, 0) << text.err;
  EXPECT_NE(text.out.find("metre 125: a point object goes into cell 4,\na span change takes "
                          "effect from cell 2\n"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find(" km/h kind\n"), std::string::npos) << text.out;
  text =
      run("dump " + (dir / "Zorvane_Pelk_728.dat").string() + " --cell " + std::to_string(signal));
  EXPECT_NE(text.out.find(" signal\n"), std::string::npos) << text.out;

  // The last cell has no neighbours after it.
  EXPECT_EQ(dump_json("Zorvane_Pelk_728.dat --cell " + std::to_string(count - 1))["cells"].size(),
            3u);
  EXPECT_EQ(run("dump " + (dir / "Zorvane_Pelk_728.dat").string() + " --cell 1 --at 50").status, 2);
  EXPECT_EQ(run("dump " + (dir / "Zorvane_Pelk_728.sim").string() + " --cell 1").status, 2);
}

// A cell or metre the file does not hold is a usage error that gives the
// range the file allows, whatever was written: past the last cell, negative,
// too many digits for any number, or no number at all.
TEST_F(DumpTest, CellOrMetreOutsideTheFileGivesTheValidRange) {
  default_run();
  const std::string cells = (dir / "Zorvane_Pelk_728.dat").string();
  const struct {
    const char* option;
    const char* message;
  } cases[] = {
      {"--cell 1781", "cell 1781 lies outside the file's cells 0 to 1780\n"},
      {"--cell -1", "cell -1 lies outside the file's cells 0 to 1780\n"},
      {"--cell 99999999999999999999",
       "cell 99999999999999999999 lies outside the file's cells 0 to 1780\n"},
      {"--cell -9223372036854775808",
       "cell -9223372036854775808 lies outside the file's cells 0 to 1780\n"},
      {"--cell 9223372036854775807",
       "cell 9223372036854775807 lies outside the file's cells 0 to 1780\n"},
      // Metre 88975 puts a point object into cell 1780 (nearest(1780.5) is
      // even); metre 88976 would put it past the file.
      {"--at 88976",
       "metre 88976 lies outside the file's cells 0 to 1780: give a metre from 0 to 88975\n"},
      {"--at -50",
       "metre -50 lies outside the file's cells 0 to 1780: give a metre from 0 to "
       "88975\n"},
      {"--at 9223372036854775807",
       "metre 9223372036854775807 lies outside the file's cells 0 to 1780: give a metre from 0 "
       "to 88975\n"},
      {"--cell 1x", "--cell takes a whole number, found '1x'\n"},
      {"--at 2.5", "--at takes a whole number, found '2.5'\n"},
  };
  for (const auto& c : cases) {
    for (const char* json : {"", " --json"}) {
      Result r = run("dump " + cells + " " + c.option + json);
      EXPECT_EQ(r.status, 2) << c.option;
      EXPECT_EQ(r.out, "") << c.option;
      EXPECT_EQ(r.err, std::string("binario: ") + c.message) << c.option;
    }
  }
  EXPECT_EQ(dump_json("Zorvane_Pelk_728.dat --at 88975")["point_cell"], 1780);
}

}  // namespace
}  // namespace binario
