// The real disk on POSIX systems: narrow paths (UTF-8) straight to the
// system calls, reasons from strerror.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <system_error>
#include <thread>

#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/temporary_files.h"

namespace binario {

std::string system_error_reason(int code) {
  return std::strerror(code);
}

namespace {

// Whether the file at `path` is still what `base` says was read.
bool still_as_read(const std::string& path, const EditBase& base);

class RealOutputFile : public OutputFile {
 public:
  // `fd` writes the temporary; `hold` is another descriptor of it that keeps
  // its lock until the temporary is renamed or removed.
  RealOutputFile(int fd, int hold, std::string temp, std::string final_path,
                 std::optional<EditBase> base = {})
      : fd_(fd),
        hold_(hold),
        temp_(std::move(temp)),
        final_(std::move(final_path)),
        base_(base),
        entry_(register_temporary(temp_)) {}
  ~RealOutputFile() override {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temp_.c_str());
    if (hold_ >= 0) ::close(hold_);
    unregister_temporary(entry_);
  }

  void write(const void* data, size_t size) override {
    const char* p = static_cast<const char*>(data);
    while (size > 0 && write_errno_ == 0) {
      ssize_t n = ::write(fd_, p, size);
      if (n < 0) {
        if (errno == EINTR) continue;
        write_errno_ = errno;
        break;
      }
      p += n;
      size -= static_cast<size_t>(n);
    }
  }

  bool finish(std::string* error) override {
    if (write_errno_ != 0) return fail(write_errno_, error);
    if (fd_ >= 0) {
      int fd = fd_;
      fd_ = -1;
      if (::close(fd) != 0) {
        write_errno_ = errno;
        return fail(write_errno_, error);
      }
    }
    if (base_ && !still_as_read(final_, *base_)) {
      if (error) *error = kChangedMeanwhileReason;
      return false;
    }
    return true;
  }

  bool commit(std::string* error) override {
    if (!finish(error)) return false;
    if (::rename(temp_.c_str(), final_.c_str()) != 0) return fail(errno, error);
    committed_ = true;
    unregister_temporary(entry_);
    entry_ = -1;
    return true;
  }

 private:
  bool fail(int err, std::string* error) {
    if (error) *error = system_error_reason(err);
    return false;
  }

  int fd_;
  int hold_;
  std::string temp_;
  std::string final_;
  std::optional<EditBase> base_;
  int entry_;
  int write_errno_ = 0;
  bool committed_ = false;
};

// Creates a fresh temporary in `folder` with `mode` and holds it: a shared
// lock on a second descriptor, which a clean-up's exclusive lock cannot get
// while this process may still rename the file. A clean-up that got in
// between the creation and the lock has taken the name away: another is
// tried. Returns false with errno's reason when no temporary can be made.
bool create_held_temporary(const std::string& folder, mode_t mode, std::string* temp, int* fd,
                           int* hold, std::string* error) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string name = temporary_name(folder, ".tmp");
    const int w = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (w < 0) {
      if (errno == EEXIST) continue;
      break;
    }
    const int h = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat by_fd, by_name;
    if (h >= 0 && ::flock(h, LOCK_SH | LOCK_NB) == 0 && ::fstat(h, &by_fd) == 0 &&
        ::stat(name.c_str(), &by_name) == 0 && by_fd.st_dev == by_name.st_dev &&
        by_fd.st_ino == by_name.st_ino) {
      *temp = std::move(name);
      *fd = w;
      *hold = h;
      return true;
    }
    const int code = errno;
    ::close(w);
    if (h >= 0) ::close(h);
    if (h < 0) {
      // Made but not to be held: it goes, and the reason is said.
      ::unlink(name.c_str());
      errno = code;
      break;
    }
  }
  if (error) *error = system_error_reason(errno);
  return false;
}

bool read_failure(int fd, const std::string& reason, std::string* contents, std::string* error) {
  ::close(fd);
  contents->clear();
  if (error) *error = reason;
  return false;
}

}  // namespace

