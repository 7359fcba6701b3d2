// One printer per kind of binary file: each says what its file holds and
// hands its records, under the model's names, to a DumpSink.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/dump_sink.h"
#include "compiler/track_model.h"
#include "output/binary_decoders.h"

namespace binario {

// Every cell of a track cells file.
void print_cells(const std::string& path, size_t bytes, const std::vector<Cella>& cells,
                 DumpSink& sink);

// Cells `first` to `last` of a track cells file, with what --cell or --at
// asked for: the cell, or a metre and the cells a point object and a span
// change at it land in. The caller has checked that the cells are in the file.
struct CellWindow {
  std::optional<int64_t> metre;
  int64_t point = 0;  // the cell asked for, or the cell of a point object at `metre`
  int64_t span = 0;   // the cell of a span change at `metre`
  int64_t first = 0;
  int64_t last = 0;
};
void print_cell_window(const std::string& path, size_t bytes, const std::vector<Cella>& cells,
                       const CellWindow& window, DumpSink& sink);

// The 87 records of a train table.
void print_train_table(const std::string& path, size_t bytes,
                       const std::array<VoceTreno, kTrenoEntries>& treno, DumpSink& sink);

// The two coordinates of every point of a plan geometry.
void print_geometry(const std::string& path, size_t bytes, const DecodedGeometry& geometry,
                    DumpSink& sink);

}  // namespace binario
