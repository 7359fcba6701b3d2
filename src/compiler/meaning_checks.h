// Warnings about what a scenario means, not how it reads: records listed out
// of order, spans that run backwards or overlap, a station stop that
// overwrites an object, times that cannot be, values no line has, numbers
// split by a separator, a keyword made a comment by its hyphen. They read the
// finished model and the records the compile read, and change nothing: not a
// byte, not the status pair.
#pragma once

#include <string_view>

#include "compiler/diagnostics.h"
#include "compiler/records_read.h"
#include "compiler/track_model.h"

namespace binario {

// The limits past which a value is taken for a mistake (docs/format.md gives
// the reasons).
inline constexpr int64_t kMostPlausibleSpeed = 350;    // km/h
inline constexpr int64_t kMostPlausibleGradient = 50;  // per mille, either way

// Adds to `status` a warning for each mistake of meaning in the records
// `read` from `line` and `train`, as compiled into `model`.
void check_meaning(const TrackModel& model, const RecordsRead& read, DescriptionText line,
                   DescriptionText train, Status& status);

// Adds to `status` a warning when `line` reads as a train description and
// `train` as a line description: the first record of each belongs to the
// other file. It reads the texts alone, so it also speaks when the swapped
// line description stops the compile before any model is built.
void check_pair_order(DescriptionText line, DescriptionText train, Status& status);

}  // namespace binario
