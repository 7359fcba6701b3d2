// Each subcommand registers its own arguments and says what it runs, so the
// subcommands live in files of their own and app.cc only lists them.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "cli/arguments.h"
#include "cli/commands.h"

namespace binario {

struct Subcommand {
  Command* command = nullptr;
  std::function<int()> run;  // returns the exit status
  // Runs until told to stop (the language server), rather than one command.
  bool long_lived = false;
};

Subcommand add_compile_command(Command& program);
Subcommand add_check_command(Command& program);
// `folder` is the program's -C: when it is given and sources has no -C of
// its own, the texts go into the folder the program was moved into.
Subcommand add_sources_command(Command& program,
                               const std::shared_ptr<const std::string>& program_folder);
Subcommand add_dump_command(Command& program);
Subcommand add_plot_command(Command& program);
Subcommand add_timetable_command(Command& program);
Subcommand add_decompile_command(Command& program);
Subcommand add_documents_command(Command& program);
Subcommand add_explain_command(Command& program);
Subcommand add_format_command(Command& program);
Subcommand add_lsp_command(Command& program);

// The options of the run without a subcommand; the returned action is the
// run itself, in `folder` (the program's -C).
std::function<int()> add_run_options(Command& program,
                                     const std::shared_ptr<const std::string>& dir);

}  // namespace binario
