// Warnings from the run of the train: a station time the speed limits alone
// cannot meet, one this train cannot meet, two timed stations with no time
// between them, a timed stop where the train cannot stop, a second clock,
// and a clock hours before the first departure. They read the compiled
// model and the records read, and change nothing: not a byte, not the
// status pair.
#pragma once

#include "compiler/diagnostics.h"
#include "compiler/records_read.h"
#include "compiler/track_model.h"

namespace binario {

// A clock more than this before the first departure is taken for a
// mistake (seconds).
inline constexpr int64_t kLongestWaitBeforeDeparture = 3600;

// Adds to `status` a warning for each fault of the run of the train of
// `model`, at the records of `read` (a compile's MeaningCheck).
void check_run(const TrackModel& model, const RecordsRead& read, DescriptionText line,
               DescriptionText train, Status& status);

}  // namespace binario
