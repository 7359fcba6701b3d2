#include "cli/decode_file.h"

namespace binario {

bool decode_file(FileSystem& fs, const std::string& path, std::ostream& err,
                 const std::function<bool(std::string_view, DecodeError*)>& decode, size_t* size) {
  std::string bytes;
  std::string reason;
  if (!fs.read_file(path, &bytes, &reason)) {
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
