#include "plot/svg_writer.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace binario {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// Length of the well-formed UTF-8 sequence at the start of `s` that XML may
// hold, or 0 when there is none.
size_t xml_char_length(std::string_view s) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  const uint8_t b0 = byte(0);
  if (b0 < 0x80) {
    const bool allowed = b0 >= 0x20 || b0 == '\t' || b0 == '\n' || b0 == '\r';
    return allowed ? 1 : 0;
  }
  size_t n = 0;
  uint32_t cp = 0;
  uint32_t min = 0;
  if ((b0 & 0xE0) == 0xC0) {
    n = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    n = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    n = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (byte(i) & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF) return 0;  // overlong or too large
  if ((cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) return 0;  // not chars
  return n;
}

}  // namespace

std::string xml_escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  while (!text.empty()) {
    const size_t n = xml_char_length(text);
    if (n == 0) {
      out += kReplacement;
      text.remove_prefix(1);
      continue;
    }
    if (n == 1) {
      switch (text[0]) {
        case '&':
          out += "&amp;";
          break;
        case '<':
          out += "&lt;";
          break;
        case '>':
          out += "&gt;";
          break;
        case '"':
          out += "&quot;";
          break;
        case '\'':
          out += "&apos;";
          break;
        default:
          out += text[0];
      }
    } else {
      out.append(text.substr(0, n));
    }
    text.remove_prefix(n);
  }
  return out;
}

std::string svg_number(double value, int decimals) {
  if (!std::isfinite(value)) return "0";
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
  std::string s = buffer;
  if (s.find('.') != std::string::npos) {
    while (s.back() == '0') s.pop_back();
    if (s.back() == '.') s.pop_back();
  }
  if (s == "-0") s = "0";
  return s;
}

SvgWriter::SvgWriter(double width, double height) {
  out_ = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  open("svg", {{"xmlns", "http://www.w3.org/2000/svg"},
               {"width", width},
               {"height", height},
               {"viewBox", "0 0 " + svg_number(width) + " " + svg_number(height)}});
}

void SvgWriter::start_tag(std::string_view tag, SvgAttrs attrs) {
  out_ += '<';
  out_ += tag;
  for (const SvgAttr& a : attrs) {
    out_ += ' ';
    out_ += a.name;
    out_ += "=\"";
    out_ += xml_escape(a.value);
    out_ += '"';
  }
}

void SvgWriter::open(std::string_view tag, SvgAttrs attrs) {
  start_tag(tag, attrs);
  out_ += ">\n";
  open_.emplace_back(tag);
}

void SvgWriter::close() {
  if (open_.empty()) return;
  out_ += "</";
  out_ += open_.back();
  out_ += ">\n";
  open_.pop_back();
}

void SvgWriter::empty(std::string_view tag, SvgAttrs attrs) {
  start_tag(tag, attrs);
  out_ += "/>\n";
}

void SvgWriter::text(std::string_view tag, SvgAttrs attrs, std::string_view content) {
  start_tag(tag, attrs);
  out_ += '>';
  out_ += xml_escape(content);
  out_ += "</";
  out_ += tag;
  out_ += ">\n";
}

std::string SvgWriter::finish() {
  while (!open_.empty()) close();
  return std::move(out_);
}

}  // namespace binario
