// The temporary files a replacement is writing, known to the platform layer
// so that an interruption of the program (Ctrl+C, SIGTERM, SIGHUP, the
// console closing) removes them before the program ends: every final name
// then holds its old file or its new one, whole, and no temporary is left.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace binario {

// A fresh name in `folder` for a temporary of this process:
// "~binario-PID-N" and `extension` (".tmp" for a file being written). It is
// short, so that any final name the system allows can be written beside it,
// and it does not grow from a final name, so that a name a system treats
// specially never reaches it.
std::string temporary_name(const std::string& folder, const char* extension);

// The process that made the temporary file named `name` ("~binario-PID-N.tmp",
// a name without a folder), or nothing when `name` is not of that form.
std::optional<unsigned long> temporary_owner(std::string_view name);

// Adds `path` to the temporaries an interruption removes; the first call
// installs the handlers. Returns the entry's number, or -1 when every entry
// is taken (the file is then only removed by its owner).
int register_temporary(const std::string& path);
// Removes entry `entry` (from register_temporary; -1 does nothing): the file
// was renamed into place or removed by its owner.
void unregister_temporary(int entry);

// While one lives, an interruption waits: renames of a set of files run to
// their end and the set is never split by Ctrl+C. The handlers are in place
// from its start, so a temporary created and registered while one lives is
// removed by an interruption that came in meanwhile.
class InterruptionsHeld {
 public:
  InterruptionsHeld();
  ~InterruptionsHeld();
  InterruptionsHeld(const InterruptionsHeld&) = delete;
  InterruptionsHeld& operator=(const InterruptionsHeld&) = delete;

 private:
  unsigned long long saved_ = 0;  // what the platform needs to restore
};

}  // namespace binario
