// Laying descriptions out in columns: what changes (the blanks of record
// lines, aligned), what never does (every other line, the bytes the texts
// compile to), and that a laid-out text stays as it is.
#include "format/lay_out.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <random>
#include <string>

#include "sources/builtin_texts.h"
#include "sources/line_list.h"
#include "test_support/program.h"
#include "test_support/random_pair.h"

namespace binario {
namespace {

std::string example(const char* name) {
  return slurp(std::filesystem::path(BINARIO_SOURCE_DIR) / "examples" / name);
}

CompileInput pair_input(std::string line, std::string train, const std::string& name = "V",
                        const std::string& number = "42") {
  CompileInput in;
  in.line.name = "line";
  in.line.text = std::move(line);
  in.train.name = "train";
  in.train.text = std::move(train);
  in.model_name = name;
  in.model_number = number;
  in.with_geometry = true;
  return in;
}

// Lays out both descriptions of `in` and lays the results out again. A text
// the compile did not read is left alone, which only a pair that may be
// refused (`may_be_unread`) is allowed.
void expect_laid_out_stably(const CompileInput& in, bool may_be_unread = false) {
  for (DescriptionFile role : {DescriptionFile::kLine, DescriptionFile::kTrain}) {
    SCOPED_TRACE(role == DescriptionFile::kLine ? "line" : "train");
    const LaidOut once = lay_out_description(in, role);
    if (may_be_unread && once.refused.find("did not read") != std::string::npos) continue;
    ASSERT_EQ(once.refused, "");
    CompileInput again = in;
    (role == DescriptionFile::kLine ? again.line.text : again.train.text) = once.text;
    const LaidOut twice = lay_out_description(again, role);
    EXPECT_EQ(twice.refused, "");
    EXPECT_FALSE(twice.changed);
    EXPECT_EQ(twice.text, once.text);
  }
}

TEST(LayOut, ExamplesBuiltInAndRandomPairsCompileAsBeforeAndStayLaidOut) {
  expect_laid_out_stably(
      pair_input(example("Valdoria_linea.txt"), example("Valdoria_42-.txt"), "Valdoria", "42"));
  expect_laid_out_stably(pair_input(line_list_text(builtin_line_list()),
                                    line_list_text(builtin_train_list()), "Zorvane_Pelk", "728"));
  test::RandomPairMaker maker(20261209);
  for (int i = 0; i < 40; ++i) {
    SCOPED_TRACE(i);
    const test::RandomPair p = maker.make(i % 4 == 0);
    CompileInput in = pair_input(p.line, p.train, p.name, p.number);
    in.with_geometry = p.geometry;
    expect_laid_out_stably(in, true);
  }
}

// Texts an author could have typed, faults included: the example pair with
// bytes changed, inserted or removed where the layout has to be careful
// (blanks, commas, quotes, hyphens, line ends, tabs, UTF-8 sequences).
// Laying them out never makes them compile differently, and a laid-out text
// stays laid out.
TEST(LayOut, AlteredTextsNeverCompileDifferentlyOnceLaidOut) {
  const std::string pieces[] = {
      " ", ",", "\"", "-", "\r\n",     "\n",   "\r",  "\t",           "0",
      "9", "'", "x",  "[", "pendenza", "\xa0", ", ,", "\xe2\x88\x92", "  \xc3\xa0  "};
  std::mt19937 rng(728);
  const std::string line = example("Valdoria_linea.txt");
  const std::string train = example("Valdoria_42-.txt");
  for (int i = 0; i < 300; ++i) {
    SCOPED_TRACE(i);
    std::string texts[2] = {line, train};
    std::string& text = texts[i % 2];
    for (int edits = 1 + static_cast<int>(rng() % 3); edits > 0; --edits) {
      const size_t at = rng() % text.size();
      const std::string& piece = pieces[rng() % std::size(pieces)];
      switch (rng() % 3) {
        case 0:
          text.insert(at, piece);
          break;
        case 1:
          text.erase(at, 1 + rng() % 3);
          break;
        default:
          text.replace(at, 1, piece);
          break;
      }
    }
    const CompileInput in = pair_input(texts[0], texts[1], "Valdoria", "42");
    for (DescriptionFile role : {DescriptionFile::kLine, DescriptionFile::kTrain}) {
      const LaidOut once = lay_out_description(in, role);
      EXPECT_EQ(once.refused.find("differently"), std::string::npos) << text;
      if (!once.changed) continue;
      CompileInput again = in;
      (role == DescriptionFile::kLine ? again.line.text : again.train.text) = once.text;
      EXPECT_FALSE(lay_out_description(again, role).changed) << once.text;
    }
  }
}

TEST(LayOut, RecordLinesAlignNumbersRightAndKeepEveryOtherLine) {
  const std::string line = example("Valdoria_linea.txt");
  const LaidOut laid =
      lay_out_description(pair_input(line, example("Valdoria_42-.txt")), DescriptionFile::kLine);
  ASSERT_EQ(laid.refused, "");
  EXPECT_TRUE(laid.changed);
  // The gradient table: one column of positions, one of gradients.
  EXPECT_NE(laid.text.find("[pendenze]\r\n"
                           "pendenza,  400,  2\r\n"
                           "pendenza, 2100,  3\r\n"
                           "pendenza, 3300, -2\r\n"
                           "pendenza, 4800,  0\r\n[curve]\r\n"),
            std::string::npos)
      << laid.text;
  // A comment line parts two tables; the text of a sign board is kept whole.
  EXPECT_NE(laid.text.find("curvad3, 900, 250\r\n- galleria del colle\r\ncurvas4, 2300, 300\r\n"
                           "curvad2, 4200, 500\r\n"),
            std::string::npos)
      << laid.text;
  EXPECT_NE(laid.text.find("cartello indicatore, 2950, (  Km. ) (3.000)\r\n"), std::string::npos)
      << laid.text;
  // The title, the blank lines and the headers as they were.
  EXPECT_EQ(laid.text.substr(0, line.find("[generale]") + 20),
            line.substr(0, line.find("[generale]") + 20));
}

// Caption rows stand over the columns of the table below them: the table is
// left as it stands, captions and all, while a table under a plain comment is
// laid out.
TEST(LayOut, ATableUnderCaptionRowsIsLeftWithItsCaptions) {
  const std::string train = example("Valdoria_42-.txt");
  const LaidOut laid = lay_out_description(pair_input(example("Valdoria_linea.txt"), train),
                                           DescriptionFile::kTrain);
  ASSERT_EQ(laid.refused, "");
  for (const char* block :
       {"-                v\r\nsegnale,   1000, 1, 4, 1, 0, 0,     0, 0, 0, 0, 0\r\n"
        "segnale,   2400, 2, 3, 1, 0, 0,     2, 2, 1, 0, 0\r\n",
        "o  m  s\r\nstazione,       0,  8,  400,"}) {
    EXPECT_NE(train.find(block), std::string::npos) << block;
    EXPECT_NE(laid.text.find(block), std::string::npos) << laid.text;
  }
  const std::string plain =
      "[generale]\r\n- limiti\r\nvelocita, 0, 30\r\nvelocita,  500,  90\r\n"
      "stazione, 0, 8, 400, 1,0,0, 4,1,0, 2,1,1, 1, 7,30,0, A\r\n[fine]\r\n";
  const LaidOut under_comment = lay_out_description(
      pair_input(example("Valdoria_linea.txt"), plain), DescriptionFile::kTrain);
  EXPECT_NE(under_comment.text.find("- limiti\r\nvelocita,   0, 30\r\n"), std::string::npos)
      << under_comment.text;
}

TEST(LayOut, LeavesLinesThatHoldMoreOrLessThanOneRecord) {
  // Values that run onto the next line, a comment field before a record on
  // its line, two records on one line, and a misspelt keyword stay as typed.
  std::string line = example("Valdoria_linea.txt");
  const std::string odd =
      "pendenza , 4900 ,\r\n   1\r\n- note,  pendenza , 5000 , 2\r\n"
      "pendenza , 5100 , 1, pendenza , 5200 , 0\r\npendnza , 5300 , 1\r\n";
  line.insert(line.find("[curve]"), odd);
  const LaidOut laid =
      lay_out_description(pair_input(line, example("Valdoria_42-.txt")), DescriptionFile::kLine);
  ASSERT_EQ(laid.refused, "");
  EXPECT_NE(laid.text.find(odd), std::string::npos) << laid.text;
  EXPECT_NE(laid.text.find("pendenza, 4800,  0\r\n" + odd), std::string::npos) << laid.text;
}

// A number the compile stopped at keeps the text after it on its line: the
// reader never read that text, and writing the line again from its fields
// would drop it.
TEST(LayOut, KeepsALineWithTextTheReaderPassedOver) {
  std::string line = example("Valdoria_linea.txt");
  const std::string record = "ripetizione segnali 4 codici,    500,    5500";
  const std::string odd = "ripetizione segnali 4 codici,    500,    5  p  a  a";
  ASSERT_NE(line.find(record), std::string::npos);
  line.replace(line.find(record), record.size(), odd);
  const LaidOut laid =
      lay_out_description(pair_input(line, example("Valdoria_42-.txt")), DescriptionFile::kLine);
  EXPECT_EQ(laid.refused, "");
  EXPECT_TRUE(laid.changed);
  EXPECT_NE(laid.text.find(odd + "\r\n"), std::string::npos) << laid.text;
}

// A field holding UTF-8 bytes is quoted in its warning without the blanks
// around it, so taking the blanks away does not change the warning.
TEST(LayOut, BlanksAroundAFieldWithUtf8BytesAreLaidOutLikeAnyOthers) {
  std::string line = example("Valdoria_linea.txt");
  const std::string record = "lunghezza percorso,    6000";
  ASSERT_NE(line.find(record), std::string::npos);
  line.replace(line.find(record), record.size(), "\xe2\x88\x92lunghezza percorso   ,    6000");
  const LaidOut laid =
      lay_out_description(pair_input(line, example("Valdoria_42-.txt")), DescriptionFile::kLine);
  EXPECT_EQ(laid.refused, "");
  // Aligned with the records around it: the blanks before the comma go.
  EXPECT_NE(laid.text.find("\xe2\x88\x92lunghezza percorso,"), std::string::npos) << laid.text;
}

TEST(LayOut, ADescriptionTheCompileNeverReadIsLeftAsItIs) {
  // The train of a line that never sized the model is not read at all.
  const std::string train = example("Valdoria_42-.txt");
  const LaidOut laid =
      lay_out_description(pair_input("nothing here\r\n", train), DescriptionFile::kTrain);
  EXPECT_NE(laid.refused, "");
  EXPECT_FALSE(laid.changed);
  EXPECT_EQ(laid.text, train);
}

}  // namespace
}  // namespace binario
