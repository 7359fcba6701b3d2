// A strict little XML reader for the tests of the drawings: it refuses what
// an XML parser refuses (mismatched or unclosed tags, a bare "<" or "&",
// unknown entities, duplicate attributes, control characters, broken UTF-8,
// more than one root) and returns the element tree with references decoded.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace binario::testing_xml {

struct Element {
  std::string name;
  std::map<std::string, std::string> attrs;
  std::vector<Element> children;
  std::string text;  // the character data directly inside, decoded

  std::string attr(const std::string& key) const {
    auto it = attrs.find(key);
    return it == attrs.end() ? std::string() : it->second;
  }
  // Every element below this one (and this one) for which `pick` holds.
  void collect(const std::function<bool(const Element&)>& pick,
               std::vector<const Element*>* out) const {
    if (pick(*this)) out->push_back(this);
    for (const Element& c : children) c.collect(pick, out);
  }
  std::vector<const Element*> with_class(const std::string& cls) const {
    std::vector<const Element*> out;
    collect([&](const Element& e) { return e.attr("class") == cls; }, &out);
    return out;
  }
};

class Reader {
 public:
  explicit Reader(std::string_view doc) : s_(doc) {}

  std::optional<Element> parse(std::string* error) {
    if (!valid_utf8()) return fail(error, "not valid UTF-8 or holds a control character");
    if (s_.substr(0, 5) == "<?xml") {
      const size_t end = s_.find("?>");
      if (end == std::string_view::npos) return fail(error, "unclosed declaration");
      pos_ = end + 2;
    }
    skip_misc();
    Element root;
    if (!element(&root)) return fail(error, error_);
    skip_misc();
    if (pos_ != s_.size()) return fail(error, "content after the root element");
    return root;
  }

 private:
  std::optional<Element> fail(std::string* error, const std::string& why) {
    if (error) *error = why + " (at byte " + std::to_string(pos_) + ")";
    return std::nullopt;
  }
  bool err(const std::string& why) {
    if (error_.empty()) error_ = why;
    return false;
  }

  bool valid_utf8() const {
    for (size_t i = 0; i < s_.size();) {
      const auto b = static_cast<uint8_t>(s_[i]);
      size_t n = b < 0x80             ? 1
                 : (b & 0xE0) == 0xC0 ? 2
                 : (b & 0xF0) == 0xE0 ? 3
                 : (b & 0xF8) == 0xF0 ? 4
                                      : 0;
      if (n == 0 || i + n > s_.size()) return false;
      if (n == 1 && b < 0x20 && b != '\t' && b != '\n' && b != '\r') return false;
      if (n == 2 && b < 0xC2) return false;
      for (size_t k = 1; k < n; ++k) {
        if ((static_cast<uint8_t>(s_[i + k]) & 0xC0) != 0x80) return false;
      }
      if (n == 3) {
        const uint32_t cp = ((b & 0x0Fu) << 12) | ((static_cast<uint8_t>(s_[i + 1]) & 0x3Fu) << 6) |
                            (static_cast<uint8_t>(s_[i + 2]) & 0x3Fu);
        if (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF) {
          return false;
        }
      }
      i += n;
    }
    return true;
  }

  void skip_space() {
    while (pos_ < s_.size() &&
           (s_[pos_] == ' ' || s_[pos_] == '\n' || s_[pos_] == '\t' || s_[pos_] == '\r')) {
      ++pos_;
    }
  }
  void skip_misc() {
    for (;;) {
      skip_space();
      if (s_.substr(pos_, 4) != "<!--") return;
      const size_t end = s_.find("-->", pos_ + 4);
      if (end == std::string_view::npos) return;
      pos_ = end + 3;
    }
  }

