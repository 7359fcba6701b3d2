// Files held in memory, for tests: the FileSystem a test hands the code it
// tests, with failures injected per path.
#pragma once

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_system.h"
#include "platform/paths.h"

namespace binario {

class MemoryFileSystem : public FileSystem {
 public:
  std::map<std::string, std::string> files;
  std::set<std::string> directories;    // folders that exist (made or listed)
  std::set<std::string> fail_read;      // read_file fails
  std::set<std::string> fail_create;    // replace_file fails at once
  std::set<std::string> fail_write;     // writes fail, reported at commit
  std::set<std::string> fail_commit;    // the final rename fails
  std::set<std::string> held_open;      // held by another program: cannot be set aside
  std::set<std::string> fail_remove;    // remove_file fails
  std::set<std::string> others;         // paths holding something not a file (a FIFO, a device)
  std::set<std::string> held;           // temporaries a process holds
  std::set<std::string> hard_linked;    // files with other hard links
  std::set<std::string> foreign_owner;  // files whose owner a rewrite cannot keep

  // The modification times stamp() reports (0 for a path not listed).
  std::map<std::string, int64_t> modified;

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
};

namespace memory_file_system_detail {

class MemoryOutputFile : public OutputFile {
 public:
  MemoryOutputFile(MemoryFileSystem& fs, std::string path, std::optional<EditBase> base = {})
      : fs_(fs), path_(std::move(path)), base_(base) {}
  void write(const void* data, size_t size) override {
    if (fs_.fail_write.count(path_)) {
      failed_ = true;
      return;
    }
    buffer_.append(static_cast<const char*>(data), size);
  }
  bool finish(std::string* error) override {
    if (failed_) {
      if (error) *error = "No space left on device";
      return false;
    }
    if (base_ && !still_as_read()) {
      if (error) *error = kChangedMeanwhileReason;
      return false;
    }
    return true;
  }
  bool set_old_file_aside(std::string* error) override {
    if (!fs_.held_open.count(path_)) return true;
    if (error) *error = kHeldOpenReason;
    return false;
  }
  bool commit(std::string* error) override {
    if (!finish(error)) return false;
    if (fs_.fail_commit.count(path_)) {
      if (error) *error = "Permission denied";
      return false;
    }
    fs_.files[path_] = std::move(buffer_);
    return true;
  }

 private:
  bool still_as_read() const {
    auto it = fs_.files.find(path_);
    if (it == fs_.files.end() || fs_.stamp(path_) != base_->stamp) return false;
    return !base_->bytes || it->second == *base_->bytes;
  }

  MemoryFileSystem& fs_;
  std::string path_;
  std::optional<EditBase> base_;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace memory_file_system_detail

inline bool MemoryFileSystem::exists(const std::string& path) {
  return files.count(path) > 0;
}

inline bool MemoryFileSystem::missing(const std::string& path) {
  return !files.count(path) && !directories.count(path) && !others.count(path);
}

inline bool MemoryFileSystem::read_file(const std::string& path, const ReadCap& cap,
                                        std::string* contents, std::string* error) {
  if (directories.count(path) || others.count(path)) {
    if (error) *error = directories.count(path) ? kIsDirectoryReason : kNotRegularReason;
    return false;
  }
  auto it = files.find(path);
  if (it != files.end() && it->second.size() > cap.max_bytes) {
    if (error) *error = too_large_reason(it->second.size(), cap);
    return false;
  }
  if (it == files.end() || fail_read.count(path)) {
    if (error) *error = it == files.end() ? "No such file or directory" : "Input/output error";
    return false;
  }
  *contents = it->second;
  return true;
}

inline std::unique_ptr<OutputFile> MemoryFileSystem::replace_file(const std::string& path,
                                                                  std::string* error) {
  if (directories.count(path) || others.count(path)) {
    if (error) *error = directories.count(path) ? kIsDirectoryReason : kNotRegularReason;
    return nullptr;
  }
  if (fail_create.count(path)) {
    if (error) *error = "Permission denied";
    return nullptr;
  }
  return std::make_unique<memory_file_system_detail::MemoryOutputFile>(*this, path);
}

inline std::unique_ptr<OutputFile> MemoryFileSystem::edit_file(const std::string& path,
                                                               const EditBase& base,
                                                               std::string* error) {
  const std::string& target = path;
  const char* refusal = !files.count(target)          ? "No such file or directory"
                        : hard_linked.count(target)   ? kOtherHardLinksReason
                        : foreign_owner.count(target) ? kOwnerNotKeptReason
                                                      : nullptr;
  if (refusal) {
    if (error) *error = refusal;
    return nullptr;
  }
  if (fail_create.count(target)) {
    if (error) *error = "Permission denied";
    return nullptr;
  }
  return std::make_unique<memory_file_system_detail::MemoryOutputFile>(*this, target, base);
}

inline bool MemoryFileSystem::remove_unheld_temporary(const std::string& path) {
  if (held.count(path)) return false;
  return remove_file(path, nullptr);
}

inline bool MemoryFileSystem::remove_file(const std::string& path, std::string* error) {
  if (fail_remove.count(path) || !files.count(path)) {
    if (error) *error = files.count(path) ? "Permission denied" : "No such file or directory";
    return false;
  }
  files.erase(path);
  return true;
}

inline bool MemoryFileSystem::is_directory(const std::string& path) {
  return directories.count(path) > 0;
}

inline bool MemoryFileSystem::make_directories(const std::string& path, std::string* error) {
  if (files.count(path)) {
    if (error) *error = "Not a directory";
    return false;
  }
  directories.insert(path);
  return true;
}

inline bool MemoryFileSystem::list_files(const std::string& path, std::vector<std::string>* names,
                                         std::string* error) {
  names->clear();
  if (!directories.count(path)) {
    if (error) *error = "No such file or directory";
    return false;
  }
  for (const auto& [file, contents] : files) {
    if (path_parent(file) == path) names->push_back(path_file_name(file));
  }
  return true;  // std::map keeps them sorted
}

inline bool MemoryFileSystem::list_entries(const std::string& path, std::vector<std::string>* names,
                                           std::string* error) {
  if (!list_files(path, names, error)) return false;
  for (const std::set<std::string>* kind : {&directories, &others}) {
    for (const std::string& entry : *kind) {
      if (entry != path && path_parent(entry) == path) names->push_back(path_file_name(entry));
    }
  }
  std::sort(names->begin(), names->end());
  return true;
}

inline std::optional<FileStamp> MemoryFileSystem::stamp(const std::string& path) {
  if (missing(path)) return std::nullopt;
  auto file = files.find(path);
  auto time = modified.find(path);
  return FileStamp{file == files.end() ? 0 : file->second.size(),
                   time == modified.end() ? 0 : time->second};
}

inline bool MemoryFileSystem::same_file(const std::string& a, const std::string& b) {
  return a == b && files.count(a) > 0;
}

}  // namespace binario
