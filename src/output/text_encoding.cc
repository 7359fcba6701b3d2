#include "output/text_encoding.h"

#include <array>
#include <cstdint>

#include "compiler/windows1252.h"

namespace binario {

namespace {

constexpr const std::array<char32_t, 32>& kHighControls = kWindows1252High;

char32_t code_point(unsigned char b) {
  if (b >= 0x80 && b <= 0x9F) {
    char32_t c = kHighControls[b - 0x80];
    return c != 0 ? c : 0xFFFD;
  }
  return b;
}

void append_utf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void append_escaped(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += "\\x";
  out += kHex[c >> 4];
  out += kHex[c & 0xF];
}

bool is_control(unsigned char c) {
  return c < 0x20 || c == 0x7F;
}

// The length of the valid UTF-8 sequence at `i` (1 to 4), or 0 when the
// bytes there are not one: a stray continuation byte, a sequence cut short,
// an overlong form, a surrogate or a code point past U+10FFFF.
size_t utf8_sequence_length(std::string_view text, size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  size_t len = 0;
  char32_t c = 0;
  if (b < 0x80) return 1;
  if ((b & 0xE0) == 0xC0) {
    len = 2;
    c = b & 0x1F;
  } else if ((b & 0xF0) == 0xE0) {
    len = 3;
    c = b & 0x0F;
  } else if ((b & 0xF8) == 0xF0) {
    len = 4;
    c = b & 0x07;
  } else {
    return 0;
  }
  if (i + len > text.size()) return 0;
  for (size_t k = 1; k < len; ++k) {
    const auto cont = static_cast<unsigned char>(text[i + k]);
    if ((cont & 0xC0) != 0x80) return 0;
    c = (c << 6) | (cont & 0x3F);
  }
  static constexpr char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
  if (c < kLeast[len] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
  return len;
}

}  // namespace

std::string escaped_controls(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (const char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (is_control(c)) {
      append_escaped(out, c);
    } else {
      out += ch;
    }
  }
  return out;
}

std::string escaped_utf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    const size_t len = utf8_sequence_length(text, i);
    // U+0080 .. U+009F are C1 controls: C2 80 .. C2 9F.
    const bool c1 = len == 2 && b == 0xC2 && static_cast<unsigned char>(text[i + 1]) < 0xA0;
    if (len == 0 || c1 || (len == 1 && is_control(b))) {
      const size_t n = len == 0 ? 1 : len;
      for (size_t k = 0; k < n; ++k) append_escaped(out, static_cast<unsigned char>(text[i + k]));
      i += n;
    } else {
      out.append(text.substr(i, len));
      i += len;
    }
  }
  return out;
}

std::string windows1252_to_utf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char ch : bytes) append_utf8(out, code_point(static_cast<unsigned char>(ch)));
  return out;
}

std::optional<std::string> utf8_to_windows1252(std::string_view text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    unsigned char b = static_cast<unsigned char>(text[i]);
    char32_t c;
    size_t len;
    if (b < 0x80) {
      c = b;
      len = 1;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07;
      len = 4;
    } else {
      return std::nullopt;
    }
    if (i + len > text.size()) return std::nullopt;
    for (size_t k = 1; k < len; ++k) {
      unsigned char cont = static_cast<unsigned char>(text[i + k]);
      if ((cont & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (cont & 0x3F);
    }
    i += len;
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
      out += static_cast<char>(c);
      continue;
    }
    bool found = false;
    for (size_t k = 0; k < kHighControls.size(); ++k) {
      if (kHighControls[k] == c) {
        out += static_cast<char>(0x80 + k);
        found = true;
        break;
      }
    }
    if (!found) return std::nullopt;
  }
  return out;
}

}  // namespace binario
