#include "platform/file_system.h"

#include "platform/paths.h"

namespace binario {

bool write_whole_file(FileSystem& fs, const std::string& path, std::string_view contents,
                      std::string* error) {
  auto out = fs.replace_file(path, error);
  if (!out) return false;
  out->write(contents);
  return out->commit(error);
}

namespace {

class MemoryOutputFile : public OutputFile {
 public:
  MemoryOutputFile(MemoryFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
  void write(const void* data, size_t size) override {
    if (fs_.fail_write.count(path_)) {
      failed_ = true;
      return;
    }
    buffer_.append(static_cast<const char*>(data), size);
  }
  bool commit(std::string* error) override {
    if (failed_) {
      if (error) *error = "No space left on device";
      return false;
    }
    if (fs_.fail_commit.count(path_)) {
      if (error) *error = "Permission denied";
      return false;
    }
    fs_.files[path_] = std::move(buffer_);
    return true;
  }

 private:
  MemoryFileSystem& fs_;
  std::string path_;
  std::string buffer_;
  bool failed_ = false;
};

}  // namespace

bool MemoryFileSystem::exists(const std::string& path) {
  return files.count(path) > 0;
}

bool MemoryFileSystem::read_file(const std::string& path, std::string* contents,
                                 std::string* error) {
  auto it = files.find(path);
  if (it == files.end() || fail_read.count(path)) {
    if (error) *error = it == files.end() ? "No such file or directory" : "Input/output error";
    return false;
  }
  *contents = it->second;
  return true;
}

std::unique_ptr<OutputFile> MemoryFileSystem::replace_file(const std::string& path,
                                                           std::string* error) {
  if (fail_create.count(path)) {
    if (error) *error = "Permission denied";
    return nullptr;
  }
  return std::make_unique<MemoryOutputFile>(*this, path);
}

bool MemoryFileSystem::remove_file(const std::string& path, std::string* error) {
  if (fail_remove.count(path) || !files.count(path)) {
    if (error) *error = files.count(path) ? "Permission denied" : "No such file or directory";
    return false;
  }
  files.erase(path);
  return true;
}

bool MemoryFileSystem::is_directory(const std::string& path) {
  return directories.count(path) > 0;
}

bool MemoryFileSystem::make_directories(const std::string& path, std::string* error) {
  if (files.count(path)) {
    if (error) *error = "Not a directory";
    return false;
  }
  directories.insert(path);
  return true;
}

bool MemoryFileSystem::list_files(const std::string& path, std::vector<std::string>* names,
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

bool MemoryFileSystem::same_file(const std::string& a, const std::string& b) {
  return a == b && files.count(a) > 0;
}

}  // namespace binario
