// The fixed-width rules of the scenario formats: every store of a computed
// value into a model field goes through one of these, so the truncations are
// visible at the point of the store.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace binario {

// Low 8 bits, as a Byte field keeps them.
constexpr uint8_t low8(int64_t v) {
  return static_cast<uint8_t>(static_cast<uint64_t>(v) & 0xFFu);
}

// Low 16 bits read back as a signed Integer (16-bit wrap).
constexpr int16_t low16(int64_t v) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint64_t>(v) & 0xFFFFu));
}

// Nearest integer, halves to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
// Computed on the exact double so callers pass the quotient as written.
inline int64_t nearest(double x) {
  double r = std::floor(x);
  double diff = x - r;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(r, 2.0) != 0.0)) r += 1.0;
  return static_cast<int64_t>(r);
}

// The length of a cell in metres: cell k covers metres 50k .. 50k + 49.
inline constexpr int64_t kCellLength = 50;

// Cell of a span that starts at metre p: nearest(p / 50).
inline int64_t span_cell(int64_t p) {
  return nearest(static_cast<double>(p) / static_cast<double>(kCellLength));
}

// Cell of a point object at metre p: nearest(p / 50 + 1).
inline int64_t point_cell(int64_t p) {
  return nearest(static_cast<double>(p) / static_cast<double>(kCellLength) + 1.0);
}

// The metre a span starting in cell j is written at: span_cell of it is j.
inline int64_t span_start(int64_t j) {
  return j * kCellLength;
}

// The metre a point object in cell j is written at: point_cell of it is j.
inline int64_t point_position(int64_t j) {
  return (j - 1) * kCellLength;
}

constexpr bool fits_long(int64_t v) {
  return v >= std::numeric_limits<int32_t>::min() && v <= std::numeric_limits<int32_t>::max();
}
constexpr bool fits_integer(int64_t v) {
  return v >= std::numeric_limits<int16_t>::min() && v <= std::numeric_limits<int16_t>::max();
}
constexpr bool fits_byte(int64_t v) {
  return v >= 0 && v <= 255;
}

// A value that must go into a Long field, or nothing when it does not fit.
constexpr std::optional<int32_t> checked_long(int64_t v) {
  if (!fits_long(v)) return std::nullopt;
  return static_cast<int32_t>(v);
}

}  // namespace binario