  static bool name_start(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
  }
  static bool name_char(char c) {
    return name_start(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
  }
  bool name(std::string* out) {
    if (pos_ >= s_.size() || !name_start(s_[pos_])) return err("a name was expected");
    const size_t start = pos_;
    while (pos_ < s_.size() && name_char(s_[pos_])) ++pos_;
    *out = std::string(s_.substr(start, pos_ - start));
    return true;
  }

  // A reference after "&"; appends what it stands for.
  bool reference(std::string* out) {
    const size_t end = s_.find(';', pos_);
    if (end == std::string_view::npos || end - pos_ > 10) return err("a bare '&'");
    const std::string_view ref = s_.substr(pos_, end - pos_);
    pos_ = end + 1;
    if (ref == "amp") return *out += '&', true;
    if (ref == "lt") return *out += '<', true;
    if (ref == "gt") return *out += '>', true;
    if (ref == "quot") return *out += '"', true;
    if (ref == "apos") return *out += '\'', true;
    if (ref.size() > 1 && ref[0] == '#') {
      const bool hex = ref[1] == 'x';
      uint32_t cp = 0;
      for (size_t i = hex ? 2 : 1; i < ref.size(); ++i) {
        const char c = ref[i];
        int d = c >= '0' && c <= '9' ? c - '0' : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (d < 0) return err("a bad character reference");
        cp = cp * (hex ? 16 : 10) + static_cast<uint32_t>(d);
        if (cp > 0x10FFFF) return err("a bad character reference");
      }
      if (cp < 0x80) return *out += static_cast<char>(cp), true;
      if (cp < 0x800) {
        *out += static_cast<char>(0xC0 | (cp >> 6));
      } else if (cp < 0x10000) {
        *out += static_cast<char>(0xE0 | (cp >> 12));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      } else {
        *out += static_cast<char>(0xF0 | (cp >> 18));
        *out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        *out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
      }
      *out += static_cast<char>(0x80 | (cp & 0x3F));
      return true;
    }
    return err("an unknown entity &" + std::string(ref) + ";");
  }

  bool element(Element* e) {
    if (pos_ >= s_.size() || s_[pos_] != '<') return err("'<' was expected");
    ++pos_;
    if (!name(&e->name)) return false;
    for (;;) {
      const size_t before = pos_;
      skip_space();
      if (pos_ >= s_.size()) return err("unclosed start tag");
      if (s_.substr(pos_, 2) == "/>") {
        pos_ += 2;
        return true;
      }
      if (s_[pos_] == '>') {
        ++pos_;
        break;
      }
      if (pos_ == before) return err("attributes must be separated by blanks");
      std::string key;
      if (!name(&key)) return false;
      skip_space();
      if (pos_ >= s_.size() || s_[pos_] != '=') return err("'=' was expected");
      ++pos_;
      skip_space();
      if (pos_ >= s_.size() || (s_[pos_] != '"' && s_[pos_] != '\'')) {
        return err("a quoted value was expected");
      }
      const char quote = s_[pos_++];
      std::string value;
      while (pos_ < s_.size() && s_[pos_] != quote) {
        if (s_[pos_] == '<') return err("'<' inside an attribute value");
        if (s_[pos_] == '&') {
          ++pos_;
          if (!reference(&value)) return false;
        } else {
          value += s_[pos_++];
        }
      }
      if (pos_ >= s_.size()) return err("unclosed attribute value");
      ++pos_;
      if (!e->attrs.emplace(key, value).second) return err("duplicate attribute " + key);
    }
    // Content up to the matching end tag.
    for (;;) {
      if (pos_ >= s_.size()) return err("<" + e->name + "> is never closed");
      if (s_.substr(pos_, 4) == "<!--") {
        const size_t end = s_.find("-->", pos_ + 4);
        if (end == std::string_view::npos) return err("unclosed comment");
        pos_ = end + 3;
      } else if (s_.substr(pos_, 2) == "</") {
        pos_ += 2;
        std::string end_name;
        if (!name(&end_name)) return false;
        skip_space();
        if (pos_ >= s_.size() || s_[pos_] != '>') return err("'>' was expected");
        ++pos_;
        if (end_name != e->name) return err("</" + end_name + "> closes <" + e->name + ">");
        return true;
      } else if (s_[pos_] == '<') {
        e->children.emplace_back();
        if (!element(&e->children.back())) return false;
      } else if (s_[pos_] == '&') {
        ++pos_;
        if (!reference(&e->text)) return false;
      } else {
        if (s_[pos_] == '>' && pos_ >= 2 && s_.substr(pos_ - 2, 2) == "]]") {
          return err("']]>' in character data");
        }
        e->text += s_[pos_++];
      }
    }
  }

  std::string_view s_;
  size_t pos_ = 0;
  std::string error_;
};

inline std::optional<Element> parse(std::string_view doc, std::string* error = nullptr) {
  return Reader(doc).parse(error);
}

}  // namespace binario::testing_xml
