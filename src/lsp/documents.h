// The descriptions open in the editor, by URI, and how descriptions find
// each other: NAME_linea.txt with every NAME_NUM-.txt in the same folder,
// the endings in any letter case (VALLE_LINEA.TXT with VALLE_42-.TXT), by
// the naming rule of output/file_naming.h that the command line follows.
// Names are compared decoded: "file:///d/Citt%C3%A0_linea.txt" is the line
// of "Città_1-.txt" on disk.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/records.h"
#include "lsp/editable_text.h"
#include "platform/file_system.h"

namespace binario {

// The local path of a file: URI (percent escapes decoded; "/c:/x" becomes
// "c:/x"), or nothing for another scheme.
std::optional<std::string> uri_to_path(const std::string& uri);

// `s` with %XX escapes decoded.
std::string percent_decode(std::string_view s);
// A file name as a URI path segment: every byte but letters, digits and
// "-._~" escaped.
std::string percent_encode(std::string_view name);

// Which description a URI names by the naming rule, or none.
std::optional<DescriptionFile> description_file(const std::string& uri);

// The URIs of the open documents as the editor spelt them: what working out
// the pairing needs of the store, taken while the store is locked and read
// once it is not (listing a folder on disk takes a while).
class OpenUris {
 public:
  OpenUris() = default;
  explicit OpenUris(std::vector<std::string> uris);
  bool is_open(const std::string& uri) const;
  // The URI as the editor spelt it, or nothing.
  std::optional<std::string> open_uri(const std::string& uri) const;
  const std::vector<std::string>& uris() const { return uris_; }

 private:
  std::vector<std::string> uris_;
  std::map<std::string, std::string> by_decoded_;
};

// What the pairing has looked at on disk: whether anything stands at a
// description's path, and what a folder holds. A look not made yet is made
// and kept; what was kept of a folder is forgotten when the folder is said
// to have changed, and looked at again when next asked for. Folders and
// paths are named by their decoded URIs.
class DiskSeen {
 public:
  explicit DiskSeen(FileSystem& fs) : fs_(&fs) {}
  // The names of every entry in the folder `folder_uri` (ending in '/'):
  // none when it cannot be listed. A folder or a FIFO named like a
  // description is a description the compile cannot read, as it is for the
  // command line, not something to pass over.
  std::shared_ptr<const std::vector<std::string>> entries(const std::string& folder_uri);
  // True when anything at all stands at the path of the file: URI `uri`.
  bool stands(const std::string& uri);
  // Forgets what was seen in the folder `uri` is in.
  void forget_folder_of(const std::string& uri);
  // Adds what `other` saw and this has not.
  void add(const DiskSeen& other);

 private:
  FileSystem* fs_;
  std::map<std::string, std::shared_ptr<const std::vector<std::string>>> entries_;
  std::map<std::string, bool> stands_;
};

// The open documents: UTF-8 text as the editor holds it. A document is
// found by any spelling of its URI that decodes to the same text. Edits
// change its lines (editable_text.h); the whole text is put together once
// it is asked for, and shared until the next edit.
class DocumentStore {
 public:
  void open(const std::string& uri, std::string text);
  void change(const std::string& uri, std::string text);
  // Replaces the text from `start` to `end` (swapped when `end` comes
  // first; clamped to the text) with `text`. Nothing when not open.
  void edit(const std::string& uri, TextPlace start, TextPlace end, std::string_view text);
  void close(const std::string& uri);
  bool is_open(const std::string& uri) const;
  // The text as it stands now, unchanged by later edits; null when not open.
  std::shared_ptr<const std::string> text(const std::string& uri) const;
  // The URI as the editor spelt it when it opened the document, or nothing.
  std::optional<std::string> open_uri(const std::string& uri) const;
  std::vector<std::string> uris() const;
  OpenUris open_uris() const { return OpenUris(uris()); }
  // A number that changes whenever the document's text does (opened again
  // included); 0 when it is not open. A check compares it before and after
  // compiling to tell that its result is still the text's.
  uint64_t revision(const std::string& uri) const;

 private:
  struct Open {
    std::string uri;
    EditableText lines;
    uint64_t revision = 0;
    // The text of `lines`, once asked for since the last edit.
    mutable std::shared_ptr<const std::string> text;
  };
  std::map<std::string, Open> documents_;  // by decoded URI
  uint64_t last_revision_ = 0;
};

// A line description and the train descriptions that belong to it.
struct LineGroup {
  std::string line_uri;  // as open in the editor, or built from the folder's URI
  std::string name;      // NAME, UTF-8
  struct Train {
    std::string uri;
    std::string number;  // NUM, UTF-8
  };
  // Every train description of the line, open or on disk, sorted by URI: a
  // train belongs to the line of the longest NAME that is open or on disk.
  std::vector<Train> trains;
};

// The line description `uri` belongs to (itself for a line description),
// with NAME and, for a train, NUM; nothing for a file of neither kind. With
// no line open or on disk, the line is the one of the text before the last
// '_'.
struct LineOf {
  std::string line_uri;
  std::string name;
  std::string number;  // empty for a line description
};
// What is on disk is asked of `disk`.
std::optional<LineOf> line_of_document(const std::string& uri, const OpenUris& documents,
                                       DiskSeen& disk);

// The line description `line_uri` with every train description beside it.
LineGroup line_group(const std::string& line_uri, const OpenUris& documents, DiskSeen& disk);

}  // namespace binario
