#include "cli/app.h"

namespace binario {

int run_cli(int, char**) { return 0; }

}  // namespace binario
