#include "lsp/text_position.h"

#include "compiler/field_reader.h"
#include "output/text_encoding.h"

namespace binario {
namespace {

// The code point at the start of `s` and its length in bytes; a byte that
// does not start a valid sequence is one character of its own (-1).
int next_code_point(std::string_view s, size_t* length) {
  const auto b = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  const unsigned char lead = b(0);
  int count = 0;
  int cp = 0;
  if (lead < 0x80) {
    *length = 1;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    count = 1, cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    count = 2, cp = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    count = 3, cp = lead & 0x07;
  } else {
    *length = 1;
    return -1;
  }
  if (s.size() < static_cast<size_t>(count) + 1) {
    *length = 1;
    return -1;
  }
  for (int i = 1; i <= count; ++i) {
    if ((b(i) & 0xC0) != 0x80) {
      *length = 1;
      return -1;
    }
    cp = (cp << 6) | (b(i) & 0x3F);
  }
  const int minimum[] = {0, 0x80, 0x800, 0x10000};
  if (cp < minimum[count] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    *length = 1;
    return -1;
  }
  *length = static_cast<size_t>(count) + 1;
  return cp;
}

int utf16_units(int cp) {
  return cp > 0xFFFF ? 2 : 1;
}

// The byte where 0-based `line` of `text` starts (lines end at LF, CR LF or
// CR), or npos past the last line.
size_t line_start(std::string_view text, int line) {
  size_t start = 0;
  for (int n = 0; n < line; ++n) {
    const size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) return std::string_view::npos;
    start = end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
  }
  return start;
}

// The character of a UTF-8 line that holds UTF-16 column `column`: how many
// characters and bytes come before it (past the end: the whole line).
struct LinePlace {
  int character = 0;
  size_t byte = 0;
};
LinePlace place_at_column(std::string_view utf8_line, int column) {
  LinePlace place;
  int units = 0;
  while (place.byte < utf8_line.size()) {
    size_t length = 1;
    const int cp = next_code_point(utf8_line.substr(place.byte), &length);
    units += cp < 0 ? 1 : utf16_units(cp);
    if (units > column) break;
    ++place.character;
    place.byte += length;
  }
  return place;
}

}  // namespace

CompileText to_compile_text(std::string_view utf8, const std::atomic<bool>* cancel) {
  CompileText out;
  out.bytes.reserve(utf8.size());
  int line = 0;
  int column = 0;
  size_t i = 0;
  // The flag is looked at once in many steps: a step is a run of ASCII or
  // one other character, so a large text is left within a millisecond.
  unsigned steps = 0;
  while (i < utf8.size()) {
    if (cancel && (++steps & 0x3FFF) == 0 && cancel->load(std::memory_order_relaxed)) {
      throw CompileCancelled();
    }
    // A run of ASCII characters other than line ends is the same bytes, one
    // UTF-16 unit each: copied at once.
    size_t run = i;
    while (run < utf8.size() && static_cast<unsigned char>(utf8[run]) < 0x80 && utf8[run] != '\n' &&
           utf8[run] != '\r') {
      ++run;
    }
    if (run > i) {
      out.bytes.append(utf8, i, run - i);
      column += static_cast<int>(run - i);
      i = run;
      continue;
    }
    size_t length = 1;
    const int cp = next_code_point(utf8.substr(i), &length);
    const int units = cp < 0 ? 1 : utf16_units(cp);
    if (cp >= 0 && cp < 0x80) {
      out.bytes.push_back(static_cast<char>(cp));
    } else if (cp >= 0x80 && cp <= 0x9F) {
      // A control character of this range is what an editor that read a
      // Windows-1252 file as Latin-1 shows for the bytes 0x80-0x9F (’, €,
      // …): the compile gets the byte back, as it reads the file on disk.
      out.bytes.push_back(static_cast<char>(cp));
    } else if (std::optional<std::string> byte =
                   cp < 0 ? std::nullopt : utf8_to_windows1252(utf8.substr(i, length))) {
      out.bytes += *byte;
    } else {
      out.bytes.push_back('?');
      out.replaced.push_back({line, column, column + units});
    }
    // Line ends as the protocol counts them: LF, CR LF, CR.
    if (cp == '\n' || (cp == '\r' && (i + 1 >= utf8.size() || utf8[i + 1] != '\n'))) {
      ++line;
      column = 0;
    } else {
      column += units;
    }
    i += length;
  }
  return out;
}

std::string_view line_of(std::string_view text, int line) {
  const size_t start = line_start(text, line);
  if (start == std::string_view::npos) return {};
  const size_t end = text.find_first_of("\r\n", start);
  return text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

DocumentLines::DocumentLines(std::string_view text) : text_(text), starts_{0} {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      starts_.push_back(i + 1);
    }
  }
}

std::string_view DocumentLines::line(int line) const {
  if (line < 0 || static_cast<size_t>(line) >= starts_.size()) return {};
  return line_of(text_.substr(starts_[static_cast<size_t>(line)]), 0);
}

int utf16_column(std::string_view utf8_line, int character) {
  int column = 0;
  size_t i = 0;
  for (int n = 0; n < character && i < utf8_line.size(); ++n) {
    size_t length = 1;
    const int cp = next_code_point(utf8_line.substr(i), &length);
    column += cp < 0 ? 1 : utf16_units(cp);
    i += length;
  }
  return column;
}

size_t byte_offset(std::string_view text, int line, int column) {
  const size_t start = line_start(text, line);
  if (start == std::string_view::npos) return text.size();
  return start + place_at_column(line_of(text.substr(start), 0), column).byte;
}

int character_index(std::string_view utf8_line, int column) {
  return place_at_column(utf8_line, column).character;
}

}  // namespace binario
