// The three binary files the simulator loads, each the plain little-endian
// image of one part of the model, written in large buffered chunks.
//
// The record layouts below are the single description of the byte images:
// the writers here encode with them and a decoder reads with them, so the two
// cannot disagree.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "compiler/track_model.h"
#include "output/byte_sink.h"

namespace binario {

// Where one field sits in a record, and how many bytes it takes.
struct FieldSpan {
  size_t offset;
  size_t size;
  constexpr size_t end() const { return offset + size; }
};

// A `Cella` as a fixed 15-byte record of the track cells file.
struct CellRecordLayout {
  FieldSpan tipo{0, 1};
  FieldSpan valore1{1, 2};
  FieldSpan valore2{3, 2};
  FieldSpan valore3{5, 2};
  FieldSpan valore4{7, 2};
  FieldSpan tempo{9, 1};
  FieldSpan ripetizione{10, 1};
  FieldSpan montagna{11, 1};
  FieldSpan velocita{12, 1};
  FieldSpan pendenza{13, 1};
  FieldSpan aderenza{14, 1};
  size_t size = 15;
};
inline constexpr CellRecordLayout kCellRecord{};
inline constexpr size_t kCellRecordSize = kCellRecord.size;

// A `VoceTreno` as a record of the train table file: a fixed head, the name's
// bytes (as many as the head's length word says), then a fixed tail. Tail
// offsets count from the first byte after the name.
struct TrainRecordLayout {
  // Head.
  FieldSpan tipo{0, 1};
  FieldSpan inizio{1, 4};
  FieldSpan fine{5, 4};
  FieldSpan posizione{9, 4};
  FieldSpan tps{13, 1};
  FieldSpan nome_length{14, 2};  // unsigned
  size_t head_size = 16;
  // Tail.
  FieldSpan dato1{0, 2};
  FieldSpan dato2{2, 2};
  FieldSpan dato3{4, 2};
  FieldSpan dato4{6, 2};
  FieldSpan dato5{8, 2};
  FieldSpan opz1{10, 1};
  FieldSpan opz2{11, 1};
  FieldSpan opz3{12, 1};
  FieldSpan opz4{13, 1};
  FieldSpan orario{14, 4};
  size_t tail_size = 18;
  // The longest name the length word can describe; longer names are cut to it.
  size_t max_nome = 0xFFFF;

  constexpr size_t size(size_t nome_bytes) const { return head_size + nome_bytes + tail_size; }
};
inline constexpr TrainRecordLayout kTrainRecord{};
inline constexpr size_t kTrainTableRecords = kTrenoEntries;

// A value of the geometry file: a 16-bit unsigned tag (`Tag`), then nothing,
// a signed 16-bit Integer or a 64-bit IEEE Double. All coordinate-0 values
// come first (points 0 .. last), then all coordinate-1 values.
inline constexpr size_t kTagSize = 2;
constexpr size_t tagged_payload_size(Tag tag) {
  switch (tag) {
    case Tag::kInteger:
      return 2;
    case Tag::kDouble:
      return 8;
    case Tag::kEmpty:
      break;
  }
  return 0;
}

// Each writer writes the whole image into `out`. A Linea that was never
// allocated writes nothing.
void write_geometry_file(const Linea& linea, ByteSink& out);
void write_train_table_file(const std::array<VoceTreno, kTrenoEntries>& treno, ByteSink& out);
void write_cells_file(const std::vector<Cella>& percorso, ByteSink& out);

// The three images of a finished model, in the order a compile writes them.
enum class BinaryImage {
  kGeometry,    // the plan geometry, NAME_linea.dat (only when it was built)
  kTrainTable,  // NAME_NUM.sim
  kCells,       // NAME_NUM.dat
};
// The images a compile writes: the geometry only with `calcola_linea`.
std::vector<BinaryImage> images_to_write(bool calcola_linea);
// Writes `image` of `model` into `out`.
void write_image(BinaryImage image, const TrackModel& model, ByteSink& out);

// The largest image a compile can write, worked out from the layouts: the
// geometry of the longest line (1,000,000 m and the 7,000 m run-out, one
// point per metre, two coordinates of at most a Double each) is larger than
// 87 train records with 65,535-byte names and than the cells of that line.
// Readers of the binary files refuse anything larger.
inline constexpr size_t kMaxGeometryPoints = size_t{kMaxLineLength} + kRunOut + 1;
inline constexpr size_t kMaxCells = (size_t{kMaxLineLength} + kRunOut) / 50 + 1;
inline constexpr size_t kMaxGeometryFileSize =
    2 * kMaxGeometryPoints * (kTagSize + tagged_payload_size(Tag::kDouble));
inline constexpr size_t kMaxTrainTableFileSize =
    kTrainTableRecords * kTrainRecord.size(kTrainRecord.max_nome);
inline constexpr size_t kMaxCellsFileSize = kMaxCells * kCellRecordSize;
inline constexpr size_t kMaxBinaryFileSize =
    std::max({kMaxGeometryFileSize, kMaxTrainTableFileSize, kMaxCellsFileSize});

// Bytes each writer produces, for checks and reports.
size_t geometry_file_size(const Linea& linea);
size_t train_record_size(const VoceTreno& voce);

}  // namespace binario
