// How a run or a compile ends: what it wrote, which files failed, and the
// process exit status it gives.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "compiler/compile.h"
#include "compiler/diagnostics.h"
#include "compiler/track_model.h"
#include "output/binary_files.h"
#include "platform/file_system.h"
#include "run/exit_status.h"
#include "run/file_names.h"

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

// Replaces `path` with `image` of `model`, streamed through the file system.
// Returns false with the system's reason in `error` on failure.
bool write_binary_image(FileSystem& fs, const std::string& path, BinaryImage image,
                        const TrackModel& model, std::string* error);

// A text of a set: where it goes and its bytes.
struct SetText {
  std::string path;
  std::string text;
};

// Writes the binary files of a finished model under the names of `out` (the
// plan geometry only with `calcola_linea`) as one set with `texts` (written
// before them), after removing the stale temporaries of their folder
// (remove_stale_temporaries): every name is checked, every text and image is
// written to a temporary first, and the old files are replaced only when all
// are complete, each then added to `report->outputs`. A failure is added to
// `report->file_errors` and gives false; the old files are then all still in
// place ("; nothing was replaced"), unless a rename failed after an earlier
// one succeeded, which the message spells out.
bool write_binary_files(FileSystem& fs, const FileNames& out, const TrackModel& model,
                        bool calcola_linea, RunReport* report,
                        const std::vector<SetText>& texts = {});

// Why one of `paths` cannot be made, as "PATH: reason", or nothing: the
// first whose name (without its folder) is longer than a file name may be.
// A set is looked at whole with this before any of it is written.
std::optional<std::string> set_name_refusal(const std::vector<std::string>& paths);

// Writes `texts` as one set: every name is checked first (set_name_refusal),
// every text is written to a temporary, and the old files are replaced only
// when all are complete, each then added to `report->outputs`. A failure is
// added to `report->file_errors` and gives false. Before the renames it
// leaves every old file as it was and the message ends "; nothing was
// replaced"; a rename failing after an earlier one succeeded names the
// texts already replaced.
bool write_texts_together(FileSystem& fs, const std::vector<SetText>& texts, RunReport* report);

}  // namespace binario
