#include "output/file_naming.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "output/kilometres.h"

namespace binario {
namespace {

TEST(FileNaming, BuildsEveryNameOfAScenario) {
  const ScenarioFileNames n = scenario_file_names("Zorvane_Pelk", "728");
  EXPECT_EQ(n.line_text, "Zorvane_Pelk_linea.txt");
  EXPECT_EQ(n.train_text, "Zorvane_Pelk_728-.txt");
  EXPECT_EQ(n.train_sheet, "Zorvane_Pelk_728_scheda_treno.txt");
  EXPECT_EQ(n.slowdown_order, "Zorvane_Pelk_728_rallentamenti.txt");
  EXPECT_EQ(n.notes, "Zorvane_Pelk_728_note.txt");
  EXPECT_EQ(n.geometry, "Zorvane_Pelk_linea.dat");
  EXPECT_EQ(n.train_table, "Zorvane_Pelk_728.sim");
  EXPECT_EQ(n.cells, "Zorvane_Pelk_728.dat");
}

TEST(FileNaming, RecognisesEndingsInAnyLetterCase) {
  EXPECT_EQ(name_from_line_text("rimini_LINEA.TXT"), "rimini");
  EXPECT_EQ(name_from_line_text("Rimini_Linea.Txt"), "Rimini");
  EXPECT_EQ(number_from_train_text("rimini_12-.TXT", "rimini"), "12");
  EXPECT_EQ(train_text_stem("a_b_7-.Txt"), "a_b_7");
  EXPECT_EQ(binary_image_from_name("dir/RIMINI_LINEA.DAT"), BinaryImage::kGeometry);
  EXPECT_EQ(binary_image_from_name("Rimini_12.SIM"), BinaryImage::kTrainTable);
  EXPECT_EQ(binary_image_from_name("Rimini_12.Dat"), BinaryImage::kCells);
  // The name before the ending keeps its case: it is the scenario's name.
  EXPECT_EQ(number_from_train_text("RIMINI_12-.txt", "rimini"), std::nullopt);
}

TEST(FileNaming, RefusesNamesWithoutTheirParts) {
  EXPECT_EQ(name_from_line_text("_linea.txt"), std::nullopt);  // no NAME
  EXPECT_EQ(name_from_line_text("linea.txt"), std::nullopt);
  EXPECT_EQ(name_from_line_text("x_linea.txt.bak"), std::nullopt);
  EXPECT_EQ(number_from_train_text("x_-.txt", "x"), std::nullopt);  // no NUM
  EXPECT_EQ(number_from_train_text("xy_1-.txt", "x"), std::nullopt);
  EXPECT_EQ(number_from_train_text("x1-.txt", "x"), std::nullopt);
  EXPECT_EQ(train_text_stem("_1-.txt"), std::nullopt);
  EXPECT_EQ(train_text_stem("x_-.txt"), std::nullopt);
  EXPECT_EQ(train_text_stem("x1-.txt"), std::nullopt);
  EXPECT_EQ(binary_image_from_name("x.svg"), std::nullopt);
  EXPECT_EQ(binary_image_from_name("dat"), std::nullopt);
}

TEST(Kilometres, ThreeDigitsOfMetresAndNoOverflowAtTheEnds) {
  EXPECT_EQ(kilometres(0), "0.000");
  EXPECT_EQ(kilometres(2750), "2.750");
  EXPECT_EQ(kilometres(1'007'000), "1007.000");
  EXPECT_EQ(kilometres(-500), "-0.500");
  EXPECT_EQ(kilometres(-12'345), "-12.345");
  EXPECT_EQ(kilometres(std::numeric_limits<int32_t>::min()), "-2147483.648");
  EXPECT_EQ(kilometres(std::numeric_limits<int64_t>::min()), "-9223372036854775.808");
  EXPECT_EQ(kilometres(std::numeric_limits<int64_t>::max()), "9223372036854775.807");
}

}  // namespace
}  // namespace binario
