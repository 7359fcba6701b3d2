#include "cli/document_files.h"

#include <memory>
#include <string_view>

#include "cli/author_pair.h"
#include "output/file_naming.h"
#include "output/text_encoding.h"
#include "platform/paths.h"
#include "run/exit_status.h"

namespace binario {

void add_document_options(Command* cmd, DocumentOptions* options, const std::string& force_help) {
  cmd->add_flag("--force", &options->force, force_help);
  cmd->add_option("--speed-class", &options->speed_class,
                  "The speed class in the train sheet's identity box, e.g. \"V200 C\" "
                  "(default: blank)")
      .type_name("CLASS");
  cmd->add_option("--category", &options->category,
                  "The train's category in the train sheet, e.g. IC (default: blank)")
      .type_name("CATEGORY");
  cmd->add_option("--mass", &options->mass, "The train's mass in tonnes (default: blank)")
      .type_name("TONNES");
  add_run_rate_options(cmd, &options->acceleration, &options->braking);
}

namespace {

// The Windows-1252 text of an option, or the reason it cannot be used.
std::optional<std::string> choice(const std::optional<std::string>& given, std::string_view option,
                                  size_t room, std::string* choice_out) {
  if (!given) return std::nullopt;
  const std::optional<std::string> bytes = utf8_to_windows1252(*given);
  if (!bytes) {
    return "the " + std::string(option) + " '" + escaped_utf8(*given) +
           "' holds a character that Windows-1252 cannot hold";
  }
  for (char c : *bytes) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
      return "the " + std::string(option) + " '" + escaped_utf8(*given) +
             "' holds a control character";
    }
  }
  if (bytes->size() > room) {
    return "the " + std::string(option) + " '" + escaped_utf8(*given) + "' is longer than the " +
           std::to_string(room) + " characters its box holds";
  }
  *choice_out = *bytes;
  return std::nullopt;
}

}  // namespace

std::optional<int> document_choices(const DocumentOptions& options, DocumentChoices* choices,
                                    std::ostream& err) {
  std::optional<std::string> refusal =
      choice(options.speed_class, "--speed-class", kSpeedClassRoom, &choices->speed_class);
  if (!refusal) {
    refusal = choice(options.category, "--category", kCategoryRoom, &choices->category);
  }
  if (!refusal) refusal = choice(options.mass, "--mass", kMassRoom, &choices->mass);
  if (!refusal && options.mass &&
      (options.mass->empty() ||
       options.mass->find_first_not_of("0123456789") != std::string::npos)) {
    refusal = "the --mass '" + escaped_utf8(*options.mass) + "' is not a whole number of tonnes";
  }
  if (refusal) {
    err << "binario: " << *refusal << '\n';
    return kExitUsage;
  }
  if (std::optional<int> usage = refuse_run_rates(options.acceleration, options.braking, err)) {
    return usage;
  }
  choices->run = {options.acceleration, options.braking};
  return std::nullopt;
}

std::vector<std::string> document_paths(const std::string& dir, const std::string& name,
                                        const std::string& number) {
  const ScenarioFileNames names = scenario_file_names(name, number);
  return {join_path(dir, names.train_sheet), join_path(dir, names.slowdown_order),
          join_path(dir, names.notes)};
}

std::optional<int> refuse_document_paths(FileSystem& fs, const std::vector<std::string>& paths,
                                         bool force, const std::vector<std::string>& inputs,
                                         std::ostream& err) {
  for (const std::string& path : paths) {
    if (input_named_by(fs, path, inputs)) {
      err << "binario: '" << escaped_utf8(path) << "' would replace an input file\n";
      return kExitUsage;
    }
    if (!force && fs.exists(path)) {
      err << "binario: '" << escaped_utf8(path) << "' exists; give --force to replace it\n";
      return kExitUsage;
    }
  }
  return std::nullopt;
}

int write_document_files(FileSystem& fs, const std::vector<std::string>& paths,
                         const DriverDocuments& documents, std::ostream& err) {
  for (const std::string& notice : documents.notices) err << "binario: note: " << notice << '\n';
  const std::string_view texts[] = {documents.train_sheet, documents.slowdown_order,
                                    documents.notes};
  std::string error;
  std::vector<std::unique_ptr<OutputFile>> outputs;
  for (size_t i = 0; i < paths.size(); ++i) {
    std::unique_ptr<OutputFile> file = fs.replace_file(paths[i], &error);
    if (!file) {
      err << escaped_utf8(paths[i]) << ": error: cannot write the file: " << error << '\n';
      return kExitFileError;
    }
    file->write(texts[i]);
    outputs.push_back(std::move(file));
  }
  SetReplaced replaced;
  if (!replace_files_together(outputs, &replaced)) {
    err << escaped_utf8(paths[replaced.failed])
        << ": error: cannot write the file: " << replaced.error << '\n';
    if (replaced.renamed > 0) {
      err << "binario: the documents are a mixed set: the first " << replaced.renamed
          << " were replaced\n";
    }
    return kExitFileError;
  }
  return kExitClean;
}

}  // namespace binario
