// binario dump FILE [--json]: shows what one of the three binary files holds,
// field by field under the model's own names, as a table or as JSON. The file
// is decoded whole before anything is printed, so a file that does not fit
// its layout prints nothing but the place where it broke. On a cells file,
// --cell N and --at METRE show one cell and its neighbours, named.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/decode_file.h"
#include "cli/subcommands.h"
#include "compiler/fixed_width.h"
#include "compiler/track_model.h"
#include "output/binary_decoders.h"
#include "output/record_layout.h"
#include "output/text_encoding.h"
#include "platform/file_system.h"

namespace binario {

namespace {

// A file that could not be read or does not fit its layout.

using OrderedJson = nlohmann::ordered_json;

// Calls `f(name, value)` for every field of `layout` in `record`, in file order.
template <typename Layout, typename Record, typename F>
void each_field(const Layout& layout, const Record& record, F&& f) {
  layout.for_each(
      [&](const auto& field) { f(field.name, static_cast<int64_t>(field.of(record))); });
}

// The names of the fields of `layout`, in file order, appended to `names`.
template <typename Layout>
void append_names(const Layout& layout, std::vector<std::string>* names) {
  layout.for_each([names](const auto& field) { names->emplace_back(field.name); });
}

// Metres per cell: cell k starts at metre 50k.
constexpr int64_t kCellLength = 50;

// JSON text of a value; a path or name that is not valid UTF-8 gets
// replacement characters rather than an exception.
std::string json_text(const OrderedJson& j) {
  return j.dump(-1, ' ', false, OrderedJson::error_handler_t::replace);
}

std::string number(int64_t v) {
  return std::to_string(v);
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

// A name for one line of the table: control characters shown as \xNN.
std::string printable(const std::string& windows1252) {
  std::string out;
  for (char ch : windows1252_to_utf8(windows1252)) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x20 || c == 0x7F) {
      static constexpr char kHex[] = "0123456789abcdef";
      out += "\\x";
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += ch;
    }
  }
  return out;
}

// Prints rows of cells under their headers, numbers right-aligned to the
// widest entry of their column; the last column, when `text_last`, is left
// as it is (a name).
void print_table(std::ostream& out, const std::vector<std::string>& headers,
                 const std::vector<std::vector<std::string>>& rows, bool text_last) {
  std::vector<size_t> width(headers.size());
  for (size_t c = 0; c < headers.size(); ++c) width[c] = headers[c].size();
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) width[c] = std::max(width[c], row[c].size());
  }
  auto print_row = [&](const std::vector<std::string>& row) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      if (c > 0) line += "  ";
      if (text_last && c + 1 == row.size()) {
        line += row[c];
      } else {
        line.append(width[c] - row[c].size(), ' ');
        line += row[c];
      }
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    line += '\n';
    out << line;
  };
  print_row(headers);
  for (const auto& row : rows) print_row(row);
}

// --- Track cells ----------------------------------------------------------

void print_cells(std::ostream& out, const std::string& path, size_t size,
                 const std::vector<Cella>& cells) {
  out << path << ": track cells, " << cells.size() << " cells (" << size << " bytes)\n";
  std::vector<std::string> headers = {"cell", "position"};
  append_names(kCellFields, &headers);
  std::vector<std::vector<std::string>> rows;
  rows.reserve(cells.size());
  for (size_t k = 0; k < cells.size(); ++k) {
    std::vector<std::string> row = {number(static_cast<int64_t>(k)),
                                    number(static_cast<int64_t>(k) * kCellLength)};
    each_field(kCellFields, cells[k], [&](const char*, int64_t v) { row.push_back(number(v)); });
    rows.push_back(std::move(row));
  }
  print_table(out, headers, rows, false);
}

void print_cells_json(std::ostream& out, const std::string& path, const std::vector<Cella>& cells) {
  out << "{\"kind\":\"cells\",\"file\":" << json_text(path) << ",\"count\":" << cells.size()
      << ",\"cells\":[";
  for (size_t k = 0; k < cells.size(); ++k) {
    OrderedJson j;
    j["cell"] = k;
    j["position"] = static_cast<int64_t>(k) * kCellLength;
    each_field(kCellFields, cells[k], [&](const char* name, int64_t v) { j[name] = v; });
    out << (k == 0 ? "\n" : ",\n") << json_text(j);
  }
  out << "\n]}\n";
}

