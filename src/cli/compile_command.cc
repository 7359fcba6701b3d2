#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <utility>

#include "cli/author_pair.h"
#include "cli/commands.h"
#include "cli/document_files.h"
#include "cli/report.h"
#include "cli/subcommands.h"
#include "output/file_naming.h"
#include "output/text_encoding.h"
#include "platform/make_ui.h"
#include "platform/paths.h"
#include "platform/process.h"
#include "run/run_report.h"
#include "run/run_steps.h"

namespace binario {

int compile_command(const CompileOptions& options, FileSystem& fs, Ui& ui, std::ostream& out,
                    std::ostream& err, const DocumentOptions& document_options) {
  AuthorPairNames names;
  if (std::optional<int> usage = author_pair_names(options, &names, err)) return *usage;
  const CommitPlan plan = author_commit_plan(options, names);

  // The documents are refused before anything is written: options that do
  // not fit, a document that would replace an input, or one that exists.
  DocumentChoices choices;
  std::vector<std::string> document_files;
  if (options.documents) {
    if (std::optional<int> usage = document_choices(document_options, &choices, err)) {
      return *usage;
    }
    document_files = document_paths(author_output_dir(options), names.name, names.number);
    if (std::optional<int> usage = refuse_document_paths(fs, document_files, document_options.force,
                                                         {options.line, options.train}, err)) {
      return *usage;
    }
  }

  // The inputs are never touched: refuse an output name that is one of them.
  // Each name is looked at before anything is written: a set that cannot be
  // written whole is not begun, and the files there stay as they were.
  const ScenarioFileNames& outputs = plan.outputs;
  for (const std::string* o : {&outputs.geometry, &outputs.train_table, &outputs.cells}) {
    if (input_named_by(fs, *o, {options.line, options.train})) {
      err << "binario: the output '" << escaped_utf8(*o) << "' would replace an input file\n";
      return kExitUsage;
    }
    const bool written = o != &outputs.geometry || !options.no_geometry;
    if (std::optional<std::string> refusal = file_name_length_refusal(path_file_name(*o));
        refusal && written) {
      err << "binario: " << *refusal
          << "; give another with --name or --number; nothing was "
             "written\n";
      return kExitUsage;
    }
  }

  // One compile, by the same steps as check's; a strict one is looked at
  // before anything on disk is touched, and any diagnostic ends the command
  // with nothing written.
  const CompileInput input = read_author_pair(options, names, fs, options.documents);
  CompileResult result = compile(input);
  if (options.strict && !result.status.diagnostics().empty()) {
    return report_author_pair(options, result.status, unwritten_report(input, result), out, err);
  }

  std::string error;
  if (!options.output_dir.empty() && !fs.make_directories(options.output_dir, &error)) {
    err << "binario: cannot create the folder '" << escaped_utf8(options.output_dir)
        << "': " << error << '\n';
    return kExitFileError;
  }

  RunReport report = commit_step(fs, plan, input, result);
  // A taken reserved slot shows its box before the report, as in the run;
  // with --json the JSON alone tells it.
  if (report.end == RunEnd::kStopped && !options.json) {
    ui.errore(std::to_string(result.taken_slot()));
  }
  // With --documents and --json the report waits for the documents: once
  // they are written, its "outputs" lists them after the binary files.
  const bool json_after_documents = options.documents && options.json;
  std::ostringstream held;
  const int status =
      report_author_pair(options, result.status, report, json_after_documents ? held : out, err);
  const auto release_report = [&] { out << held.str(); };
  if (report.end == RunEnd::kInputUnopened && !options.json) {
    err << "binario: nothing written: a description could not be opened, so the files "
           "already there stay as they were\n";
  }
  if (status == kExitClean && options.summary) err << compile_summary(report, result.model) << '\n';
  if (!options.documents) return status;
  // The documents of a pair with a fault would show a model the compile
  // did not finish: none are written.
  if (status != kExitClean || !result.records) {
    release_report();
    if (!options.json) err << "binario: the driver's documents were not written\n";
    return status;
  }
  const DriverDocuments documents = driver_documents(result.model, *result.records, choices);
  if (const int written = write_document_files(fs, document_files, documents, err);
      written != kExitClean) {
    release_report();
    return written;
  }
  if (json_after_documents) {
    report.outputs.insert(report.outputs.end(), document_files.begin(), document_files.end());
    out << json_report(result.status, report);
  }
  if (options.summary) {
    std::string files;
    for (const std::string& o : document_files) {
      files += (files.empty() ? "" : ", ") + path_file_name(o);
    }
    err << "binario: wrote " << files << '\n';
  }
  return status;
}

std::string compile_summary(const RunReport& report, const TrackModel& model) {
  std::string files;
  for (const std::string& o : report.outputs) {
    files += (files.empty() ? "" : ", ") + path_file_name(o);
  }
  const int64_t stations = station_entries(model.treno, model.percorso);
  int64_t signals = 0;
  for (const Cella& c : model.percorso) signals += c.tipo == kSignal;
  auto counted = [](int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
  };
  return "binario: wrote " + files + ": " +
         counted(static_cast<int64_t>(model.percorso.size()), "cell", "cells") + ", " +
         counted(stations, "station", "stations") + ", " + counted(signals, "signal", "signals");
}

Subcommand add_compile_command(Command& program) {
  Command* cmd = &program.add_subcommand(
      "compile", "Compile a line description and a train description into the binary files");
  auto output_dir = std::make_shared<std::string>();
  cmd->add_option("-o,--output", output_dir.get(),
                  "Folder for the binary files (default: the folder of LINE)")
      .type_name("DIR");
  auto quiet = std::make_shared<bool>(false);
  cmd->add_flag("-q,--quiet", quiet.get(),
                "Print nothing on success (on a terminal, compile says what it wrote)");
  auto documents = std::make_shared<bool>(false);
  cmd->add_flag("--documents", documents.get(),
                "Write the driver's documents too (train sheet, slowdown order, notes), beside "
                "the binary files");
  auto document_options = std::make_shared<DocumentOptions>();
  add_document_options(cmd, document_options.get(),
                       "With --documents: replace documents that exist already");
  std::function<CompileOptions()> options = add_author_pair_arguments(cmd);
  return {cmd, [options, output_dir, quiet, documents, document_options] {
            CompileOptions o = options();
            o.output_dir = *output_dir;
            o.documents = *documents;
            // Said where someone reads it: on a terminal, or in the box
            // that shows what a program started from Explorer wrote.
            o.summary =
                !*quiet && !o.json && (standard_error_is_terminal() || output_vanishes_at_exit());
            RealFileSystem fs;
            auto ui = make_console_ui();
            return compile_command(o, fs, *ui, std::cout, std::cerr, *document_options);
          }};
}

}  // namespace binario
