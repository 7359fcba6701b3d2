#include "output/binary_files.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace binario {
namespace {

// The bytes a writer produces.
template <typename Fill>
std::string written(Fill fill) {
  StringSink sink;
  fill(sink);
  return sink.bytes;
}

// Reads a little-endian field back, signed or not as its model field is.
uint64_t raw(const std::string& bytes, size_t at, size_t width) {
  EXPECT_LE(at + width, bytes.size());
  if (at + width > bytes.size()) return 0;
  uint64_t v = 0;
  for (size_t b = 0; b < width; ++b) {
    v |= static_cast<uint64_t>(static_cast<unsigned char>(bytes[at + b])) << (8 * b);
  }
  return v;
}
int64_t field(const std::string& bytes, size_t base, FieldSpan f, bool is_signed) {
  const uint64_t v = raw(bytes, base + f.offset, f.size);
  if (!is_signed || f.size == 8) return static_cast<int64_t>(v);
  const uint64_t sign = uint64_t{1} << (8 * f.size - 1);
  return static_cast<int64_t>(v ^ sign) - static_cast<int64_t>(sign);
}

std::string hex(const std::string& bytes) {
  static const char* digits = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    if (!out.empty()) out += ' ';
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

// --- Track cells ----------------------------------------------------------

TEST(CellsFile, FifteenBytesPerCellLittleEndian) {
  std::vector<Cella> cells(3);
  cells[1] = Cella{12, 5121, -2, 0x1234, -32768, 7, 81, 3, 18, 255, 9};
  const std::string bytes = written([&](ByteSink& f) { write_cells_file(cells, f); });
  ASSERT_EQ(bytes.size(), 3 * kCellRecordSize);
  EXPECT_EQ(hex(bytes.substr(15, 15)), "0c 01 14 fe ff 34 12 00 80 07 51 03 12 ff 09");
  EXPECT_EQ(bytes.substr(0, 15), std::string(15, '\0'));
  EXPECT_EQ(bytes.substr(30, 15), std::string(15, '\0'));
}

TEST(CellsFile, DecodesBackThroughTheLayout) {
  std::vector<Cella> cells(1781);
  for (size_t k = 0; k < cells.size(); ++k) {
    const int v = static_cast<int>(k);
    cells[k] = Cella{static_cast<uint8_t>(k % 15),
                     static_cast<int16_t>(v - 900),
                     static_cast<int16_t>(-v),
                     static_cast<int16_t>(v * 17),
                     static_cast<int16_t>(v * -13),
                     static_cast<uint8_t>(v),
                     1,
                     2,
                     static_cast<uint8_t>(v >> 3),
                     100,
                     static_cast<uint8_t>(255 - v % 256)};
  }
  const std::string bytes = written([&](ByteSink& f) { write_cells_file(cells, f); });
  ASSERT_EQ(bytes.size(), 26'715u);
  for (size_t k = 0; k < cells.size(); ++k) {
    kCellFields.for_each([&](const auto& f) {
      using Value = std::remove_cvref_t<decltype(f.of(cells[k]))>;
      ASSERT_EQ(field(bytes, k * kCellRecordSize, f.span(), std::is_signed_v<Value>),
                f.of(cells[k]))
          << k << ' ' << f.name;
    });
  }
}

// --- Train table ----------------------------------------------------------

TEST(TrainTableFile, RecordSizesFollowTheName) {
  std::array<VoceTreno, kTrenoEntries> treno{};
  EXPECT_EQ(written([&](ByteSink& f) { write_train_table_file(treno, f); }).size(), 87u * 34);
  treno[kScenarioEntry].nome = "Zorvane_Pelk";
  EXPECT_EQ(train_record_size(treno[kScenarioEntry]), 46u);
  EXPECT_EQ(written([&](ByteSink& f) { write_train_table_file(treno, f); }).size(), 86u * 34 + 46);
}

TEST(TrainTableFile, FieldBytesOfOneRecord) {
  std::array<VoceTreno, kTrenoEntries> treno{};
  VoceTreno& v = treno[0];
  v.tipo = 2;
  v.inizio = -123456;
  v.fine = 0x01020304;
  v.posizione = 50;
  v.tps = 200;
  v.nome = "Z\xE8";  // Windows-1252 bytes are kept as they are
  v.dato1 = -1;
  v.dato2 = 0x0102;
  v.dato3 = 3;
  v.dato4 = 4;
  v.dato5 = 5;
  v.opz1 = 6;
  v.opz2 = 7;
  v.opz3 = 8;
  v.opz4 = 255;
  v.orario = 82875;
  const std::string bytes = written([&](ByteSink& f) { write_train_table_file(treno, f); });
  EXPECT_EQ(hex(bytes.substr(0, 36)),
            "02 c0 1d fe ff 04 03 02 01 32 00 00 00 c8 02 00 5a e8 "
            "ff ff 02 01 03 00 04 00 05 00 06 07 08 ff bb 43 01 00");
  EXPECT_EQ(bytes.size(), 36u + 86 * 34);
}

TEST(TrainTableFile, DecodesBackWalkingTheRecords) {
  std::array<VoceTreno, kTrenoEntries> treno{};
  for (int i = 0; i < kTrenoEntries; ++i) {
    VoceTreno& v = treno[static_cast<size_t>(i)];
    v.tipo = static_cast<uint8_t>(i);
    v.inizio = i * 1000 - 40000;
    v.fine = i * 77777;
    v.posizione = -i;
    v.tps = static_cast<uint8_t>(i * 3);
    v.nome = std::string(static_cast<size_t>(i % 7), static_cast<char>('a' + i % 26));
    v.dato1 = static_cast<int16_t>(-i);
    v.dato2 = static_cast<int16_t>(i * 300);
    v.dato3 = static_cast<int16_t>(i);
    v.dato4 = static_cast<int16_t>(i + 1);
    v.dato5 = static_cast<int16_t>(i + 2);
    v.opz1 = static_cast<uint8_t>(i);
    v.opz2 = static_cast<uint8_t>(i + 1);
    v.opz3 = static_cast<uint8_t>(i + 2);
    v.opz4 = static_cast<uint8_t>(i + 3);
    v.orario = i * 3600 + 59;
  }
  const std::string bytes = written([&](ByteSink& f) { write_train_table_file(treno, f); });
  const TrainRecordLayout& r = kTrainRecord;
  size_t at = 0;
  const auto expect_fields = [&bytes](size_t base, const auto& layout, const VoceTreno& v) {
    layout.for_each([&](const auto& f) {
      using Value = std::remove_cvref_t<decltype(f.of(v))>;
      EXPECT_EQ(field(bytes, base, f.span(), std::is_signed_v<Value>), f.of(v)) << f.name;
    });
  };
  for (const VoceTreno& v : treno) {
    expect_fields(at, kTrainHeadFields, v);
    const size_t n = static_cast<size_t>(field(bytes, at, r.nome_length, false));
    ASSERT_EQ(n, v.nome.size());
    EXPECT_EQ(bytes.substr(at + r.head_size, n), v.nome);
    const size_t tail = at + r.head_size + n;
    expect_fields(tail, kTrainTailFields, v);
    at = tail + r.tail_size;
  }
  EXPECT_EQ(at, bytes.size());
}

TEST(TrainTableFile, OverlongNameIsCutToWhatTheLengthWordHolds) {
  std::array<VoceTreno, kTrenoEntries> treno{};
  treno[1].nome = std::string(70'000, 'x');
  treno[1].orario = 42;
  treno[2].dato1 = 9;
  EXPECT_EQ(train_record_size(treno[1]), 34u + 65'535);
  const std::string bytes = written([&](ByteSink& f) { write_train_table_file(treno, f); });
  ASSERT_EQ(bytes.size(), 86u * 34 + 34 + 65'535);
  const TrainRecordLayout& r = kTrainRecord;
  EXPECT_EQ(field(bytes, 34, r.nome_length, false), 65'535);
  const size_t tail = 34 + r.head_size + 65'535;
  const FieldSpan orario = std::get<9>(kTrainTailFields.fields).span();
  const FieldSpan dato1 = std::get<0>(kTrainTailFields.fields).span();
  EXPECT_EQ(field(bytes, tail, orario, true), 42);
  EXPECT_EQ(field(bytes, tail + r.tail_size + r.head_size, dato1, true), 9);
}

// --- Plan geometry --------------------------------------------------------

TEST(GeometryFile, TaggedValuesOneCoordinateAfterTheOther) {
  Linea linea;
  linea.allocate(5);
  linea.seed();
  linea.push(-1.5, 2.0);
  linea.push(0.25, 3.0);
  const std::string bytes = written([&](ByteSink& f) { write_geometry_file(linea, f); });
  EXPECT_EQ(hex(bytes),
            // coordinate 0: Integer 0, Integer 0, Double -1.5, Double 0.25, empty, empty
            "02 00 00 00 02 00 00 00 "
            "05 00 00 00 00 00 00 00 f8 bf 05 00 00 00 00 00 00 00 d0 3f 00 00 00 00 "
            // coordinate 1: Integer 0, Integer 1, Double 2, Double 3, empty, empty
            "02 00 00 00 02 00 01 00 "
            "05 00 00 00 00 00 00 00 00 40 05 00 00 00 00 00 00 00 08 40 00 00 00 00");
  EXPECT_EQ(bytes.size(), geometry_file_size(linea));
}

TEST(GeometryFile, UnallocatedWritesNothingAndUncomputedPointsAreEmpty) {
  Linea never;
  EXPECT_TRUE(written([&](ByteSink& f) { write_geometry_file(never, f); }).empty());
  EXPECT_EQ(geometry_file_size(never), 0u);

  Linea unseeded;
  unseeded.allocate(9);
  EXPECT_EQ(written([&](ByteSink& f) { write_geometry_file(unseeded, f); }),
            std::string(2 * 10 * kTagSize, '\0'));
}

// A geometry made by runs (straight, turned, continuing from a point given
// outright) writes the bytes of the same points given one by one, across
// several chunks of the writer.
TEST(GeometryFile, PointsMadeByRunsWriteAsTheSamePointsGiven) {
  Linea made;
  made.allocate(200'000);
  made.seed();
  made.extend(999, false, 0);
  made.extend(90'000, true, 0.0003);
  made.extend(90'010, true, 0.0003);  // the same curvature goes on
  made.push(5.5, -2.25);
  made.extend(150'000, false, 0);
  made.extend(199'990, true, -0.006);
  ASSERT_EQ(made.filled(), 199'991u);

  const std::vector<Linea::Point> p = made.coordinates();
  ASSERT_EQ(p.size(), made.filled());
  EXPECT_EQ(p[999].y, 999.0);
  EXPECT_EQ(p[1000].x, 0.0003);  // turned: x1 + (d0 + kappa d1) with d0 = 0, d1 = 1
  EXPECT_EQ(p[90'011].x, 5.5);
  // The straight run after the given point continues from it and the point before.
  EXPECT_EQ(p[90'012].x, 5.5 + (5.5 - p[90'010].x));
  EXPECT_EQ(p[90'012].y, -2.25 + (-2.25 - p[90'010].y));

  Linea given;
  given.allocate(200'000);
  for (const Linea::Point& point : p) given.push(point.x, point.y);
  const std::string bytes = written([&](ByteSink& f) { write_geometry_file(made, f); });
  EXPECT_EQ(bytes.size(), geometry_file_size(made));
  EXPECT_EQ(bytes, written([&](ByteSink& f) { write_geometry_file(given, f); }));
}

// Counts the writes and bytes a writer hands to its file, keeping only the
// last bytes so a long file costs no memory here.
class CountingFile : public ByteSink {
 public:
  void write(const void* data, size_t size) override {
    ++writes;
    bytes += size;
    const char* p = static_cast<const char*>(data);
    tail.append(p + (size > 64 ? size - 64 : 0), size > 64 ? 64 : size);
    if (tail.size() > 64) tail.erase(0, tail.size() - 64);
  }
  size_t writes = 0;
  size_t bytes = 0;
  std::string tail;
};

TEST(GeometryFile, LongestLineIsWrittenInLargeChunks) {
  Linea linea;
  const int32_t last = kMaxLineLength + kRunOut;
  linea.allocate(last);
  linea.seed();
  for (int32_t k = 2; k <= last - 2; ++k) linea.push(k, -k);
  CountingFile file;
  write_geometry_file(linea, file);
  const size_t per_coordinate = 2 * 4 + static_cast<size_t>(last - 3) * 10 + 2 * 2;
  EXPECT_EQ(file.bytes, 2 * per_coordinate);
  EXPECT_EQ(file.bytes, geometry_file_size(linea));
  EXPECT_LE(file.writes, file.bytes / (256 * 1024) + 1);
  // Ends with the last Double of coordinate 1 and two empty values.
  const std::string end = file.tail.substr(file.tail.size() - 14);
  EXPECT_EQ(raw(end, 0, 2), 5u);
  EXPECT_EQ(raw(end, 2, 8), std::bit_cast<uint64_t>(static_cast<double>(-(last - 2))));
  EXPECT_EQ(raw(end, 10, 4), 0u);
}

TEST(CellsFile, ManyCellsTakeFewWrites) {
  std::vector<Cella> cells(20'141);
  CountingFile file;
  write_cells_file(cells, file);
  EXPECT_EQ(file.bytes, cells.size() * 15);
  EXPECT_EQ(file.writes, 1u);
}

}  // namespace
}  // namespace binario
