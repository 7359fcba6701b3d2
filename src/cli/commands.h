// The subcommands, independent of argument parsing so tests can call them.
#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "platform/file_system.h"
#include "platform/ui.h"
#include "run/form1.h"
#include "run/run_report.h"

namespace binario {

struct CompileOptions {
  std::string line;                   // the line description
  std::string train;                  // the train description
  std::string output_dir;             // empty: the directory of `line`
  std::optional<std::string> name;    // default: from <NAME>_linea.txt
  std::optional<std::string> number;  // default: from <NAME>_<NUM>-.txt
  bool no_geometry = false;
  bool json = false;
};

// binario compile: compiles an author's pair and writes the three binary files.
int compile_command(const CompileOptions& options, FileSystem& fs, Ui& ui, std::ostream& out,
                    std::ostream& err);

// binario check: reads an author's pair exactly as compile does and prints
// every diagnostic, but writes nothing. A taken reserved slot is reported as
// a diagnostic, without the error box. `output_dir` is not used.
int check_command(const CompileOptions& options, FileSystem& fs, std::ostream& out,
                  std::ostream& err);

// The scenario name and train number of an author's pair, for the files
// (UTF-8) and as the model stores them (Windows-1252).
struct AuthorPairNames {
  std::string name;
  std::string number;
  std::string model_name;
  std::string model_number;
};

// The names from the options or the file names, as compile and check both
// tell them. Returns the usage exit status, after saying why on `err`, when
// they cannot be told.
std::optional<int> author_pair_names(const CompileOptions& options, AuthorPairNames* names,
                                     std::ostream& err);

// Sets `form` up for an author's pair as compile and check both do: the
// scenario name and train number from the options or the file names, the
// descriptions read where they are and kept. Returns the usage exit status,
// after saying why on `err`, when the names cannot be told.
std::optional<int> set_up_author_pair(const CompileOptions& options, Form1& form,
                                      std::ostream& err);

// Prints the outcome of an author's compile or check, text on `err` or JSON
// on `out`, and returns the exit status.
int report_author_pair(const CompileOptions& options, const Status& status, const RunReport& report,
                       std::ostream& out, std::ostream& err);

// binario [-C DIR]: the whole run in DIR.
int run_command(const std::string& dir, FileSystem& fs, Ui& ui, std::ostream& err);

// binario sources [-C DIR]: writes the five texts of the built-in scenario.
int sources_command(const std::string& dir, FileSystem& fs, std::ostream& out, std::ostream& err);

// NAME from a path ending in <NAME>_linea.txt.
std::optional<std::string> name_from_line_file(const std::string& path);
// NUM from a path ending in <NAME>_<NUM>-.txt.
std::optional<std::string> number_from_train_file(const std::string& path, const std::string& name);

// The directory that holds the running program.
std::string program_directory();

}  // namespace binario
