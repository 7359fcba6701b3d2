// Comparing what a decoder read back with the model it was written from:
// every field of a record as one tuple, every geometry point bit for bit.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "compiler/track_model.h"
#include "output/binary_decoders.h"
#include "output/record_layout.h"

namespace binario::test {

// Every field of a record as one tuple, from the layout table.
inline auto fields(const Cella& c) {
  return record_values(c);
}
inline auto fields(const VoceTreno& v) {
  return record_values(v);
}

// Checks every point of `geometry` against what `linea` holds, bit for bit.
inline void expect_geometry(const DecodedGeometry& geometry, const Linea& linea) {
  ASSERT_EQ(geometry.first.size(), linea.points());
  ASSERT_EQ(geometry.second.size(), linea.points());
  const std::vector<Linea::Point> points = linea.coordinates();
  for (size_t k = 0; k < linea.points(); ++k) {
    const Tag tag = linea.tag(k);
    ASSERT_EQ(geometry.first[k].tag, tag) << k;
    ASSERT_EQ(geometry.second[k].tag, tag) << k;
    if (tag == Tag::kEmpty) {
      ASSERT_EQ(geometry.first[k].value, 0) << k;
      ASSERT_EQ(geometry.second[k].value, 0) << k;
    } else {
      ASSERT_EQ(std::bit_cast<uint64_t>(geometry.first[k].value),
                std::bit_cast<uint64_t>(points[k].x))
          << k;
      ASSERT_EQ(std::bit_cast<uint64_t>(geometry.second[k].value),
                std::bit_cast<uint64_t>(points[k].y))
          << k;
    }
  }
}

}  // namespace binario::test
