// The train-table decoder over arbitrary bytes: it either refuses them at an
// offset inside the file, or decodes 87 entries that the writer turns back
// into exactly the same bytes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "output/binary_decoders.h"
#include "output/binary_files.h"
#include "output/byte_sink.h"

namespace {

using namespace binario;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::array<VoceTreno, kTrenoEntries> treno{};
  treno[0].nome = "untouched";
  DecodeError error;
  if (!decode_train_table(bytes, &treno, &error)) {
    FUZZ_CHECK(error.offset <= size && !error.expected.empty());
    FUZZ_CHECK(treno[0].nome == "untouched");
    return 0;
  }
  StringSink again;
  write_train_table_file(treno, again);
  FUZZ_CHECK(again.bytes == bytes);
  return 0;
}
