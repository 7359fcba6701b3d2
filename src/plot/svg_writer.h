// A small writer of SVG documents: nested elements with attributes and text,
// escaped so the result is always well-formed XML, and numbers in a short
// fixed form so drawings stay small.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace binario {

// `text` as XML character data or attribute value: the five special
// characters as entities, and every character XML 1.0 cannot hold (control
// characters, broken UTF-8) as U+FFFD.
std::string xml_escape(std::string_view text);

// `value` rounded to `decimals` decimals, without trailing zeros and never
// "-0": 12.50 -> "12.5", -0.04 -> "0".
std::string svg_number(double value, int decimals = 1);

// One attribute; numbers are written with svg_number.
struct SvgAttr {
  SvgAttr(std::string_view n, std::string_view v) : name(n), value(v) {}
  SvgAttr(std::string_view n, const char* v) : name(n), value(v) {}
  SvgAttr(std::string_view n, const std::string& v) : name(n), value(v) {}
  SvgAttr(std::string_view n, double v, int decimals = 1)
      : name(n), value(svg_number(v, decimals)) {}
  SvgAttr(std::string_view n, int v) : name(n), value(std::to_string(v)) {}

  std::string_view name;  // a name written in the code, never escaped
  std::string value;
};

using SvgAttrs = std::initializer_list<SvgAttr>;

class SvgWriter {
 public:
  // Starts the document with its root element of `width` x `height` pixels.
  SvgWriter(double width, double height);

  // <tag ...> ... </tag>: open() starts an element, close() ends the last
  // one still open.
  void open(std::string_view tag, SvgAttrs attrs = {});
  void close();
  // <tag .../>
  void empty(std::string_view tag, SvgAttrs attrs);
  // <tag ...>text</tag>
  void text(std::string_view tag, SvgAttrs attrs, std::string_view content);
  // A <title> for the element opened last: the tooltip of a browser.
  void title(std::string_view content) { text("title", {}, content); }

  // Closes what is still open and returns the document.
  std::string finish();

 private:
  void start_tag(std::string_view tag, SvgAttrs attrs);

  std::string out_;
  std::vector<std::string> open_;
};

}  // namespace binario
