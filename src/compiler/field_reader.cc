#include "compiler/field_reader.h"

#include <algorithm>
#include <limits>

namespace binario {

std::string quoted_field(std::string_view field) {
  constexpr size_t kLongest = 64;
  std::string out = "'";
  if (field.size() <= kLongest) {
    out.append(field);
    out += '\'';
    return out;
  }
  out.append(field.substr(0, kLongest - 16));
  out += "...";
  out.append(field.substr(field.size() - 8));
  out += "' (" + std::to_string(field.size()) + " bytes)";
  return out;
}

bool contains(std::string_view field, std::string_view key) {
  return field.find(key) != std::string_view::npos;
}

std::optional<std::string_view> text_line(std::string_view text, int line) {
  return LineIndex(text).line(line);
}

std::optional<TextPosition> FieldReader::last_of(TextPosition where) const {
  // Newest first: after a stop the same place may be read again.
  for (size_t i = 0; i < kRecentFields && i < recent_next_; ++i) {
    const Extent& e = recent_[(recent_next_ - 1 - i) % kRecentFields];
    if (e.where.line == where.line && e.where.column == where.column) return e.last;
  }
  return std::nullopt;
}

void FieldReader::skip_line() {
  check_cancelled();
  while (pos_ < text_.size() && text_[pos_] != '\r' && text_[pos_] != '\n') ++pos_;
  consume_line_end();
}

void FieldReader::skip_blanks() {
  while (pos_ < text_.size() && is_blank(text_[pos_])) ++pos_;
}

bool FieldReader::consume_line_end() {
  if (pos_ >= text_.size()) return false;
  char c = text_[pos_];
  if (c == '\r') {
    ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
  } else if (c == '\n') {
    ++pos_;
  } else {
    return false;
  }
  ++line_;
  line_start_ = pos_;
  return true;
}

void FieldReader::fail_at_end(std::string_view what) {
  throw ReadFailure("expected " + std::string(what) + ", found the end of the file", position());
}

Field FieldReader::read_field() {
  check_cancelled();
  if (at_end()) fail_at_end("another field");
  skip_blanks();
  Field f;
  f.where = position();
  if (pos_ < text_.size() && text_[pos_] == '"') {
    size_t start = ++pos_;
    while (pos_ < text_.size() && text_[pos_] != '"') {
      if (text_[pos_] == '\r' || text_[pos_] == '\n') {
        consume_line_end();
        f.spans_lines = true;
      } else {
        ++pos_;
      }
    }
    f.text = text_.substr(start, pos_ - start);
    f.unclosed_quote = pos_ >= text_.size();
    f.last = {line_, static_cast<int>(pos_ - line_start_) + (f.unclosed_quote ? 0 : 1)};
    if (pos_ < text_.size()) ++pos_;  // the closing quote
    skip_blanks();
    if (pos_ < text_.size() && text_[pos_] == ',') {
      ++pos_;
    } else {
      consume_line_end();
    }
  } else {
    size_t start = pos_;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == ',' || c == '\r' || c == '\n') break;
      ++pos_;
    }
    size_t end = pos_;
    while (end > start && is_blank(text_[end - 1])) --end;
    f.text = text_.substr(start, end - start);
    f.last = {f.where.line, f.where.column + static_cast<int>(f.text.size()) - 1};
    if (pos_ < text_.size() && text_[pos_] == ',') {
      ++pos_;
    } else {
      consume_line_end();
    }
  }
  current_ = f;
  remember(f);
  if (listener_) listener_->value_read(f, std::nullopt);
  return f;
}

namespace {

// What a field that is no number most likely holds, when it looks like one
// written by hand or by a word processor: "; …" to append to the message,
// or nothing.
std::string number_look_alike(std::string_view s) {
  // A dash or minus sign other than the ASCII hyphen: en and em dash in
  // Windows-1252, and U+2212, U+2013, U+2014 saved as UTF-8.
  for (std::string_view dash : {"\x96", "\x97", "\xE2\x88\x92", "\xE2\x80\x93", "\xE2\x80\x94"}) {
    if (s.starts_with(dash)) {
      return ": it starts with a typographic dash or minus sign; write the minus as the "
             "hyphen '-'";
    }
  }
  const bool digit_first = !s.empty() && s[0] >= '0' && s[0] <= '9';
  // A no-break space before, inside or after the digits.
  const bool any_digit = s.find_first_of("0123456789") != std::string_view::npos;
  if (any_digit && (contains(s, "\xA0") || contains(s, "\xC2\xA0"))) {
    return ": it holds a no-break space, which does not end a number; write the number in "
           "plain digits";
  }
  if (digit_first && (contains(s, ".") || contains(s, "'"))) {
    return ": values are whole numbers in plain digits, without a decimal point or a "
           "thousands separator";
  }
  return {};
}

}  // namespace

int64_t FieldReader::read_number(std::string_view what, int64_t lo, int64_t hi, const char* kind) {
  check_cancelled();
  if (at_end()) fail_at_end(what);
  skip_blanks();
  Field f;
  f.where = position();
  size_t start = pos_;
  while (pos_ < text_.size()) {
    char c = text_[pos_];
    if (c == ',' || c == '\r' || c == '\n' || is_blank(c)) break;
    ++pos_;
  }
  f.text = text_.substr(start, pos_ - start);
  f.last = {f.where.line, f.where.column + static_cast<int>(f.text.size()) - 1};
  current_ = f;
  remember(f);
  skip_blanks();
  if (pos_ < text_.size() && text_[pos_] == ',') {
    ++pos_;
  } else {
    consume_line_end();
  }

  std::string_view s = f.text;
  bool negative = false;
  size_t i = 0;
  if (!s.empty() && (s[0] == '+' || s[0] == '-')) {
    negative = s[0] == '-';
    i = 1;
  }
  bool digits = i < s.size();
  int64_t value = 0;
  bool too_big = false;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') {
      digits = false;
      break;
    }
    if (!too_big) {
      value = value * 10 + (s[i] - '0');
      if (value > (int64_t{1} << 32)) too_big = true;
    }
  }
  if (!digits) {
    std::string found = s.empty() ? std::string("an empty field") : quoted_field(s);
    throw ReadFailure("expected " + std::string(what) + " (a whole number), found " + found +
                          number_look_alike(s),
                      f.where, f.last);
  }
  if (negative) value = -value;
  if (too_big || value < lo || value > hi) {
    throw ReadFailure("expected " + std::string(what) + " (" + kind + ", " + std::to_string(lo) +
                          " to " + std::to_string(hi) + "), found " + quoted_field(s),
                      f.where, f.last);
  }
  if (listener_) listener_->value_read(f, value);
  return value;
}

int32_t FieldReader::read_long(std::string_view what) {
  return static_cast<int32_t>(read_number(what, std::numeric_limits<int32_t>::min(),
                                          std::numeric_limits<int32_t>::max(), "a 32-bit value"));
}

int16_t FieldReader::read_integer(std::string_view what) {
  return static_cast<int16_t>(read_number(what, std::numeric_limits<int16_t>::min(),
                                          std::numeric_limits<int16_t>::max(), "a 16-bit value"));
}

uint8_t FieldReader::read_byte(std::string_view what) {
  return static_cast<uint8_t>(read_number(what, 0, 255, "a byte"));
}

}  // namespace binario
