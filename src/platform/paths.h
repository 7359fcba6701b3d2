// Paths as text. Every path inside the program is UTF-8; these functions
// take them apart and join them with the platform's separator, without
// asking the disk.
#pragma once

#include <string>
#include <string_view>

namespace binario {

// The separator the platform joins names with.
char path_separator();
// True for every character the platform accepts between names.
bool is_path_separator(char c);

// Joins a folder and a name with one separator (none when `dir` is empty or
// already ends in one): the last one `dir` holds, or else the platform's.
std::string join_path(const std::string& dir, const std::string& name);
// The last name of `path` ("b.txt" of "a/b.txt").
std::string path_file_name(const std::string& path);
// Everything before the last name, without the separator ("a" of "a/b.txt";
// "" of "b.txt").
std::string path_parent(const std::string& path);
// The last name without its extension ("b" of "a/b.txt").
std::string path_stem(const std::string& path);

// The device Windows opens for a file name, in capitals ("NUL" of
// "nul.txt"), or "" when the name is a file's: CON, PRN, AUX, NUL, CONIN$,
// CONOUT$, COM1-9 and LPT1-9, with any extension and any spaces before it.
// The same on every platform, so that every build can refuse such a name.
std::string windows_device_name(std::string_view name);

// `path` in the form Windows takes past its old limit of 260 characters: an
// absolute path ("C:\\…", "C:/…" or "\\\\server\\share\\…") longer than the
// shortest limit (247, that of a folder) gets the prefix "\\\\?\\" (or
// "\\\\?\\UNC\\"), with '\\' between names and "." and ".." resolved, as
// the system no longer does it after that prefix. Any other path is
// returned as it is: a short one, a relative one, one prefixed already.
std::string windows_long_path(const std::string& path);

}  // namespace binario
