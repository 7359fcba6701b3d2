// The disk behind a small interface. Everything the program reads, writes or
// deletes goes through a FileSystem, so parsers and writers are tested on
// in-memory files with injected failures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace binario {

// A file being replaced. Bytes written go to a temporary file beside the final
// name; commit() puts them under the final name in one step. Destroying an
// uncommitted file removes the temporary and leaves any earlier file of that
// name intact. Until then an interruption of the program (Ctrl+C, SIGTERM,
// the console closing) removes the temporary too.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  // A failed write is remembered and reported by finish() or commit().
  virtual void write(const void* data, size_t size) = 0;
  void write(std::string_view s) { write(s.data(), s.size()); }
  // Completes the temporary file (every byte written, the file closed)
  // without putting it in place. Returns false and sets `error` to the
  // system's reason on failure; after a success only the rename is left.
  virtual bool finish(std::string* error) = 0;
  // Finishes the file if that is not done yet, then renames it over the
  // final name. Returns false and sets `error` on failure.
  virtual bool commit(std::string* error) = 0;
  // Frees the final name for commit() before any file of a set is replaced.
  // Where the system refuses to replace a file another program holds open
  // (Windows), the old file is moved aside under a temporary name in the
  // same folder: a file that cannot be moved is found out while every old
  // file is still in place. A committed file then deletes the old one; an
  // uncommitted one puts it back. Returns false and sets `error` when the
  // old file cannot be moved. Where renaming over an open file always works,
  // there is nothing to do.
  virtual bool set_old_file_aside(std::string* error) {
    (void)error;
    return true;
  }
};

// The most a read returns, and how the refusal names the file: a file larger
// than `max_bytes` is refused with "Is 300 MB, more than the 64 MiB <what>
// may have".
struct ReadCap {
  uint64_t max_bytes = UINT64_MAX;
  const char* what = "a file";
};
// The refusal of a file of `size` bytes under `cap`.
std::string too_large_reason(uint64_t size, const ReadCap& cap);
// The refusals of what is not a regular file, the same on every platform.
inline constexpr char kIsDirectoryReason[] = "Is a directory";
inline constexpr char kNotRegularReason[] = "Is not a regular file";
// The refusal of a file another program holds open without letting it be
// moved or deleted (Windows): the set is left as it was.
inline constexpr char kHeldOpenReason[] =
    "Is held open by another program; close it there and try again";

// What a cheap look at a file tells: enough to see that it changed since
// the last look, without reading it.
struct FileStamp {
  uint64_t size = 0;
  int64_t modified = 0;  // the modification time, in the system's own unit
  bool operator==(const FileStamp&) const = default;
};

// A text as it stood when it was read, for an edit of it: the edit is put in
// place only while the file still is what was read.
struct EditBase {
  FileStamp stamp;                     // its size and time when it was read
  const std::string* bytes = nullptr;  // what was read, when it was: compared again
};

// The refusals of an edit (FileSystem::edit_file), the same on every
// platform. The file is left as it stands.
inline constexpr char kChangedMeanwhileReason[] =
    "Was changed by another program while binario worked on it; left as it is, with that "
    "change";
inline constexpr char kOtherHardLinksReason[] =
    "Has other hard links, which a rewritten file would no longer share; left as it is";
inline constexpr char kOwnerNotKeptReason[] =
    "Belongs to another user or group, to whom a rewritten file could not be given; left as "
    "it is";

