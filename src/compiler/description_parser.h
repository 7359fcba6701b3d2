// What the line and the train parser share: the model they fill, the status
// they record faults in, the reader they read from, and the checks every
// placement makes, each reporting its fault the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "compiler/diagnostics.h"
#include "compiler/field_reader.h"
#include "compiler/track_model.h"

namespace binario {

class DescriptionParser {
 protected:
  // `file` names the text in diagnostics; `placer` is what the objects this
  // text places are said to be placed by.
  DescriptionParser(TrackModel& model, Status& status, FieldReader& reader, std::string file,
                    Placer placer);

  // Records a fault at `where` in this text, with the text of its line.
  void fault(int32_t code, std::optional<int32_t> position, TextPosition where,
             const std::string& detail);
  // False, with status 15 recorded, when metre `p` leaves less than `margin`
  // metres before the last cell.
  bool range_check(const Field& kw, int64_t p, int64_t margin);
  // False, with status 15 recorded, when `what` at metre `p` would land in
  // cell `j` outside the cells.
  bool cell_inside(const Field& kw, int64_t p, int64_t j, const std::string& what);
  // The origin recorded for an object placed by the record of `kw`.
  CellOrigin placed_by(const Field& kw) const { return {placer_, kw.where.line}; }

  TrackModel& model_;
  Status& status_;
  FieldReader& reader_;
  std::string file_;

 private:
  Placer placer_;
};

}  // namespace binario
