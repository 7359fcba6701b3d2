// The subcommands, independent of argument parsing so tests can call them.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/author_pair.h"
#include "cli/document_files.h"
#include "platform/file_system.h"
#include "platform/ui.h"
#include "run/form1.h"
#include "run/run_report.h"

namespace binario {

// binario compile: compiles an author's pair and writes the three binary files;
// with options.documents, the driver's documents too (`document_options`).
int compile_command(const CompileOptions& options, FileSystem& fs, Ui& ui, std::ostream& out,
                    std::ostream& err, const DocumentOptions& document_options = {});

// The line compile prints on success on a terminal: the files written and
// how many cells, stations and signals the track holds.
std::string compile_summary(const RunReport& report, const TrackModel& model);

// binario check: reads an author's pair exactly as compile does and prints
// every diagnostic, but writes nothing. A taken reserved slot is reported as
// a diagnostic, without the error box. `output_dir` is not used.
int check_command(const CompileOptions& options, FileSystem& fs, std::ostream& out,
                  std::ostream& err);

struct PlotArgs {
  std::vector<std::string> inputs;  // LINE TRAIN, or DIR
  std::string output;               // empty: beside the inputs
  bool strict = false;              // any diagnostic gives exit status 1
};

// binario plot: the picture of a line pair compiled in memory, or of the
// binary files a run left in a folder, written as one SVG.
int plot_command(const PlotArgs& args, FileSystem& fs, std::ostream& out, std::ostream& err);

struct TimetableArgs {
  CompileOptions pair;                 // LINE, TRAIN, names, --json, --strict
  std::optional<double> acceleration;  // m/s²; default kDefaultAcceleration
  std::optional<double> braking;       // m/s²; default from the braked mass
};

// binario timetable: the run of the train of an author's pair, compiled in
// memory, per station and in total; diagnostics and exit status as check.
int timetable_command(const TimetableArgs& args, FileSystem& fs, std::ostream& out,
                      std::ostream& err);

struct DecompileArgs {
  std::vector<std::string> inputs;  // the binary files (2 or 3), or DIR
  std::string output_dir;           // empty: the folder of the binary files
  bool force = false;               // replace descriptions that exist
};

// binario decompile: the two descriptions of a compiled scenario, written
// (as one set) only when they compile back to the very same bytes.
int decompile_command(const DecompileArgs& args, FileSystem& fs, std::ostream& out,
                      std::ostream& err);

struct DocumentsArgs {
  CompileOptions pair;  // output_dir: the folder of the documents
  DocumentOptions documents;
};

// binario documents: the driver's three documents of an author's pair
// (train sheet, slowdown order, notes), written as one set when the pair
// compiles without a fault.
int documents_command(const DocumentsArgs& args, FileSystem& fs, std::ostream& out,
                      std::ostream& err);

struct FormatArgs {
  std::vector<std::string> files;
  bool check = false;  // --check: change nothing, exit 1 when a file would change
};

// binario format: each description laid out in columns, in place, when the
// laid-out text compiles to the same bytes, status pair and diagnostics.
int format_command(const FormatArgs& args, FileSystem& fs, std::ostream& err);

struct DumpArgs {
  std::string file;
  bool json = false;
  std::optional<std::string> cell;   // --cell N, as written
  std::optional<std::string> metre;  // --at METRE, as written
};

// binario dump: what one binary file holds, as a table or JSON; with --cell
// or --at (a track cells file only) a few cells around the one asked for.
int dump_command(const DumpArgs& args, FileSystem& fs, std::ostream& out, std::ostream& err);

// binario explain [CODE|NAME|TOPIC]: prints the format reference's entry or
// topic for `what`, or the list of them when `what` is empty; an unknown name
// is a usage error that lists them.
int explain_command(const std::string& what, std::ostream& out, std::ostream& err);

// binario [-C DIR]: the whole run in DIR.
int run_command(const std::string& dir, FileSystem& fs, Ui& ui, std::ostream& err);

// binario sources [-C DIR] [--force]: writes the five texts of the built-in
// scenario; an edited description there is kept unless `force`.
int sources_command(const std::string& dir, bool force, FileSystem& fs, std::ostream& out,
                    std::ostream& err);

}  // namespace binario
