#include "run/read_descriptions.h"

namespace binario {

namespace {

SourceText read_source(FileSystem& fs, const std::string& path, const std::string& name) {
  SourceText source;
  source.name = name.empty() ? path : name;
  std::string error;
  if (!fs.read_file(path, kDescriptionCap, &source.text, &error)) source.unreadable = error;
  return source;
}

}  // namespace

void read_descriptions(FileSystem& fs, const std::string& line_path, const std::string& line_name,
                       const std::string& train_path, const std::string& train_name,
                       CompileInput* input) {
  // Only a path where nothing stands is a missing description; a folder, a
  // device or a file that cannot be opened is a read failure with its reason.
  if (fs.missing(line_path)) {
    input->line = SourceText{};
    input->line.name = line_name.empty() ? line_path : line_name;
    input->line.missing = true;
    input->train = SourceText{};
    input->train.name = train_name.empty() ? train_path : train_name;
    return;
  }
  input->line = read_source(fs, line_path, line_name);
  input->train = read_source(fs, train_path, train_name);
}

}  // namespace binario
