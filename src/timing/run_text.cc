#include "timing/run_text.h"

#include <cmath>
#include <cstdio>

namespace binario {

std::string duration_text(int64_t seconds) {
  if (seconds < 0) return "-" + duration_text(-seconds);
  const int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  std::string out;
  auto add = [&out](int64_t v, const char* unit) {
    if (!out.empty()) out += ' ';
    out += std::to_string(v) + ' ' + unit;
  };
  if (h > 0) add(h, "h");
  if (m > 0) add(m, "min");
  if (s > 0 || out.empty()) add(s, "s");
  return out;
}

std::string metres_text(int64_t metres) {
  const bool negative = metres < 0;
  std::string digits = std::to_string(negative ? -metres : metres);
  for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) {
    digits.insert(static_cast<size_t>(i), ",");
  }
  return (negative ? "-" : "") + digits + " m";
}

std::string rate_text(double rate) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.2f", rate);
  return buffer;
}

}  // namespace binario
