// The compile: two description texts in memory to the finished model, its
// status pair and every diagnostic. It touches no file and no window, so
// every front end — the run, check, plot, the fuzz targets, the benchmarks —
// reaches the same compile the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "compiler/diagnostics.h"
#include "compiler/records_read.h"
#include "compiler/track_model.h"

namespace binario {

// One description as the caller obtained it.
struct SourceText {
  std::string name;  // how diagnostics name the text
  std::string text;  // Windows-1252 bytes
  // Set when the text could not be read: the reason, recorded as status 25
  // at the moment the compile would have read it.
  std::optional<std::string> unreadable;
  // The line description only: it does not exist (status 101).
  bool missing = false;
};

// A check of meaning that a room above the compiler adds: it reads the
// finished model and the records read, as the compiler's own checks do, and
// only adds warnings. The run of the train (timing/) is one; the front ends
// that report warnings pass it in.
using MeaningCheck = void (*)(const TrackModel& model, const RecordsRead& read,
                              DescriptionText line, DescriptionText train, Status& status);

struct CompileInput {
  SourceText line;
  SourceText train;
  // The scenario name and train number as the model stores them
  // (Windows-1252 bytes).
  std::string model_name;
  std::string model_number;
  bool with_geometry = false;  // read the curves and build the plan geometry
  // With with_geometry, false: the curves are read and checked as when the
  // geometry is built (the same faults, the same records read) but none of
  // its points is computed, and the model's geometry stays empty. For a tool
  // that shows what was read and never the plan: a long line's plan is a
  // million points (16 MB) computed and written to memory on every compile.
  bool geometry_points = true;
  // Report warnings and the faults after a stop (they never change the model
  // or the status pair; off only to check exactly that).
  bool extra_diagnostics = true;
  // Keep what was read, record by record, in CompileResult::records (see
  // compiler/records_read.h). Costs time and memory; the run does not ask.
  bool records_read = false;
  // The kept list points into line.text and train.text instead of holding
  // copies of its fields: for a caller that drops the list while it still
  // holds this input, unchanged. A compile that keeps the list only for its
  // own warnings always does so.
  bool records_borrow_texts = false;
  // Run after the compiler's own checks of meaning, with the warnings on.
  MeaningCheck more_checks = nullptr;
};

// How a compile ended.
enum class CompileEnd {
  kCompiled,         // the model is finished and may be written (the status may hold a fault)
  kModelNeverBuilt,  // the line description never sized the model
  kSlotTaken,        // a reserved slot was taken (status 1250 or 1251): nothing to write
};

// How far the compile read the descriptions: a run deletes what was read.
enum class TextsRead {
  kNone,  // the line description does not exist
  kLine,  // the line description was refused: the train was never read
  kBoth,  // both were read, or a read failure ended the compile
};

struct CompileResult {
  TrackModel model;
  Status status;
  CompileEnd end = CompileEnd::kCompiled;
  TextsRead texts_read = TextsRead::kNone;
  // What was read, when the input asked for it.
  std::optional<RecordsRead> records;
  // The code of the reserved slot that stopped the compile (1250 or 1251).
  int32_t taken_slot() const { return end == CompileEnd::kSlotTaken ? status.codice_errore() : 0; }
};

// Parses the line and the train description, places the signal codes, then
// checks the reserved slots and stamps the markers and competition codes.
CompileResult compile(const CompileInput& input);

}  // namespace binario
