#include "cli/app.h"

int main(int argc, char** argv) {
  return binario::run_cli(argc, argv);
}
