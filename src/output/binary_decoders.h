// Reads the three binary files back into the model's records, with the same
// layout table the writers use. A file that does not fit its layout is
// refused with the byte offset and what was expected there; nothing is
// returned half-decoded.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/track_model.h"
#include "output/byte_sink.h"
#include "output/file_naming.h"  // BinaryImage, binary_image_from_name

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
// Track cells: one 15-byte record per cell; a size that is not a whole
// number of records is refused, and so is a count no line has (fewer than 2
// cells, or more than the longest line's).
bool decode_cells(std::string_view bytes, std::vector<Cella>* cells, DecodeError* error);
// Train table: exactly 87 records walked in order; a record cut short, a
// name longer than what is left, or bytes after record 86 are refused.
bool decode_train_table(std::string_view bytes, std::array<VoceTreno, kTrenoEntries>* treno,
                        DecodeError* error);
// Plan geometry: tagged values with tags 0, 2 or 5 only; an empty file, a
// value cut short or an odd number of values (the two runs must be equally
// long) is refused, and so are tags a compile never writes: the two
// coordinates of a point tagged differently, points 0 and 1 other than the
// Integer seed, an Integer after them, or a Double after an empty point (a
// geometry never seeded is empty throughout).
bool decode_geometry(std::string_view bytes, DecodedGeometry* geometry, DecodeError* error);

// Whether decoded files come from one compile of one line: a compile sizes
// the cells (nearest((L + 7000) / 50) + 1 of them) and the geometry
// (L + 7001 points) from the line length L it stores in the train table
// (entry 84's `fine`). Says, in words, how they disagree; nullopt when they
// agree. `geometry` may be null (no geometry file).
std::optional<std::string> files_disagree(size_t cells,
                                          const std::array<VoceTreno, kTrenoEntries>& treno,
                                          const DecodedGeometry* geometry);

// The geometry file of `geometry` again, value by value: the inverse of
// decode_geometry. (Decoded cells and train records go back through the
// writers of binary_files.h.)
void encode_geometry(const DecodedGeometry& geometry, ByteSink& out);

// "empty", "Integer" or "Double".
const char* tag_name(Tag tag);

}  // namespace binario
