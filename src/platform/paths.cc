#include "platform/paths.h"

namespace binario {

namespace {

// The index just past the last separator, or 0 when there is none.
size_t name_start(const std::string& path) {
  for (size_t i = path.size(); i > 0; --i) {
    if (is_path_separator(path[i - 1])) return i;
  }
  return 0;
}

}  // namespace

std::string join_path(const std::string& dir, const std::string& name) {
  if (dir.empty()) return name;
  if (is_path_separator(dir.back())) return dir + name;
  return dir + path_separator() + name;
}

std::string path_file_name(const std::string& path) {
  return path.substr(name_start(path));
}

std::string path_parent(const std::string& path) {
  size_t start = name_start(path);
  if (start == 0) return {};
  size_t end = start - 1;
  // Keep a lone root separator ("/" of "/b.txt").
  while (end > 0 && is_path_separator(path[end - 1])) --end;
  if (end == 0) return path.substr(0, 1);
  return path.substr(0, end);
}

std::string path_stem(const std::string& path) {
  std::string name = path_file_name(path);
  size_t dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return name;
  return name.substr(0, dot);
}

}  // namespace binario
