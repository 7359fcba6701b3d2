// docs/guide.md against the program: every description the guide shows is
// checked as an author would check it, so the guide cannot drift.
//
// A fenced block is compiled when an HTML comment stands right before it:
//   <!-- guide: FILE [expect: W …] -->          the whole of FILE from here on
//   <!-- guide: add to FILE [expect: W …] -->   FILE with the block put before
//                                                its closing "[fine]"
//   <!-- guide: example PATH -->                 the block is the file PATH
//   <!-- guide: output -->                       the block is what the last
//                                                check printed
// After each block that gives a description, the latest pair is checked with
// `binario check`, which must report exactly the warnings and error codes of
// `expect:` (nothing when there is none).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "output/text_encoding.h"
#include "test_support/program.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;

struct Block {
  std::string directive;  // the text of the comment, after "guide:"
  std::string text;       // the lines of the block, each ended by "\n"
  int line;               // where the block opens in the guide
};

std::vector<Block> guide_blocks(const std::string& guide) {
  std::vector<Block> blocks;
  std::istringstream in(guide);
  std::string line;
  std::optional<std::string> pending;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (line.starts_with("<!-- guide:") && line.ends_with("-->")) {
      pending = line.substr(11, line.size() - 14);
      continue;
    }
    if (!line.starts_with("```")) {
      if (!line.empty()) pending.reset();
      continue;
    }
    Block b{pending.value_or(""), "", number};
    while (std::getline(in, line) && !line.starts_with("```")) {
      ++number;
      b.text += line + "\n";
    }
    ++number;
    if (pending) blocks.push_back(b);
    pending.reset();
  }
  return blocks;
}

// The description as a file holds it: Windows-1252, CR LF.
std::string as_description(const std::string& utf8) {
  const std::optional<std::string> bytes = utf8_to_windows1252(utf8);
  EXPECT_TRUE(bytes.has_value()) << utf8;
  std::string out;
  for (char c : bytes.value_or("")) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// Every line with its trailing blanks removed.
std::string without_trailing_blanks(const std::string& text) {
  std::istringstream in(text);
  std::string line, out;
  while (std::getline(in, line)) {
    if (line.ends_with('\r')) line.pop_back();
    line.erase(line.find_last_not_of(" \t") + 1);
    out += line + "\n";
  }
  return out;
}

// The warning names and error codes a check printed, as "name" and "CODE".
std::multiset<std::string> reported(const std::string& err) {
  std::multiset<std::string> out;
  static const std::regex warning(R"(: warning: .*\[([a-z0-9-]+)\]$)");
  static const std::regex error(R"(error (\d+): )");
  std::istringstream in(err);
  std::string line;
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_search(line, m, warning)) out.insert(m[1]);
    if (std::regex_search(line, m, error)) out.insert(m[1]);
  }
  return out;
}

class Guide : public ProgramTest {};

TEST_F(Guide, EveryDescriptionItShowsChecksAsItSays) {
  const stdfs::path source(BINARIO_SOURCE_DIR);
  const std::vector<Block> blocks = guide_blocks(slurp(source / "docs" / "guide.md"));
  ASSERT_GE(blocks.size(), 8u);

  std::string line_name, train_name;
  std::map<std::string, std::string> files;  // the latest text of each description
  std::string last_err;
  int checks = 0;
  for (const Block& b : blocks) {
    SCOPED_TRACE("guide block at line " + std::to_string(b.line) + ": " + b.directive);
    std::istringstream words(b.directive);
    std::string word;
    words >> word;
    if (word == "output") {
      EXPECT_EQ(last_err, b.text);
      continue;
    }
    if (word == "example") {
      std::string path;
      words >> path;
      EXPECT_EQ(without_trailing_blanks(slurp(source / path)), without_trailing_blanks(b.text));
      continue;
    }
    const bool add = word == "add";
    std::string name = word;
    if (add) words >> word >> name;  // "add to FILE"
    std::multiset<std::string> expected;
    if (words >> word) {
      ASSERT_EQ(word, "expect:");
      while (words >> word) expected.insert(word);
    }
    std::string text = as_description(b.text);
    if (add) {
      ASSERT_TRUE(files.count(name)) << "nothing to add to yet: " << name;
      text = files[name];
      const size_t end = text.rfind("[fine]");
      ASSERT_NE(end, std::string::npos);
      text.insert(end, as_description(b.text));
    } else {
      files[name] = text;
    }
    (name.ends_with("_linea.txt") ? line_name : train_name) = name;
    if (line_name.empty() || train_name.empty()) continue;

    for (const std::string& file : {line_name, train_name}) {
      std::ofstream(dir / file, std::ios::binary) << (add && file == name ? text : files[file]);
    }
    const Result r = run("-C " + dir.string() + " check " + line_name + " " + train_name);
    ++checks;
    last_err = r.err;
    EXPECT_EQ(reported(r.err), expected) << r.err;
    EXPECT_EQ(r.status, r.err.find("error ") == std::string::npos ? 0 : 1) << r.err;
  }
  EXPECT_GE(checks, 6);
}

// The picture of cells in the guide says, for its two metres, the cells
// binario itself gives a point object and a span change there.
TEST_F(Guide, ThePictureOfCellsAgreesWithTheProgram) {
  const stdfs::path source(BINARIO_SOURCE_DIR);
  const std::string svg = slurp(source / "docs" / "cells.svg");
  ASSERT_EQ(run("compile " + (source / "examples" / "Valdoria_linea.txt").string() + " " +
                (source / "examples" / "Valdoria_42-.txt").string() + " -o " + dir.string())
                .status,
            0);
  static const std::regex cells(
      R"(a point object goes into cell (\d+),\s+a span change takes effect from cell (\d+))");
  for (const int metre : {100, 325}) {
    const Result r =
        run("dump " + (dir / "Valdoria_42.dat").string() + " --at " + std::to_string(metre));
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, cells)) << r.out;
    const std::string at = "metre " + std::to_string(metre) + ": ";
    EXPECT_NE(svg.find(at), std::string::npos);
    const size_t point = svg.find(at + std::to_string(metre) + " / 50 + 1");
    const size_t span = svg.find(at + std::to_string(metre) + " / 50 =");
    ASSERT_NE(point, std::string::npos);
    ASSERT_NE(span, std::string::npos);
    EXPECT_EQ(svg.substr(svg.find("→", point), svg.find('<', point) - svg.find("→", point)),
              "→ cell " + m[1].str());
    EXPECT_EQ(svg.substr(svg.find("→", span), svg.find('<', span) - svg.find("→", span)),
              "→ from cell " + m[2].str());
  }
}

}  // namespace
}  // namespace binario
