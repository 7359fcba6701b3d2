#include "platform/paths.h"

#include <vector>

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
  // The separator the folder's path already uses, so that a joined path
  // never mixes two ("C:/Scenari/ro/X.dat", not "C:/Scenari/ro\X.dat").
  const size_t last = name_start(dir);
  return dir + (last > 0 ? dir[last - 1] : path_separator()) + name;
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

std::string windows_device_name(std::string_view name) {
  std::string_view stem = name.substr(0, name.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.remove_suffix(1);
  std::string upper;
  for (char c : stem) upper += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"}) {
    if (upper == device) return upper;
  }
  const bool numbered = upper.size() == 4 && upper[3] >= '1' && upper[3] <= '9';
  if (numbered && (upper.starts_with("COM") || upper.starts_with("LPT"))) return upper;
  return "";
}

std::string windows_long_path(const std::string& path) {
  constexpr size_t kShortestLimit = 247;  // CreateDirectoryW's: MAX_PATH less 8.3 name
  // A UTF-8 path has at least as many bytes as UTF-16 units.
  if (path.size() <= kShortestLimit) return path;
  const auto separator = [](char c) { return c == '\\' || c == '/'; };
  std::string prefix;
  size_t rest = 0;
  size_t kept = 0;  // names ".." may not climb over (a share's server and name)
  const bool drive = ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z')) &&
                     path[1] == ':' && separator(path[2]);
  if (drive) {
    prefix = "\\\\?\\" + path.substr(0, 2) + "\\";
    rest = 3;
  } else if (separator(path[0]) && separator(path[1])) {
    if (path[2] == '?' || path[2] == '.') return path;  // a device or prefixed path already
    prefix = "\\\\?\\UNC\\";
    rest = 2;
    kept = 2;
  } else {
    return path;
  }
  std::vector<std::string> names;
  size_t start = rest;
  while (start <= path.size()) {
    size_t end = start;
    while (end < path.size() && !separator(path[end])) ++end;
    const std::string name = path.substr(start, end - start);
    if (name == "..") {
      if (names.size() > kept) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.push_back(name);
    }
    start = end + 1;
  }
  std::string result = prefix;
  for (size_t i = 0; i < names.size(); ++i) result += (i > 0 ? "\\" : "") + names[i];
  return result;
}

}  // namespace binario
