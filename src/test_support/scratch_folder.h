// A fresh folder under the system's temporary folder for one test, removed
// with everything in it when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <system_error>

namespace binario::test {

class ScratchFolder {
 public:
  // `label` goes into the folder's name, to tell whose folder it is.
  explicit ScratchFolder(const std::string& label = "binario") {
    std::random_device seed;
    std::mt19937_64 random(seed());
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      // Built from UTF-8, so a label with any character names the same folder
      // on every system.
      const std::string name = label + "-" + std::to_string(random());
      std::filesystem::path candidate = base / std::u8string(name.begin(), name.end());
      std::error_code ec;
      if (std::filesystem::create_directory(candidate, ec) && !ec) {
        path_ = candidate;
        return;
      }
    }
    ADD_FAILURE() << "cannot make a scratch folder under " << base;
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace binario::test
