// The three binary files the simulator loads, each the plain little-endian
// image of one part of the model, written in large buffered chunks.
//
// The record layouts of record_layout.h are the single description of the
// byte images: the writers here encode with them and the decoders read with
// them, so the two cannot disagree.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "compiler/track_model.h"
#include "output/byte_sink.h"
#include "output/file_naming.h"  // BinaryImage
#include "output/record_layout.h"

namespace binario {

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

// The images a compile writes: the geometry only with `with_geometry`.
std::vector<BinaryImage> images_to_write(bool with_geometry);
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
