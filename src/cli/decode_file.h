// A binary file read whole and decoded, with the refusals that dump and plot
// both report the same way.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "output/binary_decoders.h"
#include "platform/file_system.h"

namespace binario {

// Reads `path` whole, refusing a file larger than any a compile writes; a
// file that cannot be read is reported on `err` ("PATH: error: cannot read
// the file: REASON") and gives false.
bool read_binary_file(FileSystem& fs, const std::string& path, std::ostream& err,
                      std::string* bytes);

// Reads `path` whole and hands its bytes to `decode`. A file that cannot be
// read ("PATH: error: cannot read the file: REASON") or that `decode` refuses
// ("PATH: error: at byte N: expected …") is reported on `err` and gives
// false. `size`, when given, receives the file's size in bytes.
bool decode_file(FileSystem& fs, const std::string& path, std::ostream& err,
                 const std::function<bool(std::string_view, DecodeError*)>& decode,
                 size_t* size = nullptr);

// The binary files a run left in a folder, found by their endings.
struct RunFiles {
  std::string cells;                    // NAME_NUM.dat
  std::string train_table;              // NAME_NUM.sim
  std::optional<std::string> geometry;  // NAME_linea.dat, when there is one
};

// Finds the files of `dir`. A path that is not a folder or a folder with two
// files of a kind is a usage error, a folder that cannot be listed or lacks
// the cells file or the train table is refused: the exit status is returned
// after saying why on `err`. `otherwise` names what the command takes instead.
std::optional<int> find_run_files(FileSystem& fs, const std::string& dir,
                                  std::string_view otherwise, RunFiles* files, std::ostream& err);

}  // namespace binario
