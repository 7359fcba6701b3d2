// The field reader over arbitrary bytes. The first byte is a script that
// picks, read after read, a text, Long, Integer or Byte read (four reads of
// two bits each, repeated); the rest is the text. Every read must consume
// something, hand back a view into the text at a sensible place, and fail
// only with a ReadFailure.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "compiler/field_reader.h"
#include "fuzz_check.h"

namespace {

using binario::Field;
using binario::FieldReader;
using binario::ReadFailure;
using binario::TextPosition;

bool before(TextPosition a, TextPosition b) {
  return std::pair(a.line, a.column) < std::pair(b.line, b.column);
}

bool valid(TextPosition p) {
  return p.line >= 1 && p.column >= 1;
}

// The number a numeric field spells, as the reader must have read it.
int64_t spelled(std::string_view s) {
  if (!s.empty() && s.front() == '+') s.remove_prefix(1);
  int64_t value = 0;
  auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  FUZZ_CHECK(error == std::errc() && end == s.data() + s.size());
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const unsigned script = data[0];
  const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  const char* const begin = text.data();
  const char* const end = begin + text.size();

  int lines = 1;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) {
      ++lines;
    }
  }

  FieldReader reader(text);
  // Every read consumes at least one byte, so the text runs out in time.
  for (size_t read = 0; read <= text.size() + 1; ++read) {
    const bool was_at_end = reader.at_end();
    const TextPosition from = reader.position();
    FUZZ_CHECK(valid(from) && from.line <= lines);
    const unsigned op = (script >> (2 * (read % 4))) & 3u;
    try {
      if (op == 0) {
        const Field f = reader.read_field();
        FUZZ_CHECK(f.text.data() >= begin && f.text.data() + f.text.size() <= end);
        FUZZ_CHECK(valid(f.where) && !before(f.where, from));
        FUZZ_CHECK(f.text.data() == reader.current().text.data());
        const bool quoted = f.text.data() > begin && f.text.data()[-1] == '"';
        if (!quoted) {
          FUZZ_CHECK(f.text.find_first_of(",\r\n") == std::string_view::npos);
          FUZZ_CHECK(f.text.empty() || !binario::is_blank(f.text.back()));
        }
      } else {
        int64_t value = 0;
        if (op == 1) {
          value = reader.read_long("a long");
          FUZZ_CHECK(value >= INT32_MIN && value <= INT32_MAX);
        } else if (op == 2) {
          value = reader.read_integer("an integer");
          FUZZ_CHECK(value >= INT16_MIN && value <= INT16_MAX);
        } else {
          value = reader.read_byte("a byte");
          FUZZ_CHECK(value >= 0 && value <= 255);
        }
        FUZZ_CHECK(spelled(reader.current().text) == value);
      }
      FUZZ_CHECK(!was_at_end);
    } catch (const ReadFailure& failure) {
      FUZZ_CHECK(valid(failure.where()) && failure.where().line <= lines);
      FUZZ_CHECK(failure.what()[0] != '\0');
      if (was_at_end) return 0;
    }
    if (reader.at_end()) return 0;
    FUZZ_CHECK(before(from, reader.position()));
  }
  FUZZ_CHECK(!"the reader stopped consuming its text");
  return 0;
}
