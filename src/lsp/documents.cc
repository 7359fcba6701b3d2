#include "lsp/documents.h"

#include <string_view>

#include "output/file_naming.h"

namespace binario {
namespace {

std::string folder_of(const std::string& uri) {
  return uri.substr(0, uri.rfind('/') + 1);
}
std::string base_of(const std::string& uri) {
  return uri.substr(uri.rfind('/') + 1);
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string percent_decode(std::string_view s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size() && hex_value(s[i + 1]) >= 0 && hex_value(s[i + 2]) >= 0) {
      out.push_back(static_cast<char>(hex_value(s[i + 1]) * 16 + hex_value(s[i + 2])));
      i += 2;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

// The base names of the files in the folder of `folder_uri` on disk.
std::vector<std::string> files_beside(const std::string& folder_uri, FileSystem& fs) {
  std::vector<std::string> names;
  std::optional<std::string> dir = uri_to_path(folder_uri);
  if (!dir) return names;
  if (dir->size() > 1 && dir->back() == '/') dir->pop_back();
  std::string error;
  if (!fs.list_files(dir->empty() ? "." : *dir, &names, &error)) names.clear();
  return names;
}

bool is_open_or_on_disk(const std::string& uri, const DocumentStore& documents, FileSystem& fs) {
  if (documents.text(uri)) return true;
  std::optional<std::string> path = uri_to_path(uri);
  return path && fs.exists(*path);
}

}  // namespace

std::optional<std::string> uri_to_path(const std::string& uri) {
  constexpr std::string_view scheme = "file://";
  if (uri.compare(0, scheme.size(), scheme) != 0) return std::nullopt;
  std::string path = percent_decode(std::string_view(uri).substr(scheme.size()));
  // "localhost/x" or "/x": the host is dropped.
  const size_t slash = path.find('/');
  if (slash == std::string::npos) return std::nullopt;
  path.erase(0, slash);
  // A drive letter: "/c:/x" is "c:/x".
  if (path.size() >= 3 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
  return path;
}

DocumentKind document_kind(const std::string& uri) {
  const std::string base = percent_decode(base_of(uri));
  if (name_from_line_text(base)) return DocumentKind::kLine;
  if (train_text_stem(base)) return DocumentKind::kTrain;
  return DocumentKind::kOther;
}

const std::string* DocumentStore::text(const std::string& uri) const {
  auto it = texts_.find(uri);
  return it == texts_.end() ? nullptr : &it->second;
}

std::vector<std::string> DocumentStore::uris() const {
  std::vector<std::string> out;
  for (const auto& [uri, text] : texts_) out.push_back(uri);
  return out;
}

std::optional<DocumentPair> find_pair(const std::string& uri, const DocumentStore& documents,
                                      FileSystem& fs) {
  const std::string folder = folder_of(uri);
  const std::string base = base_of(uri);
  const DocumentKind kind = document_kind(uri);
  if (kind == DocumentKind::kOther) return std::nullopt;
  DocumentPair pair;
  if (kind == DocumentKind::kLine) {
    pair.line_uri = uri;
    const std::string line_name = name_from_line_text(base).value_or("");
    pair.name = percent_decode(line_name);
    auto take = [&](const std::string& train_base) {
      if (!pair.train_uri.empty()) return;
      const std::optional<std::string> number = number_from_train_text(train_base, line_name);
      if (!number) return;
      pair.train_uri = folder + train_base;
      pair.number = percent_decode(*number);
    };
    for (const std::string& open : documents.uris()) {
      if (folder_of(open) == folder) take(base_of(open));
    }
    // Disk names are plain; the folder's URI spelling is kept.
    for (const std::string& name : files_beside(folder, fs)) take(name);
    return pair;
  }
  pair.train_uri = uri;
  const std::string stem(train_text_stem(base).value_or(""));
  for (size_t underscore = stem.rfind('_'); underscore != std::string::npos && underscore > 0;
       underscore = stem.rfind('_', underscore - 1)) {
    const std::string line_uri = folder + line_text_name(stem.substr(0, underscore));
    if (pair.line_uri.empty() || is_open_or_on_disk(line_uri, documents, fs)) {
      pair.line_uri = line_uri;
      pair.name = percent_decode(stem.substr(0, underscore));
      pair.number = percent_decode(stem.substr(underscore + 1));
      if (is_open_or_on_disk(line_uri, documents, fs)) break;
    }
  }
  return pair;
}

}  // namespace binario
