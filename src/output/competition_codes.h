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

// Checks the reserved slots and stamps the markers 610 / 5121 and the codes.
StampResult stamp_reserved_slots(TrackModel& model);

}  // namespace binario
