// An author's pair of descriptions on the command line, as compile, check and
// plot take it: the arguments, the scenario name and train number told from
// the options or the file names, and the report of the outcome.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>

#include "cli/arguments.h"
#include "compiler/compile.h"
#include "compiler/diagnostics.h"
#include "platform/file_system.h"
#include "run/run_report.h"
#include "run/run_steps.h"

namespace binario {

struct CompileOptions {
  std::string line;                   // the line description
  std::string train;                  // the train description
  std::string output_dir;             // empty: the directory of `line`
  std::optional<std::string> name;    // default: from <NAME>_linea.txt
  std::optional<std::string> number;  // default: from <NAME>_<NUM>-.txt
  bool no_geometry = false;
  bool json = false;
  bool strict = false;  // any warning or fault fails the command; compile writes nothing
  // compile: one line on `err` saying what was written, on success.
  bool summary = false;
  // compile: the driver's documents too, beside the binary files.
  bool documents = false;
};

// The scenario name and train number of an author's pair, for the files
// (UTF-8) and as the model stores them (Windows-1252).
struct AuthorPairNames {
  std::string name;
  std::string number;
  std::string model_name;
  std::string model_number;
};

// --acceleration and --braking, the rates of the train's run (m/s² on the
// level), as timetable and the documents take them.
void add_run_rate_options(Command* cmd, std::optional<double>* acceleration,
                          std::optional<double>* braking);

// Returns the usage exit status, after saying why on `err`, for a rate that
// is not above 0 and at most 10 m/s².
std::optional<int> refuse_run_rates(std::optional<double> acceleration,
                                    std::optional<double> braking, std::ostream& err);

// The names from the options or the file names, as compile and check both
// tell them. Returns the usage exit status, after saying why on `err`, when
// they cannot be told.
std::optional<int> author_pair_names(const CompileOptions& options, AuthorPairNames* names,
                                     std::ostream& err);

// The folder an author's compile writes into: --output, else LINE's folder.
std::string author_output_dir(const CompileOptions& options);

// The pair read from where it is, as every command that compiles an author's
// pair reads it (with warnings). With `records_read` the compile keeps what
// it read, record by record.
CompileInput read_author_pair(const CompileOptions& options, const AuthorPairNames& names,
                              FileSystem& fs, bool records_read = false);

// What compile does with the outcome: the descriptions kept, nothing
// written when one could not be opened, the binary files (without the
// geometry under --no-geometry) written as one set into
// author_output_dir().
CommitPlan author_commit_plan(const CompileOptions& options, const AuthorPairNames& names);

// Compiles the pair in memory, as check does, without writing anything.
// `report`, when given, receives how a compile would end, kInputUnopened
// when a description could not be opened. With `records_read` the result
// keeps what the compile read, record by record.
CompileResult compile_author_pair(const CompileOptions& options, const AuthorPairNames& names,
                                  FileSystem& fs, RunReport* report = nullptr,
                                  bool records_read = false);

// Prints the outcome of an author's compile or check, text on `err` or JSON
// on `out`, and returns the exit status.
int report_author_pair(const CompileOptions& options, const Status& status, const RunReport& report,
                       std::ostream& out, std::ostream& err);

// NAME from a path ending in <NAME>_linea.txt (the ending in any letter case).
std::optional<std::string> name_from_line_file(const std::string& path);
// NUM from a path ending in <NAME>_<NUM>-.txt (the ending in any letter case).
std::optional<std::string> number_from_train_file(const std::string& path, const std::string& name);

// LINE, TRAIN, --name, --number, --no-geometry, --json and --strict, shared by the
// subcommands that read an author's pair; the returned function gives the
// options once the command line has been parsed.
std::function<CompileOptions()> add_author_pair_arguments(Command* cmd);

}  // namespace binario
