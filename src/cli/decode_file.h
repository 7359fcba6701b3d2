// A binary file read whole and decoded, with the refusals that dump and plot
// both report the same way.
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "output/binary_decoders.h"
#include "platform/file_system.h"

namespace binario {

// Reads `path` whole and hands its bytes to `decode`. A file that cannot be
// read ("PATH: error: cannot read the file: REASON") or that `decode` refuses
// ("PATH: error: at byte N: expected …") is reported on `err` and gives
// false. `size`, when given, receives the file's size in bytes.
bool decode_file(FileSystem& fs, const std::string& path, std::ostream& err,
                 const std::function<bool(std::string_view, DecodeError*)>& decode,
                 size_t* size = nullptr);

}  // namespace binario
