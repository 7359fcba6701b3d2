// The steps of a compile on disk, each a function of its own: read the two
// descriptions into a compile's input, compile them (compiler/compile.h),
// and commit the outcome — delete what was read when asked, then write the
// binary files as one set. The built-in run (Form1) and the author's compile
// chain the three; a command that must look at the compile before anything
// on disk is touched (a strict compile) stops between compile and commit.
#pragma once

#include <string>
#include <vector>

#include "compiler/compile.h"
#include "platform/file_system.h"
#include "run/file_names.h"
#include "run/file_sets.h"
#include "run/run_report.h"

namespace binario {

// Where the descriptions are and how the compile is asked to read them.
struct ReadPlan {
  std::string line_path;
  std::string line_name;  // in diagnostics; the path when empty
  std::string train_path;
  std::string train_name;
  std::string model_name;    // the scenario name as the model stores it
  std::string model_number;  // the train number as the model stores it
  bool with_geometry = false;
  bool extra_diagnostics = false;
};

// The descriptions read from disk into a compile's input.
CompileInput read_step(FileSystem& fs, const ReadPlan& plan);

// What is done with a compile's outcome.
struct CommitPlan {
  // The descriptions, deleted once the compile has read them (the run).
  std::string line_path;
  std::string train_path;
  bool delete_sources = true;
  // Write nothing when a description could not be opened at all (an author's
  // compile); the run writes the files all the same.
  bool refuse_unopened = false;
  // False for a check: nothing written.
  bool write_outputs = true;
  ScenarioFileNames outputs;
  bool with_geometry = false;  // the plan geometry is written too
  // Texts put in place in one set with the binary files, before them (the
  // run's documents): a scenario gets all of them or none.
  std::vector<SetText> texts;
};

// Commits `result`, the compile of `input`: deletes what the compile read
// (the line description once it was opened, the train description once the
// compile went on to it), then writes the binary files unless the compile
// ended without a model, a reserved slot stopped it, or a refused input or
// `write_outputs` says not to; the plan's texts go in their set. The report says how it ended.
RunReport commit_step(FileSystem& fs, const CommitPlan& plan, const CompileInput& input,
                      const CompileResult& result);

// The report of a compile that writes nothing (a check, or a strict compile
// that stops before committing): how it ended, kInputUnopened when a
// description could not be opened at all.
RunReport unwritten_report(const CompileInput& input, const CompileResult& result);

}  // namespace binario
