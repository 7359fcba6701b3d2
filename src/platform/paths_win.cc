// Windows joins names with '\' and accepts '/' as well, so paths typed with
// forward slashes work.
#include "platform/paths.h"

namespace binario {

char path_separator() {
  return '\\';
}

bool is_path_separator(char c) {
  return c == '\\' || c == '/';
}

}  // namespace binario
