// A file held as a process holds the temporary it is writing: a shared lock
// on POSIX, an open handle on Windows. The file layer's clean-up leaves a
// held temporary alone, whatever process number its name gives, so a test
// stands for a live process of another container or machine with one.
#pragma once

#include <filesystem>
#include <string>

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace binario::test {

class HeldFile {
 public:
  explicit HeldFile(const std::filesystem::path& path) {
#ifdef _WIN32
    in_.open(path, std::ios::binary);
#else
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ >= 0) ::flock(fd_, LOCK_SH);
#endif
  }
#ifndef _WIN32
  ~HeldFile() {
    if (fd_ >= 0) ::close(fd_);
  }
#endif
  HeldFile(const HeldFile&) = delete;
  HeldFile& operator=(const HeldFile&) = delete;

 private:
#ifdef _WIN32
  std::ifstream in_;
#else
  int fd_ = -1;
#endif
};

}  // namespace binario::test
