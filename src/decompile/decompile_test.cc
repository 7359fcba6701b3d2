// Decompiling compiled scenarios: random valid pairs, the built-in scenario
// and the examples come back as descriptions that compile to the very same
// bytes; files that no description gives are refused with the reason.
#include "decompile/decompile.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

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
  input.nome_percorso = name;
  input.numero_treno = number;
  input.calcola_linea = geometry;
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
std::string round_trip(const Images& images) {
  const DecompileResult result = decompile(images.view());
  if (!result.pair) return "refused: " + result.refusal.reason;
  const DecompiledPair& pair = *result.pair;
  const CompileResult again = compile_texts(pair.line_text, pair.train_text, pair.nome_percorso,
                                            pair.numero_treno, images.with_geometry);
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
  for (uint64_t seed = 1; compiled < 2000 && tried < 4000; ++seed) {
    const bool geometry = seed % 2 == 0;
    const test::RandomPair pair = test::RandomPairMaker(seed).make(geometry);
    ++tried;
    const CompileResult result =
        compile_texts(pair.line, pair.train, pair.name, pair.number, geometry);
    if (result.end != CompileEnd::kCompiled || result.status.codice_errore() != 0) continue;
    ++compiled;
    with_geometry += geometry ? 1 : 0;
    const std::string failure = round_trip(images_of(result, geometry));
    ASSERT_EQ(failure, "") << "seed " << seed << "\n--- line\n"
                           << pair.line << "--- train\n"
                           << pair.train;
  }
  EXPECT_EQ(compiled, 2000) << "of " << tried << " pairs";
  EXPECT_GT(with_geometry, 500);
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
