#include "platform/description_file.h"

namespace binario {

DescriptionOnDisk read_description_on_disk(FileSystem& fs, const std::string& path) {
  DescriptionOnDisk file;
  if (fs.read_file(path, kDescriptionCap, &file.bytes, &file.reason)) return file;
  // Only a path where nothing stands is missing; a folder, a device or a file
  // that cannot be opened is a read failure with its reason.
  file.state =
      fs.missing(path) ? DescriptionOnDisk::State::kMissing : DescriptionOnDisk::State::kUnreadable;
  file.bytes.clear();
  return file;
}

}  // namespace binario
