// The language server's input over arbitrary bytes: the framed messages are
// read with a size limit (large enough for arrays nested 60,000 deep) and
// each one read is handed to a server that compiles in place. Every body read stays within the
// limit and frames back to itself; every reply the server writes is a framed JSON object; the
// reader stops at the end of the input or at the first broken frame.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "fuzz_check.h"
#include "lsp/message_reader.h"
#include "lsp/server.h"
#include "platform/file_system.h"
#include "test_support/memory_file_system.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using binario::ReadResult;
  constexpr size_t kLimit = 1 << 18;
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  binario::MemoryFileSystem fs;
  std::ostringstream out;
  binario::Server server(fs, out, binario::ServerOptions{std::chrono::milliseconds(0), false});
  std::string body;
  ReadResult read;
  while ((read = binario::read_message(in, &body, kLimit)) == ReadResult::kMessage) {
    FUZZ_CHECK(body.size() <= kLimit);
    std::ostringstream framed;
    binario::write_message(framed, body);
    std::istringstream again(framed.str());
    std::string same;
    FUZZ_CHECK(binario::read_message(again, &same) == ReadResult::kMessage && same == body);
    server.handle(body);
    if (server.exited()) break;
  }
  FUZZ_CHECK(read != ReadResult::kMessage || server.exited());
  std::istringstream replies(out.str());
  while (binario::read_message(replies, &body) == ReadResult::kMessage) {
    FUZZ_CHECK(nlohmann::json::parse(body, nullptr, false).is_object());
  }
  FUZZ_CHECK(replies.eof());
  return 0;
}
