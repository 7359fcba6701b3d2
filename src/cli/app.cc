#include "cli/app.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/commands.h"
#include "platform/file_system.h"
#include "platform/ui.h"

namespace binario {

namespace {

// The folder of a run: the one given with -C (created when missing), or the
// folder that holds the program.
bool scenario_folder(const std::string& option, std::string* dir) {
  if (option.empty()) {
    *dir = program_directory();
    return true;
  }
  std::error_code ec;
  std::filesystem::create_directories(option, ec);
  if (ec) {
    std::cerr << "binario: cannot create the folder '" << option << "': " << ec.message() << '\n';
    return false;
  }
  *dir = option;
  return true;
}

}  // namespace

int run_cli(int argc, char** argv) {
  CLI::App app{
      "binario compiles train-driving scenarios: without a subcommand it writes the built-in "
      "scenario's texts into the folder and compiles them into the simulator's three files.",
      "binario"};
  app.set_version_flag("--version", std::string("binario ") + BINARIO_VERSION);
  std::string run_dir;
  app.add_option("-C", run_dir, "The scenario folder (default: the folder of the program)");

  CompileOptions compile;
  std::string name;
  std::string number;
  CLI::App* compile_cmd = app.add_subcommand(
      "compile", "Compile a line description and a train description into the binary files");
  compile_cmd->add_option("LINE", compile.line, "The line description (NAME_linea.txt)")
      ->required();
  compile_cmd->add_option("TRAIN", compile.train, "The train description (NAME_NUMBER-.txt)")
      ->required();
  compile_cmd->add_option("-o,--output", compile.output_dir,
                          "Folder for the binary files (default: the folder of LINE)");
  CLI::Option* name_opt =
      compile_cmd->add_option("--name", name, "Scenario name (default: from LINE's file name)");
  CLI::Option* number_opt =
      compile_cmd->add_option("--number", number, "Train number (default: from TRAIN's file name)");
  compile_cmd->add_flag("--no-geometry", compile.no_geometry,
                        "Read no curves and write no geometry file");
  compile_cmd->add_flag("--json", compile.json, "Print the outcome as one JSON object");

  std::string sources_dir;
  CLI::App* sources_cmd = app.add_subcommand(
      "sources", "Write the built-in scenario's two descriptions and three documents, and stop");
  sources_cmd->add_option("-C", sources_dir,
                          "The scenario folder (default: the folder of the program)");

  app.require_subcommand(0, 1);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    int code = app.exit(e);
    return code == 0 ? 0 : kExitUsage;
  }

  RealFileSystem fs;
  if (compile_cmd->parsed()) {
    if (!run_dir.empty()) {
      std::cerr << "binario: -C goes with a run, not with compile (use -o for the output folder)\n";
      return kExitUsage;
    }
    if (*name_opt) compile.name = name;
    if (*number_opt) compile.number = number;
    auto ui = make_console_ui();
    return compile_command(compile, fs, *ui, std::cout, std::cerr);
  }
  if (sources_cmd->parsed()) {
    std::string dir;
    if (!scenario_folder(sources_dir.empty() ? run_dir : sources_dir, &dir)) return 5;
    return sources_command(dir, fs, std::cout, std::cerr);
  }
  std::string dir;
  if (!scenario_folder(run_dir, &dir)) return 5;
  auto ui = make_console_ui();
  return run_command(dir, fs, *ui, std::cerr);
}

}  // namespace binario
