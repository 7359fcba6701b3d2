// The UTF-8 warnings of a description: found on the lines that hold a
// sequence, at their own line and column however the lines end, and nowhere
// in a Windows-1252 text.
#include "compiler/encoding_warnings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace binario {
namespace {

// "LINE:COLUMN" of every warning `text` gives.
std::vector<std::string> warned_at(const std::string& text) {
  Status status;
  status.set_extras(true);
  warn_utf8_text(text, "t.txt", status);
  std::vector<std::string> out;
  for (const Diagnostic& d : status.diagnostics()) {
    EXPECT_EQ(d.name, "utf8-text");
    out.push_back(std::to_string(d.location->line) + ":" + std::to_string(d.location->column));
  }
  return out;
}

using Places = std::vector<std::string>;

TEST(EncodingWarnings, EachLineHoldingASequenceIsWarnedAtItsPlace) {
  // Lines end with CR, CR LF and LF alike; long runs of plain lines between.
  std::string text = "abc\rdef\r\nghi\n";
  for (int i = 0; i < 40; ++i) text += "velocita, 0, 30\r\n";
  text += "stazione, 8, NAPOLI S\xC3\x88\n";  // line 44
  for (int i = 0; i < 5; ++i) text += "x\r";
  text += "\xC3\xA0";  // line 50: a sequence in the text's last bytes, no line end
  EXPECT_EQ(warned_at(text), (Places{"44:22", "50:1"}));

  // One warning a line, at its first sequence.
  EXPECT_EQ(warned_at("a\n\xC3\xA8 e \xC3\xA0\nb"), (Places{"2:1"}));
  // Empty lines are lines: CR LF is one line end, LF CR two.
  EXPECT_EQ(warned_at("\r\n\n\r\n\r\xC3\xA8"), (Places{"5:1"}));
  EXPECT_EQ(warned_at("\n\r\xC3\xA8"), (Places{"3:1"}));

  // The byte-order mark is line 1's first three bytes: a sequence after it
  // counts them.
  EXPECT_EQ(warned_at("\xEF\xBB\xBF"
                      "ab\xC3\xA8\nc"),
            (Places{"1:1", "1:6"}));
}

TEST(EncodingWarnings, AWindows1252TextIsNotWarned) {
  // Accented letters, the euro sign and bytes that only continue a sequence,
  // but none that forms one; some of them at the text's very end.
  std::string text;
  for (int i = 0; i < 20; ++i) text += "stazione, 8, CITT\xC0 DI S\xC8 \x80 \xBF\xA0\n";
  text += "\xE8\xC3";
  EXPECT_TRUE(warned_at(text).empty());
  EXPECT_TRUE(warned_at("").empty());
  EXPECT_TRUE(warned_at("\xC2").empty());
}

}  // namespace
}  // namespace binario
