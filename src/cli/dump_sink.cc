#include "cli/dump_sink.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <nlohmann/json.hpp>

#include "output/text_encoding.h"

namespace binario {

namespace {

using OrderedJson = nlohmann::ordered_json;

// The widest line the table writes (but for a name longer than a line): an
// 80-column console wraps a line that fills all 80 columns.
constexpr size_t kLineWidth = 79;

// JSON text of a value; a path or name that is not valid UTF-8 gets
// replacement characters rather than an exception.
std::string json_text(const OrderedJson& j) {
  return j.dump(-1, ' ', false, OrderedJson::error_handler_t::replace);
}

// The shortest text that reads back as exactly `v`, always with a decimal
// point or an exponent so that it reads back as a double (-0.0 included).
std::string round_trip(double v) {
  char buf[40];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  std::string s(buf, ec == std::errc() ? end : buf);
  if (std::isfinite(v) && s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

// A name for the table: UTF-8, control characters shown as \xNN.
std::string printable(std::string_view windows1252) {
  return windows1252_to_utf8(escaped_controls(windows1252));
}

// "Integer 1", "Double 2.5", "empty".
std::string tagged_text(const GeometryValue& g) {
  std::string s = tag_name(g.tag);
  switch (g.tag) {
    case Tag::kInteger:
      return s + " " + std::to_string(static_cast<int64_t>(g.value));
    case Tag::kDouble:
      return s + " " + round_trip(g.value);
    case Tag::kEmpty:
      break;
  }
  return s;
}

// {"tag":5,"value":2.5}; the value of an empty entry, and a Double that is
// not a finite number, is null.
std::string tagged_json(const GeometryValue& g) {
  std::string s = "{\"tag\":" + std::to_string(static_cast<unsigned>(g.tag)) + ",\"value\":";
  switch (g.tag) {
    case Tag::kInteger:
      s += std::to_string(static_cast<int64_t>(g.value));
      break;
    case Tag::kDouble:
      s += std::isfinite(g.value) ? round_trip(g.value) : "null";
      break;
    case Tag::kEmpty:
      s += "null";
      break;
  }
  return s + "}";
}

std::string text_of(const DumpValue& v) {
  if (const int64_t* n = std::get_if<int64_t>(&v)) return std::to_string(*n);
  if (const DumpName* name = std::get_if<DumpName>(&v)) return printable(name->windows1252);
  return tagged_text(std::get<GeometryValue>(v));
}

std::string json_of(const DumpValue& v) {
  if (const int64_t* n = std::get_if<int64_t>(&v)) return std::to_string(*n);
  if (const DumpName* name = std::get_if<DumpName>(&v)) {
    return json_text(windows1252_to_utf8(name->windows1252));
  }
  return tagged_json(std::get<GeometryValue>(v));
}

OrderedJson json_value(const DumpValue& v) {
  if (const int64_t* n = std::get_if<int64_t>(&v)) return *n;
  if (const DumpName* name = std::get_if<DumpName>(&v)) {
    return windows1252_to_utf8(name->windows1252);
  }
  return OrderedJson::parse(tagged_json(std::get<GeometryValue>(v)));
}

// Text collected in a buffer that goes out in large pieces: a geometry can
// run to millions of lines.
class Buffered {
 public:
  explicit Buffered(std::ostream& out) : out_(out) {}
  ~Buffered() { flush(); }
  Buffered(const Buffered&) = delete;
  Buffered& operator=(const Buffered&) = delete;
  void add(std::string_view s) {
    buffer_ += s;
    if (buffer_.size() >= (1u << 16)) flush();
  }
  void flush() {
    out_ << buffer_;
    buffer_.clear();
  }

 private:
  std::ostream& out_;
  std::string buffer_;
};

// --- The table --------------------------------------------------------------

// Where each column of the table goes: its line of the row (0 first) and
// the column it starts at.
struct Placed {
  size_t column = 0;   // index into DumpRecords::columns
  bool right = false;  // numbers are right-aligned, names and geometry values left
  size_t width = 0;
  size_t line = 0;
  size_t at = 0;
};

class TextSink : public DumpSink {
 public:
  explicit TextSink(std::ostream& out) : out_(out) {}

  void begin(const DumpTitle& t) override {
    out_ << t.path << ": " << t.kind_words << ", " << t.count << ' ' << t.count_words << " ("
         << t.bytes << " bytes)\n";
  }

  void facts(std::string_view line, const std::vector<std::pair<const char*, int64_t>>&) override {
    if (!line.empty()) out_ << line << '\n';
  }

  void records(const DumpRecords& r) override {
    std::vector<DumpValue> values;
    // The kind of each column from its first value.
    std::vector<bool> right(r.columns.size(), true);
    std::vector<bool> name(r.columns.size(), false);
    if (r.count > 0) {
      r.record(0, &values);
      for (size_t c = 0; c < values.size(); ++c) {
        right[c] = std::holds_alternative<int64_t>(values[c]);
        name[c] = std::holds_alternative<DumpName>(values[c]);
      }
    }
    // The columns in table order: names last.
    std::vector<Placed> placed;
    for (int names = 0; names < 2; ++names) {
      for (size_t c = 0; c < r.columns.size(); ++c) {
        if (!r.columns[c].header.empty() && name[c] == (names == 1)) {
          placed.push_back({c, right[c], std::max(r.columns[c].width, r.columns[c].header.size())});
        }
      }
    }
    if (placed.empty()) return;
    // A left-aligned last column is as wide as each entry: it needs no width.
    const bool open_end = !placed.back().right;
    const size_t sized = placed.size() - (open_end ? 1 : 0);
    bool widths_known = true;
    for (size_t i = 0; i < sized; ++i) widths_known &= r.columns[placed[i].column].width != 0;

    std::vector<std::vector<std::string>> rows;
    if (!widths_known) {
      rows.reserve(r.count);
      for (size_t k = 0; k < r.count; ++k) {
        rows.push_back(row_texts(r, k, placed, &values));
        for (size_t i = 0; i < sized; ++i) {
          placed[i].width = std::max(placed[i].width, rows.back()[i].size());
        }
      }
    }
    const size_t gap = place(&placed, sized);

    Buffered b(out_);
    std::vector<std::string> headers;
    headers.reserve(placed.size());
    for (const Placed& p : placed) headers.push_back(r.columns[p.column].header);
    b.add(render(placed, gap, headers));
    for (size_t k = 0; k < r.count; ++k) {
      b.add(render(placed, gap, widths_known ? row_texts(r, k, placed, &values) : rows[k]));
    }
  }

  void end() override {}

 private:
  static std::vector<std::string> row_texts(const DumpRecords& r, size_t k,
                                            const std::vector<Placed>& placed,
                                            std::vector<DumpValue>* values) {
    values->clear();
    r.record(k, values);
    std::vector<std::string> texts;
    texts.reserve(placed.size());
    for (const Placed& p : placed) texts.push_back(text_of((*values)[p.column]));
    return texts;
  }

  // Lays the columns out left to right, two blanks apart, or one where that
  // saves a line; a column that would pass the line width starts the next
  // line of the row, indented past the first column. Returns the gap.
  static size_t place(std::vector<Placed>* placed, size_t sized) {
    const size_t two = place_with_gap(placed, sized, 2);
    if (two == 0) return 2;
    std::vector<Placed> tight = *placed;
    if (place_with_gap(&tight, sized, 1) < two) {
      *placed = std::move(tight);
      return 1;
    }
    return 2;
  }

  // Returns the index of the row's last line.
  static size_t place_with_gap(std::vector<Placed>* placed, size_t sized, size_t gap) {
    const size_t indent = (*placed)[0].width + gap;
    size_t line = 0;
    size_t at = 0;
    for (size_t i = 0; i < placed->size(); ++i) {
      Placed& p = (*placed)[i];
      if (i > 0) at += gap;
      if (i > 0 && at > indent && at + p.width > kLineWidth) {
        ++line;
        at = indent;
      }
      p.line = line;
      p.at = at;
      at += i < sized ? p.width : 0;
    }
    return line;
  }

  // One row (or the headers): its lines, trailing blanks dropped. An open
  // last entry too long for its place starts a line of its own.
  static std::string render(const std::vector<Placed>& placed, size_t gap,
                            const std::vector<std::string>& texts) {
    std::string out;
    std::string line;
    size_t current = 0;
    const size_t indent = placed[0].width + gap;
    auto finish_line = [&] {
      while (!line.empty() && line.back() == ' ') line.pop_back();
      out += line;
      out += '\n';
      line.clear();
    };
    for (size_t i = 0; i < placed.size(); ++i) {
      const Placed& p = placed[i];
      const std::string& text = texts[i];
      size_t at = p.at;
      if (p.line != current) {
        finish_line();
        current = p.line;
      }
      const bool last = i + 1 == placed.size();
      if (last && !p.right && at > indent && at + text.size() > kLineWidth) {
        finish_line();
        at = indent;
      }
      if (line.size() < at) line.append(at - line.size(), ' ');
      const size_t pad = p.width > text.size() ? p.width - text.size() : 0;
      if (p.right) line.append(pad, ' ');
      line += text;
      if (!p.right && !last) line.append(pad, ' ');
    }
    finish_line();
    return out;
  }

  std::ostream& out_;
};

// --- JSON -------------------------------------------------------------------

// One record a line, written as it comes.
class JsonLinesSink : public DumpSink {
 public:
  explicit JsonLinesSink(std::ostream& out) : out_(out) {}

  void begin(const DumpTitle& t) override {
    out_ << "{\"kind\":\"" << t.kind << "\",\"file\":" << json_text(t.path) << ",\"" << t.count_key
         << "\":" << t.count;
  }

  void facts(std::string_view,
             const std::vector<std::pair<const char*, int64_t>>& members) override {
    for (const auto& [key, value] : members) out_ << ",\"" << key << "\":" << value;
  }

  void records(const DumpRecords& r) override {
    Buffered b(out_);
    std::vector<DumpValue> values;
    if (r.by_column) {
      for (size_t c = 0; c < r.columns.size(); ++c) {
        if (!r.columns[c].key) continue;
        b.add(std::string(",\"") + r.columns[c].key + "\":[");
        for (size_t k = 0; k < r.count; ++k) {
          values.clear();
          r.record(k, &values);
          b.add(k == 0 ? "\n" : ",\n");
          b.add(json_of(values[c]));
        }
        b.add("\n]");
      }
      return;
    }
    b.add(std::string(",\"") + r.key + "\":[");
    for (size_t k = 0; k < r.count; ++k) {
      values.clear();
      r.record(k, &values);
      std::string object;
      for (size_t c = 0; c < r.columns.size(); ++c) {
        if (!r.columns[c].key) continue;
        object += object.empty() ? "{\"" : ",\"";
        object += r.columns[c].key;
        object += "\":";
        object += json_of(values[c]);
      }
      b.add(k == 0 ? "\n" : ",\n");
      b.add(object.empty() ? "{}" : object + "}");
    }
    b.add("\n]");
  }

  void end() override { out_ << "}\n"; }

 private:
  std::ostream& out_;
};

// The whole object, indented by two, written at the end.
class JsonIndentedSink : public DumpSink {
 public:
  explicit JsonIndentedSink(std::ostream& out) : out_(out) {}

  void begin(const DumpTitle& t) override {
    j_["kind"] = t.kind;
    j_["file"] = t.path;
    j_[t.count_key] = t.count;
  }

  void facts(std::string_view,
             const std::vector<std::pair<const char*, int64_t>>& members) override {
    for (const auto& [key, value] : members) j_[key] = value;
  }

  void records(const DumpRecords& r) override {
    std::vector<DumpValue> values;
    if (r.by_column) {
      for (size_t c = 0; c < r.columns.size(); ++c) {
        if (!r.columns[c].key) continue;
        OrderedJson list = OrderedJson::array();
        for (size_t k = 0; k < r.count; ++k) {
          values.clear();
          r.record(k, &values);
          list.push_back(json_value(values[c]));
        }
        j_[r.columns[c].key] = std::move(list);
      }
      return;
    }
    OrderedJson list = OrderedJson::array();
    for (size_t k = 0; k < r.count; ++k) {
      values.clear();
      r.record(k, &values);
      OrderedJson item = OrderedJson::object();
      for (size_t c = 0; c < r.columns.size(); ++c) {
        if (r.columns[c].key) item[r.columns[c].key] = json_value(values[c]);
      }
      list.push_back(std::move(item));
    }
    j_[r.key] = std::move(list);
  }

  void end() override {
    out_ << j_.dump(2, ' ', false, OrderedJson::error_handler_t::replace) << '\n';
  }

 private:
  std::ostream& out_;
  OrderedJson j_;
};

}  // namespace

std::unique_ptr<DumpSink> make_text_sink(std::ostream& out) {
  return std::make_unique<TextSink>(out);
}

std::unique_ptr<DumpSink> make_json_sink(std::ostream& out, bool indented) {
  if (indented) return std::make_unique<JsonIndentedSink>(out);
  return std::make_unique<JsonLinesSink>(out);
}

}  // namespace binario
