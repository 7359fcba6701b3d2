#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "cli/subcommands.h"
#include "run/form1.h"

namespace binario {

namespace {

// A check shows no window and no error box: a taken reserved slot is one
// more diagnostic, printed with the others.
class QuietUi : public Ui {
 public:
  void show_waiting() override {}
  void errore(std::string_view) override {}
};

}  // namespace

int check_command(const CompileOptions& options, FileSystem& fs, std::ostream& out,
                  std::ostream& err) {
  QuietUi ui;
  Form1 form(fs, ui);
  if (std::optional<int> usage = set_up_author_pair(options, form, err)) return *usage;
  form.write_outputs = false;
  RunReport report = form.memorizza_percorso(options.no_geometry ? 0 : 1);
  return report_author_pair(options, form, report, out, err);
}

Subcommand add_check_command(CLI::App& app) {
  struct Args {
    CompileOptions options;
    std::string name;
    std::string number;
    CLI::Option* name_opt = nullptr;
    CLI::Option* number_opt = nullptr;
  };
  auto args = std::make_shared<Args>();
  CLI::App* cmd = app.add_subcommand(
      "check",
      "Read a line description and a train description as compile does, print every "
      "fault, and write nothing");
  cmd->add_option("LINE", args->options.line, "The line description (NAME_linea.txt)")->required();
  cmd->add_option("TRAIN", args->options.train, "The train description (NAME_NUMBER-.txt)")
      ->required();
  args->name_opt =
      cmd->add_option("--name", args->name, "Scenario name (default: from LINE's file name)");
  args->number_opt =
      cmd->add_option("--number", args->number, "Train number (default: from TRAIN's file name)");
  cmd->add_flag("--no-geometry", args->options.no_geometry, "Read no curves, as compile does");
  cmd->add_flag("--json", args->options.json, "Print the outcome as one JSON object");
  return {cmd, [args] {
            if (*args->name_opt) args->options.name = args->name;
            if (*args->number_opt) args->options.number = args->number;
            RealFileSystem fs;
            return check_command(args->options, fs, std::cout, std::cerr);
          }};
}

}  // namespace binario
