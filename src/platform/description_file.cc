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

std::optional<std::string> description_size_refusal(uint64_t size) {
  if (size <= kDescriptionCap.max_bytes) return std::nullopt;
  std::string reason = too_large_reason(size, kDescriptionCap);
  reason.replace(0, 2, "Would be");  // "Is 70 MB, ..." of what is not written yet
  return reason + "; nothing was written";
}

std::unique_ptr<OutputFile> edit_description(FileSystem& fs, const std::string& path,
                                             const EditBase& base, uint64_t size,
                                             std::string* error) {
  if (std::optional<std::string> refusal = description_size_refusal(size)) {
    if (error) *error = *refusal;
    return nullptr;
  }
  return fs.edit_file(path, base, error);
}

}  // namespace binario
