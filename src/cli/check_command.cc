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
  CLI::App* cmd = app.add_subcommand(
      "check",
      "Read a line description and a train description as compile does, print every "
      "fault, and write nothing");
  std::function<CompileOptions()> options = add_author_pair_arguments(cmd);
  return {cmd, [options] {
            RealFileSystem fs;
            return check_command(options(), fs, std::cout, std::cerr);
          }};
}

}  // namespace binario
