// Holds docs/format.md to the code: every status code the compile can record
// has its entry and no entry names a code that does not exist; every record
// the two parsers read has its entry, with a field table numbered 1, 2, … for
// exactly the values the parser reads after the keyword; every warning name
// has its entry and every entry under "Warnings" names a warning.
//
// The parsers recognise their keywords in code, not from one table, so the
// records and their value counts are listed here.

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

namespace binario {
namespace {

// Every record of both descriptions, by the name of its entry, with the
// number of value fields that follow the keyword.
const std::map<std::string, int>& records() {
  static const std::map<std::string, int> kRecords = {
      // Both descriptions.
      {"[generale]", 0},
      // Line description, general section.
      {"lunghezza percorso", 1},
      {"progressiva chilometrica uno", 3},
      {"progressiva chilometrica due", 3},
      {"progressiva chilometrica tre", 3},
      {"sfondo uno", 1},
      {"sfondo due", 1},
      {"sfondo tre", 1},
      {"ripetizione segnali", 2},
      // Line description, body.
      {"pendenza", 2},
      {"curva", 2},
      {"montagna", 3},
      {"indicatori_vmax", 9},
      {"cartello indicatore", 2},
      // Train description.
      {"percentuale massa frenata", 1},
      {"numero vetture", 1},
      {"velocita", 2},
      {"aderenza", 2},
      {"orologio", 3},
      {"sabbia", 1},
      {"segnale", 11},
      {"rallentamento", 6},
      {"abbattimento", 2},
      {"stazione", 17},
  };
  return kRecords;
}

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

// The field positions of an entry: the first column of the body rows of the
// first table in `body` whose header's first cell is "Position".
std::vector<std::string> field_positions(const std::vector<std::string>& body) {
  std::vector<std::vector<std::string>> tables;  // the first column of every row
  bool in_table = false;
  for (const std::string& raw : body) {
    const std::string line = trim(raw);
    if (!line.starts_with('|')) {
      in_table = false;
      continue;
    }
    if (!in_table) tables.emplace_back();
    in_table = true;
    const size_t end = line.find('|', 1);
    tables.back().push_back(trim(line.substr(1, end == std::string::npos ? end : end - 1)));
  }
  for (const auto& rows : tables) {
    // Rows 0 and 1 are the header and the separator.
    if (rows.size() >= 2 && rows[0] == "Position") return {rows.begin() + 2, rows.end()};
  }
  return {};
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

TEST_F(FormatReference, EveryRecordHasAnEntryWithItsFieldsNumberedInOrder) {
  std::set<std::string> seen;
  for (const Entry& e : *entries_) {
    if (e.section == "Status codes" || e.section == "Warnings") continue;
    EXPECT_TRUE(seen.insert(e.name).second) << "record '" << e.name << "' has two entries";
    const auto it = records().find(e.name);
    if (it == records().end()) {
      ADD_FAILURE() << "entry '" << e.name << "' names no record the parsers read";
      continue;
    }
    const std::vector<std::string> positions = field_positions(e.body);
    std::vector<std::string> expected;
    for (int i = 1; i <= it->second; ++i) expected.push_back(std::to_string(i));
    EXPECT_EQ(positions, expected) << "field table of '" << e.name << "'";
  }
  for (const auto& [name, count] : records()) {
    EXPECT_TRUE(seen.contains(name)) << "record '" << name << "' has no entry";
  }
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
