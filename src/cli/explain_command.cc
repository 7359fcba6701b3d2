// binario explain CODE|NAME: the entry of the format reference for a status
// code, a warning name or a record keyword, printed from the document built
// into the program.
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/format_reference.h"
#include "cli/subcommands.h"
#include "run/run_report.h"

namespace binario {

std::vector<ReferenceEntry> reference_entries(std::string_view document) {
  std::vector<ReferenceEntry> entries;
  std::string_view section;
  ReferenceEntry* open = nullptr;
  size_t open_from = 0;
  size_t at = 0;
  while (at < document.size()) {
    size_t end = document.find('\n', at);
    if (end == std::string_view::npos) end = document.size();
    const std::string_view line = document.substr(at, end - at);
    if (line.starts_with("## ") || line.starts_with("### ")) {
      if (open) open->text = document.substr(open_from, at - open_from);
      open = nullptr;
      if (line.starts_with("## ")) section = line.substr(3);
      if (line.starts_with("### `") && line.size() > 6 && line.back() == '`') {
        entries.push_back({section, line.substr(5, line.size() - 6), {}});
        open = &entries.back();
        open_from = at;
      }
    }
    at = end + 1;
  }
  if (open) open->text = document.substr(open_from);
  return entries;
}

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
