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
#include "output/byte_sink.h"
#include "output/file_naming.h"  // BinaryKind, binary_kind_from_name

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

// Each decoder reads a whole file image. On success it replaces its result
// (`*cells`, `*treno`, `*geometry`) with the decoded records and returns true;
// otherwise it returns false, leaves the result as it was and, when `error`
// is not null, says where the layout broke. Any byte string is safe to pass;
// nothing is read outside `bytes`.
//
// Track cells: one 15-byte record per cell; an empty file holds no model and
// is refused, as is a size that is not a whole number of records.
bool decode_cells(std::string_view bytes, std::vector<Cella>* cells, DecodeError* error);
// Train table: exactly 87 records walked in order; a record cut short, a
// name longer than what is left, or bytes after record 86 are refused.
bool decode_train_table(std::string_view bytes, std::array<VoceTreno, kTrenoEntries>* treno,
                        DecodeError* error);
// Plan geometry: tagged values with tags 0, 2 or 5 only; an empty file, a
// value cut short or an odd number of values (the two runs must be equally
// long) is refused.
bool decode_geometry(std::string_view bytes, DecodedGeometry* geometry, DecodeError* error);

// The geometry file of `geometry` again, value by value: the inverse of
// decode_geometry. (Decoded cells and train records go back through the
// writers of binary_files.h.)
void encode_geometry(const DecodedGeometry& geometry, ByteSink& out);

// "empty", "Integer" or "Double".
const char* tag_name(Tag tag);

}  // namespace binario
