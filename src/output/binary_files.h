// The three binary files the simulator loads, each the plain little-endian
// image of one part of the model, written in large buffered chunks.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "compiler/track_model.h"
#include "platform/file_system.h"

namespace binario {

inline constexpr size_t kCellRecordSize = 15;

void write_geometry_file(const Linea& linea, OutputFile& out);
void write_train_table_file(const std::array<VoceTreno, kTrenoEntries>& treno, OutputFile& out);
void write_cells_file(const std::vector<Cella>& percorso, OutputFile& out);

}  // namespace binario
