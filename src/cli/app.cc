#include "cli/app.h"

#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/arguments.h"
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
void add_colour_option(Command& command, std::string* mode) {
  command
      .add_option("--color", mode,
                  "Colour the diagnostics: auto (on a terminal, unless NO_COLOR is set), always or "
                  "never")
      .member_of({"auto", "always", "never"})
      .type_name("WHEN");
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
int parse_and_run(const std::vector<std::string>& arguments, bool* ran_the_run) {
  Command program{
      "binario",
      "binario compiles train-driving scenarios: without a subcommand it writes the built-in "
      "scenario's texts into the folder and compiles them into the simulator's three files."};
  const std::string version = std::string("binario ") + BINARIO_VERSION;
  program.add_version_flag("--version", version);
  auto folder = std::make_shared<std::string>();
  program
      .add_option("-C", folder.get(),
                  "The scenario folder of the run (default: the folder of the program); before a "
                  "subcommand, the folder it runs in. Created when missing")
      .type_name("DIR");
  std::string colour = "auto";
  add_colour_option(program, &colour);
  std::function<int()> run = add_run_options(program, folder);
  const std::vector<Subcommand> subcommands = {
      add_compile_command(program),
      add_check_command(program),
      add_sources_command(program, folder),
      add_dump_command(program),
      add_plot_command(program),
      add_decompile_command(program),
      add_documents_command(program),
      add_timetable_command(program),
      add_lsp_command(program),
      add_explain_command(program),
      add_format_command(program),
  };
  for (const Subcommand& s : subcommands) {
    s.command->add_version_flag("--version", version);
    add_colour_option(*s.command, &colour);
  }
  switch (parse_command_line(program, arguments, std::cout, std::cerr)) {
    case ParseOutcome::kRun:
      break;
    case ParseOutcome::kAnswered:
      return kExitClean;
    case ParseOutcome::kRefused:
      return kExitUsage;
  }
  set_colour_diagnostics(
      colour_wanted(colour_mode(colour), standard_error_shows_colour(), std::getenv("NO_COLOR")));
  for (const Subcommand& s : subcommands) {
    if (!s.command->parsed()) continue;
    if (!folder->empty() && !enter_folder(*folder)) return kExitFileError;
    if (!s.long_lived) prepare_heap_for_one_command();
    return s.run();
  }
  prepare_heap_for_one_command();
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
    return parse_and_run(arguments, &ran_the_run);
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
  const int status = parse_and_run(arguments, &ran_the_run);
  std::cerr.flush();
  const bool clash_shown = ran_the_run && status == kExitStopped;
  if ((status != kExitClean && !clash_shown) || dropped) {
    show_message_box(message_box_text(recorder.recorded(), status), status != kExitClean);
  }
  return status;
}

}  // namespace binario
