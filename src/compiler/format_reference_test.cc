// Holds docs/format.md and the editor grammar to the code: every status
// code the compile can record has its entry and no entry names a code that
// does not exist; every record of the records table has its entry, with a
// field table that numbers, names and types exactly the values the table
// lists; every warning name has its entry and every entry under "Warnings"
// names a warning; the grammar's keyword patterns hold exactly the
// table's key texts.

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/diagnostics.h"
#include "compiler/records.h"

namespace binario {
namespace {

struct Entry {
  std::string section;  // the level-2 heading it stands under
  std::string name;     // the text between the backticks of its heading
  std::vector<std::string> body;
};

std::string trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return std::string(s);
}

// The level-3 entries of the document whose heading is one name in
// backticks; headings inside fenced code blocks do not count.
std::vector<Entry> read_entries(const std::string& path) {
  std::ifstream in(path);
  EXPECT_TRUE(in) << "cannot read " << path;
  std::vector<Entry> entries;
  std::string section;
  bool in_entry = false;
  bool fenced = false;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.starts_with("```")) fenced = !fenced;
    if (!fenced &&
        (line.starts_with("# ") || line.starts_with("## ") || line.starts_with("### "))) {
      in_entry = false;
      if (line.starts_with("## ")) section = trim(line.substr(3));
      if (line.starts_with("### ")) {
        const std::string h = trim(line.substr(4));
        if (h.size() > 2 && h.front() == '`' && h.back() == '`' && h.find('`', 1) == h.size() - 1) {
          entries.push_back({section, h.substr(1, h.size() - 2), {}});
          in_entry = true;
        }
      }
      continue;
    }
    if (in_entry) entries.back().body.push_back(line);
  }
  return entries;
}

// The rows of the field table of an entry: the cells of the body rows of
// the first table in `body` whose header's first cell is "Position".
std::vector<std::vector<std::string>> field_rows(const std::vector<std::string>& body) {
  std::vector<std::vector<std::vector<std::string>>> tables;
  bool in_table = false;
  for (const std::string& raw : body) {
    const std::string line = trim(raw);
    if (!line.starts_with('|')) {
      in_table = false;
      continue;
    }
    if (!in_table) tables.emplace_back();
    in_table = true;
    std::vector<std::string> cells;
    size_t at = 1;
    for (size_t end; (end = line.find('|', at)) != std::string::npos; at = end + 1) {
      cells.push_back(trim(line.substr(at, end - at)));
    }
    tables.back().push_back(cells);
  }
  for (const auto& rows : tables) {
    // Rows 0 and 1 are the header and the separator.
    if (rows.size() >= 2 && !rows[0].empty() && rows[0][0] == "Position") {
      return {rows.begin() + 2, rows.end()};
    }
  }
  return {};
}

// "p | m | Long" as a field row shows a value (the name without backticks,
// nothing for no unit).
std::string shown(std::string_view name, std::string_view unit, std::string_view type) {
  std::string n(name);
  if (n.size() > 2 && n.front() == '`' && n.back() == '`') n = n.substr(1, n.size() - 2);
  return n + " | " + (unit == "—" ? std::string() : std::string(unit)) + " | " + std::string(type);
}

class FormatReference : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    entries_ =
        new std::vector<Entry>(read_entries(std::string(BINARIO_SOURCE_DIR) + "/docs/format.md"));
  }
  static void TearDownTestSuite() {
    delete entries_;
    entries_ = nullptr;
  }
  static std::vector<Entry>* entries_;
};

std::vector<Entry>* FormatReference::entries_ = nullptr;

TEST_F(FormatReference, EveryStatusCodeHasAnEntryAndEveryEntryAKnownCode) {
  const std::string_view unknown = status_text(-123456);
  std::set<int> known;
  for (int code = 0; code <= 100000; ++code) {
    if (status_text(code) != unknown) known.insert(code);
  }
  ASSERT_FALSE(known.empty());

  std::set<int> documented;
  for (const Entry& e : *entries_) {
    if (e.section != "Status codes") continue;
    const bool digits =
        !e.name.empty() && e.name.find_first_not_of("0123456789") == std::string::npos;
    ASSERT_TRUE(digits) << "a status-code entry is named '" << e.name << "', not a number";
    EXPECT_TRUE(documented.insert(std::stoi(e.name)).second) << "code " << e.name << " twice";
  }
  for (int code : known) {
    EXPECT_TRUE(documented.contains(code)) << "status code " << code << " has no entry";
  }
  for (int code : documented) {
    EXPECT_TRUE(known.contains(code))
        << "entry for status code " << code << ", which the compile never records";
  }
}

