// The system's error codes for the failures the tests provoke, so that a
// test compares a reason with system_error_reason(code) and holds on every
// system, whatever its wording.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#endif

namespace binario::test {

#ifdef _WIN32
constexpr int kMissing = ERROR_FILE_NOT_FOUND;       // no such file
constexpr int kThroughAFile = ERROR_PATH_NOT_FOUND;  // a folder in the path is a file
constexpr int kIsAFolder = ERROR_ACCESS_DENIED;      // a file's name is a folder's
#else
constexpr int kMissing = ENOENT;
constexpr int kThroughAFile = ENOTDIR;
constexpr int kIsAFolder = EISDIR;
#endif

}  // namespace binario::test
