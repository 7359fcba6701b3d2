// How a scenario description is read from disk. Every front end that reads
// descriptions from files (the command line, the run, the language server
// for a partner that is not open) reads them this way, so a folder, a FIFO
// or an oversized file gets the same verdict everywhere.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/file_system.h"

namespace binario {

// The most a description may hold: a 1,000,000 m line with every record it
// can have is well under 1 MB, so anything this large is not a description.
inline constexpr ReadCap kDescriptionCap{64ull * 1024 * 1024, "a description"};

// A description as found on disk: its bytes, or why there are none.
struct DescriptionOnDisk {
  enum class State {
    kRead,        // `bytes` holds the file
    kMissing,     // nothing at all stands at the path
    kUnreadable,  // a folder, a FIFO, a device, a file over the cap, a system error
  };
  State state = State::kRead;
  std::string bytes;
  std::string reason;  // the reason the read failed (kMissing and kUnreadable)
};

// Reads the description at `path`, at most kDescriptionCap of it.
DescriptionOnDisk read_description_on_disk(FileSystem& fs, const std::string& path);

// Why a description of `size` bytes may not be written, or nothing: one over
// kDescriptionCap would be refused by every later read of it.
std::optional<std::string> description_size_refusal(uint64_t size);

// Starts rewriting the description at `path` with a text of `size` bytes,
// keeping which file it is (FileSystem::edit_file): refused, with nothing
// written, when the text is over kDescriptionCap.
std::unique_ptr<OutputFile> edit_description(FileSystem& fs, const std::string& path,
                                             const EditBase& base, uint64_t size,
                                             std::string* error);

}  // namespace binario
