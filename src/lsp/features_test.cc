// The features an author uses while writing, asked for through the protocol
// as an editor asks for them, on the example pair.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "lsp/message_reader.h"
#include "lsp/server.h"
#include "output/text_encoding.h"

namespace binario {
namespace {

using nlohmann::json;

const char kLineUri[] = "file:///d/Valdoria_linea.txt";
const char kTrainUri[] = "file:///d/Valdoria_42-.txt";

std::string example(const std::string& name) {
  std::ifstream in(std::string(BINARIO_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return windows1252_to_utf8(text.str());
}

json text_capabilities(bool snippets, const char* format) {
  return {
      {"hover", {{"contentFormat", {format}}}},
      {"completion",
       {{"completionItem", {{"snippetSupport", snippets}, {"documentationFormat", {format}}}}}}};
}

// An editor with the example pair open (or the texts given), talking to a
// server that compiles at once.
class Editor {
 public:
  explicit Editor(json text_capabilities = json::object(),
                  std::string line = example("Valdoria_linea.txt"),
                  std::string train = example("Valdoria_42-.txt"))
      : server_(fs_, out_, ServerOptions{std::chrono::milliseconds(0), false}) {
    capabilities_ = call("initialize", {{"capabilities", {{"textDocument", text_capabilities}}}});
    open(kLineUri, std::move(line));
    open(kTrainUri, std::move(train));
  }

  void open(const std::string& uri, std::string text) {
    send({{"jsonrpc", "2.0"},
          {"method", "textDocument/didOpen"},
          {"params", {{"textDocument", {{"uri", uri}, {"text", std::move(text)}}}}}});
  }
  // The result of a request (the error object when it failed).
  json call(const std::string& method, const json& params) {
    send({{"jsonrpc", "2.0"}, {"id", ++id_}, {"method", method}, {"params", params}});
    std::istringstream in(out_.str());
    out_.str("");
    std::string body;
    json result;
    while (read_message(in, &body) == ReadResult::kMessage) {
      const json m = json::parse(body);
      if (m.value("id", 0) == id_) result = m.contains("error") ? m["error"] : m["result"];
    }
    return result;
  }
  // A request about 0-based `line` and UTF-16 `character` of `uri`.
  json at(const std::string& method, const std::string& uri, int line, int character) {
    return call(method, {{"textDocument", {{"uri", uri}}},
                         {"position", {{"line", line}, {"character", character}}}});
  }
  const json& capabilities() const { return capabilities_["capabilities"]; }

 private:
  void send(const json& message) { server_.handle(message.dump()); }

  MemoryFileSystem fs_;
  std::ostringstream out_;
  Server server_;
  json capabilities_;
  int id_ = 0;
};

std::vector<std::string> labels(const json& items) {
  std::vector<std::string> out;
  for (const json& item : items) out.push_back(item["label"]);
  return out;
}

bool has(const std::vector<std::string>& list, const std::string& item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

TEST(Completion, OffersTheKeywordsOfTheSectionOnlyWhereAKeywordIsRead) {
  Editor editor;
  EXPECT_TRUE(editor.capabilities()["completionProvider"]["resolveProvider"]);
  // At the start of "segnale,   1000, …" in the train.
  const std::vector<std::string> train =
      labels(editor.at("textDocument/completion", kTrainUri, 30, 0));
  EXPECT_TRUE(has(train, "segnale"));
  EXPECT_TRUE(has(train, "stazione"));
  EXPECT_FALSE(has(train, "pendenza"));
  EXPECT_FALSE(has(train, "lunghezza percorso"));
  // The line's general section ("sfondo uno, 1") and its body ("pendenza, …").
  const std::vector<std::string> general =
      labels(editor.at("textDocument/completion", kLineUri, 9, 0));
  EXPECT_TRUE(has(general, "lunghezza percorso"));
  EXPECT_FALSE(has(general, "pendenza"));
  EXPECT_FALSE(has(general, "segnale"));
  const std::vector<std::string> body =
      labels(editor.at("textDocument/completion", kLineUri, 14, 0));
  EXPECT_TRUE(has(body, "pendenza"));
  EXPECT_TRUE(has(body, "curvas"));
  EXPECT_FALSE(has(body, "lunghezza percorso"));
  // An empty line between records is keyword position too.
  EXPECT_TRUE(has(labels(editor.at("textDocument/completion", kLineUri, 20, 0)), "curvad"));

  // Nothing inside values: on "1000", right after its comma, on the
  // station's name; nothing inside a comment or before "[generale]".
  EXPECT_EQ(editor.at("textDocument/completion", kTrainUri, 30, 12), json::array());
  EXPECT_EQ(editor.at("textDocument/completion", kTrainUri, 30, 15), json::array());
  EXPECT_EQ(editor.at("textDocument/completion", kTrainUri, 21, 80), json::array());
  EXPECT_EQ(editor.at("textDocument/completion", kTrainUri, 27, 5), json::array());
  EXPECT_EQ(editor.at("textDocument/completion", kTrainUri, 0, 3), json::array());
}

TEST(Completion, AValueMissingAtTheEndOfALineIsStillAValue) {
  // "segnale, 1000," takes its next values from the next line: the cursor
  // after the comma is among the values.
  std::string train = example("Valdoria_42-.txt");
  const size_t codes = train.find("[codici]");
  train.insert(codes, "segnale, 1000, \r\n");
  Editor editor({}, example("Valdoria_linea.txt"), train);
  EXPECT_EQ(editor.at("textDocument/completion", kTrainUri, 33, 15), json::array());
}

TEST(Completion, SnippetsOnlyForAClientThatTakesThem) {
  Editor plain(text_capabilities(false, "plaintext"));
  const json items = plain.at("textDocument/completion", kTrainUri, 30, 0);
  ASSERT_FALSE(items.empty());
  for (const json& item : items) {
    EXPECT_EQ(item["insertTextFormat"], 1) << item;
    EXPECT_EQ(item["insertText"], item["label"]) << item;
    EXPECT_FALSE(item.contains("documentation")) << item;
  }
  // Small: no item carries the reference.
  EXPECT_LT(items.dump().size(), 2000u);

  Editor snippets(text_capabilities(true, "markdown"));
  json signal;
  for (const json& item : snippets.at("textDocument/completion", kTrainUri, 30, 0)) {
    if (item["label"] == "segnale") signal = item;
  }
  EXPECT_EQ(signal["insertTextFormat"], 2);
  EXPECT_EQ(signal["insertText"],
            "segnale, ${1:posizione}, ${2:sx}, ${3:s1}, ${4:s2}, ${5:s3}, ${6:rapp}, ${7:dx}, "
            "${8:d1}, ${9:d2}, ${10:d3}, ${11:tempo}");
  // A curve's class digit is the first tab stop.
  json curve;
  for (const json& item : snippets.at("textDocument/completion", kLineUri, 14, 0)) {
    if (item["label"] == "curvas") curve = item;
  }
  EXPECT_EQ(curve["insertText"], "curvas${1}, ${2:s}, ${3:n}");

  // The reference comes on resolve, in the format the client asked for.
  const json resolved = snippets.call("completionItem/resolve", signal);
  EXPECT_EQ(resolved["documentation"]["kind"], "markdown");
  EXPECT_EQ(resolved["documentation"]["value"].get<std::string>().rfind("### `segnale`", 0), 0u);
  const json item = plain.at("textDocument/completion", kTrainUri, 30, 0).at(0);
  const json plain_resolved = plain.call("completionItem/resolve", item);
  EXPECT_EQ(plain_resolved["documentation"]["kind"], "plaintext");
  const std::string text = plain_resolved["documentation"]["value"];
  EXPECT_EQ(text.find('#'), std::string::npos) << text;
  EXPECT_EQ(text.find('`'), std::string::npos) << text;
  // An item the server did not make comes back as it is.
  EXPECT_EQ(plain.call("completionItem/resolve", {{"label", "x"}}), json({{"label", "x"}}));
}

TEST(Hover, InTheFormatTheClientAsksForWithTheCellOfEveryPosition) {
  Editor plain(text_capabilities(false, "plaintext"));
  const json on_keyword = plain.at("textDocument/hover", kTrainUri, 30, 2);
  EXPECT_EQ(on_keyword["contents"]["kind"], "plaintext");
  const std::string text = on_keyword["contents"]["value"];
  EXPECT_EQ(text.rfind("segnale\n", 0), 0u) << text;
  EXPECT_EQ(text.find('`'), std::string::npos) << text;

  Editor editor(text_capabilities(false, "markdown"));
  auto hover_text = [&](const std::string& uri, int line, int character) {
    const json h = editor.at("textDocument/hover", uri, line, character);
    return h.is_null() ? std::string() : h["contents"]["value"].get<std::string>();
  };
  EXPECT_EQ(hover_text(kTrainUri, 30, 2).rfind("### `segnale`", 0), 0u);
  // "abbattimento, 1500": a change of code from cell 30.
  EXPECT_NE(hover_text(kTrainUri, 35, 16).find("cell 30"), std::string::npos)
      << hover_text(kTrainUri, 35, 16);
  // "stazione, 2750": its stop cell.
  EXPECT_NE(hover_text(kTrainUri, 21, 14).find("cell"), std::string::npos)
      << hover_text(kTrainUri, 21, 14);
  // "rallentamento, 4000": the warning board, start and end.
  EXPECT_NE(hover_text(kTrainUri, 25, 20).find("cells"), std::string::npos)
      << hover_text(kTrainUri, 25, 20);
  // "montagna, 2000, …" in the line.
  EXPECT_NE(hover_text(kLineUri, 30, 11).find("cells"), std::string::npos)
      << hover_text(kLineUri, 30, 11);
}

}  // namespace
}  // namespace binario
