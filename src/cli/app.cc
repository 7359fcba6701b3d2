#include "cli/app.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <vector>

#include "cli/commands.h"
#include "cli/report.h"
#include "cli/subcommands.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace binario {

namespace {

// --color=auto|always|never, on the program and on every subcommand, so it
// may come before or after the subcommand's name.
void add_colour_option(CLI::App& app, std::string* mode) {
  app.add_option("--color", *mode,
                 "Colour the diagnostics: auto (on a terminal, unless NO_COLOR is set), always or "
                 "never")
      ->check(CLI::IsMember({"auto", "always", "never"}).description(""))
      ->type_name("WHEN");
}

ColourMode colour_mode(const std::string& name) {
  if (name == "always") return ColourMode::kAlways;
  if (name == "never") return ColourMode::kNever;
  return ColourMode::kAuto;
}

// -C DIR before a subcommand: the subcommand runs as if started in DIR,
// created when missing as the run creates its folder.
bool enter_folder(const std::string& dir) {
  RealFileSystem fs;
  std::string error;
  if (!fs.make_directories(dir, &error)) {
    std::cerr << "binario: cannot create the folder '" << dir << "': " << error << '\n';
    return false;
  }
  if (!change_directory(dir, &error)) {
    std::cerr << "binario: cannot change to the folder '" << dir << "': " << error << '\n';
    return false;
  }
  return true;
}

}  // namespace

int run_cli(int argc, char** argv) {
  CLI::App app{
      "binario compiles train-driving scenarios: without a subcommand it writes the built-in "
      "scenario's texts into the folder and compiles them into the simulator's three files.",
      "binario"};
  // Arguments starting with '/' are paths, also on Windows (set before the
  // subcommands, which inherit it).
  app.allow_windows_style_options(false);
  const std::string version = std::string("binario ") + BINARIO_VERSION;
  app.set_version_flag("--version", version);
  auto folder = std::make_shared<std::string>();
  app.add_option("-C", *folder,
                 "The scenario folder of the run (default: the folder of the program); before a "
                 "subcommand, the folder it runs in. Created when missing")
      ->type_name("DIR");
  std::string colour = "auto";
  add_colour_option(app, &colour);
  std::function<int()> run = add_run_options(app, folder);
  const std::vector<Subcommand> subcommands = {
      add_compile_command(app), add_check_command(app),   add_sources_command(app, folder),
      add_dump_command(app),    add_plot_command(app),    add_decompile_command(app),
      add_lsp_command(app),     add_explain_command(app),
  };
  for (const Subcommand& s : subcommands) {
    s.command->set_version_flag("--version", version);
    add_colour_option(*s.command, &colour);
  }
  app.require_subcommand(0, 1);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e);
    return code == 0 ? kExitClean : kExitUsage;
  }
  set_colour_diagnostics(
      colour_wanted(colour_mode(colour), standard_error_shows_colour(), std::getenv("NO_COLOR")));
  for (const Subcommand& s : subcommands) {
    if (!s.command->parsed()) continue;
    if (!folder->empty() && !enter_folder(*folder)) return kExitFileError;
    return s.run();
  }
  return run();
}

}  // namespace binario
