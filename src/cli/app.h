#pragma once

namespace binario {

// Runs the command line; returns the exit status.
int run_cli(int argc, char** argv);

}  // namespace binario
