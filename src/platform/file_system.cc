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

}  // namespace binario
