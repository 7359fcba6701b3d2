// The lines of an open document, changed edit by edit, against the plain
// text changed the slow way: the byte offsets of both ends found from the
// text's start, the range replaced.
#include "lsp/editable_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <string>
#include <utility>

#include "lsp/text_position.h"

namespace binario {
namespace {

void replace_slowly(std::string* text, TextPlace start, TextPlace end, std::string_view with) {
  size_t from = byte_offset(*text, start.line, start.column);
  size_t to = byte_offset(*text, end.line, end.column);
  if (to < from) std::swap(from, to);
  text->replace(from, to - from, with);
}

// Line ends of every kind, a letter of two bytes and one of two UTF-16
// units, and ranges that run backwards, past a line's end or past the
// text's end: 10,000 edits give the same text as the text changed one edit
// at a time, whatever order they come in.
TEST(EditableText, ABatchOfEditsGivesTheTextChangedOneAtATime) {
  const std::string pieces[] = {
      "a",    "bc", "\n", "\r", "\r\n", "\xC3\xA0", "\xF0\x9F\x9A\x86", "", "pendenza, 100, 1",
      "\n\r", "x\r"};
  for (const int order : {0, 1, 2}) {  // random, down the text, up the text
    std::mt19937 random(7 + order);
    std::string expected = "linea\r\npendenza, 1, 2\nabc\rdef\r\n\xC3\xA0\xF0\x9F\x9A\x86z";
    EditableText text(expected);
    for (int n = 0; n < 10000; ++n) {
      const int lines = 1 + static_cast<int>(std::count(expected.begin(), expected.end(), '\n') +
                                             std::count(expected.begin(), expected.end(), '\r'));
      int line = static_cast<int>(random() % static_cast<unsigned>(lines + 1));
      if (order == 1) line = lines - 1 - n % lines;
      if (order == 2) line = n % lines;
      const TextPlace start{line, static_cast<int>(random() % 8)};
      const TextPlace end{line + static_cast<int>(random() % 3) - 1,
                          static_cast<int>(random() % 8)};
      const std::string with =
          random() % 3 == 0 ? "" : pieces[random() % std::size(pieces)] + pieces[random() % 4];
      replace_slowly(&expected, start, end, with);
      text.replace(start, end, with);
      ASSERT_EQ(text.size(), expected.size()) << "edit " << n;
      // Kept short, so that every kind of line end meets every other.
      if (expected.size() > 400) {
        const TextPlace all_end{1 << 20, 0};
        replace_slowly(&expected, {0, 0}, all_end, expected.substr(expected.size() - 100));
        text.replace({0, 0}, all_end, expected);
      }
    }
    EXPECT_EQ(text.str(), expected) << "order " << order;
  }
}

TEST(EditableText, ACrMetByAnLfIsOneLineEnd) {
  EditableText text("a\rb\nc");
  text.replace({1, 0}, {1, 1}, "\n");  // "a\r\n\nc": the CR and the LF join
  EXPECT_EQ(text.str(), "a\r\n\nc");
  text.replace({2, 0}, {2, 0}, "x");
  EXPECT_EQ(text.str(), "a\r\n\nxc");
  text.replace({0, 1}, {1, 0}, "");
  EXPECT_EQ(text.str(), "a\nxc");
  text.replace({5, 0}, {0, 0}, "");  // backwards, from past the end
  EXPECT_EQ(text.str(), "");
}

}  // namespace
}  // namespace binario