// A lock on a folder, held while it lives: another process (or thread)
// asking for the same folder waits until it is released.
class FolderLock {
 public:
  virtual ~FolderLock() = default;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // True when `path` names a regular file.
  virtual bool exists(const std::string& path) = 0;
  // True when nothing at all stands at `path` (no file, folder or device).
  virtual bool missing(const std::string& path) = 0;
  // Reads the whole regular file, at most `cap.max_bytes` of it. A folder, a
  // FIFO or a device is refused before anything is read (a FIFO is never
  // waited on), as is a file larger than the cap, even one that grows while
  // it is read. Returns false and sets `error` to the reason on failure.
  virtual bool read_file(const std::string& path, const ReadCap& cap, std::string* contents,
                         std::string* error) = 0;
  bool read_file(const std::string& path, std::string* contents, std::string* error) {
    return read_file(path, ReadCap{}, contents, error);
  }
  // Starts replacing `path`. Returns nullptr and sets `error` when the file
  // cannot even be started (for example a directory that does not exist).
  // Only a regular file is ever replaced: a folder, a FIFO, a socket or a
  // device standing at `path` (also through a symbolic link) is refused with
  // kIsDirectoryReason or kNotRegularReason, and nothing is written.
  virtual std::unique_ptr<OutputFile> replace_file(const std::string& path, std::string* error) = 0;
  // Starts rewriting the existing text at `path` without changing which file
  // it is: a symbolic link is followed and the file it names is rewritten;
  // the new file gets the old one's permissions and owner; a file with other
  // hard links is refused (kOtherHardLinksReason), as is one whose owner
  // cannot be kept (kOwnerNotKeptReason). The new text is put in place by
  // commit() only while the file is still what `base` says was read; when it
  // was changed meanwhile, finish() and commit() fail with
  // kChangedMeanwhileReason and the file stays as the other program left it.
  virtual std::unique_ptr<OutputFile> edit_file(const std::string& path, const EditBase& base,
                                                std::string* error) = 0;
  // Deletes `path`. Returns false and sets `error` on failure.
  virtual bool remove_file(const std::string& path, std::string* error) = 0;
  // Deletes the temporary at `path` (of the file layer's naming) when no
  // process holds it: every temporary is held, by a lock or an open handle,
  // for as long as its process may still rename it into place. Returns false
  // and leaves it when it is held or cannot be deleted.
  virtual bool remove_unheld_temporary(const std::string& path) = 0;
  // True when `path` names a folder.
  virtual bool is_directory(const std::string& path) = 0;
  // Creates the folder `path` and any missing parents. True when it is a
  // folder afterwards; otherwise false with the reason in `error`.
  virtual bool make_directories(const std::string& path, std::string* error) = 0;
  // The names (not paths) of the regular files directly inside folder
  // `path`, sorted. Returns false and sets `error` when it cannot be read.
  virtual bool list_files(const std::string& path, std::vector<std::string>* names,
                          std::string* error) = 0;
  // The names of every entry directly inside folder `path`, sorted: files,
  // folders, FIFOs, devices and links alike ("." and ".." left out).
  // Returns false and sets `error` when it cannot be read.
  virtual bool list_entries(const std::string& path, std::vector<std::string>* names,
                            std::string* error) = 0;
  // The size and modification time of what stands at `path` (through a
  // link), or nothing when nothing does or it cannot be looked at.
  virtual std::optional<FileStamp> stamp(const std::string& path) = 0;
  // True when both paths name the same existing file.
  virtual bool same_file(const std::string& a, const std::string& b) = 0;
  // Locks the folder `path` (which exists), waiting up to half a minute for
  // another holder to let go. Returns nullptr and sets `error` when it
  // cannot be had. Where nothing else can reach the folder, the lock is free.
  virtual std::unique_ptr<FolderLock> lock_folder(const std::string& path, std::string* error) {
    (void)path;
    (void)error;
    return std::make_unique<FolderLock>();
  }
};

// The reason a folder lock was not had: another holder kept it.
inline constexpr char kFolderBusyReason[] =
    "Is in use by another run of binario, which did not end within 30 seconds";

// The first of `inputs` that `output` names (the same file, by whatever
// path), or null. A command refuses to write over a file it reads.
const std::string* input_named_by(FileSystem& fs, const std::string& output,
                                  const std::vector<std::string>& inputs);

// Deletes the temporaries of the file layer's own naming in `folder` (see
// temporary_name) that no process holds any more (killed, a power cut).
// Whether a process of the number in the name runs says nothing: it may be
// one of another machine or container sharing the folder, so only the hold
// on the file counts. Failures are ignored: a temporary left is only clutter.
void remove_stale_temporaries(FileSystem& fs, const std::string& folder);

// Replaces `path` with `contents` in one go.
bool write_whole_file(FileSystem& fs, const std::string& path, std::string_view contents,
                      std::string* error);

// Where replacing a set of files together stopped.
struct SetReplaced {
  size_t renamed = 0;  // files put in place, from the first on
  size_t failed = 0;   // the index of the file that failed, when one did
  std::string error;   // the system's reason
};
// Puts every file of `files` (all written) in place as one set: all are
// finished first, then every old file is set aside, and only when both are
// done for every file are they renamed, in order. A file that cannot be
// finished or set aside leaves every old file in place and removes every
// temporary. Only a rename failing after an earlier one succeeded leaves a
// mixed set: `renamed` says how many are new. Interruptions wait until the
// renames are over, so they never split the set.
bool replace_files_together(std::vector<std::unique_ptr<OutputFile>>& files, SetReplaced* result);

// The real disk, one implementation per platform. Replacement writes a
// temporary file in the same directory and renames it over the old name.
// Reasons are the system's text for its error code.
class RealFileSystem : public FileSystem {
 public:
  using FileSystem::read_file;
  bool exists(const std::string& path) override;
  bool missing(const std::string& path) override;
  bool read_file(const std::string& path, const ReadCap& cap, std::string* contents,
                 std::string* error) override;
  std::unique_ptr<OutputFile> replace_file(const std::string& path, std::string* error) override;
  std::unique_ptr<OutputFile> edit_file(const std::string& path, const EditBase& base,
                                        std::string* error) override;
  bool remove_file(const std::string& path, std::string* error) override;
  bool remove_unheld_temporary(const std::string& path) override;
  bool is_directory(const std::string& path) override;
  bool make_directories(const std::string& path, std::string* error) override;
  bool list_files(const std::string& path, std::vector<std::string>* names,
                  std::string* error) override;
  bool list_entries(const std::string& path, std::vector<std::string>* names,
                    std::string* error) override;
  std::optional<FileStamp> stamp(const std::string& path) override;
  bool same_file(const std::string& a, const std::string& b) override;
  std::unique_ptr<FolderLock> lock_folder(const std::string& path, std::string* error) override;
};

// The system's text for its error code (errno on POSIX, GetLastError on
// Windows), as RealFileSystem reports it: no line break, no final period.
std::string system_error_reason(int code);

}  // namespace binario
