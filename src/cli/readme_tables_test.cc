// The README's tables of exit statuses and status codes against the code:
// every number the README lists is one the program gives, and every number
// the program gives is listed.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "compiler/diagnostics.h"
#include "run/exit_status.h"

namespace binario {
namespace {

std::string readme() {
  std::ifstream in(std::string(BINARIO_SOURCE_DIR) + "/README.md", std::ios::binary);
  EXPECT_TRUE(in) << "cannot read the README";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
    if (line.rfind("|", 0) != 0) {
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

TEST(ReadmeTables, ExitStatusesAreThoseOfTheProgram) {
  std::set<int> code;
  for (ExitStatus s : kExitStatuses) code.insert(s);
  EXPECT_EQ(first_column(readme(), "### Exit status"), code);
}

TEST(ReadmeTables, StatusCodesAreThoseOfTheCompile) {
  std::set<int> code;
  for (const FaultCode& f : kFaultCodes) code.insert(f.code);
  EXPECT_EQ(first_column(readme(), "### Status codes"), code);
}

}  // namespace
}  // namespace binario
