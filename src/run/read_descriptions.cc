#include "run/read_descriptions.h"

namespace binario {

namespace {

SourceText read_source(FileSystem& fs, const std::string& path, const std::string& name) {
  SourceText source;
  source.name = name.empty() ? path : name;
  std::string error;
  if (!fs.read_file(path, &source.text, &error)) source.unreadable = error;
  return source;
}

}  // namespace

void read_descriptions(FileSystem& fs, const std::string& line_path, const std::string& line_name,
                       const std::string& train_path, const std::string& train_name,
                       CompileInput* input) {
  if (!fs.exists(line_path)) {
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
