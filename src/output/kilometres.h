// Metres shown as kilometres, the way every message, tooltip and picture of
// binario writes them: "2.750" for metre 2750, "-0.500" for metre -500.
#pragma once

#include <cstdint>
#include <string>

namespace binario {

// Whole kilometres, a point and three digits of metres; any int64_t,
// INT64_MIN included.
std::string kilometres(int64_t metres);

}  // namespace binario
