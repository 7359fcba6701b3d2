#include "lsp/document_sync.h"

#include <gtest/gtest.h>

#include <cstdint>

#include <random>
#include <string>
#include <vector>

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

// Writes down every event, and refuses the one numbered `stop_at`.
class Recorder : public nlohmann::json_sax<json> {
 public:
  explicit Recorder(size_t stop_at = SIZE_MAX) : stop_at_(stop_at) {}
  std::vector<std::string> events;

  bool null() override { return add("null"); }
  bool boolean(bool v) override { return add(v ? "true" : "false"); }
  bool number_integer(number_integer_t v) override { return add("i" + std::to_string(v)); }
  bool number_unsigned(number_unsigned_t v) override { return add("u" + std::to_string(v)); }
  bool number_float(number_float_t, const string_t& s) override { return add("f" + s); }
  bool string(string_t& v) override { return add("s" + v); }
  bool binary(binary_t&) override { return add("binary"); }
  bool start_object(std::size_t n) override { return add("{" + std::to_string(n)); }
  bool key(string_t& k) override { return add("k" + k); }
  bool end_object() override { return add("}"); }
  bool start_array(std::size_t n) override { return add("[" + std::to_string(n)); }
  bool end_array() override { return add("]"); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  bool add(std::string event) {
    events.push_back(std::move(event));
    return events.size() - 1 != stop_at_;
  }
  size_t stop_at_;
};

// Where the quick parse reads a text itself, it gives the events the whole
// parser gives, and stops where it stops. False when it left the text.
bool expect_events_as_whole_parse(const std::string& text) {
  Recorder whole;
  const bool whole_parsed = json::sax_parse(text, &whole);
  Recorder quick;
  const QuickParse read = quick_sax_parse(text, &quick);
  if (read == QuickParse::kUnsure) return false;
  EXPECT_EQ(read == QuickParse::kParsed, whole_parsed) << text;
  EXPECT_EQ(quick.events, whole.events) << text;
  // Refused at each event in turn: both stop there.
  for (size_t i = 0; i < whole.events.size() && whole_parsed; i += 1 + whole.events.size() / 8) {
    Recorder whole_stopped(i);
    Recorder quick_stopped(i);
    EXPECT_FALSE(json::sax_parse(text, &whole_stopped));
    EXPECT_EQ(quick_sax_parse(text, &quick_stopped), QuickParse::kStopped) << text;
    EXPECT_EQ(quick_stopped.events, whole_stopped.events) << text;
  }
  return true;
}

TEST(QuickSaxParse, GivesTheEventsOfTheWholeParserOrLeavesTheTextToIt) {
  const std::string change =
      R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"textDocument":)"
      R"({"uri":"file:///d/x_linea.txt","version":12},"contentChanges":[{"range":{"start":)"
      R"({"line":0,"character":0},"end":{"line":3,"character":17}},"rangeLength":9,)"
      R"("text":"pendenza  , 400    , 2\r\n\"\u00e0\ud83d\ude00\/\b\f\t"},)"
      "{\"text\":\"\xC3\xA0\xE2\x82\xAC\xF0\x9F\x98\x80\"}, true, false, null, [], {}]}}";
  Recorder events;
  ASSERT_EQ(quick_sax_parse(change, &events), QuickParse::kParsed);
  const std::vector<std::string> texts = {
      change, " \t\r\n{ \"a\" : [ 0 , 1 , 123456789012345678 ] } \n", "0", "\"\"", "[]", "{}",
      "[[[[]]]]", "\"\\u0000\"", "\"\\uD834\\uDD1E\"",
      // What the whole parser refuses or reads otherwise.
      "", " ", "{", "}", "[1,]", "{\"a\":1,}", "{\"a\" 1}", "{1:2}", "[1 2]", "01", "-1", "1.5",
      "1e3", "1E3", "+1", "1234567890123456789", "99999999999999999999", "tru", "nul", "falsey",
      "[true false]", "{} {}", "\"a", "\"\\x\"", "\"\\u12\"", "\"\\uD800\"", "\"\\uDC00\"",
      "\"\\uD800\\u0041\"", "\"\x01\"", "\"\x7F\"", "\"\x80\"", "\"\xC0\x80\"", "\"\xC2\"",
      "\"\xE0\x80\x80\"", "\"\xED\xA0\x80\"", "\"\xEF\xBF\xBF\"", "\"\xF0\x8F\xBF\xBF\"",
      "\"\xF4\x90\x80\x80\"", "\"\xF5\x80\x80\x80\"", "\"\xFF\"",
      std::string(300, '[') + std::string(300, ']'), std::string("\"a\0b\""), "[1]x",
      "\xEF\xBB\xBF[]"};
  int read_quickly = 0;
  for (const std::string& text : texts) read_quickly += expect_events_as_whole_parse(text);
  EXPECT_EQ(read_quickly, 11);
  // A byte of a change put in place of another, over and over.
  read_quickly = 0;
  std::mt19937 random(33);
  const std::string bytes = "{}[]\",:\\/ \t\r\n0123456789-.eEtfnuxDC\x01\x80\xC3\xE2\xF0";
  for (int i = 0; i < 4000; ++i) {
    std::string text = change;
    for (int n = 0; n < 1 + i % 3; ++n) {
      text[random() % text.size()] = bytes[random() % bytes.size()];
    }
    read_quickly += expect_events_as_whole_parse(text);
  }
  EXPECT_GT(read_quickly, 500) << read_quickly;
}

}  // namespace
}  // namespace binario
