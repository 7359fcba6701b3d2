// POSIX systems separate names with '/' only.
#include "platform/paths.h"

namespace binario {

char path_separator() {
  return '/';
}

bool is_path_separator(char c) {
  return c == '/';
}

}  // namespace binario
