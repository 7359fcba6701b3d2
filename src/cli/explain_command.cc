// binario explain [CODE|NAME|TOPIC]: the entry of the format reference for a
// status code, a warning name or a record keyword, or one of its topics,
// printed from the document built into the program; without an argument, the
// list of everything it can print.
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/subcommands.h"
#include "compiler/field_reader.h"
#include "compiler/format_reference.h"
#include "compiler/records.h"
#include "output/text_encoding.h"
#include "run/exit_status.h"

namespace binario {

namespace {

void print_text(std::string_view text, std::ostream& out) {
  out << text;
  if (!text.ends_with('\n')) out << '\n';
}

// Every entry, one line for each section of the reference, then the topics;
// names hold blanks, so they are separated by commas.
void list_entries(const std::vector<ReferenceEntry>& entries, std::ostream& out) {
  bool first = true;
  for (size_t i = 0; i < entries.size(); ++i) {
    const bool opens = i == 0 || entries[i].section != entries[i - 1].section;
    if (opens) out << (first ? "" : "\n") << entries[i].section << ": ";
    out << (opens ? "" : ", ") << entries[i].name;
    first = false;
  }
  out << "\nTopics: ";
  for (const ReferenceTopic& t : kReferenceTopics)
    out << (&t == kReferenceTopics ? "" : ", ") << t.name;
  out << '\n';
}

// The entries of the records a field holding `what` names, by the parsers'
// own test ("velocita' limite" names velocita, "curvad3" curva); "generale"
// names [generale] too.
std::vector<std::string_view> records_named_by(const std::string& what) {
  std::vector<std::string_view> out;
  if (contains_nocase(what, kGeneralHeader) || contains_nocase("[" + what + "]", kGeneralHeader)) {
    out.push_back(kGeneralHeader);
  }
  for (const RecordSpec& table_row : records_table()) {
    if (names_record(table_row, what) &&
        std::find(out.begin(), out.end(), table_row.reference) == out.end()) {
      out.push_back(table_row.reference);
    }
  }
  return out;
}

}  // namespace

int explain_command(const std::string& what, std::ostream& out, std::ostream& err) {
  const std::vector<ReferenceEntry> entries = reference_entries(format_reference_text());
  if (what.empty()) {
    out << "binario explain prints one of these entries of the format reference:\n";
    list_entries(entries, out);
    return kExitClean;
  }
  for (const ReferenceEntry& e : entries) {
    if (e.name == what) {
      print_text(e.text, out);
      return kExitClean;
    }
  }
  for (const ReferenceTopic& t : kReferenceTopics) {
    if (t.name != what) continue;
    if (const std::optional<std::string_view> text = find_reference_section(t.title)) {
      print_text(*text, out);
      return kExitClean;
    }
  }
  // A keyword as the descriptions may write it: every record it names.
  const std::vector<std::string_view> named = records_named_by(what);
  for (const ReferenceEntry& e : entries) {
    if (std::find(named.begin(), named.end(), e.name) == named.end()) continue;
    print_text(e.text, out);
  }
  if (!named.empty()) return kExitClean;
  err << "binario: no entry '" << escaped_utf8(what) << "' in the format reference; there are:\n";
  list_entries(entries, err);
  return kExitUsage;
}

Subcommand add_explain_command(Command& program) {
  auto what = std::make_shared<std::string>();
  Command* cmd = &program.add_subcommand(
      "explain",
      "Print the format reference's entry for a status code, a warning, a record or a topic; "
      "without one, list them");
  // Keywords as authors write them: a station, a speed limit spelt out, a
  // right-hand curve of class 3.
  const std::string keywords = std::string(record_spec(RecordKind::kStation).written[0]) + ", " +
                               std::string(record_spec(RecordKind::kSpeedLimit).written[0]) +
                               "' limite, " +
                               std::string(record_spec(RecordKind::kCurve).written[1]) + "3";
  cmd->add_option("CODE|NAME|TOPIC", what.get(),
                  "A status code (15), a warning name (ignored-field), a record keyword as "
                  "the descriptions may write it (" +
                      keywords + ") or a topic (cells, comments, units, timetable)");
  return {cmd, [what] { return explain_command(*what, std::cout, std::cerr); }};
}

}  // namespace binario
