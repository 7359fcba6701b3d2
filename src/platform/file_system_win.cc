// The real disk on Windows: every path is UTF-8 inside the program and
// UTF-16 at the wide-character Win32 call; files are always binary; reasons
// come from GetLastError through FormatMessageW.
#include <windows.h>

#include <algorithm>
#include <cwctype>
#include <functional>
#include <optional>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/temporary_files.h"
#include "platform/win32_text.h"

namespace binario {

std::string system_error_reason(int code) {
  const DWORD flags = FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  wchar_t buffer[512];
  // English when the system has it, so messages read the same everywhere.
  DWORD n = ::FormatMessageW(flags, nullptr, static_cast<DWORD>(code),
                             MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), buffer, 512, nullptr);
  if (n == 0)
    n = ::FormatMessageW(flags, nullptr, static_cast<DWORD>(code), 0, buffer, 512, nullptr);
  if (n == 0) return "error " + std::to_string(code);
  std::wstring_view text(buffer, n);
  while (!text.empty() && std::iswspace(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.back() == L'.') text.remove_suffix(1);
  return wide_to_utf8(text);
}

namespace {

bool fail(DWORD code, std::string* error) {
  if (error) *error = system_error_reason(static_cast<int>(code));
  return false;
}

bool fail_last(std::string* error) {
  return fail(::GetLastError(), error);
}

// Windows quietly drops a final dot or space from a name and opens a device
// for CON, NUL, COM1 and the like; such a path would reach another file than
// the one named, so it is refused as an invalid name instead.
bool names_a_file_as_written(const std::string& path) {
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = start;
    while (end < path.size() && !is_path_separator(path[end])) ++end;
    const std::string_view name(path.data() + start, end - start);
    if (!name.empty() && name != "." && name != ".." && name != "?") {
      if (name.back() == '.' || name.back() == ' ' || !windows_device_name(name).empty())
        return false;
    }
    start = end + 1;
  }
  return true;
}

// The path as the wide-character calls take it, past the old length limit.
std::wstring wide(const std::string& path) {
  return utf8_to_wide(windows_long_path(path));
}

// Whether the file at `path` is still what `base` says was read.
bool still_as_read(const std::string& path, const EditBase& base);

class WinOutputFile : public OutputFile {
 public:
  // An edit (`base` given) replaces the file with ReplaceFileW, which keeps
  // its attributes, owner and permissions.
  WinOutputFile(HANDLE handle, std::string temp, std::string final_path,
                std::optional<EditBase> base = {})
      : handle_(handle),
        temp_(std::move(temp)),
        final_(std::move(final_path)),
        base_(base),
        entry_(register_temporary(temp_)) {}
  ~WinOutputFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    release_hold();
    if (!committed_) ::DeleteFileW(wide(temp_).c_str());
    unregister_temporary(entry_);
    if (aside_.empty()) return;
    // The old file goes once the new one stands in its place, and comes
    // back when the new one never got there.
    if (committed_) {
      ::DeleteFileW(wide(aside_).c_str());
    } else {
      ::MoveFileExW(wide(aside_).c_str(), wide(final_).c_str(), MOVEFILE_WRITE_THROUGH);
    }
  }

