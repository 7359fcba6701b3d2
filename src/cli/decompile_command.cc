// binario decompile: the binary files of a compiled scenario back to its two
// descriptions, written only once compiling them gives the same bytes.
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/decode_file.h"
#include "cli/subcommands.h"
#include "decompile/decompile.h"
#include "output/binary_decoders.h"
#include "output/file_naming.h"
#include "output/text_encoding.h"
#include "platform/description_file.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "run/exit_status.h"
#include "run/file_names.h"

namespace binario {

namespace {

// The files named on the command line, told apart by their endings.
std::optional<int> files_from_arguments(const std::vector<std::string>& inputs, RunFiles* files,
                                        std::ostream& err) {
  std::optional<std::string> cells, train_table;
  for (const std::string& input : inputs) {
    std::optional<std::string>* slot = nullptr;
    const std::optional<BinaryImage> image = binary_image_from_name(input);
    if (!image) {
      err << "binario: '" << escaped_utf8(input)
          << "' is none of a run's binary files (NAME_NUM.dat, NAME_NUM.sim, NAME_linea.dat)\n";
      return kExitUsage;
    }
    switch (*image) {
      case BinaryImage::kCells:
        slot = &cells;
        break;
      case BinaryImage::kTrainTable:
        slot = &train_table;
        break;
      case BinaryImage::kGeometry:
        slot = &files->geometry;
        break;
    }
    if (*slot) {
      err << "binario: two files of one kind: '" << escaped_utf8(**slot) << "' and '"
          << escaped_utf8(input) << "'\n";
      return kExitUsage;
    }
    *slot = input;
  }
  if (!cells || !train_table) {
    err << "binario: decompile needs the track cells file (NAME_NUM.dat) and the train table "
           "(NAME_NUM.sim)\n";
    return kExitUsage;
  }
  files->cells = *cells;
  files->train_table = *train_table;
  return std::nullopt;
}

// The name as a part of a file name, in UTF-8, when it reads back as the
// same Windows-1252 bytes and holds no separator or control character (and
// is not empty: compile tells no empty name from a file name). What else a
// file name may not hold is the one rule every command that names files
// keeps (windows_name_refusal).
std::optional<std::string> file_name_part(const std::string& stored) {
  if (stored.empty()) return std::nullopt;
  for (unsigned char c : stored) {
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return std::nullopt;
  }
  std::string utf8 = windows1252_to_utf8(stored);
  if (utf8_to_windows1252(utf8) != stored) return std::nullopt;
  return utf8;
}

}  // namespace

int decompile_command(const DecompileArgs& args, FileSystem& fs, std::ostream& out,
                      std::ostream& err) {
  RunFiles files;
  std::string default_dir;
  if (args.inputs.size() == 1) {
    const std::optional<int> status =
        find_run_files(fs, args.inputs[0], "the files themselves", &files, err);
    if (status) return *status;
    default_dir = args.inputs[0];
  } else {
    if (std::optional<int> status = files_from_arguments(args.inputs, &files, err)) {
      return *status;
    }
    default_dir = path_parent(files.cells);
  }

  std::string cells, train_table, geometry;
  if (!read_binary_file(fs, files.cells, err, &cells) ||
      !read_binary_file(fs, files.train_table, err, &train_table) ||
      (files.geometry && !read_binary_file(fs, *files.geometry, err, &geometry))) {
    return kExitRefused;
  }
  BinaryImages images{cells, train_table, std::nullopt};
  if (files.geometry) images.geometry = geometry;
  const DecompileResult result = decompile(images);
  if (!result.pair) {
    const DecompileRefusal& r = result.refusal;
    if (r.image) {
      const std::string& path = *r.image == BinaryImage::kCells        ? files.cells
                                : *r.image == BinaryImage::kTrainTable ? files.train_table
                                                                       : *files.geometry;
      err << escaped_utf8(path) << ": error: ";
      if (r.offset) err << "at byte " << *r.offset << ": ";
    } else {
      err << "binario: error: cannot decompile: ";
    }
    err << r.reason << '\n';
    return kExitRefused;
  }

  const DecompiledPair& pair = *result.pair;
  const std::optional<std::string> name = file_name_part(pair.model_name);
  const std::optional<std::string> number = file_name_part(pair.model_number);
  if (!name || !number) {
    err << escaped_utf8(files.train_table)
        << ": error: the scenario name or train number it holds cannot be part of a file name "
           "that compile reads back as the same name\n";
    return kExitRefused;
  }
  // Descriptions compile refuses to read back under their own names are of
  // no use to the author: refuse before writing them.
  if (const std::optional<std::string> refusal = windows_name_refusal(*name, *number)) {
    err << escaped_utf8(files.train_table) << ": error: " << *refusal
        << ", so compile would refuse the descriptions named after it\n";
    return kExitRefused;
  }
  const std::string dir = args.output_dir.empty() ? default_dir : args.output_dir;
  const ScenarioFileNames names = scenario_file_names(*name, *number);
  // Every name and size is looked at before anything is written: a set
  // that cannot be written whole is not begun.
  for (const std::string* base : {&names.line_text, &names.train_text}) {
    if (std::optional<std::string> refusal = file_name_length_refusal(*base)) {
      err << escaped_utf8(files.train_table) << ": error: " << *refusal
          << "; nothing was written\n";
      return kExitRefused;
    }
  }
  const std::vector<std::string> paths = {join_path(dir, names.line_text),
                                          join_path(dir, names.train_text)};
  const std::vector<std::string_view> texts = {pair.line_text, pair.train_text};
  // A description there already is edited, not replaced: it stays the same
  // file (link, permissions, owner), and one changed while this command runs
  // is left alone.
  std::vector<std::optional<FileStamp>> existing;
  for (size_t i = 0; i < paths.size(); ++i) {
    const std::string& path = paths[i];
    if (input_named_by(fs, path, {files.cells, files.train_table, files.geometry.value_or("")})) {
      err << "binario: '" << escaped_utf8(path) << "' would replace an input file\n";
      return kExitUsage;
    }
    const bool there = fs.exists(path);
    if (!args.force && there) {
      err << "binario: '" << escaped_utf8(path) << "' exists; give --force to replace it\n";
      return kExitUsage;
    }
    if (std::optional<std::string> refusal = description_size_refusal(texts[i].size())) {
      err << escaped_utf8(path) << ": error: " << *refusal << '\n';
      return kExitRefused;
    }
    existing.push_back(there ? fs.stamp(path) : std::nullopt);
  }
  const char* const kNoneWritten = "; the descriptions there stay as they were";
  std::string error;
  if (!fs.make_directories(dir, &error)) {
    err << "binario: cannot create the folder '" << escaped_utf8(dir) << "': " << error << '\n';
    return kExitFileError;
  }
  std::vector<std::unique_ptr<OutputFile>> outputs;
  for (size_t i = 0; i < paths.size(); ++i) {
    std::unique_ptr<OutputFile> file =
        existing[i]
            ? edit_description(fs, paths[i], EditBase{*existing[i]}, texts[i].size(), &error)
            : fs.replace_file(paths[i], &error);
    if (!file) {
      err << escaped_utf8(paths[i]) << ": error: cannot write the file: " << error << kNoneWritten
          << '\n';
      return kExitFileError;
    }
    file->write(texts[i]);
    outputs.push_back(std::move(file));
  }
  SetReplaced replaced;
  if (!replace_files_together(outputs, &replaced)) {
    err << escaped_utf8(paths[replaced.failed])
        << ": error: cannot write the file: " << replaced.error;
    if (replaced.renamed == 0) {
      err << kNoneWritten << '\n';
    } else {
      err << " (already written by this command: '" << escaped_utf8(paths[0])
          << "'; the other is the previous one)\n";
    }
    return kExitFileError;
  }
  for (const std::string& path : paths) out << escaped_utf8(path) << '\n';
  return kExitClean;
}

Subcommand add_decompile_command(Command& program) {
  auto args = std::make_shared<DecompileArgs>();
  Command* cmd = &program.add_subcommand(
      "decompile",
      "Turn a compiled scenario's binary files back into its line and train descriptions, "
      "checked to compile to the same bytes");
  cmd->add_option("INPUT", &args->inputs,
                  "NAME_NUM.dat NAME_NUM.sim [NAME_linea.dat], or DIR (the folder of a run's "
                  "binary files)")
      .required()
      .expected(1, 3)
      .type_name("FILE... | DIR");
  cmd->add_option("-o,--output", &args->output_dir,
                  "The folder of the two descriptions (default: that of the binary files)")
      .type_name("DIR");
  cmd->add_flag("--force", &args->force, "Replace descriptions that exist already");
  return {cmd, [args] {
            RealFileSystem fs;
            return decompile_command(*args, fs, std::cout, std::cerr);
          }};
}

}  // namespace binario
