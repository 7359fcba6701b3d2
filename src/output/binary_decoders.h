// Reads the three binary files back into the model's records, with the same
// layout table the writers use. A file that does not fit its layout is
// refused with the byte offset and what was expected there; nothing is
// returned half-decoded.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/track_model.h"

namespace binario {

struct DecodeError {
  size_t offset = 0;     // byte offset in the file where the layout broke
  std::string expected;  // what was expected there, in words
};

struct GeometryValue {
  Tag tag = Tag::kEmpty;
  double value = 0;  // the Integer or Double payload; 0 when empty
};

// The geometry file's two runs: first coordinate of points 0 .. N, then the
// second coordinate of the same points.
struct DecodedGeometry {
  std::vector<GeometryValue> first;
  std::vector<GeometryValue> second;
};

bool decode_cells(std::string_view bytes, std::vector<Cella>* cells, DecodeError* error);
bool decode_train_table(std::string_view bytes, std::array<VoceTreno, kTrenoEntries>* treno,
                        DecodeError* error);
bool decode_geometry(std::string_view bytes, DecodedGeometry* geometry, DecodeError* error);

// Which file a name is, by its ending: "_linea.dat" geometry, ".sim" train
// table, any other ".dat" track cells.
enum class BinaryKind { kCells, kTrainTable, kGeometry, kUnknown };
BinaryKind binary_kind_from_name(std::string_view path);

}  // namespace binario
