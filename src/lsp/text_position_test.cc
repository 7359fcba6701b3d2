#include "lsp/text_position.h"

#include <gtest/gtest.h>

#include "compiler/field_reader.h"

namespace binario {
namespace {

TEST(TextPosition, CompileTextHasOneBytePerCharacter) {
  // é and € are in Windows-1252; Ω is not; 😀 is two UTF-16 units.
  const CompileText text =
      to_compile_text("a\xC3\xA9\xE2\x82\xAC\r\nx\xCE\xA9y\xF0\x9F\x98\x80z\xFF");
  EXPECT_EQ(text.bytes, "a\xE9\x80\r\nx?y?z?");
  ASSERT_EQ(text.replaced.size(), 3u);
  EXPECT_EQ(text.replaced[0].line, 1);
  EXPECT_EQ(text.replaced[0].start, 1);
  EXPECT_EQ(text.replaced[0].end, 2);
  EXPECT_EQ(text.replaced[1].start, 3);
  EXPECT_EQ(text.replaced[1].end, 5);
  EXPECT_EQ(text.replaced[2].start, 6);  // a stray byte
}

// A Windows-1252 text an editor read as Latin-1 holds U+0080-U+009F where
// the file holds the bytes 0x80-0x9F: they are those bytes again.
TEST(TextPosition, ControlCharactersOfALatin1ReadingAreTheirBytes) {
  const CompileText text = to_compile_text("l\xC2\x92ora \xC2\x80 5\xC2\x9F");
  EXPECT_EQ(text.bytes, "l\x92ora \x80 5\x9F");
  EXPECT_TRUE(text.replaced.empty());
}

// A large text is left soon after its flag is set; an unset flag changes
// nothing.
TEST(TextPosition, CompileTextStopsOnceCancelled) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "pendenza, 100, 1\r\n\xC3\xA9";
  std::atomic<bool> cancel{false};
  const CompileText whole = to_compile_text(text, &cancel);
  EXPECT_EQ(whole.bytes, to_compile_text(text).bytes);
  cancel = true;
  EXPECT_THROW(to_compile_text(text, &cancel), CompileCancelled);
  EXPECT_EQ(to_compile_text("a\r\n", &cancel).bytes, "a\r\n");  // too short to look
}

TEST(TextPosition, LinesEndAtLfCrLfAndCr) {
  const std::string text = "one\r\ntwo\nthree\rfour";
  EXPECT_EQ(line_of(text, 0), "one");
  EXPECT_EQ(line_of(text, 1), "two");
  EXPECT_EQ(line_of(text, 2), "three");
  EXPECT_EQ(line_of(text, 3), "four");
  EXPECT_EQ(line_of(text, 4), "");
  // Line numbers agree with the ones to_compile_text gives replaced characters.
  EXPECT_EQ(to_compile_text("a\rb\r\n\xCE\xA9").replaced.at(0).line, 2);
}

TEST(TextPosition, ColumnsMapBothWays) {
  const std::string line = "\xC3\xA9\xF0\x9F\x98\x80, 50";  // é, 😀, ',', ' ', '5', '0'
  EXPECT_EQ(utf16_column(line, 0), 0);
  EXPECT_EQ(utf16_column(line, 1), 1);
  EXPECT_EQ(utf16_column(line, 2), 3);
  EXPECT_EQ(utf16_column(line, 4), 5);
  EXPECT_EQ(utf16_column(line, 99), 7);
  EXPECT_EQ(character_index(line, 0), 0);
  EXPECT_EQ(character_index(line, 1), 1);
  EXPECT_EQ(character_index(line, 2), 1);  // inside the surrogate pair
  EXPECT_EQ(character_index(line, 3), 2);
  EXPECT_EQ(character_index(line, 99), 6);
  for (int c = 0; c <= 6; ++c) EXPECT_EQ(character_index(line, utf16_column(line, c)), c);
}

TEST(TextPosition, ByteOffsetOfAProtocolPosition) {
  const std::string text = "\xC3\xA9\xF0\x9F\x98\x80x\r\nab\rc";
  EXPECT_EQ(byte_offset(text, 0, 1), 2u);   // after é
  EXPECT_EQ(byte_offset(text, 0, 2), 2u);   // inside the surrogate pair
  EXPECT_EQ(byte_offset(text, 0, 3), 6u);   // after the emoji
  EXPECT_EQ(byte_offset(text, 0, 99), 7u);  // the line's end, before CR LF
  EXPECT_EQ(byte_offset(text, 1, 1), 10u);
  EXPECT_EQ(byte_offset(text, 2, 0), 12u);  // after a lone CR
  EXPECT_EQ(byte_offset(text, 9, 0), text.size());
}

}  // namespace
}  // namespace binario
