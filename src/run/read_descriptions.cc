#include "run/read_descriptions.h"

namespace binario {

namespace {

SourceText read_source(FileSystem& fs, const std::string& path, const std::string& name,
                       DescriptionOnDisk* file) {
  SourceText source;
  source.name = name.empty() ? path : name;
  *file = read_description_on_disk(fs, path);
  if (file->state == DescriptionOnDisk::State::kRead) {
    source.text = std::move(file->bytes);
  } else {
    source.unreadable = file->reason;
  }
  return source;
}

}  // namespace

void read_descriptions(FileSystem& fs, const std::string& line_path, const std::string& line_name,
                       const std::string& train_path, const std::string& train_name,
                       CompileInput* input) {
  DescriptionOnDisk file;
  input->line = read_source(fs, line_path, line_name, &file);
  if (file.state == DescriptionOnDisk::State::kMissing) {
    // A line description that does not exist: the train is not read.
    input->line.unreadable.reset();
    input->line.missing = true;
    input->train = SourceText{};
    input->train.name = train_name.empty() ? train_path : train_name;
    return;
  }
  input->train = read_source(fs, train_path, train_name, &file);
}

}  // namespace binario
