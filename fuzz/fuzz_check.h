// What the fuzz targets share: a check that stops the run with the failed
// condition, the status codes the compiler may record, and the pair of
// descriptions an input stands for.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

#include "compiler/compile.h"
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

// The pair of descriptions in a fuzz input: before its first NUL or SOH byte
// the line description, after it the train description (with neither byte
// there is no train description at all). `*geometry_asked` is true when the
// byte is NUL.
inline CompileInput pair_of_input(const uint8_t* data, size_t size, bool* geometry_asked) {
  // An empty input may come without a buffer at all.
  const std::string input =
      size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find_first_of(std::string_view("\0\1", 2));
  CompileInput in;
  in.line.name = "F_linea.txt";
  in.train.name = "F_1-.txt";
  in.model_name = "F";
  in.model_number = "1";
  in.line.text = input.substr(0, split);
  if (split != std::string::npos) {
    in.train.text = input.substr(split + 1);
  } else {
    in.train.unreadable = "No such file or directory";
  }
  *geometry_asked = split != std::string::npos && input[split] == '\0';
  return in;
}

}  // namespace binario::fuzz
