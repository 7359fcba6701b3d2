// The conversions between Windows-1252 and UTF-8, and the escaping that
// keeps bytes of a file or a name from reaching a terminal as controls.
#include "output/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace binario {
namespace {

TEST(TextEncoding, EveryByteOfWindows1252RoundTripsThroughUtf8) {
  for (int b = 0; b < 256; ++b) {
    const std::string byte(1, static_cast<char>(b));
    const std::string utf8 = windows1252_to_utf8(byte);
    const bool undefined = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
    if (undefined) {
      EXPECT_EQ(utf8, "\xEF\xBF\xBD") << b;  // U+FFFD: no C1 control reaches the text
      EXPECT_EQ(utf8_to_windows1252(utf8), std::nullopt) << b;
    } else {
      EXPECT_EQ(utf8_to_windows1252(utf8), byte) << b;
    }
  }
  EXPECT_EQ(windows1252_to_utf8("\x80\x92"), "\xE2\x82\xAC\xE2\x80\x99");  // € ’
  EXPECT_EQ(utf8_to_windows1252("\xC3"), std::nullopt);                    // cut short
  EXPECT_EQ(utf8_to_windows1252("\xE2\x88\x92"), std::nullopt);            // U+2212
}

TEST(TextEncoding, ControlBytesOfADescriptionAreEscapedAndNothingIsCut) {
  const std::string field("18\x1b]0;T\x07\x1b[2J5\0x\x7f\xe0\x9b\t\r\n", 21);
  EXPECT_EQ(escaped_controls(field), "18\\x1b]0;T\\x07\\x1b[2J5\\x00x\\x7f\xe0\x9b\\x09\\x0d\\x0a");
  EXPECT_EQ(escaped_controls("stazione, \"Citt\xe0\""), "stazione, \"Citt\xe0\"");
}

TEST(TextEncoding, PathsKeepTheirLettersAndShowEveryControlAndStrayByteEscaped) {
  // Letters of any script stay as they are.
  EXPECT_EQ(escaped_utf8("Citt\xC3\xA0/\xE2\x82\xAC/\xF0\x9F\x9A\x82_1.sim"),
            "Citt\xC3\xA0/\xE2\x82\xAC/\xF0\x9F\x9A\x82_1.sim");
  // C0, DEL and C1 controls (U+009B is a terminal's one-byte CSI).
  EXPECT_EQ(escaped_utf8(std::string("a\x1b[2J\0b\x7f\xC2\x9B"
                                     "1m",
                                     12)),
            "a\\x1b[2J\\x00b\\x7f\\xc2\\x9b1m");
  // Bytes that are not UTF-8: a Latin-1 letter, a stray continuation, an
  // overlong slash, a surrogate, a sequence cut at the end.
  EXPECT_EQ(escaped_utf8("Citt\xE0"), "Citt\\xe0");
  EXPECT_EQ(escaped_utf8("\x80x"), "\\x80x");
  EXPECT_EQ(escaped_utf8("\xC0\xAF"), "\\xc0\\xaf");
  EXPECT_EQ(escaped_utf8("\xED\xA0\x80"), "\\xed\\xa0\\x80");
  EXPECT_EQ(escaped_utf8("ok\xE2\x82"), "ok\\xe2\\x82");
  EXPECT_EQ(escaped_utf8("\xC2\xA0"), "\xC2\xA0");  // no-break space is a character
}

}  // namespace
}  // namespace binario