  void write(const void* data, size_t size) override {
    const char* p = static_cast<const char*>(data);
    while (size > 0 && write_error_ == 0) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1 << 30));
      DWORD written = 0;
      if (!::WriteFile(handle_, p, chunk, &written, nullptr)) {
        write_error_ = ::GetLastError();
        break;
      }
      p += written;
      size -= written;
    }
  }

  bool finish(std::string* error) override {
    if (write_error_ != 0) return fail(write_error_, error);
    if (handle_ != INVALID_HANDLE_VALUE) {
      // The temporary stays held by a handle of its own, which a clean-up's
      // unshared open cannot get past, until just before its rename.
      hold_ = ::CreateFileW(wide(temp_).c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
      HANDLE handle = handle_;
      handle_ = INVALID_HANDLE_VALUE;
      if (!::CloseHandle(handle)) {
        write_error_ = ::GetLastError();
        return fail(write_error_, error);
      }
    }
    if (base_ && !still_as_read(final_, *base_)) {
      if (error) *error = kChangedMeanwhileReason;
      return false;
    }
    return true;
  }

  // Moving a file needs the right to delete it, which a program that holds
  // it open without delete sharing denies: that is found out here, while
  // every file of the set is still the old one. A read-only file is left
  // in place too, as replacing it would fail.
  bool set_old_file_aside(std::string* error) override {
    if (base_) return edited_file_replaceable(error);
    if (!aside_.empty()) return true;
    const DWORD attributes = ::GetFileAttributesW(wide(final_).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      const DWORD code = ::GetLastError();
      if (code == ERROR_FILE_NOT_FOUND) return true;  // nothing to set aside
      return fail(code, error);
    }
    if (attributes & FILE_ATTRIBUTE_READONLY) return fail(ERROR_ACCESS_DENIED, error);
    for (int attempt = 0; attempt < 100; ++attempt) {
      const std::string aside = temporary_name(path_parent(final_), ".old");
      if (::MoveFileExW(wide(final_).c_str(), wide(aside).c_str(), MOVEFILE_WRITE_THROUGH)) {
        aside_ = aside;
        return true;
      }
      const DWORD code = ::GetLastError();
      if (code == ERROR_ALREADY_EXISTS || code == ERROR_FILE_EXISTS) continue;
      if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) {
        if (error) *error = kHeldOpenReason;
        return false;
      }
      return fail(code, error);
    }
    return fail(ERROR_FILE_EXISTS, error);
  }

  bool commit(std::string* error) override {
    if (!finish(error)) return false;
    release_hold();
    // The old file, if any, is replaced in one step: the name never stands
    // for a partly written file.
    const bool replaced = base_ ? ::ReplaceFileW(wide(final_).c_str(), wide(temp_).c_str(), nullptr,
                                                 REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)
                                : ::MoveFileExW(wide(temp_).c_str(), wide(final_).c_str(),
                                                MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    if (!replaced) return fail_last(error);
    committed_ = true;
    unregister_temporary(entry_);
    entry_ = -1;
    return true;
  }

 private:
  void release_hold() {
    if (hold_ != INVALID_HANDLE_VALUE) ::CloseHandle(hold_);
    hold_ = INVALID_HANDLE_VALUE;
  }

  // An edited file is replaced where it stands, not set aside: whether it
  // can be is found out here, while every file of the set is the old one.
  bool edited_file_replaceable(std::string* error) {
    const DWORD attributes = ::GetFileAttributesW(wide(final_).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return fail_last(error);
    if (attributes & FILE_ATTRIBUTE_READONLY) return fail(ERROR_ACCESS_DENIED, error);
    HANDLE probe = ::CreateFileW(wide(final_).c_str(), DELETE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
      const DWORD code = ::GetLastError();
      if (code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) {
        if (error) *error = kHeldOpenReason;
        return false;
      }
      return fail(code, error);
    }
    ::CloseHandle(probe);
    return true;
  }

  HANDLE handle_;
  HANDLE hold_ = INVALID_HANDLE_VALUE;
  std::string temp_;
  std::string final_;
  std::optional<EditBase> base_;
  int entry_;
  std::string aside_;  // where the old file was set aside, if it was
  DWORD write_error_ = 0;
  bool committed_ = false;
};

// Creates a fresh temporary in `folder`, open for writing. Shared for
// reading, so that it can be held after it is written, and for deletion,
// so that the Ctrl+C handler removes it by name while it is still open (it
// goes when the ending process closes it); a clean-up's unshared open fails
// while it is open. Returns INVALID_HANDLE_VALUE with the reason on failure.
HANDLE create_temporary(const std::string& folder, std::string* temp, std::string* error) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    *temp = temporary_name(folder, ".tmp");
    HANDLE handle =
        ::CreateFileW(wide(*temp).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle != INVALID_HANDLE_VALUE) return handle;
    if (::GetLastError() != ERROR_FILE_EXISTS) break;
  }
  fail_last(error);
  return INVALID_HANDLE_VALUE;
}

