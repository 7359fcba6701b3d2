// Decompiling compiled scenarios: random valid pairs, the built-in scenario
// and the examples come back as descriptions that compile to the very same
// bytes; files that no description gives are refused with the reason.
#include "decompile/decompile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "compiler/compile.h"
#include "decompile/render.h"
#include "output/binary_files.h"
#include "sources/builtin_texts.h"
#include "sources/line_list.h"
#include "test_support/random_pair.h"

namespace binario {
namespace {

struct Images {
  std::string cells, train_table, geometry;
  bool with_geometry = false;
  BinaryImages view() const {
    BinaryImages v{cells, train_table, std::nullopt};
    if (with_geometry) v.geometry = geometry;
    return v;
  }
};

CompileResult compile_texts(const std::string& line, const std::string& train,
                            const std::string& name, const std::string& number, bool geometry) {
  CompileInput input;
  input.line = {name + "_linea.txt", line, std::nullopt, false};
  input.train = {name + "_" + number + "-.txt", train, std::nullopt, false};
  input.model_name = name;
  input.model_number = number;
  input.with_geometry = geometry;
  input.extra_diagnostics = false;
  return compile(input);
}

Images images_of(const CompileResult& result, bool geometry) {
  Images out;
  out.with_geometry = geometry;
  for (BinaryImage image : images_to_write(geometry)) {
    StringSink sink;
    write_image(image, result.model, sink);
    (image == BinaryImage::kCells        ? out.cells
     : image == BinaryImage::kTrainTable ? out.train_table
                                         : out.geometry) = std::move(sink.bytes);
  }
  return out;
}

// Decompiles `images` and compiles the pair again: the same bytes, or the
// reason why not.
std::string round_trip(const Images& images, DecompiledPair* out = nullptr) {
  const DecompileResult result = decompile(images.view());
  if (!result.pair) return "refused: " + result.refusal.reason;
  const DecompiledPair& pair = *result.pair;
  if (out) *out = pair;
  const CompileResult again = compile_texts(pair.line_text, pair.train_text, pair.model_name,
                                            pair.model_number, images.with_geometry);
  if (again.end != CompileEnd::kCompiled) return "the pair does not compile";
  const Images back = images_of(again, images.with_geometry);
  if (back.cells != images.cells || back.train_table != images.train_table ||
      back.geometry != images.geometry) {
    return "the pair compiles to other bytes";
  }
  return "";
}

TEST(DecompileTest, RandomValidPairsComeBackByteForByte) {
  int tried = 0, compiled = 0, with_geometry = 0;
  // What the pairs must cover often enough, told by the decompiled texts.
  const std::map<std::string, std::string> cases = {
      {"overwrote one of its cells", "slowdowns in part under a station stop"},
      {"overwritten by a station stop", "boards under a station stop"},
      {"overwritten by the stop of a station", "signals under a station stop"},
      {"   266\r\n", "mountain spans of kind 0 with markers"},
      {"\"", "texts holding a double quote"},
  };
  std::map<std::string, int> covered;
  for (uint64_t seed = 1; compiled < 2000 && tried < 4000; ++seed) {
    const bool geometry = seed % 2 == 0;
    const test::RandomPair pair = test::RandomPairMaker(seed).make(geometry);
    ++tried;
    const CompileResult result =
        compile_texts(pair.line, pair.train, pair.name, pair.number, geometry);
    if (result.end != CompileEnd::kCompiled || result.status.codice_errore() != 0) continue;
    ++compiled;
    with_geometry += geometry ? 1 : 0;
    DecompiledPair back;
    const std::string failure = round_trip(images_of(result, geometry), &back);
    ASSERT_EQ(failure, "") << "seed " << seed << "\n--- line\n"
                           << pair.line << "--- train\n"
                           << pair.train;
    for (const auto& [what, text] : cases) {
      if (back.line_text.find(what) != std::string::npos ||
          back.train_text.find(what) != std::string::npos) {
        ++covered[what];
      }
    }
  }
  EXPECT_EQ(compiled, 2000) << "of " << tried << " pairs";
  EXPECT_GT(with_geometry, 500);
  for (const auto& [what, text] : cases) {
    EXPECT_GE(covered[what], 20) << text;
  }
}

TEST(DecompileTest, TheBuiltInScenarioAndTheExamplesComeBack) {
  const std::string line = line_list_text(builtin_line_list());
  const std::string train = line_list_text(builtin_train_list());
  for (bool geometry : {true, false}) {
    const CompileResult result = compile_texts(line, train, "Zorvane_Pelk", "728", geometry);
    ASSERT_EQ(result.status.codice_errore(), 0);
    EXPECT_EQ(round_trip(images_of(result, geometry)), "") << "geometry " << geometry;
  }
  auto slurp = [](const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  };
  const std::string dir = std::string(BINARIO_SOURCE_DIR) + "/examples/";
  const CompileResult example = compile_texts(
      slurp(dir + "Valdoria_linea.txt"), slurp(dir + "Valdoria_42-.txt"), "Valdoria", "42", true);
  ASSERT_EQ(example.status.codice_errore(), 0);
  const Images images = images_of(example, true);
  EXPECT_EQ(round_trip(images), "");
  // The decompiled pair is itself clean: it compiles with status 0.
  const DecompileResult pair = decompile(images.view());
  ASSERT_TRUE(pair.pair);
  EXPECT_EQ(compile_texts(pair.pair->line_text, pair.pair->train_text, "Valdoria", "42", true)
                .status.codice_errore(),
            0);
}

class RefusalTest : public testing::Test {
 protected:
  void SetUp() override {
    const CompileResult result =
        compile_texts(line_list_text(builtin_line_list()), line_list_text(builtin_train_list()),
                      "Zorvane_Pelk", "728", true);
    images = images_of(result, true);
  }
  DecompileRefusal refusal(const Images& in) {
    const DecompileResult r = decompile(in.view());
    EXPECT_FALSE(r.pair);
    return r.refusal;
  }
  Images images;
};

TEST_F(RefusalTest, DamagedFilesAreRefusedWhereTheirLayoutBreaks) {
  Images cut = images;
  cut.cells.pop_back();
  DecompileRefusal r = refusal(cut);
  EXPECT_EQ(r.image, BinaryImage::kCells);
  EXPECT_EQ(r.offset, cut.cells.size() / 15 * 15);

  Images longer = images;
  longer.train_table += '\0';
  r = refusal(longer);
  EXPECT_EQ(r.image, BinaryImage::kTrainTable);

  Images odd = images;
  odd.geometry[0] = 9;
  r = refusal(odd);
  EXPECT_EQ(r.image, BinaryImage::kGeometry);
  EXPECT_EQ(r.offset, 0u);
}

TEST_F(RefusalTest, FilesOfDifferentScenariosAreRefused) {
  // Cells of another train: the competition code in cell 1 does not fit.
  const CompileResult other =
      compile_texts(line_list_text(builtin_line_list()), line_list_text(builtin_train_list()),
                    "Zorvane_Pelk", "729", true);
  Images mixed = images;
  mixed.cells = images_of(other, true).cells;
  EXPECT_NE(refusal(mixed).reason.find("another scenario or train"), std::string::npos);
  // Cells of a shorter line.
  mixed = images;
  mixed.cells.resize(mixed.cells.size() - 15);
  EXPECT_NE(refusal(mixed).reason.find("do not belong to the same scenario"), std::string::npos);
  // The geometry of a shorter line.
  std::string line = line_list_text(builtin_line_list());
  const size_t at = line.find("82000");
  ASSERT_NE(at, std::string::npos);
  line.replace(at, 5, "81000");
  mixed = images;
  mixed.geometry = images_of(compile_texts(line, line_list_text(builtin_train_list()),
                                           "Zorvane_Pelk", "728", true),
                             true)
                       .geometry;
  EXPECT_NE(refusal(mixed).reason.find("do not belong to the same scenario"), std::string::npos);
}

TEST_F(RefusalTest, WhatNoDescriptionGivesIsRefusedWithTheFirstDifference) {
  // A cell kind no record writes: the compile of the result differs there.
  Images odd = images;
  odd.cells[500 * 15] = 7;
  DecompileRefusal r = refusal(odd);
  EXPECT_EQ(r.image, BinaryImage::kCells);
  EXPECT_EQ(r.offset, 500u * 15);
  EXPECT_NE(r.reason.find("cell 500, tipo: the compile gives 0 where the file holds 7"),
            std::string::npos)
      << r.reason;
  // An approach mark no signal or station writes.
  odd = images;
  odd.cells[600 * 15 + 10] = 99;
  EXPECT_NE(refusal(odd).reason.find("approach mark"), std::string::npos);
  // A point of the plan geometry off every curve class.
  odd = images;
  odd.geometry[4 + 4 + 10 * 500 + 9] ^= 0x10;
  EXPECT_NE(refusal(odd).reason.find("neither straight on nor turned"), std::string::npos);
}

// A 20 km pair with two stations whose stop cells are 101 and 125, the
// records of `before` written ahead of them in the train description and
// `line_body` in the line's.
struct StationPair {
  std::string line, train;
  StationPair(const std::string& before, const std::string& line_body = "",
              const std::string& second_name = "Pelk") {
    line = "inizio_dati\r\n[generale]\r\nlunghezza percorso, 20000\r\n[pendenze]\r\n" + line_body +
           "[fine]\r\n";
    train = "inizio_dati\r\n[generale]\r\n[vel_limite]\r\nvelocita, 0, 100\r\n" + before +
            "stazione, 5000, 2, 200, 0, 0, 0, 1, 1, 0, 1, 1, 1, 0, 7, 0, 0, Zorv\r\n"
            "stazione, 6200, 2, 200, 0, 0, 0, 1, 1, 0, 1, 1, 1, 0, 7, 5, 0, " +
            second_name + "\r\n[fine]\r\n";
  }
  Images images() const {
    const CompileResult result = compile_texts(line, train, "Linea", "9", false);
    EXPECT_EQ(result.status.codice_errore(), 0) << train;
    return images_of(result, false);
  }
};

TEST(DecompileTest, ObjectsAStationStopOverwroteComeBackBeforeIt) {
  // Slowdowns with one or two cells under the stops (101 and 125): the
  // start, the end, the warning board, each countdown cell, the start and
  // the warning board together.
  const std::vector<std::string> slowdowns = {
      "rallentamento, 5000, 30, 1000, 1, 1, 7", "rallentamento, 4000, 45, 1000, 2, 1, 0",
      "rallentamento, 6200, 60, 700, 0, 0, -3", "rallentamento, 6250, 20, 500, 0, 1, 9",
      "rallentamento, 6300, 20, 500, 0, 1, 0",  "rallentamento, 6350, 20, 500, 3, 1, 9",
      "rallentamento, 6400, 115, 500, 0, 1, 9", "rallentamento, 6200, 35, 900, 4, 1, 12",
      "rallentamento, 6212, 35, 900, 4, 1, 12",
  };
  for (const std::string& slowdown : slowdowns) {
    DecompiledPair back;
    EXPECT_EQ(round_trip(StationPair(slowdown + "\r\n").images(), &back), "") << slowdown;
    EXPECT_NE(back.train_text.find("overwrote one of its cells\r\nrallentamento"),
              std::string::npos)
        << slowdown << "\n"
        << back.train_text;
  }
  // A code point leaves nothing under a stop; a signal its other values.
  DecompiledPair back;
  EXPECT_EQ(round_trip(StationPair("abbattimento, 5050, 7\r\n").images(), &back), "");
  EXPECT_EQ(back.train_text.find("abbattimento, "), std::string::npos);
  EXPECT_EQ(
      round_trip(StationPair("segnale, 6200, 2, 1, 2, 3, 4, 0, 1, 2, 3, 150\r\n").images(), &back),
      "");
  EXPECT_NE(back.train_text.find("segnale, 6200"), std::string::npos) << back.train_text;
  // Boards of the line under a stop, and mountain markers there.
  EXPECT_EQ(round_trip(StationPair("",
                                   "[cartelli]\r\nindicatori_vmax, 5000, 5, 10, 15, 1, 20, "
                                   "25, 30, 2\r\n[indicazioni]\r\ncartello indicatore, "
                                   "6200, Bivio\r\n[montagne]\r\nmontagna, 4500, 5200, 14\r\n")
                           .images(),
                       &back),
            "");
}

TEST(DecompileTest, SlowdownsOfNoOrNegativeLengthComeBack) {
  // No length: the start overwrites the end; a negative one ends before it,
  // at -1200 m in the warning board's cell.
  for (const std::string slowdown :
       {"rallentamento, 3000, 30, 0, 1, 1, 7", "rallentamento, 3000, 30, -500, 1, 1, 7",
        "rallentamento, 3000, 30, -500, 1, 1, 7\r\nrallentamento, 8000, 30, -700, 1, 1, 7",
        "rallentamento, 3000, 30, -1200, 5, 0, 7"}) {
    EXPECT_EQ(round_trip(StationPair(slowdown + "\r\n").images()), "") << slowdown;
  }
}

TEST(DecompileTest, MountainSpansOfKindZeroComeBackByTheirMarkers) {
  // Kind 266 puts markers but leaves 0 in the cells; one 100 m after another
  // span would join it (kind 3) without the separator.
  for (const std::string spans :
       {"montagna, 1000, 3000, 266\r\n", "montagna, 1000, 3000, 5\r\nmontagna, 3300, 4000, 266\r\n",
        "montagna, 1000, 3000, 266\r\nmontagna, 3100, 4000, 7\r\n"}) {
    DecompiledPair back;
    EXPECT_EQ(round_trip(StationPair("", "[montagne]\r\n" + spans).images(), &back), "") << spans;
    EXPECT_NE(back.line_text.find(" 266\r\n"), std::string::npos) << back.line_text;
  }
}

TEST(DecompileTest, TextsWithADoubleQuoteComeBackWhereAFieldCanHoldThem) {
  DecompiledPair back;
  EXPECT_EQ(
      round_trip(StationPair("", "[indicazioni]\r\ncartello indicatore, 900, Via \"Roma\"\r\n",
                             "Bar \"Sole\" (2)")
                     .images(),
                 &back),
      "");
  EXPECT_NE(back.train_text.find(", Bar \"Sole\" (2)\r\n"), std::string::npos);
  // A text that starts with a quote, or would need quoting, no field gives.
  for (const auto& [name, why] : {std::pair{"\"Sole", "starts with a double quote"},
                                  std::pair{"Sole \"2\", 3", "also a comma"}}) {
    Images images = StationPair("", "", "Xxxxxxxxxxx").images();
    const size_t at = images.train_table.find("Xxxxxxxxxxx");
    ASSERT_NE(at, std::string::npos);
    images.train_table.replace(at, 11,
                               std::string(name).append(11 - std::string(name).size(), 'y'));
    const DecompileResult r = decompile(images.view());
    ASSERT_FALSE(r.pair);
    EXPECT_NE(r.refusal.reason.find(std::string("the name of station 2 ") + ""), std::string::npos)
        << r.refusal.reason;
    EXPECT_NE(r.refusal.reason.find(why), std::string::npos) << r.refusal.reason;
  }
}

TEST(TextValueTest, TextsAreQuotedOnlyWhereAFieldNeedsIt) {
  EXPECT_EQ(text_value("(  Km. ) (18.600)"), "(  Km. ) (18.600)");
  EXPECT_EQ(text_value(""), "");
  EXPECT_EQ(text_value("a, b"), "\"a, b\"");
  EXPECT_EQ(text_value(" lead"), "\" lead\"");
  EXPECT_EQ(text_value("trail "), "\"trail \"");
  EXPECT_EQ(text_value("\"quoted"), std::nullopt);
  EXPECT_EQ(text_value("say \"hi\""), "say \"hi\"");
  EXPECT_EQ(text_value("two\r\nlines"), "\"two\r\nlines\"");
}

}  // namespace
}  // namespace binario
