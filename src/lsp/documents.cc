#include "lsp/documents.h"

#include <algorithm>
#include <map>

#include "lsp/text_position.h"
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

// True when the document is open or anything at all stands at its path.
bool is_open_or_on_disk(const std::string& uri, const OpenUris& documents, DiskSeen& disk) {
  return documents.is_open(uri) || disk.stands(uri);
}

// The line descriptions of a folder, open or on disk, by NAME: the ending
// in any letter case, as the command line reads them. Of two with one NAME
// (VALLE_linea.txt and VALLE_LINEA.TXT) the one spelt with the ending as
// written here comes first, then an open one, then the first in name order.
class FolderLines {
 public:
  FolderLines(const std::string& folder, const OpenUris& documents, DiskSeen& disk)
      : folder_(folder), documents_(documents), disk_(disk) {}

  // The URI of the line description of NAME, or nothing.
  std::optional<std::string> find(const std::string& name) {
    // Most folders spell the ending as written here: no listing needed.
    const std::string exact = folder_ + percent_encode(line_text_name(name));
    if (is_open_or_on_disk(exact, documents_, disk_)) return exact;
    if (!listed_) list();
    const auto it = by_name_.find(name);
    if (it == by_name_.end()) return std::nullopt;
    return it->second;
  }

 private:
  void list() {
    listed_ = true;
    const std::string decoded_folder = percent_decode(folder_);
    for (const std::string& open : documents_.uris()) {
      if (percent_decode(folder_of(open)) != decoded_folder) continue;
      if (std::optional<std::string> name = name_from_line_text(percent_decode(base_of(open)))) {
        by_name_.emplace(*name, open);
      }
    }
    for (const std::string& entry : *disk_.entries(folder_)) {
      if (std::optional<std::string> name = name_from_line_text(entry)) {
        by_name_.emplace(*name, folder_ + percent_encode(entry));
      }
    }
  }

  const std::string folder_;
  const OpenUris& documents_;
  DiskSeen& disk_;
  bool listed_ = false;
  std::map<std::string, std::string> by_name_;
};

// NAME and NUM of a train description's decoded base name, split at the
// underscore before NUM, and the URI of that line in `folder`.
struct TrainSplit {
  std::string name;
  std::string number;
  std::string line_uri;
};

// The split of a train whose line is the one open or on disk with the
// longest NAME, else the last underscore's (its line spelt as written here).
TrainSplit train_split(const std::string& folder, const std::string& base, FolderLines& lines) {
  std::optional<TrainSplit> last;
  const std::string_view stem = train_text_stem(base).value_or("");
  for (size_t underscore = stem.rfind('_'); underscore != std::string::npos && underscore > 0;
       underscore = stem.rfind('_', underscore - 1)) {
    std::string name(stem.substr(0, underscore));
    std::optional<std::string> number = number_from_train_text(base, name);
    if (!number) continue;
    if (std::optional<std::string> line = lines.find(name)) {
      return {std::move(name), std::move(*number), std::move(*line)};
    }
    if (!last) last = {name, *number, folder + percent_encode(line_text_name(name))};
  }
  return last.value_or(TrainSplit{});
}

}  // namespace

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

std::string percent_encode(std::string_view name) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : name) {
    const unsigned char b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' ||
        b == '.' || b == '_' || b == '~') {
      out.push_back(c);
    } else {
      out += {'%', kHex[b >> 4], kHex[b & 15]};
    }
  }
  return out;
}

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

std::optional<DescriptionFile> description_file(const std::string& uri) {
  const std::string base = percent_decode(base_of(uri));
  if (name_from_line_text(base)) return DescriptionFile::kLine;
  if (train_text_stem(base)) return DescriptionFile::kTrain;
  return std::nullopt;
}

OpenUris::OpenUris(std::vector<std::string> uris) : uris_(std::move(uris)) {
  for (const std::string& uri : uris_) by_decoded_.emplace(percent_decode(uri), uri);
}

bool OpenUris::is_open(const std::string& uri) const {
  return by_decoded_.count(percent_decode(uri)) != 0;
}

std::optional<std::string> OpenUris::open_uri(const std::string& uri) const {
  const auto it = by_decoded_.find(percent_decode(uri));
  if (it == by_decoded_.end()) return std::nullopt;
  return it->second;
}

std::shared_ptr<const std::vector<std::string>> DiskSeen::entries(const std::string& folder_uri) {
  auto& kept = entries_[percent_decode(folder_uri)];
  if (kept) return kept;
  auto names = std::make_shared<std::vector<std::string>>();
  std::optional<std::string> dir = uri_to_path(folder_uri);
  if (dir) {
    if (dir->size() > 1 && dir->back() == '/') dir->pop_back();
    std::string error;
    if (!fs_->list_entries(dir->empty() ? "." : *dir, names.get(), &error)) names->clear();
  }
  kept = std::move(names);
  return kept;
}

bool DiskSeen::stands(const std::string& uri) {
  const std::string key = percent_decode(uri);
  const auto kept = stands_.find(key);
  if (kept != stands_.end()) return kept->second;
  const std::optional<std::string> path = uri_to_path(uri);
  const bool there = path && !fs_->missing(*path);
  stands_.emplace(key, there);
  return there;
}

