#include "lsp/partner_watch.h"

#include "output/file_naming.h"

namespace binario {

bool can_register_file_watching(const nlohmann::json& initialize_params) {
  const nlohmann::json* at = &initialize_params;
  for (const char* key : {"capabilities", "workspace", "didChangeWatchedFiles"}) {
    if (!at->is_object() || !at->contains(key)) return false;
    at = &(*at)[key];
  }
  const auto allowed = at->is_object() ? at->find("dynamicRegistration") : at->end();
  return at->is_object() && allowed != at->end() && allowed->is_boolean() && allowed->get<bool>();
}

lsp::Registration file_watching_registration() {
  std::vector<std::string> watchers;
  for (const std::string_view ending : {line_text_ending(), train_text_ending()}) {
    // The ending in any letter case: "[lL]" for each letter.
    std::string pattern = "**/*";
    for (const char c : ending) {
      const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
      if (upper == c) {
        pattern += c;
      } else {
        pattern += {'[', c, upper, ']'};
      }
    }
    watchers.push_back(pattern);
  }
  return {"binario-descriptions", "workspace/didChangeWatchedFiles", std::move(watchers)};
}

void DiskPartners::record(const std::string& key, const std::string& folder,
                          const std::vector<std::string>& paths, FileSystem& fs) {
  std::map<std::string, std::optional<FileStamp>>& stamps = stamps_[key];
  stamps.clear();
  stamps[folder] = fs.stamp(folder);
  for (const std::string& path : paths) stamps[path] = fs.stamp(path);
}

void DiskPartners::forget(const std::string& key) {
  stamps_.erase(key);
}

std::vector<std::string> DiskPartners::changed(FileSystem& fs) const {
  std::vector<std::string> keys;
  for (const auto& [key, stamps] : stamps_) {
    for (const auto& [path, stamp] : stamps) {
      if (fs.stamp(path) != stamp) {
        keys.push_back(key);
        break;
      }
    }
  }
  return keys;
}

}  // namespace binario
