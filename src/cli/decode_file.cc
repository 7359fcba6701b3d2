#include "cli/decode_file.h"

#include <algorithm>
#include <array>
#include <vector>

#include "output/binary_files.h"
#include "output/text_encoding.h"
#include "platform/paths.h"
#include "run/exit_status.h"

namespace binario {

bool read_binary_file(FileSystem& fs, const std::string& path, std::ostream& err,
                      std::string* bytes) {
  std::string reason;
  constexpr ReadCap kCap{kMaxBinaryFileSize, "a binary file of a compile"};
  if (!fs.read_file(path, kCap, bytes, &reason)) {
    err << escaped_utf8(path) << ": error: cannot read the file: " << reason << '\n';
    return false;
  }
  return true;
}

bool decode_file(FileSystem& fs, const std::string& path, std::ostream& err,
                 const std::function<bool(std::string_view, DecodeError*)>& decode, size_t* size) {
  std::string bytes;
  if (!read_binary_file(fs, path, err, &bytes)) return false;
  if (size) *size = bytes.size();
  DecodeError error;
  if (!decode(bytes, &error)) {
    err << escaped_utf8(path) << ": error: at byte " << error.offset << ": expected "
        << error.expected << '\n';
    return false;
  }
  return true;
}

std::optional<int> find_run_files(FileSystem& fs, const std::string& dir,
                                  std::string_view otherwise, RunFiles* files, std::ostream& err) {
  if (!fs.is_directory(dir)) {
    err << "binario: '" << escaped_utf8(dir)
        << "' is not a folder: give a folder that holds a run's files, or " << otherwise << '\n';
    return kExitUsage;
  }
  std::vector<std::string> names;
  std::string reason;
  if (!fs.list_files(dir, &names, &reason)) {
    err << "binario: cannot list the folder '" << escaped_utf8(dir) << "': " << reason << '\n';
    return kExitRefused;
  }
  std::array<std::vector<std::string>, 3> found;  // cells, train table, geometry
  for (const std::string& name : names) {
    const std::string path = join_path(dir, name);
    const std::optional<BinaryImage> image = binary_image_from_name(name);
    if (!image) continue;
    switch (*image) {
      case BinaryImage::kCells:
        found[0].push_back(path);
        break;
      case BinaryImage::kTrainTable:
        found[1].push_back(path);
        break;
      case BinaryImage::kGeometry:
        found[2].push_back(path);
        break;
    }
  }
  const char* what[] = {"track cells file (NAME_NUM.dat)", "train table (NAME_NUM.sim)",
                        "plan geometry (NAME_linea.dat)"};
  for (size_t i = 0; i < found.size(); ++i) {
    std::sort(found[i].begin(), found[i].end());
    if (found[i].size() > 1) {
      err << "binario: more than one " << what[i] << " in '" << escaped_utf8(dir) << "':";
      for (const std::string& f : found[i]) err << ' ' << escaped_utf8(f);
      err << "\n";
      return kExitUsage;
    }
    if (found[i].empty() && i < 2) {
      err << "binario: no " << what[i] << " in '" << escaped_utf8(dir) << "'\n";
      return kExitRefused;
    }
  }
  files->cells = found[0][0];
  files->train_table = found[1][0];
  if (!found[2].empty()) files->geometry = found[2][0];
  return std::nullopt;
}

}  // namespace binario