// --- A window of cells -----------------------------------------------------

// What --cell or --at asks for: the cells from `first` to `last`, and for a
// metre the cells a point object and a span change at it land in.
struct CellWindow {
  std::optional<int64_t> metre;
  int64_t point = 0;  // the cell asked for, or the cell of a point object at `metre`
  int64_t span = 0;   // the cell of a span change at `metre`
  int64_t first = 0;
  int64_t last = 0;
};

// Cells shown on each side of the ones asked for.
constexpr int64_t kNeighbours = 2;

// The window for --cell or --at on a file of `count` cells; nullopt, after
// saying why, when it lies wholly outside the file.
std::optional<CellWindow> cell_window(std::optional<int64_t> cell, std::optional<int64_t> metre,
                                      size_t count, std::ostream& err) {
  CellWindow w;
  if (metre) {
    w.metre = metre;
    w.point = point_cell(*metre);
    w.span = span_cell(*metre);
  } else {
    w.point = w.span = *cell;
  }
  const int64_t last_cell = static_cast<int64_t>(count) - 1;
  w.first = std::max<int64_t>(0, std::min(w.point, w.span) - kNeighbours);
  w.last = std::min(last_cell, std::max(w.point, w.span) + kNeighbours);
  if (w.first > w.last) {
    err << "binario: " << (metre ? "metre " + number(*metre) : "cell " + number(*cell))
        << " lies outside the file's cells 0 to " << last_cell << '\n';
    return std::nullopt;
  }
  return w;
}

// km/h: a cell keeps the speed limit ÷ 5.
int64_t speed_kmh(const Cella& c) {
  return int64_t{c.velocita} * 5;
}

void print_cell_window(std::ostream& out, const std::string& path, size_t size,
                       const std::vector<Cella>& cells, const CellWindow& w) {
  out << path << ": track cells, " << cells.size() << " cells (" << size << " bytes)\n";
  if (w.metre) {
    out << "metre " << *w.metre << ": a point object goes into cell " << w.point
        << ", a span change takes effect from cell " << w.span << '\n';
  }
  std::vector<std::string> headers = {"cell", "position"};
  append_names(kCellFields, &headers);
  headers.emplace_back("km/h");
  headers.emplace_back("kind");
  std::vector<std::vector<std::string>> rows;
  for (int64_t k = w.first; k <= w.last; ++k) {
    const Cella& c = cells[static_cast<size_t>(k)];
    std::vector<std::string> row = {number(k), number(k * kCellLength)};
    each_field(kCellFields, c, [&](const char*, int64_t v) { row.push_back(number(v)); });
    row.push_back(number(speed_kmh(c)));
    row.push_back(cell_kind_noun(c.tipo));
    rows.push_back(std::move(row));
  }
  print_table(out, headers, rows, true);
}

void print_cell_window_json(std::ostream& out, const std::string& path,
                            const std::vector<Cella>& cells, const CellWindow& w) {
  OrderedJson j;
  j["kind"] = "cells";
  j["file"] = path;
  j["count"] = cells.size();
  if (w.metre) {
    j["metre"] = *w.metre;
    j["point_cell"] = w.point;
    j["span_cell"] = w.span;
  } else {
    j["cell"] = w.point;
  }
  j["cells"] = OrderedJson::array();
  for (int64_t k = w.first; k <= w.last; ++k) {
    const Cella& c = cells[static_cast<size_t>(k)];
    OrderedJson item;
    item["cell"] = k;
    item["position"] = k * kCellLength;
    each_field(kCellFields, c, [&](const char* name, int64_t v) { item[name] = v; });
    item["kind"] = cell_kind_noun(c.tipo);
    item["speed_kmh"] = speed_kmh(c);
    j["cells"].push_back(std::move(item));
  }
  out << j.dump(2, ' ', false, OrderedJson::error_handler_t::replace) << '\n';
}

// --- Train table ----------------------------------------------------------

