#include "run/file_sets.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "output/file_naming.h"
#include "platform/paths.h"

namespace binario {

namespace {

// The file being replaced, as the sink the binary writers stream into.
class OutputFileSink : public ByteSink {
 public:
  explicit OutputFileSink(OutputFile& file) : file_(file) {}
  void write(const void* data, size_t size) override { file_.write(data, size); }

 private:
  OutputFile& file_;
};

// Ends the message of a set that failed before any old file was replaced.
constexpr const char* kNothingReplaced = "; nothing was replaced";

// Renames the written `files` over `paths` (replace_files_together). A
// failure before the first rename leaves every old file, and its message
// ends with `untouched`; one after names the files already new (`renamed`
// says how they are named) so the mixed set is spelled out.
bool put_set_in_place(const std::vector<std::string>& paths,
                      std::vector<std::unique_ptr<OutputFile>>& files, const std::string& renamed,
                      const std::string& untouched, RunReport* report) {
  SetReplaced replaced;
  if (!replace_files_together(files, &replaced)) {
    std::string message = paths[replaced.failed] + ": " + replaced.error;
    if (replaced.renamed > 0) {
      // The renames cannot be taken back: say which files are the new ones.
      message += " (" + renamed + ":";
      for (size_t i = 0; i < replaced.renamed; ++i) message += " " + paths[i];
      message += "; the others are the previous ones)";
      report->outputs.insert(report->outputs.end(), paths.begin(),
                             paths.begin() + static_cast<std::ptrdiff_t>(replaced.renamed));
    } else {
      message += untouched;
    }
    report->file_errors.push_back(message);
    return false;
  }
  report->outputs.insert(report->outputs.end(), paths.begin(), paths.end());
  return true;
}

}  // namespace

bool write_binary_image(FileSystem& fs, const std::string& path, BinaryImage image,
                        const TrackModel& model, std::string* error) {
  std::unique_ptr<OutputFile> file = fs.replace_file(path, error);
  if (!file) return false;
  OutputFileSink sink(*file);
  write_image(image, model, sink);
  return file->commit(error);
}

bool write_binary_files(FileSystem& fs, const ScenarioFileNames& out, const TrackModel& model,
                        bool with_geometry, RunReport* report, const std::vector<SetText>& texts) {
  // Temporaries a killed compile left in this folder go first.
  const std::string folder = path_parent(out.cells);
  remove_stale_temporaries(fs, folder.empty() ? "." : folder);
  std::vector<std::string> paths = set_text_paths(texts);
  const std::vector<BinaryImage> images = images_to_write(with_geometry);
  for (BinaryImage image : images) {
    paths.push_back(image == BinaryImage::kGeometry     ? out.geometry
                    : image == BinaryImage::kTrainTable ? out.train_table
                                                        : out.cells);
  }
  if (std::optional<std::string> refusal = set_name_refusal(paths)) {
    report->file_errors.push_back(*refusal + kNothingReplaced);
    return false;
  }
  // Everything goes to temporaries first; the old files are replaced only
  // when every new one is complete, so the folder never holds a mixed set.
  std::vector<std::unique_ptr<OutputFile>> files;
  for (size_t i = 0; i < paths.size(); ++i) {
    std::string error;
    std::unique_ptr<OutputFile> file = fs.replace_file(paths[i], &error);
    if (!file) {
      report->file_errors.push_back(paths[i] + ": " + error + kNothingReplaced);
      return false;  // the temporaries made so far go with `files`
    }
    if (i < texts.size()) {
      file->write(texts[i].text);
    } else {
      OutputFileSink sink(*file);
      write_image(images[i - texts.size()], model, sink);
    }
    files.push_back(std::move(file));
  }
  return put_set_in_place(paths, files, "already replaced by this compile", kNothingReplaced,
                          report);
}

std::optional<std::string> set_name_refusal(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (std::optional<std::string> refusal = file_name_length_refusal(path_file_name(path))) {
      return path + ": " + *refusal;
    }
  }
  return std::nullopt;
}

std::vector<std::string> set_text_paths(const std::vector<SetText>& texts) {
  std::vector<std::string> paths;
  paths.reserve(texts.size());
  for (const SetText& t : texts) paths.push_back(t.path);
  return paths;
}

bool write_texts_together(FileSystem& fs, const std::vector<SetText>& texts, RunReport* report) {
  std::vector<std::string> paths = set_text_paths(texts);
  if (std::optional<std::string> refusal = set_name_refusal(paths)) {
    report->file_errors.push_back(*refusal + kNothingReplaced);
    return false;
  }
  std::vector<std::unique_ptr<OutputFile>> files;
  for (const SetText& t : texts) {
    std::string error;
    std::unique_ptr<OutputFile> file = fs.replace_file(t.path, &error);
    if (!file) {
      // The temporaries made so far go with `files`.
      report->file_errors.push_back(t.path + ": " + error + kNothingReplaced);
      return false;
    }
    file->write(t.text);
    files.push_back(std::move(file));
  }
  return put_set_in_place(paths, files, "already replaced", kNothingReplaced, report);
}

}  // namespace binario
