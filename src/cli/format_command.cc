// binario format: lays an author's descriptions out in columns, in place.
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/subcommands.h"
#include "compiler/compile.h"
#include "format/lay_out.h"
#include "output/file_naming.h"
#include "output/text_encoding.h"
#include "platform/description_file.h"
#include "platform/paths.h"
#include "run/exit_status.h"

namespace binario {
namespace {

// The pair a description is laid out in: itself and, for a train
// description, the line description beside it that its name belongs to. A
// line description is laid out alone: its records do not depend on a train.
struct Pairing {
  DescriptionFile role = DescriptionFile::kLine;
  std::string name;        // the scenario name (UTF-8)
  std::string line_path;   // the line description
  std::string train_path;  // the train description, or empty
  std::string refusal;     // why the file cannot be laid out, when it cannot
  ExitStatus status = kExitClean;
};

Pairing pairing_of(FileSystem& fs, const std::string& path) {
  Pairing p;
  const std::string base = path_file_name(path);
  if (std::optional<std::string> name = name_from_line_text(base)) {
    p.name = *name;
    p.line_path = path;
    return p;
  }
  if (!train_text_stem(base)) {
    p.refusal = "not named as a description (NAME_linea.txt or NAME_NUM-.txt)";
    p.status = kExitUsage;
    return p;
  }
  p.role = DescriptionFile::kTrain;
  p.train_path = path;
  const std::string dir = path_parent(path);
  std::vector<std::string> names;
  std::string error;
  if (!fs.list_files(dir.empty() ? "." : dir, &names, &error)) {
    p.refusal = "cannot list its folder: " + error;
    p.status = kExitRefused;
    return p;
  }
  for (const std::string& other : names) {
    const std::optional<std::string> name = name_from_line_text(other);
    if (name && number_from_train_text(base, *name)) {
      p.name = *name;
      p.line_path = join_path(dir, other);
      return p;
    }
  }
  p.refusal =
      "no line description beside it (NAME_linea.txt), which a train description is "
      "read with";
  p.status = kExitRefused;
  return p;
}

// Reads `path` into `source`; false with the reason when it cannot be read.
bool read_source(FileSystem& fs, const std::string& path, SourceText* source, std::string* reason) {
  DescriptionOnDisk found = read_description_on_disk(fs, path);
  source->name = path;
  if (found.state != DescriptionOnDisk::State::kRead) {
    *reason = found.state == DescriptionOnDisk::State::kMissing ? "No such file or directory"
                                                                : found.reason;
    return false;
  }
  source->text = std::move(found.bytes);
  return true;
}

}  // namespace

int format_command(const FormatArgs& args, FileSystem& fs, std::ostream& err) {
  int status = kExitClean;
  auto worse = [&status](int s) {
    // A failure outranks "would be laid out"; the highest failure wins.
    if (s > status) status = s;
  };
  for (const std::string& path : args.files) {
    const Pairing pair = pairing_of(fs, path);
    if (!pair.refusal.empty()) {
      err << "binario: " << escaped_utf8(path) << ": " << pair.refusal << '\n';
      worse(pair.status);
      continue;
    }
    CompileInput input;
    input.model_name = utf8_to_windows1252(pair.name).value_or(pair.name);
    input.with_geometry = true;
    // The file as it stands before it is read: the laid-out text replaces it
    // only while it still stands so.
    const std::optional<FileStamp> stamp = fs.stamp(path);
    std::string reason;
    if (!read_source(fs, pair.line_path, &input.line, &reason)) {
      err << "binario: " << escaped_utf8(pair.line_path) << ": cannot read it: " << reason << '\n';
      worse(kExitRefused);
      continue;
    }
    if (pair.role == DescriptionFile::kTrain) {
      if (!read_source(fs, pair.train_path, &input.train, &reason)) {
        err << "binario: " << escaped_utf8(path) << ": cannot read it: " << reason << '\n';
        worse(kExitRefused);
        continue;
      }
      input.model_number = number_from_train_text(path_file_name(path), pair.name).value_or("");
    } else {
      input.train.name = "(no train description)";
      input.train.unreadable = "the line description is laid out alone";
    }

    const LaidOut laid = lay_out_description(input, pair.role);
    if (!laid.refused.empty()) {
      err << "binario: " << escaped_utf8(path) << ": left as it is: " << laid.refused << '\n';
      // A check that could not look at a file did not find it laid out.
      if (args.check) worse(kExitRefused);
      continue;
    }
    if (!laid.changed) continue;
    if (args.check) {
      err << "binario: " << escaped_utf8(path)
          << ": not laid out; 'binario format' would change it\n";
      worse(kExitFault);
      continue;
    }
    const std::string& read =
        pair.role == DescriptionFile::kLine ? input.line.text : input.train.text;
    std::string error = kChangedMeanwhileReason;
    std::unique_ptr<OutputFile> file =
        stamp ? edit_description(fs, path, EditBase{*stamp, &read}, laid.text.size(), &error)
              : nullptr;
    if (file) file->write(laid.text);
    if (!file || !file->commit(&error)) {
      err << "binario: cannot write " << escaped_utf8(path) << ": " << error << '\n';
      worse(kExitFileError);
    }
  }
  return status;
}

Subcommand add_format_command(Command& program) {
  auto args = std::make_shared<FormatArgs>();
  Command* cmd = &program.add_subcommand(
      "format",
      "Lay descriptions out in columns, in place; the laid-out text compiles to the same bytes");
  cmd->add_option("FILE", &args->files,
                  "Line (NAME_linea.txt) or train (NAME_NUM-.txt) descriptions")
      .required()
      .type_name("FILE...");
  cmd->add_flag("--check", &args->check,
                "Change nothing; exit status 1 when a file is not laid out");
  return {cmd, [args] {
            RealFileSystem fs;
            return format_command(*args, fs, std::cerr);
          }};
}

}  // namespace binario