void print_train_table(std::ostream& out, const std::string& path, size_t size,
                       const std::array<VoceTreno, kTrenoEntries>& treno) {
  out << path << ": train table, " << treno.size() << " entries (" << size << " bytes)\n";
  std::vector<std::string> headers = {"treno"};
  append_names(kTrainHeadFields, &headers);
  append_names(kTrainTailFields, &headers);
  headers.emplace_back("nome");
  std::vector<std::vector<std::string>> rows;
  for (size_t i = 0; i < treno.size(); ++i) {
    std::vector<std::string> row = {number(static_cast<int64_t>(i))};
    each_field(kTrainHeadFields, treno[i],
               [&](const char*, int64_t v) { row.push_back(number(v)); });
    each_field(kTrainTailFields, treno[i],
               [&](const char*, int64_t v) { row.push_back(number(v)); });
    row.push_back(printable(treno[i].nome));
    rows.push_back(std::move(row));
  }
  print_table(out, headers, rows, true);
}

void print_train_table_json(std::ostream& out, const std::string& path,
                            const std::array<VoceTreno, kTrenoEntries>& treno) {
  out << "{\"kind\":\"train_table\",\"file\":" << json_text(path) << ",\"count\":" << treno.size()
      << ",\"treno\":[";
  for (size_t i = 0; i < treno.size(); ++i) {
    OrderedJson j;
    j["index"] = i;
    each_field(kTrainHeadFields, treno[i], [&](const char* name, int64_t v) { j[name] = v; });
    j["nome"] = windows1252_to_utf8(treno[i].nome);
    each_field(kTrainTailFields, treno[i], [&](const char* name, int64_t v) { j[name] = v; });
    out << (i == 0 ? "\n" : ",\n") << json_text(j);
  }
  out << "\n]}\n";
}

// --- Plan geometry --------------------------------------------------------

