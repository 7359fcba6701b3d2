#include "output/kilometres.h"

namespace binario {

std::string kilometres(int64_t metres) {
  // The magnitude in unsigned arithmetic: negating INT64_MIN would overflow.
  const uint64_t whole =
      metres < 0 ? 0 - static_cast<uint64_t>(metres) : static_cast<uint64_t>(metres);
  std::string fraction = std::to_string(whole % 1000);
  fraction.insert(0, 3 - fraction.size(), '0');
  return (metres < 0 ? "-" : "") + std::to_string(whole / 1000) + "." + fraction;
}

}  // namespace binario
