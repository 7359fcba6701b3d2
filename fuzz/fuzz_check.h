// What the fuzz targets share: a check that stops the run with the failed
// condition, and the status codes the compiler may record.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

namespace binario::fuzz {

inline bool is_status_code(int32_t code) {
  static constexpr std::array<int32_t, 28> kCodes = {1,  2,  3,  4,   5,   6,   7,    8,   9,  10,
                                                     11, 12, 13, 15,  16,  17,  18,   19,  20, 21,
                                                     22, 24, 25, 101, 102, 103, 1250, 1251};
  return std::find(kCodes.begin(), kCodes.end(), code) != kCodes.end();
}

}  // namespace binario::fuzz
