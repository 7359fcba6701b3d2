#include "lsp/message_reader.h"

#include <gtest/gtest.h>

#include <sstream>

namespace binario {
namespace {

TEST(MessageReader, ReadsConsecutiveMessagesAndOtherHeaders) {
  std::istringstream in(
      "Content-Length: 2\r\n\r\n{}"
      "content-length:  5 \r\nContent-Type: application/vscode-jsonrpc; charset=utf-8\r\n\r\n"
      "[1,2]");
  std::string body;
  EXPECT_EQ(read_message(in, &body), ReadResult::kMessage);
  EXPECT_EQ(body, "{}");
  EXPECT_EQ(read_message(in, &body), ReadResult::kMessage);
  EXPECT_EQ(body, "[1,2]");
  EXPECT_EQ(read_message(in, &body), ReadResult::kEnd);
}

// Each refusal says why, for the log of a connection that is closed.
TEST(MessageReader, RefusesBrokenFramingAndSaysWhy) {
  const std::pair<const char*, const char*> broken[] = {
      {"Content-Length: 10\r\n\r\n{}", "ended 8 bytes before the end of the message"},
      {"Content-Length: 2\n\n{}", "not ended by CR LF"},
      {"Content-Type: x\r\n\r\n{}", "no Content-Length"},
      {"Content-Length: -2\r\n\r\n{}", "'-2' is not a number of bytes"},
      {"Content-Length: 2x\r\n\r\n{}", "'2x' is not a number of bytes"},
      {"Content-Length: 2\x1b]0;T\x07\r\n\r\n{}", "'2\\x1b]0;T\\x07' is not a number of bytes"},
      {"Content-Length 2\r\n\r\n{}", "has no ':'"},
      {"Content-Length: 2\r\n", "ended inside a header"},
      {"Content-Length: 99999999999999999999999\r\n\r\n", "is not a number of bytes"},
  };
  for (const auto& [text, reason] : broken) {
    std::istringstream in(text);
    std::string body, why;
    EXPECT_EQ(read_message(in, &body, kMaxMessageBytes, &why), ReadResult::kMalformed) << text;
    EXPECT_NE(why.find(reason), std::string::npos) << text << ": " << why;
  }
  std::istringstream endless_header(std::string(1 << 20, 'x'));
  std::string body, why;
  EXPECT_EQ(read_message(endless_header, &body, kMaxMessageBytes, &why), ReadResult::kMalformed);
  EXPECT_NE(why.find("longer than 1024 bytes"), std::string::npos) << why;
}

TEST(MessageReader, RefusesTooLargeBeforeStoringIt) {
  std::istringstream in("Content-Length: 1000\r\n\r\n" + std::string(1000, ' '));
  std::string body;
  std::string why;
  EXPECT_EQ(read_message(in, &body, 999, &why), ReadResult::kTooLarge);
  EXPECT_EQ(why, "the message is 1000 bytes, more than the 999 a message may have");
  EXPECT_TRUE(body.empty());
  EXPECT_LT(body.capacity(), 1000u);
}

TEST(MessageReader, WritesWhatItReads) {
  std::ostringstream out;
  write_message(out, "{\"é\":1}");
  EXPECT_EQ(out.str(), "Content-Length: 8\r\n\r\n{\"é\":1}");  // bytes, not characters
  std::istringstream in(out.str());
  std::string body;
  ASSERT_EQ(read_message(in, &body), ReadResult::kMessage);
  EXPECT_EQ(body, "{\"é\":1}");
}

}  // namespace
}  // namespace binario
