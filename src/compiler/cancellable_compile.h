// A compile that can be abandoned: the language server stops one that an
// exit or a newer text has made pointless.
#pragma once

#include <atomic>

#include "compiler/compile.h"
#include "compiler/field_reader.h"

namespace binario {

// compile(input), but throwing CompileCancelled soon after `cancel` becomes
// true; nothing else differs.
CompileResult compile(const CompileInput& input, const std::atomic<bool>& cancel);

}  // namespace binario
