// The geometry decoder over arbitrary bytes: it either refuses them at an
// offset inside the file, or decodes two equally long runs of tagged values
// that, written out again value by value, give exactly the same bytes.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "output/binary_decoders.h"
#include "output/binary_files.h"

namespace {

using namespace binario;

void put_le(std::string& out, uint64_t bits, size_t width) {
  for (size_t b = 0; b < width; ++b) out += static_cast<char>(bits >> (8 * b));
}

void encode(const std::vector<GeometryValue>& run, std::string& out) {
  for (const GeometryValue& g : run) {
    put_le(out, static_cast<uint16_t>(g.tag), kTagSize);
    switch (g.tag) {
      case Tag::kInteger: {
        const auto v = static_cast<int16_t>(g.value);
        FUZZ_CHECK(static_cast<double>(v) == g.value);
        put_le(out, static_cast<uint16_t>(v), 2);
        break;
      }
      case Tag::kDouble:
        put_le(out, std::bit_cast<uint64_t>(g.value), 8);
        break;
      case Tag::kEmpty:
        FUZZ_CHECK(g.value == 0);
        break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  DecodedGeometry geometry;
  geometry.first.resize(1);
  DecodeError error;
  if (!decode_geometry(bytes, &geometry, &error)) {
    FUZZ_CHECK(error.offset <= size && !error.expected.empty());
    FUZZ_CHECK(geometry.first.size() == 1 && geometry.second.empty());
    return 0;
  }
  FUZZ_CHECK(geometry.first.size() == geometry.second.size());
  std::string again;
  encode(geometry.first, again);
  encode(geometry.second, again);
  FUZZ_CHECK(again == bytes);
  return 0;
}
