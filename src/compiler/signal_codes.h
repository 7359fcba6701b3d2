// The forward pass that adds speed-code points in front of signals before a
// slowdown warning board, before every slowdown start, inside slow slowdowns
// and in front of the first signal after them.
#pragma once

#include <cstdint>

#include "compiler/diagnostics.h"
#include "compiler/track_model.h"

namespace binario {

// The value of every speed-code point the pass places.
inline constexpr int16_t kPassCodePointValue = 180;

// The smaller of the two; on equal values the first.
int16_t minimo(int16_t x, int16_t y);

// Places the speed-code points in `model`. A cell it cannot place is a fault
// (11, 12 or 13) located at the record that placed the object it is about,
// in `line` or `train` as the cell's origin says; without origins, or
// without the texts, the fault has no location.
void place_signal_codes(TrackModel& model, Status& status, DescriptionText line = {},
                        DescriptionText train = {});

}  // namespace binario