void DiskSeen::forget_folder_of(const std::string& uri) {
  const std::string folder = percent_decode(folder_of(uri));
  entries_.erase(folder);
  // The paths right inside the folder, not those of its subfolders.
  for (auto it = stands_.lower_bound(folder);
       it != stands_.end() && it->first.compare(0, folder.size(), folder) == 0;) {
    if (it->first.find('/', folder.size()) == std::string::npos) {
      it = stands_.erase(it);
    } else {
      ++it;
    }
  }
}

void DiskSeen::add(const DiskSeen& other) {
  entries_.insert(other.entries_.begin(), other.entries_.end());
  stands_.insert(other.stands_.begin(), other.stands_.end());
}

void DocumentStore::open(const std::string& uri, std::string text) {
  auto shared = std::make_shared<const std::string>(std::move(text));
  documents_.insert_or_assign(percent_decode(uri),
                              Open{uri, EditableText(*shared), ++last_revision_, shared});
}

void DocumentStore::change(const std::string& uri, std::string text) {
  auto it = documents_.find(percent_decode(uri));
  if (it == documents_.end()) return;
  auto shared = std::make_shared<const std::string>(std::move(text));
  it->second.lines = EditableText(*shared);
  it->second.text = std::move(shared);
  it->second.revision = ++last_revision_;
}

void DocumentStore::edit(const std::string& uri, TextPlace start, TextPlace end,
                         std::string_view text) {
  auto it = documents_.find(percent_decode(uri));
  if (it == documents_.end()) return;
  it->second.lines.replace(start, end, text);
  it->second.text.reset();
  it->second.revision = ++last_revision_;
}

void DocumentStore::close(const std::string& uri) {
  documents_.erase(percent_decode(uri));
}

bool DocumentStore::is_open(const std::string& uri) const {
  return documents_.count(percent_decode(uri)) != 0;
}

std::shared_ptr<const std::string> DocumentStore::text(const std::string& uri) const {
  auto it = documents_.find(percent_decode(uri));
  if (it == documents_.end()) return nullptr;
  if (!it->second.text)
    it->second.text = std::make_shared<const std::string>(it->second.lines.str());
  return it->second.text;
}

std::optional<std::string> DocumentStore::open_uri(const std::string& uri) const {
  auto it = documents_.find(percent_decode(uri));
  if (it == documents_.end()) return std::nullopt;
  return it->second.uri;
}

uint64_t DocumentStore::revision(const std::string& uri) const {
  auto it = documents_.find(percent_decode(uri));
  return it == documents_.end() ? 0 : it->second.revision;
}

std::vector<std::string> DocumentStore::uris() const {
  std::vector<std::string> out;
  for (const auto& [key, document] : documents_) out.push_back(document.uri);
  return out;
}

std::optional<LineOf> line_of_document(const std::string& uri, const OpenUris& documents,
                                       DiskSeen& disk) {
  const std::string base = percent_decode(base_of(uri));
  const std::optional<DescriptionFile> file = description_file(uri);
  if (!file) return std::nullopt;
  if (*file == DescriptionFile::kLine) {
    return LineOf{documents.open_uri(uri).value_or(uri), *name_from_line_text(base), ""};
  }
  FolderLines lines(folder_of(uri), documents, disk);
  const TrainSplit split = train_split(folder_of(uri), base, lines);
  return LineOf{documents.open_uri(split.line_uri).value_or(split.line_uri), split.name,
                split.number};
}

LineGroup line_group(const std::string& line_uri, const OpenUris& documents, DiskSeen& disk) {
  LineGroup group;
  group.line_uri = documents.open_uri(line_uri).value_or(line_uri);
  const std::string folder = folder_of(group.line_uri);
  group.name = name_from_line_text(percent_decode(base_of(group.line_uri))).value_or("");
  const std::string decoded_line = percent_decode(group.line_uri);
  std::vector<std::string> candidates;  // URIs of trains beside the line
  for (const std::string& open : documents.uris()) {
    if (percent_decode(folder_of(open)) == percent_decode(folder)) candidates.push_back(open);
  }
  // Disk names are plain; the folder's URI spelling is kept.
  for (const std::string& name : *disk.entries(folder)) {
    const std::string uri = folder + percent_encode(name);
    if (!documents.is_open(uri)) candidates.push_back(uri);
  }
  FolderLines lines(folder, documents, disk);
  for (const std::string& uri : candidates) {
    if (description_file(uri) != DescriptionFile::kTrain) continue;
    const TrainSplit split = train_split(folder, percent_decode(base_of(uri)), lines);
    if (percent_decode(split.line_uri) == decoded_line) {
      group.trains.push_back({uri, split.number});
    }
  }
  std::sort(group.trains.begin(), group.trains.end(),
            [](const LineGroup::Train& a, const LineGroup::Train& b) {
              return percent_decode(a.uri) < percent_decode(b.uri);
            });
  return group;
}

}  // namespace binario
