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

TEST(MessageReader, RefusesBrokenFraming) {
  const char* broken[] = {
      "Content-Length: 10\r\n\r\n{}",                     // body cut short
      "Content-Length: 2\n\n{}",                          // LF without CR
      "Content-Type: x\r\n\r\n{}",                        // no length
      "Content-Length: -2\r\n\r\n{}",                     // not a number
      "Content-Length: 2x\r\n\r\n{}",                     // trailing garbage
      "Content-Length 2\r\n\r\n{}",                       // no colon
      "Content-Length: 2\r\n",                            // ends inside the headers
      "Content-Length: 99999999999999999999999\r\n\r\n",  // overflows
  };
  for (const char* text : broken) {
    std::istringstream in(text);
    std::string body;
    EXPECT_EQ(read_message(in, &body), ReadResult::kMalformed) << text;
  }
  std::istringstream endless_header(std::string(1 << 20, 'x'));
  std::string body;
  EXPECT_EQ(read_message(endless_header, &body), ReadResult::kMalformed);
}

TEST(MessageReader, RefusesTooLargeBeforeStoringIt) {
  std::istringstream in("Content-Length: 1000\r\n\r\n" + std::string(1000, ' '));
  std::string body;
  EXPECT_EQ(read_message(in, &body, 999), ReadResult::kTooLarge);
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
