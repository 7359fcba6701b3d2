// binario documents LINE TRAIN: the driver's three documents of an author's
// pair, computed from the compiled model and written as one set beside the
// descriptions (or in -o DIR). A pair with faults gets none.
#include <iostream>
#include <memory>
#include <sstream>
#include <string>

#include "cli/author_pair.h"
#include "cli/commands.h"
#include "cli/document_files.h"
#include "cli/report.h"
#include "cli/subcommands.h"
#include "output/text_encoding.h"
#include "platform/paths.h"
#include "run/exit_status.h"
#include "run/run_report.h"

namespace binario {

int documents_command(const DocumentsArgs& args, FileSystem& fs, std::ostream& out,
                      std::ostream& err) {
  const CompileOptions& options = args.pair;
  AuthorPairNames names;
  if (std::optional<int> usage = author_pair_names(options, &names, err)) return *usage;
  DocumentChoices choices;
  if (std::optional<int> usage = document_choices(args.documents, &choices, err)) return *usage;
  const std::string dir =
      options.output_dir.empty() ? path_parent(options.line) : options.output_dir;
  const std::vector<std::string> paths = document_paths(dir, names.name, names.number);
  if (std::optional<int> usage = refuse_document_paths(fs, paths, args.documents.force,
                                                       {options.line, options.train}, err)) {
    return *usage;
  }

  // The pair is compiled as compile would; its diagnostics are reported the
  // same way, and any fault (or, with --strict, any diagnostic) ends the
  // command with nothing written.
  RunReport report;
  const CompileResult result =
      compile_author_pair(options, names, fs, &report, /*records_read=*/true);
  // With --json the report waits for the documents: once they are written,
  // its "outputs" lists them, as compile's lists the files it wrote.
  std::ostringstream held;
  const int status =
      report_author_pair(options, result.status, report, options.json ? held : out, err);
  if (status != kExitClean) {
    out << held.str();
    if (!options.json) err << "binario: the driver's documents were not written\n";
    return status;
  }

  std::string error;
  if (!options.output_dir.empty() && !fs.make_directories(dir, &error)) {
    out << held.str();
    err << "binario: cannot create the folder '" << escaped_utf8(dir) << "': " << error << '\n';
    return kExitFileError;
  }
  const DriverDocuments documents = driver_documents(result.model, *result.records, choices);
  if (const int written = write_document_files(fs, paths, documents, err); written != kExitClean) {
    out << held.str();
    return written;
  }
  if (options.json) {
    report.outputs = paths;
    out << json_report(result.status, report);
  } else {
    for (const std::string& path : paths) out << escaped_utf8(path) << '\n';
  }
  return kExitClean;
}

Subcommand add_documents_command(Command& program) {
  auto args = std::make_shared<DocumentsArgs>();
  Command* cmd = &program.add_subcommand(
      "documents",
      "Write the driver's documents of a pair: the train sheet, the slowdown order and the "
      "notes");
  cmd->add_option("-o,--output", &args->pair.output_dir,
                  "Folder for the documents (default: the folder of LINE)")
      .type_name("DIR");
  add_document_options(cmd, &args->documents, "Replace documents that exist already");
  std::function<CompileOptions()> options = add_author_pair_arguments(cmd);
  return {cmd, [args, options] {
            DocumentsArgs a = *args;
            const std::string output_dir = a.pair.output_dir;
            a.pair = options();
            a.pair.output_dir = output_dir;
            RealFileSystem fs;
            return documents_command(a, fs, std::cout, std::cerr);
          }};
}

}  // namespace binario
