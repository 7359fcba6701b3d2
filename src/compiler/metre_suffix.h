// How a fault's metre follows its message, the same in every front end.
#pragma once

#include <string>

#include "compiler/diagnostics.h"

namespace binario {

// " (metre P)" for an error with a position, unless its message already ends
// with "metre P" or says it elsewhere: the position said once.
std::string metre_suffix(const Diagnostic& d);

}  // namespace binario
