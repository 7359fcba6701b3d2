#include "compiler/encoding_warnings.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "compiler/field_reader.h"
#include "compiler/windows1252.h"

namespace binario {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool is_continuation(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

// The length of the UTF-8 multi-byte sequence starting at `i`, or 0 when
// none starts there. Overlong two-byte forms (C0, C1) are not sequences.
size_t sequence_length(std::string_view s, size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
  }
  if (n == 0 || i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    if (!is_continuation(static_cast<unsigned char>(s[i + k]))) return 0;
  }
  return n;
}

// Where the first UTF-8 multi-byte sequence at or past `from` starts, or
// npos. Only a byte of 0xC2 or more starts one, and most texts hold none: the
// scan passes over eight bytes at a time while none has its high bit set.
size_t first_sequence(std::string_view s, size_t from) {
  constexpr uint64_t kHighBits = 0x8080808080808080;
  size_t i = from;
  while (i < s.size()) {
    if (i + sizeof(uint64_t) <= s.size()) {
      uint64_t word = 0;
      std::memcpy(&word, s.data() + i, sizeof word);
      if ((word & kHighBits) == 0) {
        i += sizeof word;
        continue;
      }
    }
    if (static_cast<unsigned char>(s[i]) >= 0xC2 && sequence_length(s, i) > 0) return i;
    ++i;
  }
  return std::string_view::npos;
}

// The code point of the sequence of `n` bytes at `i`.
char32_t decoded(std::string_view s, size_t i, size_t n) {
  const auto b = [&](size_t k) {
    return static_cast<char32_t>(static_cast<unsigned char>(s[i + k]));
  };
  if (n == 2) return ((b(0) & 0x1F) << 6) | (b(1) & 0x3F);
  if (n == 3) return ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F);
  return ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F);
}

// The Windows-1252 byte of code point `c`, or nothing when it has none.
std::optional<char> windows1252_byte(char32_t c) {
  if (c >= 0xA0 && c <= 0xFF) return static_cast<char>(c);
  for (size_t k = 0; k < kWindows1252High.size(); ++k) {
    if (kWindows1252High[k] == c && c != 0) return static_cast<char>(0x80 + k);
  }
  return std::nullopt;
}

// "U+0109" for a code point.
std::string code_point_name(char32_t c) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string digits;
  for (char32_t v = c; v != 0 || digits.size() < 4; v >>= 4)
    digits.insert(digits.begin(), kHex[v & 0xF]);
  return "U+" + digits;
}

// `line` with each UTF-8 sequence replaced by the Windows-1252 byte it was
// likely meant as; the code points Windows-1252 has no byte for are listed in
// `missing` (once each) and show as '?'. Nothing when the line holds no
// sequence.
std::optional<std::string> intended(std::string_view line,
                                    std::vector<char32_t>* missing = nullptr) {
  // Most lines hold none: they are passed over without building a copy.
  size_t first = 0;
  while (first < line.size() && sequence_length(line, first) == 0) ++first;
  if (first == line.size()) return std::nullopt;
  std::string out(line.substr(0, first));
  bool found = false;
  for (size_t i = first; i < line.size();) {
    const size_t n = sequence_length(line, i);
    if (n == 0) {
      out += line[i++];
      continue;
    }
    found = true;
    const char32_t c = decoded(line, i, n);
    if (const std::optional<char> byte = windows1252_byte(c)) {
      out += *byte;
    } else {
      out += '?';
      if (missing && std::find(missing->begin(), missing->end(), c) == missing->end()) {
        missing->push_back(c);
      }
    }
    i += n;
  }
  if (!found) return std::nullopt;
  return out;
}

}  // namespace

void warn_utf8_text(std::string_view text, const std::string& file, Status& status) {
  size_t start = 0;
  if (text.starts_with(kByteOrderMark)) {
    status.warn("utf8-text", SourceLocation{file, 1, 1},
                "the text starts with a UTF-8 byte-order mark, but descriptions are "
                "Windows-1252 texts: save the file as Windows-1252",
                text_line(text, 1));
    start = kByteOrderMark.size();
  }
  // Lines end as the reader counts them: CR LF, CR or LF. Only the lines
  // that hold a sequence are looked at; the scan passes over the rest.
  size_t line_start = 0;
  int line = 1;
  for (size_t found; (found = first_sequence(text, start)) != std::string_view::npos;) {
    for (size_t i = start; i < found; ++i) {
      if (text[i] != '\r' && text[i] != '\n') continue;
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      ++line;
      start = line_start = i + 1;
    }
    size_t end = text.find_first_of("\r\n", found);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view scanned = text.substr(start, end - start);
    if (intended(scanned)) {
      const std::string_view shown = text.substr(line_start, end - line_start);
      size_t column = 0;
      while (sequence_length(scanned, column) == 0) ++column;
      // The field around the first sequence, as read and as meant.
      size_t from = scanned.rfind(',', column);
      from = from == std::string_view::npos ? 0 : from + 1;
      while (from < column && is_blank(scanned[from])) ++from;
      size_t to = scanned.find(',', column);
      if (to == std::string_view::npos) to = scanned.size();
      // Without its outer blanks, as the reader takes a field: the message
      // is the same however the line is laid out.
      while (to > column && is_blank(scanned[to - 1])) --to;
      const std::string_view field = scanned.substr(from, to - from);
      std::vector<char32_t> missing;
      const std::string meant_field = *intended(field, &missing);
      std::string said = ", likely meant as '" + meant_field + "'; save the file as Windows-1252";
      if (!missing.empty()) {
        // No Windows-1252 text holds these letters: there is no name to offer.
        said = "; Windows-1252 has no letter ";
        for (size_t k = 0; k < missing.size(); ++k) {
          said += (k == 0                    ? ""
                   : k + 1 == missing.size() ? " or "
                                             : ", ") +
                  code_point_name(missing[k]);
        }
        said += ", so no Windows-1252 file can hold the text as written: write " +
                std::string(missing.size() == 1 ? "that letter" : "those letters") +
                " otherwise, and save the file as Windows-1252";
      }
      status.warn("utf8-text",
                  SourceLocation{file, line, static_cast<int>(column + start - line_start) + 1},
                  "bytes here form UTF-8 sequences, but descriptions are Windows-1252 texts: '" +
                      std::string(field) + "' is read" + said,
                  shown);
    }
    if (end == text.size()) break;
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    line_start = start;
    ++line;
  }
}

}  // namespace binario
