#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "cli/subcommands.h"
#include "compiler/compile.h"
#include "run/read_descriptions.h"
#include "run/run_report.h"

namespace binario {

int check_command(const CompileOptions& options, FileSystem& fs, std::ostream& out,
                  std::ostream& err) {
  AuthorPairNames names;
  if (std::optional<int> usage = author_pair_names(options, &names, err)) return *usage;
  // A check shows no box: a taken reserved slot is one more diagnostic.
  RunReport report;
  const CompileResult result = compile_author_pair(options, names, fs, &report);
  return report_author_pair(options, result.status, report, out, err);
}

Subcommand add_check_command(Command& program) {
  Command* cmd = &program.add_subcommand(
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
