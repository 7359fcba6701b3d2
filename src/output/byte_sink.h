// Where a writer of the binary formats puts its bytes. The writers stream
// into a sink in large chunks, so the largest image is never held whole; the
// run adapts a sink to the file being replaced, tests keep the bytes.
#pragma once

#include <cstddef>
#include <string>

namespace binario {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void write(const void* data, size_t size) = 0;
};

// A sink that keeps every byte in memory.
class StringSink : public ByteSink {
 public:
  void write(const void* data, size_t size) override {
    bytes.append(static_cast<const char*>(data), size);
  }
  std::string bytes;
};

}  // namespace binario
