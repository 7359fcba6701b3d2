#include <iostream>
#include <memory>

#include "cli/commands.h"
#include "cli/report.h"
#include "cli/subcommands.h"
#include "output/text_encoding.h"
#include "platform/make_ui.h"
#include "platform/process.h"
#include "run/form1.h"

namespace binario {

namespace {

// The folder of a run: the one given with -C (created when missing), or the
// folder that holds the program, or the current folder when that cannot be
// told (the run writes data there, it loads no code from it). Empty when it
// cannot be created.
std::string scenario_folder(const std::string& option) {
  if (option.empty()) return program_directory().value_or(".");
  RealFileSystem fs;
  std::string error;
  if (!fs.make_directories(option, &error)) {
    std::cerr << "binario: cannot create the folder '" << escaped_utf8(option) << "': " << error
              << '\n';
    return {};
  }
  return option;
}

}  // namespace

int run_command(const std::string& dir, FileSystem& fs, Ui& ui, std::ostream& err) {
  Status status;
  const RunReport report = run_scenario(fs, ui, dir, &status);
  print_text_report(err, status, report);
  return exit_status(report, status);
}

int sources_command(const std::string& dir, bool force, FileSystem& fs, std::ostream& out,
                    std::ostream& err) {
  auto ui = make_console_ui();
  Form1 form(fs, *ui);
  form.cartella_scenario = dir;
  RunReport report = form.write_sources(force);
  // An author's edit is kept as the run keeps it; what to do is sources' own.
  const std::vector<KeptDescription> kept = std::move(report.kept);
  report.kept.clear();
  print_text_report(err, form.status, report);
  for (const KeptDescription& k : kept) {
    err << "binario: " << escaped_utf8(k.path) << ": ";
    if (k.unreadable.empty()) {
      err << "holds another text than the description sources writes there";
    } else {
      err << "cannot be read to tell whether sources wrote it: " << escaped_utf8(k.unreadable);
    }
    err << "; kept, and nothing written (give --force to replace it)\n";
  }
  for (const std::string& o : report.outputs) out << escaped_utf8(o) << '\n';
  return exit_status(report, form.status);
}

std::function<int()> add_run_options(Command& program,
                                     const std::shared_ptr<const std::string>& dir) {
  auto no_window = std::make_shared<bool>(false);
  program.add_flag("--no-window", no_window.get(),
                   "Show no window: \"Attendere\" and the error box go to standard error");
  return [dir, no_window]() -> int {
    const std::string folder = scenario_folder(*dir);
    if (folder.empty()) return kExitFileError;
    RealFileSystem fs;
    auto ui = make_ui(!*no_window);
    return run_command(folder, fs, *ui, std::cerr);
  };
}

Subcommand add_sources_command(Command& program,
                               const std::shared_ptr<const std::string>& program_folder) {
  auto dir = std::make_shared<std::string>();
  Command* cmd = &program.add_subcommand(
      "sources", "Write the built-in scenario's two descriptions and three documents, and stop");
  cmd->add_option("-C", dir.get(), "The scenario folder (default: the folder of the program)")
      .type_name("DIR");
  auto force = std::make_shared<bool>(false);
  cmd->add_flag("--force", force.get(),
                "Replace a description there that holds another text (an author's edit)");
  return {cmd, [dir, program_folder, force]() -> int {
            // After the program's -C the current folder is the one asked for;
            // the texts go there under their bare names.
            if (dir->empty() && !program_folder->empty()) {
              RealFileSystem fs;
              return sources_command("", *force, fs, std::cout, std::cerr);
            }
            const std::string folder = scenario_folder(*dir);
            if (folder.empty()) return kExitFileError;
            RealFileSystem fs;
            return sources_command(folder, *force, fs, std::cout, std::cerr);
          }};
}

}  // namespace binario
