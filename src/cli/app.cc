#include "cli/app.h"

#include <CLI/CLI.hpp>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/report.h"
#include "cli/subcommands.h"
#include "cli/user_notice.h"
#include "output/text_encoding.h"
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
    std::cerr << "binario: cannot create the folder '" << escaped_utf8(dir) << "': " << error
              << '\n';
    return false;
  }
  if (!change_directory(dir, &error)) {
    std::cerr << "binario: cannot change to the folder '" << escaped_utf8(dir) << "': " << error
              << '\n';
    return false;
  }
  return true;
}

// Parses `arguments` (the program's name first) and runs what they ask for.
// `ran_the_run` is set when they asked for the run, whose own box tells a
// taken reserved slot.
int parse_and_run(std::vector<std::string> arguments, bool* ran_the_run) {
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
      add_compile_command(app),   add_check_command(app),     add_sources_command(app, folder),
      add_dump_command(app),      add_plot_command(app),      add_decompile_command(app),
      add_documents_command(app), add_timetable_command(app), add_lsp_command(app),
      add_explain_command(app),   add_format_command(app),
  };
  for (const Subcommand& s : subcommands) {
    s.command->set_version_flag("--version", version);
    add_colour_option(*s.command, &colour);
  }
  app.require_subcommand(0, 1);

  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
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
  *ran_the_run = true;
  return run();
}

}  // namespace

int run_cli(int argc, char** argv) {
  std::vector<std::string> arguments(argv, argv + argc);
  for (size_t i = 1; i < arguments.size(); ++i) {
    if (std::optional<std::string> hint = argument_hint(arguments[i])) {
      std::cerr << "binario: note: " << *hint << '\n';
    }
  }
  if (!output_vanishes_at_exit()) {
    bool ran_the_run = false;
    return parse_and_run(std::move(arguments), &ran_the_run);
  }
  // Started from Explorer: what goes to standard error is shown in a box
  // too, on failure and after a drop of a pair on the program.
  const StreamRecorder recorder(std::cerr);
  std::optional<std::vector<std::string>> dropped =
      dropped_pair(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
  if (dropped)
    arguments.insert(arguments.erase(arguments.begin() + 1, arguments.end()), dropped->begin(),
                     dropped->end());
  bool ran_the_run = false;
  const int status = parse_and_run(std::move(arguments), &ran_the_run);
  std::cerr.flush();
  const bool clash_shown = ran_the_run && status == kExitStopped;
  if ((status != kExitClean && !clash_shown) || dropped) {
    show_message_box(message_box_text(recorder.recorded(), status), status != kExitClean);
  }
  return status;
}

}  // namespace binario
