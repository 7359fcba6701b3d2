// Times of day along a run. A run may cross midnight: a time that goes back
// by more than twelve hours from the one before it is read as the next day,
// in every check that compares two times.
#pragma once

#include <cstdint>
#include <string>

namespace binario {

inline constexpr int64_t kDaySeconds = 24 * 3600;
inline constexpr int64_t kHalfDaySeconds = 12 * 3600;

// `t` on the run's clock after `previous`: a whole number of days added
// while it lies more than twelve hours before `previous`.
inline int64_t time_after(int64_t previous, int64_t t) {
  if (previous - t > kHalfDaySeconds)
    t += ((previous - t - kHalfDaySeconds - 1) / kDaySeconds + 1) * kDaySeconds;
  return t;
}

// "9:05:00" for a time in seconds; a time past midnight of the next day
// shows its hours past 24 unless the caller takes the days off.
inline std::string clock_text(int64_t seconds) {
  const int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  auto two = [](int64_t v) { return (v < 10 ? "0" : "") + std::to_string(v); };
  return std::to_string(h) + ":" + two(m) + ":" + two(s);
}

}  // namespace binario
