// Reads a train description into the track model: speed limits and adhesion
// over the cells, signals, slowdowns, speed-code points and stations, the
// train's parameters into the reserved `treno` entries.
#pragma once

#include <string>

#include "compiler/field_reader.h"
#include "compiler/track_model.h"
#include "run/status.h"

namespace binario {

class TrainParser {
 public:
  // The model must already be built by the line parser.
  TrainParser(TrackModel& model, Status& status, FieldReader& reader, std::string file);

  // Parses the whole text, including the end-of-file steps where they are
  // reached. Throws ReadFailure for a read failure (status 25 is recorded by
  // the caller).
  void parse();

 private:
  TrackModel& model_;
  Status& status_;
  FieldReader& reader_;
  std::string file_;
};

}  // namespace binario
