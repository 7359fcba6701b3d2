// JSON-RPC framing over a byte stream: each message is a header block
// ("Content-Length: N", other headers ignored, ended by an empty line, lines
// ended by CR LF) and then N bytes of body.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

namespace binario {

enum class ReadResult {
  kMessage,    // `body` holds the next message
  kEnd,        // the stream ended between two messages
  kMalformed,  // a header block that cannot be read, or a body cut short
  kTooLarge,   // the message is longer than the limit; nothing was kept
};

// A body larger than this is refused before any of it is stored.
inline constexpr size_t kMaxMessageBytes = size_t{64} << 20;

// Reads the next message. After kMalformed or kTooLarge the stream cannot be
// followed any more: the caller closes the connection, and `why` (when
// given) says what was wrong, for the log.
ReadResult read_message(std::istream& in, std::string* body, size_t max_bytes = kMaxMessageBytes,
                        std::string* why = nullptr);

// Writes `body` with its header and flushes.
void write_message(std::ostream& out, std::string_view body);

}  // namespace binario
