// Descriptions a check read from disk, watched so that one changed there is
// checked again. A client that can watch files is asked to (a dynamic
// registration of workspace/didChangeWatchedFiles); with one that cannot,
// the server looks at the size and modification time of each such file,
// and of its folder (a train added or removed), whenever the editor opens,
// changes or saves a document.
#pragma once

#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "lsp/protocol.h"
#include "platform/file_system.h"

namespace binario {

// True when the initialize request's client capabilities allow the server
// to register workspace/didChangeWatchedFiles itself.
bool can_register_file_watching(const nlohmann::json& initialize_params);

// The registration that asks the client to report every line and train
// description created, changed or deleted.
lsp::Registration file_watching_registration();

// The stamps of the files each line's last check read from disk, by the
// line's key.
class DiskPartners {
 public:
  // Records what stands now at `paths` and at their folder, for `key`.
  void record(const std::string& key, const std::string& folder,
              const std::vector<std::string>& paths, FileSystem& fs);
  void forget(const std::string& key);
  // The keys whose files or folder no longer look as recorded.
  std::vector<std::string> changed(FileSystem& fs) const;

 private:
  std::map<std::string, std::map<std::string, std::optional<FileStamp>>> stamps_;
};

}  // namespace binario
