// Decompile: the three binary files of a compiled scenario back to the two
// descriptions, proved by compiling them again in memory and comparing the
// three images byte for byte. A pair is handed out only when they are equal.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "output/binary_files.h"

namespace binario {

struct BinaryImages {
  std::string_view cells;                    // NAME_NUM.dat
  std::string_view train_table;              // NAME_NUM.sim
  std::optional<std::string_view> geometry;  // NAME_linea.dat, when there is one
};

struct DecompiledPair {
  std::string model_name;  // the names the train table holds (Windows-1252)
  std::string model_number;
  std::string line_text;   // NAME_linea.txt, Windows-1252 with CR LF
  std::string train_text;  // NAME_NUM-.txt
};

// Why there is no pair: a file that does not fit its layout (with the byte
// where it broke), files that do not belong together, something no
// description can give, or a compile of the result that differs (with the
// first differing record and field).
struct DecompileRefusal {
  std::optional<BinaryImage> image;  // the file the reason is about, when one
  std::optional<size_t> offset;      // the byte of that file
  std::string reason;
};

struct DecompileResult {
  std::optional<DecompiledPair> pair;
  DecompileRefusal refusal;  // when there is no pair
};

DecompileResult decompile(const BinaryImages& images);

}  // namespace binario
