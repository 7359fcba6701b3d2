// Figures of a run in words, as the warnings and the timetable write them.
#pragma once

#include <cstdint>
#include <string>

namespace binario {

// "30 s", "3 min 22 s", "1 h 5 min", from whole seconds (negative with a
// minus sign).
std::string duration_text(int64_t seconds);
// "7,700 m", "120 m": metres with a comma every three digits.
std::string metres_text(int64_t metres);
// "0.86": a rate with two decimals.
std::string rate_text(double rate);

}  // namespace binario