bool RealFileSystem::exists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool RealFileSystem::missing(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

bool RealFileSystem::read_file(const std::string& path, const ReadCap& cap, std::string* contents,
                               std::string* error) {
  // O_NONBLOCK: opening a FIFO nobody writes to returns at once instead of
  // waiting; the type check below then refuses it before any read.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    if (error) *error = system_error_reason(errno);
    return false;
  }
  contents->clear();
  struct stat st;
  if (::fstat(fd, &st) != 0) return read_failure(fd, system_error_reason(errno), contents, error);
  if (S_ISDIR(st.st_mode)) return read_failure(fd, kIsDirectoryReason, contents, error);
  if (!S_ISREG(st.st_mode)) return read_failure(fd, kNotRegularReason, contents, error);
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  if (size > cap.max_bytes) return read_failure(fd, too_large_reason(size, cap), contents, error);
  contents->reserve(static_cast<size_t>(size));
  char buf[1 << 16];
  for (;;) {
    // One byte past the cap is enough to know a growing file went over it.
    const uint64_t room = cap.max_bytes - std::min<uint64_t>(contents->size(), cap.max_bytes);
    const size_t want = room < sizeof buf ? static_cast<size_t>(room) + 1 : sizeof buf;
    ssize_t n = ::read(fd, buf, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      return read_failure(fd, system_error_reason(errno), contents, error);
    }
    if (n == 0) break;
    contents->append(buf, static_cast<size_t>(n));
    if (contents->size() > cap.max_bytes) {
      return read_failure(fd, too_large_reason(contents->size(), cap), contents, error);
    }
  }
  ::close(fd);
  return true;
}

std::unique_ptr<OutputFile> RealFileSystem::replace_file(const std::string& path,
                                                         std::string* error) {
  // Renaming over a device, a FIFO or a socket would put a regular file in
  // its place; over a folder it fails. Either is refused before anything is
  // written. stat follows a symbolic link to what it names.
  struct stat st;
  if (::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
    if (error) *error = S_ISDIR(st.st_mode) ? kIsDirectoryReason : kNotRegularReason;
    return nullptr;
  }
  // An interruption between the temporary's creation and its registration
  // waits for the registration, so that it removes the file.
  const InterruptionsHeld held;
  std::string temp;
  int fd = -1;
  int hold = -1;
  // A new file gets the usual mode: 0666 less the umask.
  if (!create_held_temporary(path_parent(path), 0666, &temp, &fd, &hold, error)) return nullptr;
  return std::make_unique<RealOutputFile>(fd, hold, std::move(temp), path);
}

namespace {

bool still_as_read(const std::string& path, const EditBase& base) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  const FileStamp now{static_cast<uint64_t>(st.st_size),
                      static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
  if (now != base.stamp) return false;
  if (!base.bytes) return true;
  RealFileSystem fs;
  std::string contents, error;
  return fs.read_file(path, ReadCap{base.bytes->size(), "the text read"}, &contents, &error) &&
         contents == *base.bytes;
}

}  // namespace

std::unique_ptr<OutputFile> RealFileSystem::edit_file(const std::string& path, const EditBase& base,
                                                      std::string* error) {
  // The file a symbolic link names is rewritten, beside itself: the link
  // stays a link.
  char* real = ::realpath(path.c_str(), nullptr);
  if (!real) {
    if (error) *error = system_error_reason(errno);
    return nullptr;
  }
  const std::string target = real;
  std::free(real);
  struct stat st;
  if (::stat(target.c_str(), &st) != 0) {
    if (error) *error = system_error_reason(errno);
    return nullptr;
  }
  const char* refusal = S_ISDIR(st.st_mode)            ? kIsDirectoryReason
                        : !S_ISREG(st.st_mode)         ? kNotRegularReason
                        : st.st_nlink > 1              ? kOtherHardLinksReason
                        : !still_as_read(target, base) ? kChangedMeanwhileReason
                                                       : nullptr;
  if (refusal) {
    if (error) *error = refusal;
    return nullptr;
  }
  const InterruptionsHeld held;
  std::string temp;
  int fd = -1;
  int hold = -1;
  if (!create_held_temporary(path_parent(target), 0600, &temp, &fd, &hold, error)) return nullptr;
  auto file = std::make_unique<RealOutputFile>(fd, hold, temp, target, base);
  // The owner first: giving a file away clears its set-id bits, which the
  // mode then puts back. Only the owner may change either, or root.
  if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
    if (error) *error = kOwnerNotKeptReason;
    return nullptr;
  }
  if (::fchmod(fd, st.st_mode & 07777) != 0) {
    if (error) *error = system_error_reason(errno);
    return nullptr;
  }
  return file;
}

