#include "lsp/json_rpc.h"

#include <gtest/gtest.h>

#include <string>

namespace binario::rpc {
namespace {

using nlohmann::json;

TEST(JsonRpc, TellsRequestsNotificationsAndResponsesAndKeepsTheirParams) {
  Parsed p = parse_message(R"({"jsonrpc":"2.0","id":"a","method":"m","params":[1]})");
  ASSERT_TRUE(p.message);
  EXPECT_EQ(p.message->kind, Message::Kind::kRequest);
  EXPECT_EQ(p.message->id, "a");
  EXPECT_EQ(p.message->params, json::array({1}));
  p = parse_message(R"({"jsonrpc":"2.0","method":"n"})");
  ASSERT_TRUE(p.message);
  EXPECT_EQ(p.message->kind, Message::Kind::kNotification);
  EXPECT_EQ(p.message->params, json::object());
  p = parse_message(R"({"jsonrpc":"2.0","id":3,"result":null})");
  ASSERT_TRUE(p.message);
  EXPECT_EQ(p.message->kind, Message::Kind::kResponse);

  // A bad id is answered with a null id; a bad method with the id it came with.
  p = parse_message(R"({"id":2.5,"method":"m"})");
  ASSERT_TRUE(p.error);
  EXPECT_EQ(p.error->code, lsp::kInvalidRequest);
  EXPECT_TRUE(p.error_id.is_null());
  p = parse_message(R"({"id":4,"method":[]})");
  ASSERT_TRUE(p.error);
  EXPECT_EQ(p.error_id, 4);
}

// Arrays and objects nested 60,000 deep, anywhere in a message, are refused
// before they are parsed; brackets inside strings are text, not nesting.
TEST(JsonRpc, RefusesDeepNestingWithoutRecursing) {
  const std::string deep = std::string(60000, '[') + std::string(60000, ']');
  for (const std::string& body :
       {deep, R"({"jsonrpc":"2.0","id":1,"method":"m","params":{"a":)" + deep + "}}",
        std::string(60000, '{')}) {
    const Parsed p = parse_message(body);
    ASSERT_TRUE(p.error);
    EXPECT_EQ(p.error->code, lsp::kInvalidRequest);
  }
  // The id is read all the same, wherever it stands, so that the answer
  // reaches the request it is for; a nested "id" is not the message's.
  EXPECT_EQ(parse_message(R"({"jsonrpc":"2.0","method":"m","params":{"a":)" + deep +
                          R"(,"id":5},"id":"x7"})")
                .error_id,
            "x7");
  EXPECT_TRUE(parse_message(R"({"params":{"id":5,"a":)" + deep + "}}").error_id.is_null());
  EXPECT_TRUE(parse_message(R"({"id":[1],"a":)" + deep + "}").error_id.is_null());
  EXPECT_TRUE(parse_message(deep + ",").error_id.is_null());
  EXPECT_EQ(nesting_depth(R"({"a":"[[[[{{{{\"[[[["})", 64), 1);
  EXPECT_EQ(nesting_depth(std::string(kMaxNesting, '[') + std::string(kMaxNesting, ']'), 64),
            kMaxNesting);
  EXPECT_TRUE(parse_message(R"({"method":"m","params":)" + std::string(kMaxNesting - 1, '[') +
                            std::string(kMaxNesting - 1, ']') + "}")
                  .message);
}

// The document a large change names is read without building the message,
// whatever the order of the members; a "uri" anywhere else is not it.
TEST(JsonRpc, ReadsTheDocumentOfAMessageWithoutBuildingIt) {
  const std::string change = "textDocument/didChange";
  EXPECT_EQ(document_of(R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":)"
                        R"({"textDocument":{"version":3,"uri":"file:///d/a.txt"},)"
                        R"("contentChanges":[{"text":"x"}]}})",
                        change),
            "file:///d/a.txt");
  EXPECT_EQ(document_of(R"({"params":{"contentChanges":[{"uri":"file:///no","text":"[{\"uri\""}],)"
                        R"("uri":"file:///no","other":{"textDocument":{"uri":"file:///no"}},)"
                        R"("textDocument":{"uri":"file:///d/b.txt"}},)"
                        R"("method":"textDocument/didChange","uri":"file:///no"})",
                        change),
            "file:///d/b.txt");
  // Another method, no document, a method that is not a string, not JSON.
  EXPECT_FALSE(document_of(
      R"({"method":"textDocument/didOpen","params":{"textDocument":{"uri":"file:///d/a.txt"}}})",
      change));
  EXPECT_FALSE(
      document_of(R"({"method":"textDocument/didChange","params":{"textDocument":{}}})", change));
  EXPECT_FALSE(document_of(
      R"({"method":["textDocument/didChange"],"params":{"textDocument":{"uri":"file:///d"}}})",
      change));
  EXPECT_FALSE(document_of(R"({"method":"textDocument/didChange","params":)", change));
  // Reading stops at what it looks for: what is wrong past it is the full
  // parse's to report.
  EXPECT_EQ(document_of(R"({"method":"textDocument/didChange","params":{"textDocument":)"
                        R"({"uri":"file:///d/c.txt"},"contentChanges":[)" +
                            std::string(100000, '['),
                        change),
            "file:///d/c.txt");
}

TEST(JsonRpc, APositionIsAnIntegerFromZeroTo2147483647) {
  const json ok = json::parse(R"({"a":0,"b":2147483647})");
  EXPECT_EQ(uinteger_field(ok, "a"), 0);
  EXPECT_EQ(uinteger_field(ok, "b"), 2147483647);
  for (const char* bad : {R"({"a":1e20})", R"({"a":2.5})", R"({"a":-1})", R"({"a":2147483648})",
                          R"({"a":"3"})", R"({"a":null})", R"({})", R"({"a":-9223372036854775808})",
                          R"({"a":18446744073709551615})"}) {
    try {
      uinteger_field(json::parse(bad), "a");
      ADD_FAILURE() << bad;
    } catch (const Error& e) {
      EXPECT_EQ(e.code, lsp::kInvalidParams) << bad;
    }
  }
}

}  // namespace
}  // namespace binario::rpc
