#include "lsp/document_sync.h"

#include <gtest/gtest.h>

#include <string>

namespace binario {
namespace {

using nlohmann::json;

const std::string kUri = "file:///d/Valle_linea.txt";
const std::string kText = "[generale]\r\nlunghezza percorso, 5000\r\n[pendenze]\r\nà b\r\n";

// The document's text after the didChange `body`, applied the fast way and
// the way a parsed message is: both must agree.
std::string applied(const std::string& body) {
  DocumentStore fast;
  fast.open(kUri, kText);
  std::optional<DidChange> read = read_did_change(body);
  EXPECT_TRUE(read.has_value()) << body;
  if (!read) return "";
  EXPECT_EQ(read->uri, kUri);
  apply_changes(fast, read->uri, read->changes);

  DocumentStore parsed;
  parsed.open(kUri, kText);
  const json message = json::parse(body);
  apply_content_changes(parsed, kUri, message["params"]["contentChanges"]);
  EXPECT_EQ(*fast.text(kUri), *parsed.text(kUri)) << body;
  return *fast.text(kUri);
}

TEST(ReadDidChange, AppliesAsTheParsedMessageDoes) {
  // Ranged changes (UTF-16 columns past a two-byte character), escapes, a
  // character outside the BMP, members in any order, and members the
  // notification does not use (passed over, nested or not).
  const std::string body = R"({"jsonrpc":"2.0","params":{
      "contentChanges":[
        {"rangeLength":3,"text":"X\u00e8\ud83d\ude00\"\\","range":{"end":{"character":3,"line":3},
                                                            "start":{"line":3,"character":2}}},
        {"range":{"start":{"line":0,"character":1},"end":{"line":1,"character":0}},
         "text":"\r\n", "extra":{"a":[1,{"b":null}],"c":-2.5}},
        {"text":"", "range":{"start":{"line":9,"character":0},"end":{"line":99,"character":7}}}],
      "textDocument":{"version":7,"uri":"file:///d/Valle_linea.txt"}},
    "method":"textDocument/didChange"})";
  EXPECT_EQ(applied(body),
            "[\r\nlunghezza percorso, 5000\r\n[pendenze]\r\nà X"
            "è\xF0\x9F\x98\x80\"\\\r\n");

  // A change without a range replaces the whole text; the next edits it.
  EXPECT_EQ(applied(R"({"method":"textDocument/didChange","params":{"textDocument":{"uri":)"
                    R"("file:///d/Valle_linea.txt"},"contentChanges":[{"text":"ab\ncd"},)"
                    R"({"range":{"start":{"line":1,"character":1},"end":{"line":1,)"
                    R"("character":2}},"text":"Z"}]}})"),
            "ab\ncZ");
  EXPECT_EQ(applied(R"({"method":"textDocument/didChange","params":{"textDocument":{"uri":)"
                    R"("file:///d/Valle_linea.txt"},"contentChanges":[]}})"),
            kText);
}

TEST(ReadDidChange, LeavesToTheWholeParseWhatItWouldReadOtherwise) {
  const auto body = [](const std::string& changes, const std::string& around = "") {
    return R"({"method":"textDocument/didChange",)" + around +
           R"("params":{"textDocument":{"uri":"file:///d/x_linea.txt"},"contentChanges":)" +
           changes + "}}";
  };
  const std::string range = R"("range":{"start":{"line":0,"character":0},"end":{"line":0,)"
                            R"("character":1}})";
  ASSERT_TRUE(read_did_change(body("[{" + range + R"(,"text":"a"}])")));
  const std::string refused[] = {
      // Another method, an id (a request), not JSON, cut short, not an object.
      R"({"method":"textDocument/didOpen","params":{}})",
      body("[]", R"("id":3,)"),
      body("[]", R"("id":null,)"),
      body("[{" + range + R"(,"text":"a"}])").substr(10),
      body("[{" + range + R"(,"text":"a"}])").substr(0, 90),
      "[1]",
      "\"text\"",
      // A member given twice: the whole parse keeps the last.
      body("[]", R"("method":"textDocument/didChange",)"),
      body(R"([{"text":"a","text":"b"}])"),
      body("[{" + range + "," + range + R"(,"text":"a"}])"),
      body(R"([{"range":{"start":{"line":0,"line":1,"character":0},"end":{"line":0,"character":)"
           R"(1}},"text":"a"}])"),
      // A field the notification needs, missing or of the wrong type.
      body(R"([{"text":1}])"),
      body(R"([{"range":null,"text":"a"}])"),
      body(R"([{"range":{"start":{"line":0,"character":0}},"text":"a"}])"),
      body(R"([{"range":{"start":{"line":0},"end":{"line":0,"character":1}},"text":"a"}])"),
      body(R"([{"range":{"start":{"line":-1,"character":0},"end":{"line":0,"character":1}},)"
           R"("text":"a"}])"),
      body(R"([{"range":{"start":{"line":0.5,"character":0},"end":{"line":0,"character":1}},)"
           R"("text":"a"}])"),
      body(R"([{"range":{"start":{"line":2147483648,"character":0},"end":{"line":0,)"
           R"("character":1}},"text":"a"}])"),
      body(R"([{"range":{"start":{"line":"0","character":0},"end":{"line":0,"character":1}},)"
           R"("text":"a"}])"),
      body(R"([{"range":[0,1],"text":"a"}])"),
      body(R"([{"range":{"start":{"line":0,"character":0},"end":{"line":0,"character":1}}}])"),
      body(R"([["text"]])"),
      body(R"([7])"),
      body(R"({"text":"a"})"),
      R"({"method":"textDocument/didChange","params":{"contentChanges":[]}})",
      R"({"method":"textDocument/didChange","params":{"textDocument":{"uri":3},)"
      R"("contentChanges":[]}})",
      R"({"method":"textDocument/didChange","params":{"textDocument":{"uri":"file:///x"}}})",
      R"({"method":"textDocument/didChange","params":[]})",
      // Nested deeper than a message may be, inside a member passed over.
      body("[]", R"("x":)" + std::string(70, '[') + std::string(70, ']') + ","),
  };
  for (const std::string& message : refused) {
    EXPECT_FALSE(read_did_change(message).has_value()) << message;
  }
}

}  // namespace
}  // namespace binario
