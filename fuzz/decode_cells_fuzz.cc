// The track-cells decoder over arbitrary bytes: it either refuses them at an
// offset inside the file, or decodes records that the writer turns back into
// exactly the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_check.h"
#include "output/binary_decoders.h"
#include "output/binary_files.h"
#include "output/byte_sink.h"

namespace {

using namespace binario;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<Cella> cells;
  DecodeError error;
  if (!decode_cells(bytes, &cells, &error)) {
    FUZZ_CHECK(error.offset <= size && !error.expected.empty());
    FUZZ_CHECK(cells.empty());
    return 0;
  }
  FUZZ_CHECK(cells.size() * kCellRecordSize == size);
  StringSink again;
  write_cells_file(cells, again);
  FUZZ_CHECK(again.bytes == bytes);
  return 0;
}
