// The descriptions open in the editor, by URI, and how a description finds
// its partner: NAME_linea.txt with NAME_NUM-.txt in the same folder.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/file_system.h"

namespace binario {

// The local path of a file: URI (percent escapes decoded; "/c:/x" becomes
// "c:/x"), or nothing for another scheme.
std::optional<std::string> uri_to_path(const std::string& uri);

enum class DocumentKind { kLine, kTrain, kOther };

// What a URI names by the naming rule. For a line description `name` is
// NAME; for a train description the name and number are not told apart here
// (NAME may hold '_'), see `find_pair`.
DocumentKind document_kind(const std::string& uri);

// The open documents: UTF-8 text as the editor holds it.
class DocumentStore {
 public:
  void open(const std::string& uri, std::string text) { texts_[uri] = std::move(text); }
  void change(const std::string& uri, std::string text) { texts_[uri] = std::move(text); }
  void close(const std::string& uri) { texts_.erase(uri); }
  const std::string* text(const std::string& uri) const;
  std::vector<std::string> uris() const;

 private:
  std::map<std::string, std::string> texts_;
};

// A line description and the train description paired with it.
struct DocumentPair {
  std::string line_uri;
  std::string train_uri;  // empty: the line has no train description beside it
  std::string name;       // NAME, UTF-8
  std::string number;     // NUM, UTF-8
};

// The pair `uri` belongs to: open documents first, then the files in the
// same folder. A train description pairs with NAME_linea.txt for the longest
// NAME that has one (open or on disk), else the text before its last '_'. A
// line description pairs with the first NAME_*-.txt, open documents first.
std::optional<DocumentPair> find_pair(const std::string& uri, const DocumentStore& documents,
                                      FileSystem& fs);

}  // namespace binario
