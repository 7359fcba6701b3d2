#include "output/binary_decoders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "output/binary_files.h"
#include "test_support/model_fields.h"

namespace binario {
namespace {

using test::expect_geometry;
using test::fields;

// The bytes a writer produces.
template <typename Fill>
std::string written(Fill fill) {
  StringSink sink;
  fill(sink);
  return sink.bytes;
}

std::string cells_image(const std::vector<Cella>& cells) {
  return written([&](ByteSink& f) { write_cells_file(cells, f); });
}
std::string table_image(const std::array<VoceTreno, kTrenoEntries>& treno) {
  return written([&](ByteSink& f) { write_train_table_file(treno, f); });
}
std::string geometry_image(const Linea& linea) {
  return written([&](ByteSink& f) { write_geometry_file(linea, f); });
}

// --- Round trips ----------------------------------------------------------

TEST(DecodeRoundTrip, CellsKeepEveryFieldAtItsExtremes) {
  std::vector<Cella> cells(4);
  cells[0] = Cella{255, -32768, 32767, -1, 1, 255, 0, 128, 127, 1, 254};
  cells[1] = Cella{12, 5121, 2447, 0x1234, -2, 7, 81, 3, 18, 100, 9};
  cells[3] = Cella{1, 11, 22, 33, 41, 30, 84, 0, 24, 97, 3};
  std::vector<Cella> decoded;
  DecodeError error;
  ASSERT_TRUE(decode_cells(cells_image(cells), &decoded, &error)) << error.expected;
  ASSERT_EQ(decoded.size(), cells.size());
  for (size_t k = 0; k < cells.size(); ++k) EXPECT_EQ(fields(decoded[k]), fields(cells[k])) << k;
}

TEST(DecodeRoundTrip, TrainTableKeepsNamesBytesAndSignedFields) {
  std::array<VoceTreno, kTrenoEntries> treno{};
  treno[1] = VoceTreno{2,  -123456, 2147483647, -2147483648LL, 200, "Citt\xE0 \x80",
                       -1, 0x0102,  -32768,     32767,         5,   6,
                       7,  8,       255,        82875};
  treno[80].nome = std::string(65'535, 'x');  // the longest name the length word can hold
  treno[85].nome = "Zorvane_Pelk";
  treno[85].dato1 = 610;
  treno[86].orario = -1;
  std::array<VoceTreno, kTrenoEntries> decoded{};
  DecodeError error;
  ASSERT_TRUE(decode_train_table(table_image(treno), &decoded, &error)) << error.expected;
  for (int i = 0; i < kTrenoEntries; ++i) {
    EXPECT_EQ(fields(decoded[static_cast<size_t>(i)]), fields(treno[static_cast<size_t>(i)])) << i;
  }
}

TEST(DecodeRoundTrip, GeometryKeepsTagsAndDoublesBitForBit) {
  Linea linea;
  linea.allocate(9);
  linea.seed();
  linea.push(-0.0, 0.1);
  linea.push(std::numeric_limits<double>::denorm_min(), -1e300);
  linea.push(123456.78901234567, -3.5);
  linea.push(std::nextafter(1.0, 2.0), 1e-308);
  DecodedGeometry decoded;
  DecodeError error;
  ASSERT_TRUE(decode_geometry(geometry_image(linea), &decoded, &error)) << error.expected;
  expect_geometry(decoded, linea);
  EXPECT_EQ(decoded.second[1].tag, Tag::kInteger);
  EXPECT_EQ(decoded.second[1].value, 1);
  EXPECT_EQ(decoded.first[9].tag, Tag::kEmpty);
  StringSink again;
  encode_geometry(decoded, again);
  EXPECT_EQ(again.bytes, geometry_image(linea));
}

TEST(DecodeRoundTrip, NegativeIntegerPayloadIsSigned) {
  // The seed's points 0 and 1: tag 2, payload 0xfffe (-2), then 0; their
  // second coordinates 0 and 1.
  const std::string bytes("\x02\x00\xfe\xff\x02\x00\x00\x00\x02\x00\x00\x00\x02\x00\x01\x00", 16);
  DecodedGeometry decoded;
  ASSERT_TRUE(decode_geometry(bytes, &decoded, nullptr));
  ASSERT_EQ(decoded.first.size(), 2u);
  EXPECT_EQ(decoded.first[0].value, -2);
  EXPECT_EQ(decoded.second[1].value, 1);
  StringSink again;
  encode_geometry(decoded, again);
  EXPECT_EQ(again.bytes, bytes);
}

// --- Refusals -------------------------------------------------------------

enum class Decoder { kCells, kTrainTable, kGeometry };

struct Refusal {
  const char* name;
  Decoder decoder;
  std::function<std::string()> bytes;
  size_t offset;
  const char* expected;  // a part of the words that say what was expected
};

std::string le16(uint16_t v) {
  return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

// A valid train table of empty entries, except entry 5 named "stazione".
std::string small_table() {
  std::array<VoceTreno, kTrenoEntries> treno{};
  treno[5].nome = "stazione";
  return table_image(treno);
}
constexpr size_t kEntry5 = 5 * 34;             // where entry 5 starts
constexpr size_t kSmallTable = 87 * 34 + 8;    // size of small_table()
constexpr size_t kEntry86 = kSmallTable - 34;  // where entry 86 starts

// Geometry entries: empty, Integer, Double.
std::string empty_value() {
  return le16(0);
}
std::string integer_value(uint16_t v) {
  return le16(2) + le16(v);
}
std::string double_value() {
  return le16(5) + std::string(8, '\x01');
}

const Refusal kRefusals[] = {
    {"CellsEmpty", Decoder::kCells, [] { return std::string(); }, 0,
     "the 15-byte record of cell 0, found an empty file"},
    {"CellsOneByteOver", Decoder::kCells, [] { return std::string(16, '\0'); }, 15,
     "the 15-byte record of cell 1, found only 1 byte before the end of the file"},
    {"TableEmpty", Decoder::kTrainTable, [] { return std::string(); }, 0,
     "the 1-byte `tipo` of treno entry 0, found the end of the file"},
    {"TableCutInInizio", Decoder::kTrainTable, [] { return std::string(3, '\0'); }, 1,
     "the 4-byte `inizio` of treno entry 0, found only 2 bytes"},
    {"TableCutInLengthWord", Decoder::kTrainTable,
     [] { return small_table().substr(0, kEntry86 + 15); }, kEntry86 + 14,
     "the 2-byte length word of `nome` of treno entry 86, found only 1 byte"},
    {"TableNameRunsPastTheEnd", Decoder::kTrainTable,
     [] {
       std::string t = small_table().substr(0, kEntry5 + 16 + 40);
       t.replace(kEntry5 + 14, 2, le16(1000));
       return t;
     },
     kEntry5 + 16,
     "the 1000 bytes of `nome` of treno entry 5 (as its length word at byte 184 says), found "
     "only 40 bytes"},
    {"TableCutInDato3", Decoder::kTrainTable,
     [] { return small_table().substr(0, kEntry5 + 16 + 8 + 5); }, kEntry5 + 16 + 8 + 4,
     "the 2-byte `dato3` of treno entry 5, found only 1 byte"},
    {"TableCutInLastOrario", Decoder::kTrainTable,
     [] { return small_table().substr(0, kSmallTable - 1); }, kSmallTable - 4,
     "the 4-byte `orario` of treno entry 86, found only 3 bytes"},
    {"TableOf86Records", Decoder::kTrainTable, [] { return small_table().substr(0, kEntry86); },
     kEntry86, "the 1-byte `tipo` of treno entry 86, found the end of the file"},
    {"TableWithTrailingBytes", Decoder::kTrainTable, [] { return small_table() + "ab"; },
     kSmallTable, "the end of the file after treno entry 86 (87 records), found 2 bytes more"},
    {"GeometryEmpty", Decoder::kGeometry, [] { return std::string(); }, 0,
     "the tag of point 0, found an empty file"},
    {"GeometryLongTag", Decoder::kGeometry,
     [] { return integer_value(0) + le16(3) + std::string(4, '\0'); }, 4,
     "a tag 0 (empty), 2 (Integer) or 5 (Double) for entry 1, found 3"},
    {"GeometryBigEndianTag", Decoder::kGeometry,
     [] { return empty_value() + empty_value() + std::string("\x00\x05", 2); }, 4,
     "for entry 2, found 1280"},
    {"GeometryTagCutShort", Decoder::kGeometry, [] { return double_value() + "\x05"; }, 10,
     "the 2-byte tag of entry 1, found only 1 byte"},
    {"GeometryIntegerCutShort", Decoder::kGeometry, [] { return empty_value() + le16(2) + "\x01"; },
     4, "the 2-byte Integer of entry 1, found only 1 byte"},
    {"GeometryDoubleCutShort", Decoder::kGeometry,
     [] { return integer_value(0) + integer_value(1) + double_value().substr(0, 7); }, 10,
     "the 8-byte Double of entry 2, found only 5 bytes"},
    {"GeometryOddEntries", Decoder::kGeometry,
     [] { return integer_value(0) + double_value() + empty_value(); }, 16,
     "an even number of entries (the two coordinates of every point), found 3"},
    // Tags a compile never writes.
    {"GeometryDoubleAtPointZero", Decoder::kGeometry,
     [] { return double_value() + integer_value(0) + double_value() + integer_value(1); }, 0,
     "an Integer (the seed) or empty for point 0, found Double (entry 0)"},
    {"GeometryPointOneNotSeeded", Decoder::kGeometry,
     [] { return integer_value(0) + double_value() + integer_value(0) + double_value(); }, 4,
     "an Integer for point 1 (points 0 and 1 are the seed), found Double (entry 1)"},
    {"GeometryOnlyPointZero", Decoder::kGeometry,
     [] { return integer_value(0) + integer_value(0); }, 4,
     "an Integer for point 1 (points 0 and 1 are the seed), found the end of the first"},
    {"GeometryIntegerAfterTheSeed", Decoder::kGeometry,
     [] {
       const std::string run = integer_value(0) + integer_value(1) + integer_value(2);
       return run + run;
     },
     8, "a Double or empty for point 2 (only points 0 and 1 are Integer), found Integer"},
    {"GeometryDoubleAfterAnEmptyPoint", Decoder::kGeometry,
     [] {
       const std::string run = integer_value(0) + integer_value(1) + empty_value() + double_value();
       return run + run;
     },
     10, "empty for point 3, as point 2 is empty, found Double (entry 3)"},
    {"GeometryValueAfterAnUnseededStart", Decoder::kGeometry,
     [] {
       const std::string run = empty_value() + empty_value() + double_value();
       return run + run;
     },
     4, "empty for point 2, as point 0 is empty (a geometry never seeded), found Double"},
    {"GeometryCoordinatesTaggedApart", Decoder::kGeometry,
     [] {
       return integer_value(0) + integer_value(0) + double_value() + integer_value(0) +
              integer_value(1) + empty_value();
     },
     26, "Double for point 2 of the second coordinates, as for its first (entry 5), found empty"},
    {"CellsOnlyOne", Decoder::kCells, [] { return std::string(15, '\0'); }, 15,
     "the 15-byte record of cell 1 (a line has at least 2 cells), found the end of the file"},
    {"CellsMoreThanTheLongestLine", Decoder::kCells,
     [] { return std::string((kMaxCells + 1) * kCellRecordSize, '\0'); },
     kMaxCells* kCellRecordSize,
     "the end of the file after cell 20140 (20141 cells, the most a line has), found 15 bytes "
     "more"},
};

class RefusalTest : public ::testing::TestWithParam<Refusal> {};

TEST_P(RefusalTest, GivesTheOffsetAndWhatWasExpectedAndReturnsNothing) {
  const Refusal& r = GetParam();
  const std::string bytes = r.bytes();
  DecodeError error;
  bool ok = true;
  // Results already holding something stay as they were.
  switch (r.decoder) {
    case Decoder::kCells: {
      std::vector<Cella> cells(2);
      cells[1].tipo = 99;
      ok = decode_cells(bytes, &cells, &error);
      ASSERT_EQ(cells.size(), 2u);
      EXPECT_EQ(cells[1].tipo, 99);
      break;
    }
    case Decoder::kTrainTable: {
      std::array<VoceTreno, kTrenoEntries> treno{};
      treno[0].nome = "before";
      ok = decode_train_table(bytes, &treno, &error);
      EXPECT_EQ(treno[0].nome, "before");
      break;
    }
    case Decoder::kGeometry: {
      DecodedGeometry geometry;
      geometry.first.resize(3);
      ok = decode_geometry(bytes, &geometry, &error);
      EXPECT_EQ(geometry.first.size(), 3u);
      EXPECT_TRUE(geometry.second.empty());
      break;
    }
  }
  EXPECT_FALSE(ok);
  EXPECT_EQ(error.offset, r.offset);
  EXPECT_NE(error.expected.find(r.expected), std::string::npos) << error.expected;
}

INSTANTIATE_TEST_SUITE_P(EveryRefusal, RefusalTest, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal>& info) {
                           return std::string(info.param.name);
                         });

TEST(DecodeRefusal, EveryShorterTrainTableIsRefused) {
  std::array<VoceTreno, kTrenoEntries> treno{};
  for (int i = 0; i < kTrenoEntries; ++i) {
    treno[static_cast<size_t>(i)].nome = std::string(static_cast<size_t>(i % 5), 'a');
  }
  const std::string image = table_image(treno);
  std::array<VoceTreno, kTrenoEntries> decoded{};
  for (size_t n = 0; n < image.size(); ++n) {
    DecodeError error;
    ASSERT_FALSE(decode_train_table(std::string_view(image).substr(0, n), &decoded, &error)) << n;
    ASSERT_LE(error.offset, n) << n;
  }
  EXPECT_TRUE(decode_train_table(image, &decoded, nullptr));
}

// A geometry cut short is refused wherever the cut falls: even where it
// leaves an even number of whole values, the second coordinates then start
// inside the first ones and their tags disagree.
TEST(DecodeRefusal, EveryShorterGeometryIsRefused) {
  Linea linea;
  linea.allocate(40);
  linea.seed();
  for (int k = 2; k < 30; ++k) linea.push(k * 0.5, -k * 0.25);
  const std::string image = geometry_image(linea);
  DecodedGeometry decoded;
  for (size_t n = 0; n < image.size(); ++n) {
    DecodeError error;
    ASSERT_FALSE(decode_geometry(std::string_view(image).substr(0, n), &decoded, &error)) << n;
    ASSERT_LE(error.offset, n) << n;
  }
  EXPECT_TRUE(decode_geometry(image, &decoded, nullptr));
  // A geometry never seeded is all empty; its cut prefixes cannot be told
  // from a shorter one here, only against the cells (see files_disagree).
  Linea never;
  never.allocate(3);
  EXPECT_TRUE(decode_geometry(geometry_image(never), &decoded, nullptr));
}

// Files of one compile agree on the line length; any other count of cells or
// points is told with the numbers.
TEST(FilesDisagree, CellsAndGeometryFollowTheTrainTablesLineLength) {
  std::array<VoceTreno, kTrenoEntries> treno{};
  treno[kTrainParameters].fine = 6000;  // 13000 m with the run-out: cells 0 .. 260
  DecodedGeometry geometry;
  geometry.first.resize(13001);
  geometry.second.resize(13001);
  EXPECT_EQ(files_disagree(261, treno, &geometry), std::nullopt);
  EXPECT_EQ(files_disagree(261, treno, nullptr), std::nullopt);
  EXPECT_EQ(files_disagree(1781, treno, &geometry),
            "the train table is of a 6000 m line, which has 261 cells, but the cells file holds "
            "1781");
  geometry.first.resize(89001);
  EXPECT_EQ(files_disagree(261, treno, &geometry),
            "the train table is of a 6000 m line, whose geometry has 13001 points, but the "
            "geometry file holds 89001");
  // Any length a hostile file stores is compared without overflow.
  treno[kTrainParameters].fine = std::numeric_limits<int32_t>::min();
  EXPECT_NE(files_disagree(261, treno, nullptr), std::nullopt);
  treno[kTrainParameters].fine = std::numeric_limits<int32_t>::max();
  EXPECT_NE(files_disagree(261, treno, &geometry), std::nullopt);
}

TEST(BinaryImageFromName, ByTheEndingOfTheName) {
  EXPECT_EQ(binary_image_from_name("dir/Zorvane_Pelk_linea.dat"), BinaryImage::kGeometry);
  EXPECT_EQ(binary_image_from_name("Zorvane_Pelk_728.DAT"), BinaryImage::kCells);
  EXPECT_EQ(binary_image_from_name("Zorvane_Pelk_728.dat"), BinaryImage::kCells);
  EXPECT_EQ(binary_image_from_name("x/Zorvane_Pelk_728.sim"), BinaryImage::kTrainTable);
  EXPECT_EQ(binary_image_from_name("A_LINEA.Dat"), BinaryImage::kGeometry);
  EXPECT_EQ(binary_image_from_name("linea.dat"), BinaryImage::kCells);
  EXPECT_EQ(binary_image_from_name("Zorvane_Pelk_linea.txt"), std::nullopt);
  EXPECT_EQ(binary_image_from_name("sim"), std::nullopt);
  EXPECT_EQ(binary_image_from_name(""), std::nullopt);
}

}  // namespace
}  // namespace binario
