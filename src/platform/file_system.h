// The disk behind a small interface. Everything the program reads, writes or
// deletes goes through a FileSystem, so parsers and writers are tested on
// in-memory files with injected failures.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace binario {

// A file being replaced. Bytes written go to a temporary place; commit() puts
// them under the final name in one step. Destroying an uncommitted file
// discards what was written and leaves any earlier file of that name intact.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  // A failed write is remembered and reported by commit().
  virtual void write(const void* data, size_t size) = 0;
  void write(std::string_view s) { write(s.data(), s.size()); }
  // Returns false and sets `error` to the system's reason on failure.
  virtual bool commit(std::string* error) = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  virtual bool exists(const std::string& path) = 0;
  // Reads the whole file. Returns false and sets `error` on failure.
  virtual bool read_file(const std::string& path, std::string* contents, std::string* error) = 0;
  // Starts replacing `path`. Returns nullptr and sets `error` when the file
  // cannot even be started (for example a directory that does not exist).
  virtual std::unique_ptr<OutputFile> replace_file(const std::string& path, std::string* error) = 0;
  // Deletes `path`. Returns false and sets `error` on failure.
  virtual bool remove_file(const std::string& path, std::string* error) = 0;
  // True when `path` names a folder.
  virtual bool is_directory(const std::string& path) = 0;
  // Creates the folder `path` and any missing parents. True when it is a
  // folder afterwards; otherwise false with the reason in `error`.
  virtual bool make_directories(const std::string& path, std::string* error) = 0;
  // The names (not paths) of the regular files directly inside folder
  // `path`, sorted. Returns false and sets `error` when it cannot be read.
  virtual bool list_files(const std::string& path, std::vector<std::string>* names,
                          std::string* error) = 0;
  // True when both paths name the same existing file.
  virtual bool same_file(const std::string& a, const std::string& b) = 0;
};

// Replaces `path` with `contents` in one go.
bool write_whole_file(FileSystem& fs, const std::string& path, std::string_view contents,
                      std::string* error);

// The real disk, one implementation per platform. Replacement writes a
// temporary file in the same directory and renames it over the old name.
// Reasons are the system's text for its error code.
class RealFileSystem : public FileSystem {
 public:
  bool exists(const std::string& path) override;
  bool read_file(const std::string& path, std::string* contents, std::string* error) override;
  std::unique_ptr<OutputFile> replace_file(const std::string& path, std::string* error) override;
  bool remove_file(const std::string& path, std::string* error) override;
  bool is_directory(const std::string& path) override;
  bool make_directories(const std::string& path, std::string* error) override;
  bool list_files(const std::string& path, std::vector<std::string>* names,
                  std::string* error) override;
  bool same_file(const std::string& a, const std::string& b) override;
};

// The system's text for its error code (errno on POSIX, GetLastError on
// Windows), as RealFileSystem reports it: no line break, no final period.
std::string system_error_reason(int code);

// Files held in memory, for tests. Failures can be injected per path.
class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> directories;  // folders that exist (made or listed)
  std::set<std::string> fail_read;    // read_file fails
  std::set<std::string> fail_create;  // replace_file fails at once
  std::set<std::string> fail_write;   // writes fail, reported at commit
  std::set<std::string> fail_commit;  // the final rename fails
  std::set<std::string> fail_remove;  // remove_file fails

  bool exists(const std::string& path) override;
  bool read_file(const std::string& path, std::string* contents, std::string* error) override;
  std::unique_ptr<OutputFile> replace_file(const std::string& path, std::string* error) override;
  bool remove_file(const std::string& path, std::string* error) override;
  bool is_directory(const std::string& path) override;
  bool make_directories(const std::string& path, std::string* error) override;
  bool list_files(const std::string& path, std::vector<std::string>* names,
                  std::string* error) override;
  bool same_file(const std::string& a, const std::string& b) override;
};

}  // namespace binario
