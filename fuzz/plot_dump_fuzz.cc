// `plot DIR` and `dump` over three arbitrary files of one folder, on the
// in-memory file system. The input holds two 3-byte little-endian lengths,
// then the cells file, the train table and (when anything is left) the plan
// geometry; a last byte past the geometry's, when the lengths leave one,
// picks a --cell or --at value for dump. Whatever the bytes, the commands end
// with one of their exit statuses: a picture only when the three files
// decode and agree, a table or JSON only when the file decodes, nothing on
// standard output otherwise, and always a reason on standard error when they
// refuse.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "fuzz_check.h"
#include "platform/file_system.h"
#include "run/run_report.h"
#include "test_support/memory_file_system.h"

namespace {

using namespace binario;

size_t take_length(std::string_view* input) {
  if (input->size() < 3) {
    input->remove_prefix(input->size());
    return 0;
  }
  const auto byte = [&](size_t i) {
    return static_cast<size_t>(static_cast<unsigned char>((*input)[i]));
  };
  const size_t n = byte(0) | byte(1) << 8 | byte(2) << 16;
  input->remove_prefix(3);
  return n;
}

std::string_view take(std::string_view* input, size_t n) {
  const std::string_view part = input->substr(0, n);
  input->remove_prefix(part.size());
  return part;
}

// dump on `file`, as text and as JSON, whole or around the cell or metre
// `at` picks (written as the user would, negative and past the end included).
void check_dump(MemoryFileSystem& fs, const std::string& file, std::optional<int> at) {
  for (bool json : {false, true}) {
    DumpArgs args;
    args.file = file;
    args.json = json;
    if (at) {
      const std::string value = std::to_string(*at * 997 - 2000);
      if (*at % 2 == 0) {
        args.cell = value;
      } else {
        args.metre = value;
      }
    }
    std::ostringstream out;
    std::ostringstream err;
    const int status = dump_command(args, fs, out, err);
    if (status == kExitClean) {
      FUZZ_CHECK(err.str().empty());
      FUZZ_CHECK(!out.str().empty());
      if (json) FUZZ_CHECK(nlohmann::json::accept(out.str()));
    } else {
      FUZZ_CHECK(status == kExitRefused || (status == kExitUsage && at));
      FUZZ_CHECK(out.str().empty());
      FUZZ_CHECK(!err.str().empty());
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t cells_size = take_length(&input);
  const size_t table_size = take_length(&input);
  MemoryFileSystem fs;
  fs.directories.insert("d");
  const std::string cells = "d/F_1.dat";
  const std::string table = "d/F_1.sim";
  const std::string geometry = "d/F_linea.dat";
  fs.files[cells] = std::string(take(&input, cells_size));
  fs.files[table] = std::string(take(&input, table_size));
  std::optional<int> at;
  if (!input.empty()) {
    at = static_cast<unsigned char>(input.back());
    input.remove_suffix(1);
  }
  const bool with_geometry = !input.empty();
  if (with_geometry) fs.files[geometry] = std::string(input);

  std::ostringstream out;
  std::ostringstream err;
  const int status = plot_command(PlotArgs{{"d"}, "picture.svg"}, fs, out, err);
  if (status == kExitClean) {
    FUZZ_CHECK(err.str().empty());
    FUZZ_CHECK(out.str() == "picture.svg\n");
    FUZZ_CHECK(fs.files.at("picture.svg").starts_with("<?xml"));
  } else {
    FUZZ_CHECK(status == kExitRefused);
    FUZZ_CHECK(out.str().empty());
    FUZZ_CHECK(!err.str().empty());
    FUZZ_CHECK(fs.files.count("picture.svg") == 0);
  }

  check_dump(fs, cells, at);
  check_dump(fs, table, std::nullopt);
  if (with_geometry) check_dump(fs, geometry, std::nullopt);
  return 0;
}
