// A disk that fills up while a file is written, for the tests of what a run
// does when the system refuses a write part way through.
//
// On POSIX the kernel refuses: a cap on the size of any file this process
// writes (RLIMIT_FSIZE), with SIGXFSZ ignored so the write fails with EFBIG.
// Windows has no such cap, so there the real disk is wrapped: each output
// file takes `bytes` bytes and then fails with ERROR_DISK_FULL at commit,
// without committing the real file under it, so the real layer's own
// clean-up (the abandoned temporary removed, the previous file kept) is what
// the test sees.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/resource.h>

#include <cerrno>
#include <csignal>
#endif

namespace binario::test {

#ifdef _WIN32

class FullDisk : public FileSystem {
 public:
  FullDisk(FileSystem& real, size_t bytes) : real_(real), bytes_(bytes) {}
  FileSystem& fs() { return *this; }
  // What a write past the cap is refused with.
  static std::string reason() { return system_error_reason(ERROR_DISK_FULL); }

  using FileSystem::read_file;
  bool exists(const std::string& path) override { return real_.exists(path); }
  bool missing(const std::string& path) override { return real_.missing(path); }
  bool read_file(const std::string& path, const ReadCap& cap, std::string* contents,
                 std::string* error) override {
    return real_.read_file(path, cap, contents, error);
  }
  std::unique_ptr<OutputFile> replace_file(const std::string& path, std::string* error) override {
    std::unique_ptr<OutputFile> real = real_.replace_file(path, error);
    if (real == nullptr) return nullptr;
    return std::make_unique<Filling>(std::move(real), bytes_);
  }
  std::unique_ptr<OutputFile> edit_file(const std::string& path, const EditBase& base,
                                        std::string* error) override {
    std::unique_ptr<OutputFile> real = real_.edit_file(path, base, error);
    if (real == nullptr) return nullptr;
    return std::make_unique<Filling>(std::move(real), bytes_);
  }
  bool remove_file(const std::string& path, std::string* error) override {
    return real_.remove_file(path, error);
  }
  bool remove_unheld_temporary(const std::string& path) override {
    return real_.remove_unheld_temporary(path);
  }
  bool is_directory(const std::string& path) override { return real_.is_directory(path); }
  bool make_directories(const std::string& path, std::string* error) override {
    return real_.make_directories(path, error);
  }
  bool list_files(const std::string& path, std::vector<std::string>* names,
                  std::string* error) override {
    return real_.list_files(path, names, error);
  }
  bool list_entries(const std::string& path, std::vector<std::string>* names,
                    std::string* error) override {
    return real_.list_entries(path, names, error);
  }
  std::optional<FileStamp> stamp(const std::string& path) override { return real_.stamp(path); }
  bool same_file(const std::string& a, const std::string& b) override {
    return real_.same_file(a, b);
  }

 private:
  // Passes writes through until the disk is full; after that nothing more
  // reaches the real file, and the commit fails.
  class Filling : public OutputFile {
   public:
    Filling(std::unique_ptr<OutputFile> real, size_t room) : real_(std::move(real)), room_(room) {}
    void write(const void* data, size_t size) override {
      if (full_) return;
      if (size > room_) {
        real_->write(data, room_);
        full_ = true;
        return;
      }
      real_->write(data, size);
      room_ -= size;
    }
    bool finish(std::string* error) override {
      if (!full_) return real_->finish(error);
      if (error) *error = reason();
      real_.reset();  // never committed: the real layer removes its temporary
      return false;
    }
    bool commit(std::string* error) override {
      if (!full_) return real_->commit(error);
      if (error) *error = reason();
      real_.reset();  // never committed: the real layer removes its temporary
      return false;
    }

   private:
    std::unique_ptr<OutputFile> real_;
    size_t room_;
    bool full_ = false;
  };

  FileSystem& real_;
  size_t bytes_;
};

#else

class FullDisk {
 public:
  FullDisk(FileSystem& real, size_t bytes) : real_(real) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit capped = saved_;
    capped.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &capped);
    previous_handler_ = std::signal(SIGXFSZ, SIG_IGN);
  }
  ~FullDisk() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, previous_handler_);
  }
  FullDisk(const FullDisk&) = delete;
  FullDisk& operator=(const FullDisk&) = delete;

  FileSystem& fs() { return real_; }
  // What a write past the cap is refused with.
  static std::string reason() { return system_error_reason(EFBIG); }

 private:
  FileSystem& real_;
  rlimit saved_{};
  void (*previous_handler_)(int) = nullptr;
};

#endif

}  // namespace binario::test
