// binario dump FILE [--json]: shows what one of the three binary files holds,
// field by field under the model's own names, as a table or as JSON. The file
// is decoded whole before anything is printed, so a file that does not fit
// its layout prints nothing but the place where it broke. On a cells file,
// --cell N and --at METRE show one cell and its neighbours, named.
#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/decode_file.h"
#include "cli/dump_printers.h"
#include "cli/dump_sink.h"
#include "cli/subcommands.h"
#include "compiler/fixed_width.h"
#include "compiler/track_model.h"
#include "output/binary_decoders.h"
#include "output/text_encoding.h"
#include "platform/file_system.h"

namespace binario {

namespace {

// Cells shown on each side of the ones asked for.
constexpr int64_t kNeighbours = 2;

// A whole number as written on the command line: an optional '-' and digits.
struct WrittenNumber {
  bool whole = false;  // it has that shape
  bool fits = false;   // and fits 64 bits
  int64_t value = 0;
};

WrittenNumber read_number(std::string_view text) {
  WrittenNumber n;
  const std::string_view digits = text.starts_with('-') ? text.substr(1) : text;
  n.whole = !digits.empty() &&
            std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
  if (!n.whole) return n;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), n.value);
  n.fits = ec == std::errc() && end == text.data() + text.size();
  return n;
}

// The largest metre whose point object still lands in a cell of a file whose
// last cell is `last`: a point object at metre p goes into cell
// nearest(p / 50 + 1), always at or after the cell of a span change there.
int64_t last_metre(int64_t last) {
  int64_t m = 50 * last - 25;
  while (m > 0 && point_cell(m) > last) --m;
  return std::max<int64_t>(m, 0);
}

// The window for --cell or --at on a file of `count` cells; nullopt, after
// saying why and which values the file allows, when the value lies outside it.
std::optional<CellWindow> cell_window(const DumpArgs& args, size_t count, std::ostream& err) {
  const int64_t last = static_cast<int64_t>(count) - 1;
  CellWindow w;
  if (args.metre) {
    const WrittenNumber m = read_number(*args.metre);
    const int64_t top = last_metre(last);
    if (!m.fits || m.value < 0 || m.value > top) {
      err << "binario: metre " << *args.metre << " lies outside the file's cells 0 to " << last
          << ": give a metre from 0 to " << top << '\n';
      return std::nullopt;
    }
    w.metre = m.value;
    w.point = point_cell(m.value);
    w.span = span_cell(m.value);
  } else {
    const WrittenNumber c = read_number(*args.cell);
    if (!c.fits || c.value < 0 || c.value > last) {
      err << "binario: cell " << *args.cell << " lies outside the file's cells 0 to " << last
          << '\n';
      return std::nullopt;
    }
    w.point = w.span = c.value;
  }
  w.first = std::max<int64_t>(0, std::min(w.point, w.span) - kNeighbours);
  w.last = std::min(last, std::max(w.point, w.span) + kNeighbours);
  return w;
}

// A value of --cell or --at that is no whole number at all.
bool is_number_option(const std::optional<std::string>& value, const char* option,
                      std::ostream& err) {
  if (!value || read_number(*value).whole) return true;
  err << "binario: " << option << " takes a whole number, found '" << escaped_utf8(*value) << "'\n";
  return false;
}

}  // namespace

int dump_command(const DumpArgs& args, FileSystem& fs, std::ostream& out, std::ostream& err) {
  const std::string& path = args.file;
  const std::optional<BinaryImage> image = binary_image_from_name(path);
  if (!image) {
    err << "binario: cannot tell what '" << escaped_utf8(path)
        << "' holds from its name: expected NAME_NUM.dat (track cells), NAME_NUM.sim (train "
           "table) or NAME_linea.dat (plan geometry)\n";
    return kExitUsage;
  }
  const bool window = args.cell || args.metre;
  if (args.cell && args.metre) {
    err << "binario: --cell and --at cannot be given together\n";
    return kExitUsage;
  }
  const BinaryImage kind = *image;
  if (window && kind != BinaryImage::kCells) {
    err << "binario: --cell and --at read a track cells file (NAME_NUM.dat), not '"
        << escaped_utf8(path) << "'\n";
    return kExitUsage;
  }
  if (!is_number_option(args.cell, "--cell", err) || !is_number_option(args.metre, "--at", err)) {
    return kExitUsage;
  }
  const std::unique_ptr<DumpSink> sink =
      args.json ? make_json_sink(out, window) : make_text_sink(out);
  size_t size = 0;
  switch (kind) {
    case BinaryImage::kCells: {
      std::vector<Cella> cells;
      auto decode = [&](std::string_view bytes, DecodeError* e) {
        return decode_cells(bytes, &cells, e);
      };
      if (!decode_file(fs, path, err, decode, &size)) return kExitRefused;
      if (window) {
        const std::optional<CellWindow> w = cell_window(args, cells.size(), err);
        if (!w) return kExitUsage;
        print_cell_window(path, size, cells, *w, *sink);
      } else {
        print_cells(path, size, cells, *sink);
      }
      break;
    }
    case BinaryImage::kTrainTable: {
      auto treno = std::make_unique<std::array<VoceTreno, kTrenoEntries>>();
      auto decode = [&](std::string_view bytes, DecodeError* e) {
        return decode_train_table(bytes, treno.get(), e);
      };
      if (!decode_file(fs, path, err, decode, &size)) return kExitRefused;
      print_train_table(path, size, *treno, *sink);
      break;
    }
    case BinaryImage::kGeometry: {
      // The bytes are let go once decoded: the points are all that is
      // needed from here on.
      DecodedGeometry geometry;
      auto decode = [&](std::string_view bytes, DecodeError* e) {
        return decode_geometry(bytes, &geometry, e);
      };
      if (!decode_file(fs, path, err, decode, &size)) return kExitRefused;
      print_geometry(path, size, geometry, *sink);
      break;
    }
  }
  out.flush();
  if (!out) {
    err << "binario: cannot write the output\n";
    return kExitFileError;
  }
  return kExitClean;
}

Subcommand add_dump_command(Command& program) {
  struct Args {
    DumpArgs dump;
    std::string cell;
    std::string metre;
    const Argument* cell_opt = nullptr;
    const Argument* metre_opt = nullptr;
  };
  auto args = std::make_shared<Args>();
  Command* cmd = &program.add_subcommand(
      "dump",
      "Show what a binary file holds: track cells (.dat), train table (.sim) or plan geometry "
      "(_linea.dat)");
  cmd->add_option("FILE", &args->dump.file, "The binary file; its name's ending says which it is")
      .required()
      .type_name("FILE");
  cmd->add_flag("--json", &args->dump.json, "Print the records as one JSON object");
  // Read as written and checked against the file's cells once it is decoded,
  // so that a value outside them is told with the range the file allows.
  args->cell_opt = &cmd->add_option("--cell", &args->cell,
                                    "Track cells only: cell N and the two cells on each side")
                        .type_name("N");
  args->metre_opt =
      &cmd->add_option("--at", &args->metre,
                       "Track cells only: the cells a point object and a span change at METRE "
                       "land in, and the two cells on each side")
           .type_name("METRE")
           .excludes(*args->cell_opt);
  return {cmd, [args] {
            DumpArgs dump = args->dump;
            if (args->cell_opt->given()) dump.cell = args->cell;
            if (args->metre_opt->given()) dump.metre = args->metre;
            RealFileSystem fs;
            return dump_command(dump, fs, std::cout, std::cerr);
          }};
}

}  // namespace binario