// Opens `path` for reading its attributes only, whatever it is.
HANDLE open_for_identity(const std::string& path) {
  return ::CreateFileW(wide(path).c_str(), 0,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Why what stands at `path` may not be replaced by a new file, or nothing:
// a folder or a device (also through a link) would be replaced by a regular
// file, or the rename over it fail. Nothing there is fine.
std::optional<std::string> not_replaceable(const std::string& path) {
  HANDLE handle = open_for_identity(path);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;  // the rename says why, if it fails
  const DWORD type = ::GetFileType(handle);
  BY_HANDLE_FILE_INFORMATION info;
  const bool known = ::GetFileInformationByHandle(handle, &info);
  ::CloseHandle(handle);
  if (known && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return kIsDirectoryReason;
  if (type != FILE_TYPE_DISK || (known && (info.dwFileAttributes & FILE_ATTRIBUTE_DEVICE)))
    return kNotRegularReason;
  return std::nullopt;
}

}  // namespace

bool RealFileSystem::exists(const std::string& path) {
  if (!names_a_file_as_written(path)) return false;
  const DWORD attributes = ::GetFileAttributesW(wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES &&
         !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

bool RealFileSystem::missing(const std::string& path) {
  if (!names_a_file_as_written(path)) return false;
  if (::GetFileAttributesW(wide(path).c_str()) != INVALID_FILE_ATTRIBUTES) return false;
  const DWORD code = ::GetLastError();
  return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
}

bool RealFileSystem::read_file(const std::string& path, const ReadCap& cap, std::string* contents,
                               std::string* error) {
  contents->clear();
  if (!names_a_file_as_written(path)) return fail(ERROR_INVALID_NAME, error);
  // Backup semantics open a folder too, so that it is refused as a folder
  // rather than with "Access is denied".
  HANDLE handle = ::CreateFileW(wide(path).c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return fail_last(error);
  const auto refuse = [&](const std::string& reason) {
    ::CloseHandle(handle);
    contents->clear();
    if (error) *error = reason;
    return false;
  };
  BY_HANDLE_FILE_INFORMATION info;
  if (::GetFileType(handle) != FILE_TYPE_DISK) return refuse(kNotRegularReason);
  if (!::GetFileInformationByHandle(handle, &info)) {
    return refuse(system_error_reason(static_cast<int>(::GetLastError())));
  }
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return refuse(kIsDirectoryReason);
  if (info.dwFileAttributes & FILE_ATTRIBUTE_DEVICE) return refuse(kNotRegularReason);
  const uint64_t size = (static_cast<uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (size > cap.max_bytes) return refuse(too_large_reason(size, cap));
  contents->reserve(static_cast<size_t>(size));
  char buffer[1 << 16];
  for (;;) {
    // One byte past the cap is enough to know a growing file went over it.
    const uint64_t room = cap.max_bytes - std::min<uint64_t>(contents->size(), cap.max_bytes);
    const DWORD want = room < sizeof buffer ? static_cast<DWORD>(room) + 1 : sizeof buffer;
    DWORD n = 0;
    if (!::ReadFile(handle, buffer, want, &n, nullptr)) {
      return refuse(system_error_reason(static_cast<int>(::GetLastError())));
    }
    if (n == 0) break;
    contents->append(buffer, n);
    if (contents->size() > cap.max_bytes) return refuse(too_large_reason(contents->size(), cap));
  }
  ::CloseHandle(handle);
  return true;
}

std::unique_ptr<OutputFile> RealFileSystem::replace_file(const std::string& path,
                                                         std::string* error) {
  if (!names_a_file_as_written(path)) {
    fail(ERROR_INVALID_NAME, error);
    return nullptr;
  }
  if (const std::optional<std::string> refusal = not_replaceable(path)) {
    if (error) *error = *refusal;
    return nullptr;
  }
  // An interruption between the temporary's creation and its registration
  // waits for the registration, so that it removes the file.
  const InterruptionsHeld held;
  std::string temp;
  HANDLE handle = create_temporary(path_parent(path), &temp, error);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<WinOutputFile>(handle, temp, path);
}

namespace {

bool still_as_read(const std::string& path, const EditBase& base) {
  RealFileSystem fs;
  if (fs.stamp(path) != base.stamp) return false;
  if (!base.bytes) return true;
  std::string contents, error;
  return fs.read_file(path, ReadCap{base.bytes->size(), "the text read"}, &contents, &error) &&
         contents == *base.bytes;
}

// The path the system gives for an open file, without the prefix that
// lifts the length limit (put back when needed).
std::string final_path(HANDLE handle) {
  std::wstring path(32768, L'\0');
  const DWORD n = ::GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
  if (n == 0 || n >= path.size()) return {};
  path.resize(n);
  std::string utf8 = wide_to_utf8(path);
  if (utf8.starts_with("\\\\?\\UNC\\")) return "\\\\" + utf8.substr(8);
  if (utf8.starts_with("\\\\?\\")) return utf8.substr(4);
  return utf8;
}

}  // namespace

std::unique_ptr<OutputFile> RealFileSystem::edit_file(const std::string& path, const EditBase& base,
                                                      std::string* error) {
  if (!names_a_file_as_written(path)) {
    fail(ERROR_INVALID_NAME, error);
    return nullptr;
  }
  // Opened through any link: the file it names is the one rewritten, beside
  // itself, and the link stays a link.
  HANDLE handle = open_for_identity(path);
  if (handle == INVALID_HANDLE_VALUE) {
    fail_last(error);
    return nullptr;
  }
  BY_HANDLE_FILE_INFORMATION info;
  const DWORD type = ::GetFileType(handle);
  const bool known = ::GetFileInformationByHandle(handle, &info);
  const DWORD code = ::GetLastError();
  const std::string target = final_path(handle);
  ::CloseHandle(handle);
  if (!known || target.empty()) {
    fail(known ? ERROR_INVALID_NAME : code, error);
    return nullptr;
  }
  const char* refusal = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? kIsDirectoryReason
                        : type != FILE_TYPE_DISK || (info.dwFileAttributes & FILE_ATTRIBUTE_DEVICE)
                            ? kNotRegularReason
                        : info.nNumberOfLinks > 1      ? kOtherHardLinksReason
                        : !still_as_read(target, base) ? kChangedMeanwhileReason
                                                       : nullptr;
  if (refusal) {
    if (error) *error = refusal;
    return nullptr;
  }
  const InterruptionsHeld held;
  std::string temp;
  HANDLE written = create_temporary(path_parent(target), &temp, error);
  if (written == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<WinOutputFile>(written, temp, target, base);
}

bool RealFileSystem::remove_unheld_temporary(const std::string& path) {
  if (!names_a_file_as_written(path)) return false;
  // Opened unshared: that fails while its process holds it open. Closing
  // the handle deletes it.
  HANDLE handle = ::CreateFileW(wide(path).c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  ::CloseHandle(handle);
  return true;
}

bool RealFileSystem::remove_file(const std::string& path, std::string* error) {
  if (!names_a_file_as_written(path)) return fail(ERROR_INVALID_NAME, error);
  if (!::DeleteFileW(wide(path).c_str())) return fail_last(error);
  return true;
}

bool RealFileSystem::is_directory(const std::string& path) {
  if (!names_a_file_as_written(path)) return false;
  const DWORD attributes = ::GetFileAttributesW(wide(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool RealFileSystem::make_directories(const std::string& path, std::string* error) {
  if (!names_a_file_as_written(path)) return fail(ERROR_INVALID_NAME, error);
  // Each folder along the path, shortest first. A prefix that cannot be
  // made (a drive, a network share's name) is fine as long as the whole
  // path is a folder in the end.
  DWORD last_error = ERROR_PATH_NOT_FOUND;
  for (size_t i = 1; i <= path.size(); ++i) {
    if (i < path.size() && !is_path_separator(path[i])) continue;
    if (is_path_separator(path[i - 1])) continue;
    const std::string prefix = path.substr(0, i);
    if (is_directory(prefix)) continue;
    if (!::CreateDirectoryW(wide(prefix).c_str(), nullptr)) last_error = ::GetLastError();
  }
  if (is_directory(path)) return true;
  // A file standing at the folder's name is reported as such.
  if (last_error == ERROR_ALREADY_EXISTS) last_error = ERROR_DIRECTORY;
  return fail(last_error, error);
}

namespace {

// The names in folder `path`, sorted: regular files only, or every entry.
bool list_folder(RealFileSystem& fs, const std::string& path, bool every_entry,
                 std::vector<std::string>* names, std::string* error) {
  names->clear();
  if (!names_a_file_as_written(path)) return fail(ERROR_INVALID_NAME, error);
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileExW(wide(join_path(path, "*")).c_str(), FindExInfoBasic, &entry,
                                   FindExSearchNameMatch, nullptr, 0);
  if (find == INVALID_HANDLE_VALUE) {
    const DWORD code = ::GetLastError();
    if (code == ERROR_FILE_NOT_FOUND && fs.is_directory(path)) return true;  // an empty root
    return fail(code, error);
  }
  do {
    const std::wstring name = entry.cFileName;
    const bool file =
        !(entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
    if (file || (every_entry && name != L"." && name != L"..")) {
      names->push_back(wide_to_utf8(name));
    }
  } while (::FindNextFileW(find, &entry));
  const DWORD code = ::GetLastError();
  ::FindClose(find);
  if (code != ERROR_NO_MORE_FILES) {
    names->clear();
    return fail(code, error);
  }
  std::sort(names->begin(), names->end());
  return true;
}

}  // namespace

bool RealFileSystem::list_files(const std::string& path, std::vector<std::string>* names,
                                std::string* error) {
  return list_folder(*this, path, false, names, error);
}

bool RealFileSystem::list_entries(const std::string& path, std::vector<std::string>* names,
                                  std::string* error) {
  return list_folder(*this, path, true, names, error);
}

std::optional<FileStamp> RealFileSystem::stamp(const std::string& path) {
  if (!names_a_file_as_written(path)) return std::nullopt;
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(wide(path).c_str(), GetFileExInfoStandard, &data)) {
    return std::nullopt;
  }
  return FileStamp{
      (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow,
      static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                           data.ftLastWriteTime.dwLowDateTime)};
}

bool RealFileSystem::same_file(const std::string& a, const std::string& b) {
  if (!names_a_file_as_written(a) || !names_a_file_as_written(b)) return false;
  BY_HANDLE_FILE_INFORMATION info[2];
  const std::string* paths[2] = {&a, &b};
  for (int i = 0; i < 2; ++i) {
    HANDLE handle = open_for_identity(*paths[i]);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool ok = ::GetFileInformationByHandle(handle, &info[i]);
    ::CloseHandle(handle);
    if (!ok) return false;
  }
  return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
         info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
         info[0].nFileIndexLow == info[1].nFileIndexLow;
}

namespace {

// A named mutex per folder: no file is added to it, and the system releases
// it when the process ends, however it ends.
class WinFolderLock : public FolderLock {
 public:
  explicit WinFolderLock(HANDLE mutex) : mutex_(mutex) {}
  ~WinFolderLock() override {
    ::ReleaseMutex(mutex_);
    ::CloseHandle(mutex_);
  }

 private:
  HANDLE mutex_;
};

}  // namespace

std::unique_ptr<FolderLock> RealFileSystem::lock_folder(const std::string& path,
                                                        std::string* error) {
  if (!names_a_file_as_written(path)) {
    fail(ERROR_INVALID_NAME, error);
    return nullptr;
  }
  // Only a folder that exists is locked, as on other systems.
  const DWORD attributes = ::GetFileAttributesW(wide(path).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    fail_last(error);
    return nullptr;
  }
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    fail(ERROR_DIRECTORY, error);
    return nullptr;
  }
  // The folder's full path, in capitals as Windows compares names, names the
  // mutex: two spellings of one folder get the same one.
  const std::wstring given = wide(path);
  std::wstring full(32768, L'\0');
  const DWORD n =
      ::GetFullPathNameW(given.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (n == 0 || n >= full.size()) {
    fail_last(error);
    return nullptr;
  }
  full.resize(n);
  while (!full.empty() && (full.back() == L'\\' || full.back() == L'/')) full.pop_back();
  ::CharUpperBuffW(full.data(), static_cast<DWORD>(full.size()));
  const std::wstring name =
      L"Local\\binario-folder-" + std::to_wstring(std::hash<std::wstring>{}(full));
  HANDLE mutex = ::CreateMutexW(nullptr, FALSE, name.c_str());
  if (mutex == nullptr) {
    fail_last(error);
    return nullptr;
  }
  const DWORD waited = ::WaitForSingleObject(mutex, 30000);
  if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED)
    return std::make_unique<WinFolderLock>(mutex);
  ::CloseHandle(mutex);
  if (error) *error = kFolderBusyReason;
  return nullptr;
}

}  // namespace binario
