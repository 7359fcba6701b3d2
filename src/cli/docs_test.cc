// The documents against the code and against each other: the tables of exit
// statuses and status codes in docs/commands.md list exactly the numbers the
// program gives, and every link of the README and of docs/ leads to a file
// and a heading that exist.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/diagnostics.h"
#include "run/exit_status.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;

std::string slurp(const stdfs::path& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << "cannot read " << path;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string commands() {
  return slurp(stdfs::path(BINARIO_SOURCE_DIR) / "docs" / "commands.md");
}

// The numbers in the first column of the table under `heading`: single
// numbers, lists ("3, 4") and ranges ("17–20").
std::set<int> first_column(const std::string& text, const std::string& heading) {
  std::set<int> numbers;
  const size_t at = text.find("\n" + heading + "\n");
  EXPECT_NE(at, std::string::npos) << "no heading " << heading;
  if (at == std::string::npos) return numbers;
  std::istringstream lines(text.substr(at + heading.size() + 2));
  std::string line;
  bool in_table = false;
  while (std::getline(lines, line)) {
    if (line.rfind('|', 0) != 0) {
      if (in_table) break;
      continue;
    }
    in_table = true;
    const std::string cell = line.substr(1, line.find('|', 1) - 1);
    if (cell.find_first_of("0123456789") == std::string::npos) continue;  // header, rule
    std::vector<int> in_cell;
    bool range = false;
    for (size_t i = 0; i < cell.size();) {
      if (cell[i] >= '0' && cell[i] <= '9') {
        size_t end = cell.find_first_not_of("0123456789", i);
        if (end == std::string::npos) end = cell.size();
        const int n = std::stoi(cell.substr(i, end - i));
        if (range && !in_cell.empty()) {
          for (int k = in_cell.back() + 1; k <= n; ++k) in_cell.push_back(k);
        } else {
          in_cell.push_back(n);
        }
        range = false;
        i = end;
      } else if (cell.compare(i, 3, "\xE2\x80\x93") == 0) {  // en dash
        range = true;
        i += 3;
      } else {
        ++i;
      }
    }
    numbers.insert(in_cell.begin(), in_cell.end());
  }
  EXPECT_FALSE(numbers.empty()) << "no table under " << heading;
  return numbers;
}

TEST(DocsTables, ExitStatusesAreThoseOfTheProgram) {
  std::set<int> code;
  for (ExitStatus s : kExitStatuses) code.insert(s);
  EXPECT_EQ(first_column(commands(), "## Exit status"), code);
}

TEST(DocsTables, StatusCodesAreThoseOfTheCompile) {
  std::set<int> code;
  for (const FaultCode& f : kFaultCodes) code.insert(f.code);
  EXPECT_EQ(first_column(commands(), "## Status codes"), code);
}

// The anchor a heading gets where the documents are read: lower case, blanks
// as hyphens, every other character but letters, digits, '-' and '_' dropped.
std::string anchor_of(std::string_view heading) {
  std::string anchor;
  for (unsigned char c : heading) {
    if (c == ' ') {
      anchor += '-';
    } else if (std::isalnum(c) || c == '-' || c == '_' || c >= 0x80) {
      anchor += static_cast<char>(std::tolower(c));
    }
  }
  return anchor;
}

std::set<std::string> anchors_of(const std::string& text) {
  std::set<std::string> anchors;
  std::istringstream lines(text);
  std::string line;
  bool fenced = false;
  while (std::getline(lines, line)) {
    if (line.rfind("```", 0) == 0) fenced = !fenced;
    if (fenced || line.rfind('#', 0) != 0) continue;
    const size_t text_at = line.find_first_not_of('#');
    if (text_at == std::string::npos || line[text_at] != ' ') continue;
    anchors.insert(anchor_of(std::string_view(line).substr(text_at + 1)));
  }
  return anchors;
}

// Every link `[text](target)` of a Markdown text, outside code blocks.
std::vector<std::string> links_of(const std::string& text) {
  std::vector<std::string> links;
  std::istringstream lines(text);
  std::string line;
  bool fenced = false;
  while (std::getline(lines, line)) {
    if (line.rfind("```", 0) == 0) fenced = !fenced;
    if (fenced) continue;
    for (size_t at = line.find("]("); at != std::string::npos; at = line.find("](", at + 2)) {
      const size_t end = line.find(')', at + 2);
      if (end == std::string::npos) break;
      links.push_back(line.substr(at + 2, end - at - 2));
    }
  }
  return links;
}

// The Markdown documents a reader meets: the README, the contributors' pages
// and every page of docs/.
std::vector<stdfs::path> documents() {
  const stdfs::path top(BINARIO_SOURCE_DIR);
  std::vector<stdfs::path> found{top / "README.md", top / "CONTRIBUTING.md", top / "CHANGELOG.md"};
  for (const auto& entry : stdfs::directory_iterator(top / "docs")) {
    if (entry.path().extension() == ".md") found.push_back(entry.path());
  }
  return found;
}

TEST(DocsLinks, EveryLinkLeadsToAFileAndHeadingThatExist) {
  const stdfs::path docs = stdfs::path(BINARIO_SOURCE_DIR) / "docs";
  for (const stdfs::path& document : documents()) {
    for (const std::string& link : links_of(slurp(document))) {
      if (link.find("://") != std::string::npos) continue;
      const size_t hash = link.find('#');
      const std::string file = link.substr(0, hash);
      const stdfs::path target = file.empty() ? document : document.parent_path() / file;
      ASSERT_TRUE(stdfs::exists(target)) << document << " links to " << link;
      // The documents of docs/ travel in the packages without the rest of
      // the repository: their links stay inside docs/.
      if (document.parent_path() == docs) {
        EXPECT_EQ(stdfs::canonical(target).parent_path(), stdfs::canonical(docs))
            << document << " links out of docs/: " << link;
      }
      if (hash != std::string::npos && target.extension() == ".md") {
        EXPECT_TRUE(anchors_of(slurp(target)).count(link.substr(hash + 1)))
            << document << " links to " << link << ", a heading that is not there";
      }
    }
  }
}

TEST(DocsLinks, TheReadmeLeadsToEveryPageOfDocs) {
  const stdfs::path top(BINARIO_SOURCE_DIR);
  std::set<std::string> linked;
  for (const std::string& link : links_of(slurp(top / "README.md"))) {
    linked.insert(link.substr(0, link.find('#')));
  }
  for (const auto& entry : stdfs::directory_iterator(top / "docs")) {
    if (entry.path().extension() != ".md") continue;
    const std::string page = "docs/" + entry.path().filename().string();
    EXPECT_TRUE(linked.count(page)) << "the README does not link " << page;
  }
}

}  // namespace
}  // namespace binario
