// The two whole descriptions shown in docs/format.md are a valid pair: an
// author who copies them gets a clean compile.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "test_support/program.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;

// The fenced block that follows the paragraph `intro` in `doc`, with CR LF
// line ends as a description has them; empty when there is none.
std::string block_after(const std::string& doc, const std::string& intro) {
  const size_t at = doc.find(intro);
  if (at == std::string::npos) return {};
  const size_t open = doc.find("```\n", at);
  if (open == std::string::npos) return {};
  const size_t start = open + 4;
  const size_t close = doc.find("\n```", start);
  if (close == std::string::npos) return {};
  std::string out;
  for (char c : doc.substr(start, close + 1 - start)) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

class FormatExamples : public ProgramTest {};

TEST_F(FormatExamples, WholeDescriptionsCheckCleanly) {
  const std::string doc = slurp(stdfs::path(BINARIO_SOURCE_DIR) / "docs" / "format.md");
  const std::string line = block_after(doc, "A whole line description:");
  const std::string train = block_after(doc, "A whole train description:");
  ASSERT_FALSE(line.empty());
  ASSERT_FALSE(train.empty());
  std::ofstream(dir / "Doc_linea.txt", std::ios::binary) << line;
  std::ofstream(dir / "Doc_42-.txt", std::ios::binary) << train;

  const Result r =
      run("check " + (dir / "Doc_linea.txt").string() + " " + (dir / "Doc_42-.txt").string());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "");
}

}  // namespace
}  // namespace binario
