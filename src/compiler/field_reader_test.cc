#include "compiler/field_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace binario {
namespace {

// Every text field of `text`, read until the end.
std::vector<std::string> fields(std::string_view text) {
  FieldReader r(text);
  std::vector<std::string> out;
  while (!r.at_end()) out.emplace_back(r.read_field().text);
  return out;
}

TEST(FieldReader, CutsAtCommasAndLineEndsOfEveryKind) {
  using V = std::vector<std::string>;
  EXPECT_EQ(fields("a,b\r\nc\rd\ne"), (V{"a", "b", "c", "d", "e"}));
  // An empty line is one empty field; a trailing comma is followed by one.
  EXPECT_EQ(fields("a\r\n\r\nb,\r\nc"), (V{"a", "", "b", "", "c"}));
  // Blanks in front are skipped, blanks at the end are not part of the value.
  EXPECT_EQ(fields("  pendenza  , 300    ,\t4 \r\n"), (V{"pendenza", "300", "4"}));
  // A text field keeps its inner blanks, dots and parentheses.
  EXPECT_EQ(fields("(  Km. ) (18.600)   \r\n"), (V{"(  Km. ) (18.600)"}));
}

TEST(FieldReader, QuotedFieldRunsToTheClosingQuoteAcrossLines) {
  FieldReader r("\"a, b\r\nc\"  , next\r\n\"open");
  Field f = r.read_field();
  EXPECT_EQ(f.text, "a, b\r\nc");
  EXPECT_EQ(r.read_field().text, "next");
  Field g = r.read_field();
  EXPECT_EQ(g.text, "open");  // unterminated: runs to the end of the text
  EXPECT_EQ(g.where.line, 3);
  EXPECT_TRUE(r.at_end());
}

TEST(FieldReader, QuotedFieldSpanningLinesKeepsLaterLinesCounted) {
  FieldReader r("\"x\ny\"\nz");
  r.read_field();
  Field z = r.read_field();
  EXPECT_EQ(z.text, "z");
  EXPECT_EQ(z.where.line, 3);
  EXPECT_EQ(z.where.column, 1);
}

TEST(FieldReader, RecordsLineAndColumnOfTheFirstCharacter) {
  FieldReader r("title\r\n\r\n  segnale,   1000\rx");
  r.read_field();
  Field empty = r.read_field();
  EXPECT_EQ(empty.where.line, 2);
  Field kw = r.read_field();
  EXPECT_EQ(kw.text, "segnale");
  EXPECT_EQ(kw.where.line, 3);
  EXPECT_EQ(kw.where.column, 3);
  EXPECT_EQ(r.read_long("a position"), 1000);
  EXPECT_EQ(r.current().where.column, 14);
  Field x = r.read_field();
  EXPECT_EQ(x.where.line, 4);  // a lone CR ends a line too
}

TEST(FieldReader, NumberEndsAtABlankAndTheNextFieldBeginsThere) {
  FieldReader r("orologio,    5               49            30 \r\nnext");
  EXPECT_EQ(r.read_field().text, "orologio");
  EXPECT_EQ(r.read_integer("hours"), 5);
  EXPECT_EQ(r.read_integer("minutes"), 49);
  EXPECT_EQ(r.read_integer("seconds"), 30);
  EXPECT_EQ(r.read_field().text, "next");  // the line end after 30 was consumed
  EXPECT_TRUE(r.at_end());
}

TEST(FieldReader, NumbersAcceptSignsAndTheFullRangeOfTheirType) {
  FieldReader r("-4,+7,-2147483648,2147483647,-32768,32767,0,255");
  EXPECT_EQ(r.read_long("g"), -4);
  EXPECT_EQ(r.read_long("g"), 7);
  EXPECT_EQ(r.read_long("g"), INT32_MIN);
  EXPECT_EQ(r.read_long("g"), INT32_MAX);
  EXPECT_EQ(r.read_integer("g"), -32768);
  EXPECT_EQ(r.read_integer("g"), 32767);
  EXPECT_EQ(r.read_byte("g"), 0);
  EXPECT_EQ(r.read_byte("g"), 255);
}

TEST(FieldReader, RefusesWhatIsNotANumberOrDoesNotFit) {
  struct Case {
    const char* text;
    int kind;  // 0 Long, 1 Integer, 2 Byte
  };
  for (Case c :
       {Case{"abc", 0}, Case{"", 0}, Case{",5", 0}, Case{"12a", 0}, Case{"-", 0}, Case{"1.5", 0},
        Case{"2147483648", 0}, Case{"-2147483649", 0}, Case{"99999999999999999999", 0},
        Case{"32768", 1}, Case{"-32769", 1}, Case{"256", 2}, Case{"-1", 2}, Case{"\"12\"", 0}}) {
    FieldReader r(c.text);
    SCOPED_TRACE(c.text);
    if (c.kind == 0) {
      EXPECT_THROW(r.read_long("x"), ReadFailure);
    } else if (c.kind == 1) {
      EXPECT_THROW(r.read_integer("x"), ReadFailure);
    } else {
      EXPECT_THROW(r.read_byte("x"), ReadFailure);
    }
  }
}

TEST(FieldReader, FailureSaysWhatWasExpectedAndWhere) {
  FieldReader r("pendenza, 300,\r\n  4x\r\n");
  r.read_field();
  r.read_long("the position of a gradient");
  // The empty field after the trailing comma.
  try {
    r.read_long("the gradient");
    FAIL() << "an empty field was read as a number";
  } catch (const ReadFailure& f) {
    EXPECT_EQ(f.where().line, 1);
    EXPECT_NE(std::string(f.what()).find("the gradient"), std::string::npos);
    EXPECT_NE(std::string(f.what()).find("empty"), std::string::npos);
  }
  try {
    r.read_long("the gradient");
    FAIL() << "4x was read as a number";
  } catch (const ReadFailure& f) {
    EXPECT_EQ(f.where().line, 2);
    EXPECT_EQ(f.where().column, 3);
    EXPECT_NE(std::string(f.what()).find("'4x'"), std::string::npos);
  }
}

// A number written as a word processor or a hand would write it is named
// for what it most likely is.
TEST(FieldReader, ANumberLookAlikeIsNamed) {
  const struct {
    const char* text;
    const char* hint;  // empty: no hint
  } cases[] = {
      {"\x96"
       "40",
       "typographic dash"},  // en dash, Windows-1252
      {"\xE2\x88\x92"
       "40",
       "typographic dash"},  // U+2212 saved as UTF-8
      {"12\xA0"
       "800",
       "no-break space"},
      {"\xA0"
       "800",
       "no-break space"},  // before the digits, where it is no blank either
      {"\xC2\xA0"
       "800",
       "no-break space"},  // saved as UTF-8
      {"12.5", "without a decimal point"},
      {"trenta", ""},
      {"4x", ""},
  };
  for (const auto& c : cases) {
    const std::string text = std::string(c.text) + "\n";  // the reader keeps a view of it
    FieldReader r(text);
    try {
      r.read_long("the speed");
      ADD_FAILURE() << c.text << " was read as a number";
    } catch (const ReadFailure& f) {
      const std::string message = f.what();
      if (*c.hint) {
        EXPECT_NE(message.find(c.hint), std::string::npos) << message;
      } else {
        EXPECT_EQ(message.find(": "), std::string::npos) << message;
      }
    }
  }
}

TEST(FieldReader, ReadingAtTheEndIsAFailure) {
  FieldReader r("a\r\n");
  r.read_field();
  ASSERT_TRUE(r.at_end());
  EXPECT_THROW(r.read_field(), ReadFailure);
  EXPECT_THROW(r.read_long("x"), ReadFailure);
  FieldReader empty("");
  EXPECT_THROW(empty.read_long("the line length"), ReadFailure);
}

TEST(FieldReader, TheLastFieldLeavesTheReaderAtTheEnd) {
  // A value read as the text's very last field still counts; the end test
  // after it is true.
  FieldReader r("pendenza, 300, 4");
  r.read_field();
  EXPECT_EQ(r.read_long("p"), 300);
  EXPECT_FALSE(r.at_end());
  EXPECT_EQ(r.read_long("g"), 4);
  EXPECT_TRUE(r.at_end());
  // Trailing blanks after the last line make one more, empty field.
  FieldReader t("[fine]\r\n  ");
  t.read_field();
  EXPECT_FALSE(t.at_end());
  EXPECT_EQ(t.read_field().text, "");
  EXPECT_TRUE(t.at_end());
}

TEST(LineText, CountsLinesAsTheReaderDoes) {
  const std::string_view text = "one\r\ntwo\rthree\n\r\nfive";
  EXPECT_EQ(text_line(text, 1), "one");
  EXPECT_EQ(text_line(text, 2), "two");
  EXPECT_EQ(text_line(text, 3), "three");
  EXPECT_EQ(text_line(text, 4), "");
  EXPECT_EQ(text_line(text, 5), "five");
  EXPECT_EQ(text_line(text, 6), std::nullopt);
  EXPECT_EQ(text_line(text, 0), std::nullopt);
  // After the last line end there is one more, empty line: where a read that
  // reaches the end is reported.
  EXPECT_EQ(text_line("a\r\n", 2), "");
  EXPECT_EQ(text_line("a\r\n", 3), std::nullopt);
  EXPECT_EQ(text_line("", 1), "");
}

TEST(LineText, IndexFindsEveryLineInAnyOrder) {
  // Lines of every length, empty ones among them, ending in each of the
  // three ways, so that lines 1, 17, 33 ... the index keeps fall anywhere.
  const char* const ends[] = {"\r\n", "\r", "\n"};
  std::string text;
  std::vector<std::string> lines;
  for (int i = 0; i < 70; ++i) {
    lines.emplace_back(static_cast<size_t>(i % 5), static_cast<char>('a' + i % 26));
    // An empty line after a CR ends in CR LF: its LF alone would make one
    // line end of the two.
    text += lines.back() + (lines.back().empty() ? "\r\n" : ends[i % 3]);
  }
  lines.emplace_back();  // after the last line end
  const LineIndex index(text);
  // Far lines first, then back to the start: the index grows once.
  for (int line : {71, 72, 17, 16, 33, 1, 2, 0, -1}) {
    SCOPED_TRACE(line);
    if (line >= 1 && line <= 71) {
      EXPECT_EQ(index.line(line), lines[static_cast<size_t>(line - 1)]);
    } else {
      EXPECT_EQ(index.line(line), std::nullopt);
    }
  }
  for (int line = 1; line <= 71; ++line) {
    EXPECT_EQ(index.line(line), lines[static_cast<size_t>(line - 1)]);
  }
  EXPECT_EQ(LineIndex("").line(1), "");
  EXPECT_EQ(LineIndex("x\r\n").line(2), "");
}

TEST(LineText, FieldAfterAMultiLineQuotedFieldFindsItsOwnLine) {
  FieldReader r("cartello, \"a\r\nb\rc\"\r\n  segnale, x\r\n");
  r.read_field();
  const Field quoted = r.read_field();
  EXPECT_EQ(quoted.where.line, 1);
  EXPECT_EQ(r.line_text(quoted.where.line), "cartello, \"a");
  const Field kw = r.read_field();
  EXPECT_EQ(kw.where.line, 4);
  EXPECT_EQ(kw.where.column, 3);
  EXPECT_EQ(r.line_text(kw.where.line), "  segnale, x");
}

TEST(KeywordTests, ContainmentWithAndWithoutCase) {
  EXPECT_TRUE(contains_nocase("Velocita' LIMITE ", "velocit"));
  EXPECT_TRUE(contains_nocase("[GENERALE]", "[generale]"));
  EXPECT_FALSE(contains_nocase("veloc", "velocit"));
  EXPECT_TRUE(contains("progressiva chilometrica uno", "progressiva"));
  EXPECT_FALSE(contains("Progressiva chilometrica uno", "progressiva"));
  // Windows-1252 letters are left alone: only ASCII letters fold.
  EXPECT_FALSE(contains_nocase("\xC8", "\xE8"));
}

}  // namespace
}  // namespace binario
