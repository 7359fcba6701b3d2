#include "cli/app.h"

#include <CLI/CLI.hpp>
#include <vector>

#include "cli/commands.h"
#include "cli/subcommands.h"

namespace binario {

int run_cli(int argc, char** argv) {
  CLI::App app{
      "binario compiles train-driving scenarios: without a subcommand it writes the built-in "
      "scenario's texts into the folder and compiles them into the simulator's three files.",
      "binario"};
  // Arguments starting with '/' are paths, also on Windows (set before the
  // subcommands, which inherit it).
  app.allow_windows_style_options(false);
  app.set_version_flag("--version", std::string("binario ") + BINARIO_VERSION);
  std::function<int()> run = add_run_options(app);
  const std::vector<Subcommand> subcommands = {
      add_compile_command(app), add_check_command(app), add_sources_command(app),
      add_dump_command(app),    add_plot_command(app),  add_lsp_command(app),
  };
  app.require_subcommand(0, 1);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e);
    return code == 0 ? kExitClean : kExitUsage;
  }
  for (const Subcommand& s : subcommands) {
    if (s.command->parsed()) return s.run();
  }
  return run();
}

}  // namespace binario
