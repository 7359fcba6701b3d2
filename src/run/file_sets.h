// The files a run or a compile writes, written as sets: every name checked
// first, every file written to a temporary, the old files replaced only when
// all are complete, so a failure leaves the set as it was.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "compiler/track_model.h"
#include "output/binary_files.h"
#include "platform/file_system.h"
#include "run/file_names.h"
#include "run/run_report.h"

namespace binario {

// Replaces `path` with `image` of `model`, streamed through the file system.
// Returns false with the system's reason in `error` on failure.
bool write_binary_image(FileSystem& fs, const std::string& path, BinaryImage image,
                        const TrackModel& model, std::string* error);

// A text of a set: where it goes and its bytes.
struct SetText {
  std::string path;
  std::string text;
};

// The paths of `texts`, in order.
std::vector<std::string> set_text_paths(const std::vector<SetText>& texts);

// Writes the binary files of a finished model under the names of `out` (the
// plan geometry only with `with_geometry`) as one set with `texts` (written
// before them), after removing the stale temporaries of their folder
// (remove_stale_temporaries): every name is checked, every text and image is
// written to a temporary first, and the old files are replaced only when all
// are complete, each then added to `report->outputs`. A failure is added to
// `report->file_errors` and gives false; the old files are then all still in
// place ("; nothing was replaced"), unless a rename failed after an earlier
// one succeeded, which the message spells out.
bool write_binary_files(FileSystem& fs, const ScenarioFileNames& out, const TrackModel& model,
                        bool with_geometry, RunReport* report,
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
