// Reads a line description into the track model: sizes the cells and the
// geometry, fills the reserved `treno` entries, the gradients, the plan
// geometry, the mountain spans, the speed boards and the sign boards.
#pragma once

#include <string>

#include "compiler/field_reader.h"
#include "compiler/track_model.h"
#include "run/status.h"

namespace binario {

class LineParser {
 public:
  // `file` names the text in diagnostics. `calcola_linea`: build the geometry.
  LineParser(TrackModel& model, Status& status, FieldReader& reader, std::string file,
             bool calcola_linea);

  enum class Outcome {
    kReadTrain,  // the end of the text, or a position beyond the model (15): go on
    kStopped,    // refused (1, 3, 4, 5, 6, 10, 21, 102, 103): the train is not read
  };

  // Parses the whole text. Throws ReadFailure for a read failure (status 25
  // is recorded by the caller), including a general section that ends without
  // a usable line length.
  Outcome parse();

 private:
  TrackModel& model_;
  Status& status_;
  FieldReader& reader_;
  std::string file_;
  bool calcola_linea_;
};

// Rearranges the chainage references in `treno` entries 81 to 83.
void progressive_ordina(TrackModel& model);

}  // namespace binario
