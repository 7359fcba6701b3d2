// The markers and the two competition codes stamped into reserved slots of
// the model before it is written.
#pragma once

#include <cstdint>

#include "compiler/track_model.h"

namespace binario {

int16_t codice_gara_og(const TrackModel& model);
int32_t codice_gara_st(const TrackModel& model);

enum class StampResult {
  kStamped,
  kFirstSlotTaken,   // 1250
  kSecondSlotTaken,  // 1251
};

// Checks the reserved slots and stamps the markers 610 / 5121 and the codes,
// in this order: markers checked, markers stamped, code slots checked, st
// into treno entry 85 `orario`, og into cell 1 `valore2`. A taken slot stops
// the stamping there. A track without a cell 1 has only the table's slots.
StampResult stamp_reserved_slots(TrackModel& model);

}  // namespace binario
