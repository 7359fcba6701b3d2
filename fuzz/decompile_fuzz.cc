// The decompile over arbitrary files: it never crashes, a refusal says why
// (inside the file it names, when it names a byte), and whatever pair it
// gives compiles back to exactly the files it was given.
//
// Input: one byte of flags (bit 0: there is a geometry file), the lengths of
// the cells file and of the train table as 32-bit little-endian numbers,
// then the cells file, the train table and, with the flag, the geometry file
// (the rest). Lengths past the end are cut to what is there.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/compile.h"
#include "decompile/decompile.h"
#include "fuzz_check.h"
#include "output/binary_files.h"
#include "output/byte_sink.h"

namespace {

using namespace binario;

std::string_view take(std::string_view& rest, size_t n) {
  n = std::min(n, rest.size());
  std::string_view out = rest.substr(0, n);
  rest.remove_prefix(n);
  return out;
}

size_t length(std::string_view& rest) {
  const std::string_view b = take(rest, 4);
  size_t n = 0;
  for (size_t i = b.size(); i-- > 0;) n = (n << 8) | static_cast<unsigned char>(b[i]);
  return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  const std::string_view flags = take(rest, 1);
  const bool with_geometry = !flags.empty() && (flags[0] & 1) != 0;
  const size_t cells_size = length(rest);
  const size_t table_size = length(rest);
  BinaryImages images;
  images.cells = take(rest, cells_size);
  images.train_table = take(rest, table_size);
  if (with_geometry) images.geometry = rest;

  const DecompileResult result = decompile(images);
  if (!result.pair) {
    const DecompileRefusal& r = result.refusal;
    FUZZ_CHECK(!r.reason.empty());
    if (r.offset) {
      FUZZ_CHECK(r.image.has_value());
      const std::string_view file = *r.image == BinaryImage::kCells        ? images.cells
                                    : *r.image == BinaryImage::kTrainTable ? images.train_table
                                                                           : *images.geometry;
      FUZZ_CHECK(*r.offset <= file.size());
    }
    return 0;
  }
  const DecompiledPair& pair = *result.pair;
  CompileInput input;
  input.line = {"line", pair.line_text, std::nullopt, false};
  input.train = {"train", pair.train_text, std::nullopt, false};
  input.model_name = pair.model_name;
  input.model_number = pair.model_number;
  input.with_geometry = with_geometry;
  const CompileResult again = compile(input);
  FUZZ_CHECK(again.end == CompileEnd::kCompiled);
  for (BinaryImage image : images_to_write(with_geometry)) {
    StringSink sink;
    write_image(image, again.model, sink);
    const std::string_view file = image == BinaryImage::kCells        ? images.cells
                                  : image == BinaryImage::kTrainTable ? images.train_table
                                                                      : *images.geometry;
    FUZZ_CHECK(sink.bytes == file);
  }
  return 0;
}