bool RealFileSystem::remove_unheld_temporary(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  // Deleted while the lock is had, and only when the name still names the
  // file locked.
  struct stat by_fd, by_name;
  const bool unheld = ::fstat(fd, &by_fd) == 0 && S_ISREG(by_fd.st_mode) &&
                      ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::lstat(path.c_str(), &by_name) == 0 &&
                      by_fd.st_dev == by_name.st_dev && by_fd.st_ino == by_name.st_ino;
  const bool removed = unheld && ::unlink(path.c_str()) == 0;
  ::close(fd);
  return removed;
}

bool RealFileSystem::remove_file(const std::string& path, std::string* error) {
  if (::unlink(path.c_str()) != 0) {
    if (error) *error = system_error_reason(errno);
    return false;
  }
  return true;
}

bool RealFileSystem::is_directory(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RealFileSystem::make_directories(const std::string& path, std::string* error) {
  std::error_code ec;
  std::filesystem::create_directories(path, ec);
  if (is_directory(path)) return true;
  if (error) *error = ec ? ec.message() : system_error_reason(ENOTDIR);
  return false;
}

namespace {

// The names in folder `path`, sorted: regular files only, or every entry.
bool list_folder(const std::string& path, bool every_entry, std::vector<std::string>* names,
                 std::string* error) {
  names->clear();
  std::error_code ec;
  std::filesystem::directory_iterator it(path, ec);
  for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
    std::error_code kind_ec;
    if (every_entry || it->is_regular_file(kind_ec)) {
      names->push_back(it->path().filename().string());
    }
  }
  if (ec) {
    if (error) *error = ec.message();
    names->clear();
    return false;
  }
  std::sort(names->begin(), names->end());
  return true;
}

}  // namespace

bool RealFileSystem::list_files(const std::string& path, std::vector<std::string>* names,
                                std::string* error) {
  return list_folder(path, false, names, error);
}

bool RealFileSystem::list_entries(const std::string& path, std::vector<std::string>* names,
                                  std::string* error) {
  return list_folder(path, true, names, error);
}

std::optional<FileStamp> RealFileSystem::stamp(const std::string& path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileStamp{static_cast<uint64_t>(st.st_size),
                   static_cast<int64_t>(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec};
}

bool RealFileSystem::same_file(const std::string& a, const std::string& b) {
  struct stat sa, sb;
  return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

namespace {

// flock on the folder itself: no file is added to it, and the lock goes with
// the process however it ends.
class PosixFolderLock : public FolderLock {
 public:
  explicit PosixFolderLock(int fd) : fd_(fd) {}
  ~PosixFolderLock() override { ::close(fd_); }

 private:
  int fd_;
};

}  // namespace

std::unique_ptr<FolderLock> RealFileSystem::lock_folder(const std::string& path,
                                                        std::string* error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = system_error_reason(errno);
    return nullptr;
  }
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int code = errno;
    if (code == EINTR) continue;
    if (code != EWOULDBLOCK || std::chrono::steady_clock::now() > until) {
      ::close(fd);
      if (error) *error = code == EWOULDBLOCK ? kFolderBusyReason : system_error_reason(code);
      return nullptr;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return std::make_unique<PosixFolderLock>(fd);
}

}  // namespace binario
