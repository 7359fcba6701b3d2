#include "cli/decode_file.h"

#include "output/binary_files.h"

namespace binario {

bool decode_file(FileSystem& fs, const std::string& path, std::ostream& err,
                 const std::function<bool(std::string_view, DecodeError*)>& decode, size_t* size) {
  std::string bytes;
  std::string reason;
  constexpr ReadCap kCap{kMaxBinaryFileSize, "a binary file of a compile"};
  if (!fs.read_file(path, kCap, &bytes, &reason)) {
    err << path << ": error: cannot read the file: " << reason << '\n';
    return false;
  }
  if (size) *size = bytes.size();
  DecodeError error;
  if (!decode(bytes, &error)) {
    err << path << ": error: at byte " << error.offset << ": expected " << error.expected << '\n';
    return false;
  }
  return true;
}

}  // namespace binario
