// What the fuzz targets share: a check that stops the run with the failed
// condition, and the status codes the compiler may record.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>

#include "compiler/diagnostics.h"

#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (false)

namespace binario::fuzz {

inline bool is_status_code(int32_t code) {
  return std::any_of(std::begin(kFaultCodes), std::end(kFaultCodes),
                     [code](const FaultCode& f) { return f.code == code; });
}

}  // namespace binario::fuzz
