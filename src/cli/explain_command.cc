// binario explain CODE|NAME: the entry of the format reference for a status
// code, a warning name or a record keyword, printed from the document built
// into the program.
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/subcommands.h"
#include "compiler/format_reference.h"
#include "run/run_report.h"

namespace binario {

int explain_command(const std::string& what, std::ostream& out, std::ostream& err) {
  const std::vector<ReferenceEntry> entries = reference_entries(format_reference_text());
  for (const ReferenceEntry& e : entries) {
    if (e.name == what) {
      out << e.text;
      if (!e.text.ends_with('\n')) out << '\n';
      return kExitClean;
    }
  }
  err << "binario: no entry '" << what << "' in the format reference; there are:\n";
  std::string_view section;
  for (const ReferenceEntry& e : entries) {
    if (e.section != section) {
      section = e.section;
      err << (section.empty() ? "" : "\n") << section << ':';
    }
    err << ' ' << e.name;
  }
  err << '\n';
  return kExitUsage;
}

Subcommand add_explain_command(CLI::App& app) {
  auto what = std::make_shared<std::string>();
  CLI::App* cmd = app.add_subcommand(
      "explain", "Print the format reference's entry for a status code, a warning or a record");
  cmd->add_option("CODE|NAME", *what,
                  "A status code (15), a warning name (ignored-field) or a "
                  "record keyword (stazione)")
      ->required();
  return {cmd, [what] { return explain_command(*what, std::cout, std::cerr); }};
}

}  // namespace binario