TEST_F(FormatReference, EveryRecordHasAnEntryWithTheFieldsOfTheTable) {
  std::map<std::string, const RecordSpec*> records;
  for (const RecordSpec& table_row : records_table())
    records[std::string(table_row.reference)] = &table_row;
  std::set<std::string> seen;
  for (const Entry& e : *entries_) {
    if (e.section == "Status codes" || e.section == "Warnings") continue;
    EXPECT_TRUE(seen.insert(e.name).second) << "record '" << e.name << "' has two entries";
    // The section header has an entry of its own and no values.
    if (e.name == "[generale]") continue;
    const auto it = records.find(e.name);
    if (it == records.end()) {
      ADD_FAILURE() << "entry '" << e.name << "' names no record of the records table";
      continue;
    }
    std::vector<std::string> documented;
    for (const std::vector<std::string>& row : field_rows(e.body)) {
      documented.push_back(row.size() < 5 ? "short row"
                                          : row[0] + ". " + shown(row[1], row[3], row[4]));
    }
    std::vector<std::string> expected;
    int position = 0;
    for (const ValueSpec& v : it->second->values) {
      expected.push_back(std::to_string(++position) + ". " +
                         shown(v.name, v.unit, value_type_name(v.type)));
    }
    EXPECT_EQ(documented, expected) << "field table of '" << e.name << "'";
  }
  for (const auto& [name, table_row] : records) {
    EXPECT_TRUE(seen.contains(name)) << "record '" << name << "' has no entry";
  }
}

// The key texts the grammar's keyword patterns look for: every word inside a
// "(?=[^,\n]*…)" lookahead (as the JSON file spells it), marked "i:" when it
// is matched in any case.
std::set<std::string> grammar_key_texts(const std::string& grammar) {
  std::set<std::string> keys;
  const std::string lookahead = "(?=[^,\\\\n]*";
  for (size_t at = grammar.find(lookahead); at != std::string::npos;
       at = grammar.find(lookahead, at + 1)) {
    size_t i = at + lookahead.size();
    std::string prefix;
    if (grammar.compare(i, 4, "(?i:") == 0) {
      prefix = "i:";
      i += 4;
    } else if (grammar.compare(i, 3, "(?:") == 0) {
      i += 3;
    }
    const size_t end = grammar.find(')', i);
    std::stringstream words(grammar.substr(i, end - i));
    for (std::string w; std::getline(words, w, '|');) keys.insert(prefix + w);
  }
  return keys;
}

TEST(EditorGrammar, KeywordPatternsHoldTheKeyTextsOfTheTable) {
  std::ifstream in(std::string(BINARIO_SOURCE_DIR) +
                   "/editors/vscode/syntaxes/binario.tmLanguage.json");
  ASSERT_TRUE(in);
  std::stringstream grammar;
  grammar << in.rdbuf();
  std::set<std::string> expected;
  for (const RecordSpec& table_row : records_table()) {
    for (std::string_view key : table_row.keys) {
      if (!key.empty()) expected.insert((table_row.any_case ? "i:" : "") + std::string(key));
    }
  }
  EXPECT_EQ(grammar_key_texts(grammar.str()), expected);
}

TEST_F(FormatReference, EveryWarningHasAnEntryAndEveryEntryAWarning) {
  std::set<std::string> documented;
  for (const Entry& e : *entries_) {
    if (e.section != "Warnings") continue;
    EXPECT_TRUE(documented.insert(e.name).second) << "warning " << e.name << " twice";
  }
  std::set<std::string> known;
  for (std::string_view name : kWarningNames) known.insert(std::string(name));
  EXPECT_EQ(documented, known);
}

}  // namespace
}  // namespace binario
