// Hover texts: on a record's keyword its reference entry; on a value the
// reference row of that field and, on a position, the metre, the km and the
// cell it lands in with what the compile put there.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "compiler/track_model.h"

namespace binario {

// The protocol's Hover for 0-based `line` and UTF-16 `column` of a UTF-8
// description, or null when the place holds no record. `model` is the last
// compile's model of the pair (null when there is none yet).
nlohmann::json hover(std::string_view utf8_text, int line, int column, const TrackModel* model);

// nearest(n / 50): the whole number nearest to the exact quotient, halves
// to the even neighbour.
int64_t nearest_fiftieth(int64_t n);

}  // namespace binario
