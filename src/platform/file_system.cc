#include "platform/file_system.h"

#include <algorithm>
#include <atomic>
#include <charconv>

#include "platform/paths.h"
#include "platform/process.h"
#include "platform/temporary_files.h"

namespace binario {

namespace {

constexpr std::string_view kTemporaryPrefix = "~binario-";
constexpr std::string_view kTemporaryExtension = ".tmp";

// A decimal number without sign or leading zero, as the names are written.
std::optional<unsigned long> decimal(std::string_view digits) {
  unsigned long value = 0;
  if (digits.empty() || (digits.size() > 1 && digits[0] == '0')) return std::nullopt;
  const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

}  // namespace

std::string temporary_name(const std::string& folder, const char* extension) {
  static std::atomic<unsigned long> counter{0};
  return join_path(folder, std::string(kTemporaryPrefix) + std::to_string(current_process_id()) +
                               "-" + std::to_string(counter++) + extension);
}

std::optional<unsigned long> temporary_owner(std::string_view name) {
  if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporaryExtension))
    return std::nullopt;
  name.remove_prefix(kTemporaryPrefix.size());
  name.remove_suffix(kTemporaryExtension.size());
  const size_t dash = name.find('-');
  if (dash == std::string_view::npos || !decimal(name.substr(dash + 1))) return std::nullopt;
  // No process has the number 0: such a name was not made by this layer.
  const std::optional<unsigned long> owner = decimal(name.substr(0, dash));
  if (owner == 0ul) return std::nullopt;
  return owner;
}

void remove_stale_temporaries(FileSystem& fs, const std::string& folder) {
  std::vector<std::string> names;
  std::string error;
  if (!fs.list_files(folder, &names, &error)) return;
  for (const std::string& name : names) {
    if (temporary_owner(name)) fs.remove_unheld_temporary(join_path(folder, name));
  }
}

bool write_whole_file(FileSystem& fs, const std::string& path, std::string_view contents,
                      std::string* error) {
  auto out = fs.replace_file(path, error);
  if (!out) return false;
  out->write(contents);
  return out->commit(error);
}

const std::string* input_named_by(FileSystem& fs, const std::string& output,
                                  const std::vector<std::string>& inputs) {
  for (const std::string& input : inputs) {
    if (!input.empty() && fs.same_file(output, input)) return &input;
  }
  return nullptr;
}

namespace {

std::string size_in_words(uint64_t bytes) {
  constexpr uint64_t kMiB = 1024 * 1024;
  if (bytes > 0 && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  if (bytes >= 1'000'000) return std::to_string(bytes / 1'000'000) + " MB";
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

}  // namespace

std::string too_large_reason(uint64_t size, const ReadCap& cap) {
  // The cap is said exactly; the size only as closely as a reader needs.
  std::string cap_words = size_in_words(cap.max_bytes);
  if (cap_words.ends_with(" MB")) cap_words = std::to_string(cap.max_bytes) + " bytes";
  return "Is " + size_in_words(size) + ", more than the " + cap_words + " " + cap.what +
         " may have";
}

bool replace_files_together(std::vector<std::unique_ptr<OutputFile>>& files, SetReplaced* result) {
  *result = SetReplaced{};
  for (size_t i = 0; i < files.size(); ++i) {
    if (!files[i]->finish(&result->error)) {
      result->failed = i;
      files.clear();  // removes every temporary; the old files stay
      return false;
    }
  }
  const InterruptionsHeld held;
  for (size_t i = 0; i < files.size(); ++i) {
    if (!files[i]->set_old_file_aside(&result->error)) {
      result->failed = i;
      files.clear();  // puts back the old files set aside so far
      return false;
    }
  }
  for (size_t i = 0; i < files.size(); ++i) {
    if (!files[i]->commit(&result->error)) {
      result->failed = i;
      files.clear();
      return false;
    }
    ++result->renamed;
  }
  files.clear();
  return true;
}

namespace {

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

}  // namespace

bool MemoryFileSystem::exists(const std::string& path) {
  return files.count(path) > 0;
}

bool MemoryFileSystem::missing(const std::string& path) {
  return !files.count(path) && !directories.count(path) && !others.count(path);
}

bool MemoryFileSystem::read_file(const std::string& path, const ReadCap& cap, std::string* contents,
                                 std::string* error) {
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

std::unique_ptr<OutputFile> MemoryFileSystem::replace_file(const std::string& path,
                                                           std::string* error) {
  if (directories.count(path) || others.count(path)) {
    if (error) *error = directories.count(path) ? kIsDirectoryReason : kNotRegularReason;
    return nullptr;
  }
  if (fail_create.count(path)) {
    if (error) *error = "Permission denied";
    return nullptr;
  }
  return std::make_unique<MemoryOutputFile>(*this, path);
}

std::unique_ptr<OutputFile> MemoryFileSystem::edit_file(const std::string& path,
                                                        const EditBase& base, std::string* error) {
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
  return std::make_unique<MemoryOutputFile>(*this, target, base);
}

bool MemoryFileSystem::remove_unheld_temporary(const std::string& path) {
  if (held.count(path)) return false;
  return remove_file(path, nullptr);
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

bool MemoryFileSystem::list_entries(const std::string& path, std::vector<std::string>* names,
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

std::optional<FileStamp> MemoryFileSystem::stamp(const std::string& path) {
  if (missing(path)) return std::nullopt;
  auto file = files.find(path);
  auto time = modified.find(path);
  return FileStamp{file == files.end() ? 0 : file->second.size(),
                   time == modified.end() ? 0 : time->second};
}

bool MemoryFileSystem::same_file(const std::string& a, const std::string& b) {
  return a == b && files.count(a) > 0;
}

}  // namespace binario
