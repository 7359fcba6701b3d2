// The two descriptions read from their files into a compile's input: the
// step every front end that compiles files takes before `compile`.
#pragma once

#include <string>

#include "compiler/compile.h"
#include "platform/description_file.h"

namespace binario {

// Reads `line_path` and `train_path` into `input`, named `line_name` and
// `train_name` in diagnostics (the paths themselves when empty). A line
// description that does not exist is marked missing and the train is not
// read; a text that cannot be read (a folder, a FIFO, a device, a file over
// kDescriptionCap, a system error) carries the reason (read_description_on_disk).
void read_descriptions(FileSystem& fs, const std::string& line_path, const std::string& line_name,
                       const std::string& train_path, const std::string& train_name,
                       CompileInput* input);

// True when a description read into `input` could not be opened at all (not
// a regular file, over the cap, held by another program, or a train
// description that is missing): an author's compile then writes nothing.
inline bool a_description_unopened(const CompileInput& input) {
  return input.line.unreadable.has_value() || input.train.unreadable.has_value();
}

}  // namespace binario
