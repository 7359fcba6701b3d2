// How a run or a compile ends: what it wrote, which files failed, and the
// process exit status it gives.
#pragma once

#include <string>
#include <vector>

#include "compiler/compile.h"
#include "compiler/diagnostics.h"
#include "run/exit_status.h"

namespace binario {

// How a run ended, beside the status of the compile.
enum class RunEnd {
  kCompiled,         // the binary files were written (the status may hold a fault)
  kModelNeverBuilt,  // the line description never sized the model: nothing written
  kStopped,          // a reserved slot was taken; errore ended the run: nothing written
  kFileError,        // a file could not be written or deleted
  kInputUnopened,    // compile: a description could not be opened; nothing written
  kKeptDescription,  // run: a description it did not write stands at its name; nothing done
};

// A description standing where the run writes its own that the run did not
// write (an author's edit): the run leaves it, and everything else, alone.
struct KeptDescription {
  std::string path;
  std::string unreadable;  // why it could not be read to compare, or empty: other text
};

struct RunReport {
  RunEnd end = RunEnd::kCompiled;
  std::vector<std::string> outputs;        // every file written, in order
  std::vector<std::string> file_errors;    // "PATH: reason" for each file not written
  std::vector<std::string> delete_errors;  // "PATH: reason" for each file not deleted
  std::vector<KeptDescription> kept;       // with kKeptDescription
};

// The exit status for a run or a compile: clean or with a fault when the
// binary files were (or could have been) written, otherwise how it ended.
ExitStatus exit_status(const RunReport& report, const Status& status);

// The exit status under --strict: a clean compile with any warning (or any
// other diagnostic) ends with kExitFault instead.
ExitStatus strict_exit_status(ExitStatus status, const Status& compile_status);

// A run's report for a compile that writes nothing: how it ended, no outputs.
RunReport compile_report(const CompileResult& result);

}  // namespace binario
