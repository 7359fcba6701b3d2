// Paths as text. Every path inside the program is UTF-8; these functions
// take them apart and join them with the platform's separator, without
// asking the disk.
#pragma once

#include <string>

namespace binario {

// The separator the platform joins names with.
char path_separator();
// True for every character the platform accepts between names.
bool is_path_separator(char c);

// Joins a folder and a name with one separator (none when `dir` is empty or
// already ends in one).
std::string join_path(const std::string& dir, const std::string& name);
// The last name of `path` ("b.txt" of "a/b.txt").
std::string path_file_name(const std::string& path);
// Everything before the last name, without the separator ("a" of "a/b.txt";
// "" of "b.txt").
std::string path_parent(const std::string& path);
// The last name without its extension ("b" of "a/b.txt").
std::string path_stem(const std::string& path);

}  // namespace binario
