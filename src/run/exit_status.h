// The process exit statuses every command ends with.
#pragma once

namespace binario {

enum ExitStatus : int {
  kExitClean = 0,      // compiled, no fault
  kExitFault = 1,      // compiled with a fault recorded; the binary files are written all the same
  kExitUsage = 2,      // usage error
  kExitRefused = 3,    // nothing compiled (the model was never built), an input refused, or
                       // the run kept a description it did not write
  kExitStopped = 4,    // a taken reserved slot stopped the run
  kExitFileError = 5,  // a file could not be written, deleted or a folder made
};

inline constexpr ExitStatus kExitStatuses[] = {kExitClean,   kExitFault,   kExitUsage,
                                               kExitRefused, kExitStopped, kExitFileError};

}  // namespace binario