// "Integer 1", "Double 2.5", "empty".
std::string tagged_text(const GeometryValue& g) {
  std::string s = tag_name(g.tag);
  switch (g.tag) {
    case Tag::kInteger:
      return s + " " + number(static_cast<int64_t>(g.value));
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
      s += number(static_cast<int64_t>(g.value));
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

// The geometry can run to millions of points: lines are collected in a
// buffer that goes out in large pieces.
class Buffered {
 public:
  explicit Buffered(std::ostream& out) : out_(out) {}
  ~Buffered() { flush(); }
  Buffered& operator<<(std::string_view s) {
    buffer_ += s;
    if (buffer_.size() >= (1u << 16)) flush();
    return *this;
  }
  void flush() {
    out_ << buffer_;
    buffer_.clear();
  }

 private:
  std::ostream& out_;
  std::string buffer_;
};

void print_geometry(std::ostream& out, const std::string& path, size_t size,
                    const DecodedGeometry& g) {
  out << path << ": plan geometry, " << g.first.size() << " points (" << size << " bytes)\n";
  const size_t point_width =
      std::max<size_t>(5, number(static_cast<int64_t>(g.first.size() - 1)).size());
  constexpr size_t kValueWidth = 32;  // "Double " and the longest round-trip double
  Buffered b(out);
  auto pad_left = [](std::string s, size_t w) {
    return std::string(w - std::min(w, s.size()), ' ') + s;
  };
  auto pad_right = [](std::string s, size_t w) {
    return s + std::string(w - std::min(w, s.size()), ' ');
  };
  b << pad_left("point", point_width) << "  " << pad_right("first", kValueWidth) << "  second\n";
  for (size_t k = 0; k < g.first.size(); ++k) {
    b << pad_left(number(static_cast<int64_t>(k)), point_width) << "  "
      << pad_right(tagged_text(g.first[k]), kValueWidth) << "  " << tagged_text(g.second[k])
      << "\n";
  }
}

void print_geometry_json(std::ostream& out, const std::string& path, const DecodedGeometry& g) {
  Buffered b(out);
  b << "{\"kind\":\"geometry\",\"file\":" << json_text(path)
    << ",\"points\":" << std::to_string(g.first.size());
  for (const auto* run : {&g.first, &g.second}) {
    b << (run == &g.first ? ",\"first\":[" : ",\"second\":[");
    for (size_t k = 0; k < run->size(); ++k) {
      b << (k == 0 ? "\n" : ",\n") << tagged_json((*run)[k]);
    }
    b << "\n]";
  }
  b << "}\n";
}

// --- The command ----------------------------------------------------------

struct DumpArgs {
  std::string file;
  bool json = false;
  std::optional<int64_t> cell;   // --cell N
  std::optional<int64_t> metre;  // --at METRE
};

int dump_command(const DumpArgs& args, FileSystem& fs, std::ostream& out, std::ostream& err) {
  const std::string& path = args.file;
  const bool json = args.json;
  const BinaryKind kind = binary_kind_from_name(path);
  if (kind == BinaryKind::kUnknown) {
    err << "binario: cannot tell what '" << path
        << "' holds from its name: expected NAME_NUM.dat (track cells), NAME_NUM.sim (train "
           "table) or NAME_linea.dat (plan geometry)\n";
    return kExitUsage;
  }
  const bool window = args.cell || args.metre;
  if (window && kind != BinaryKind::kCells) {
    err << "binario: --cell and --at read a track cells file (NAME_NUM.dat), not '" << path
        << "'\n";
    return kExitUsage;
  }
  size_t size = 0;
  switch (kind) {
    case BinaryKind::kCells: {
      std::vector<Cella> cells;
      auto decode = [&](std::string_view bytes, DecodeError* e) {
        return decode_cells(bytes, &cells, e);
      };
      if (!decode_file(fs, path, err, decode, &size)) return kExitRefused;
      if (window) {
        const std::optional<CellWindow> w = cell_window(args.cell, args.metre, cells.size(), err);
        if (!w) return kExitUsage;
        if (json) {
          print_cell_window_json(out, path, cells, *w);
        } else {
          print_cell_window(out, path, size, cells, *w);
        }
      } else if (json) {
        print_cells_json(out, path, cells);
      } else {
        print_cells(out, path, size, cells);
      }
      break;
    }
    case BinaryKind::kTrainTable: {
      auto treno = std::make_unique<std::array<VoceTreno, kTrenoEntries>>();
      auto decode = [&](std::string_view bytes, DecodeError* e) {
        return decode_train_table(bytes, treno.get(), e);
      };
      if (!decode_file(fs, path, err, decode, &size)) return kExitRefused;
      if (json) {
        print_train_table_json(out, path, *treno);
      } else {
        print_train_table(out, path, size, *treno);
      }
      break;
    }
    case BinaryKind::kGeometry: {
      // The bytes are let go once decoded: the points are all that is
      // needed from here on.
      DecodedGeometry geometry;
      auto decode = [&](std::string_view bytes, DecodeError* e) {
        return decode_geometry(bytes, &geometry, e);
      };
      if (!decode_file(fs, path, err, decode, &size)) return kExitRefused;
      if (json) {
        print_geometry_json(out, path, geometry);
      } else {
        print_geometry(out, path, size, geometry);
      }
      break;
    }
    case BinaryKind::kUnknown:
      break;
  }
  out.flush();
  if (!out) {
    err << "binario: cannot write the output\n";
    return kExitFileError;
  }
  return kExitClean;
}

}  // namespace

Subcommand add_dump_command(CLI::App& app) {
  struct Args {
    DumpArgs dump;
    int64_t cell = 0;
    int64_t metre = 0;
    CLI::Option* cell_opt = nullptr;
    CLI::Option* metre_opt = nullptr;
  };
  auto args = std::make_shared<Args>();
  CLI::App* cmd = app.add_subcommand(
      "dump",
      "Show what a binary file holds: track cells (.dat), train table (.sim) or plan geometry "
      "(_linea.dat)");
  cmd->add_option("FILE", args->dump.file, "The binary file; its name's ending says which it is")
      ->required()
      ->type_name("FILE");
  cmd->add_flag("--json", args->dump.json, "Print the records as one JSON object");
  args->cell_opt = cmd->add_option("--cell", args->cell,
                                   "Track cells only: cell N and the two cells on each side")
                       ->type_name("N")
                       ->check(CLI::NonNegativeNumber);
  args->metre_opt =
      cmd->add_option("--at", args->metre,
                      "Track cells only: the cells a point object and a span change at METRE "
                      "land in, and the two cells on each side")
          ->type_name("METRE")
          ->check(CLI::NonNegativeNumber)
          ->excludes(args->cell_opt);
  return {cmd, [args] {
            DumpArgs dump = args->dump;
            if (*args->cell_opt) dump.cell = args->cell;
            if (*args->metre_opt) dump.metre = args->metre;
            RealFileSystem fs;
            return dump_command(dump, fs, std::cout, std::cerr);
          }};
}

}  // namespace binario
