// The features an author uses while writing, asked for through the protocol
// as an editor asks for them, on the example pair.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "lsp/message_reader.h"
#include "lsp/server.h"
#include "output/text_encoding.h"
#include "test_support/memory_file_system.h"

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
  EXPECT_TRUE(has(labels(editor.at("textDocument/completion", kLineUri, 19, 0)), "curvad"));

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
  EXPECT_EQ(editor.at("textDocument/completion", kTrainUri, 34, 15), json::array());
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

TEST(SignatureHelp, NamesTheValueBeingTypedWithItsUnitAndRange) {
  Editor editor;
  EXPECT_EQ(editor.capabilities()["signatureHelpProvider"]["triggerCharacters"], json({","}));
  auto active = [&](const std::string& uri, int line, int character) {
    const json help = editor.at("textDocument/signatureHelp", uri, line, character);
    if (help.is_null()) return std::string("none");
    const json& signature = help["signatures"][0];
    const json& parameter = signature["parameters"][help["activeParameter"].get<size_t>()];
    const std::string label = signature["label"];
    const size_t start = parameter["label"][0];
    const size_t end = parameter["label"][1];
    return std::to_string(signature["parameters"].size()) + " " + label.substr(start, end - start) +
           " | " + parameter["documentation"]["value"].get<std::string>();
  };
  // "segnale,   1000, 1, 4, …": on the position, then after its comma.
  EXPECT_EQ(
      active(kTrainUri, 30, 12)
          .rfind("11 posizione | posizione, in m, a Long from -2147483648 to 2147483647: where the "
                 "signal stands",
                 0),
      0u)
      << active(kTrainUri, 30, 12);
  EXPECT_EQ(active(kTrainUri, 30, 16).rfind("11 sx | sx, a Long", 0), 0u);
  // The last of a station's 17 values, its name; the range of a speed limit.
  EXPECT_EQ(active(kTrainUri, 21, 80).rfind("17 nome | nome, a text", 0), 0u)
      << active(kTrainUri, 21, 80);
  EXPECT_EQ(active(kTrainUri, 12, 23).rfind("2 s | s, in km/h, a Long from -2 to 1277", 0), 0u)
      << active(kTrainUri, 12, 23);
  // A Byte; a record of the line.
  EXPECT_EQ(active(kTrainUri, 21, 18).rfind("17 tipo | tipo, a Byte from 0 to 255", 0), 0u)
      << active(kTrainUri, 21, 18);
  EXPECT_EQ(active(kLineUri, 30, 16).rfind("3 f | f, in m", 0), 0u) << active(kLineUri, 30, 16);
  // On a keyword, in a comment, on a blank line: nothing.
  EXPECT_EQ(active(kTrainUri, 30, 3), "none");
  EXPECT_EQ(active(kTrainUri, 27, 5), "none");
  EXPECT_EQ(active(kLineUri, 20, 0), "none");
}

TEST(SignatureHelp, ARecordMissingValuesAtTheEndOfItsLine) {
  // "segnale, 1000, " with nothing after it: the next value is the second.
  std::string train = example("Valdoria_42-.txt");
  train.insert(train.find("[codici]"), "segnale, 1000, \r\n");
  Editor editor(text_capabilities(false, "plaintext"), example("Valdoria_linea.txt"), train);
  const json help = editor.at("textDocument/signatureHelp", kTrainUri, 34, 15);
  ASSERT_FALSE(help.is_null());
  EXPECT_EQ(help["activeParameter"], 1);
  EXPECT_EQ(help["signatures"][0]["parameters"][1]["documentation"]["kind"], "plaintext");
}

TEST(InlayHints, CellsAndKmAfterEveryPositionInTheRangeAsked) {
  Editor editor;
  EXPECT_TRUE(editor.capabilities()["inlayHintProvider"]);
  auto hints = [&](const std::string& uri, int first, int last) {
    const json list =
        editor.call("textDocument/inlayHint", {{"textDocument", {{"uri", uri}}},
                                               {"range",
                                                {{"start", {{"line", first}, {"character", 0}}},
                                                 {"end", {{"line", last}, {"character", 0}}}}}});
    std::vector<std::string> out;
    for (const json& hint : list) {
      out.push_back(std::to_string(hint["position"]["line"].get<int>()) + ":" +
                    std::to_string(hint["position"]["character"].get<int>()) + " " +
                    hint["label"].get<std::string>());
    }
    return out;
  };
  // The two signals of lines 30 and 31: right after "1000" and "2400".
  EXPECT_EQ(hints(kTrainUri, 30, 31), (std::vector<std::string>{"30:15 cell 21 \u00b7 km 1.000",
                                                                "31:15 cell 49 \u00b7 km 2.400"}));
  // A gradient's change, a slowdown's three cells, a mountain's two.
  EXPECT_EQ(hints(kLineUri, 14, 14), std::vector<std::string>{"14:15 cell 8 \u00b7 km 0.400"});
  const std::vector<std::string> slowdown = hints(kTrainUri, 25, 25);
  ASSERT_EQ(slowdown.size(), 1u);
  EXPECT_EQ(slowdown[0], "25:22 cells 57, 81, 85 \u00b7 km 4.000");
  EXPECT_EQ(hints(kLineUri, 30, 30),
            std::vector<std::string>{"30:14 cells 40, 51 \u00b7 km 2.000"});
  // No position, no hint: the train's general section.
  EXPECT_TRUE(hints(kTrainUri, 0, 8).empty());
}

TEST(InlayHints, TheMarginAfterTheTimeOfEveryTimedStationPastTheFirst) {
  const auto hints = [](Editor& editor) {
    const json list =
        editor.call("textDocument/inlayHint", {{"textDocument", {{"uri", kTrainUri}}},
                                               {"range",
                                                {{"start", {{"line", 20}, {"character", 0}}},
                                                 {"end", {{"line", 22}, {"character", 0}}}}}});
    std::vector<std::string> out;
    for (const json& hint : list) {
      const std::string label = hint["label"];
      if (label.starts_with("margin")) {
        out.push_back(std::to_string(hint["position"]["line"].get<int>()) + ":" +
                      std::to_string(hint["position"]["character"].get<int>()) + " " + label);
      }
    }
    return out;
  };
  // As `binario timetable` gives them: 4 min 30 s scheduled against a
  // fastest run of 2 min 35 s, then 5 min 30 s against 3 min 4 s; right
  // after the seconds of each time.
  Editor editor;
  EXPECT_EQ(hints(editor), (std::vector<std::string>{"21:70 margin 1 min 55 s · 74 %",
                                                     "22:70 margin 2 min 26 s · 80 %"}));
  // A time the train cannot keep: a minute for 2.75 km.
  std::string train = example("Valdoria_42-.txt");
  const size_t at = train.find("7,34,30");
  ASSERT_NE(at, std::string::npos);
  train.replace(at, 7, "7,31, 0");
  Editor early(json::object(), example("Valdoria_linea.txt"), train);
  const std::vector<std::string> now = hints(early);
  ASSERT_EQ(now.size(), 2u);
  EXPECT_EQ(now[0], "21:70 margin -1 min 35 s · -61 %");
}

TEST(Sections, FoldOneRangePerSection) {
  Editor editor;
  EXPECT_TRUE(editor.capabilities()["foldingRangeProvider"]);
  const json ranges =
      editor.call("textDocument/foldingRange", {{"textDocument", {{"uri", kTrainUri}}}});
  std::vector<std::pair<int, int>> spans;
  for (const json& r : ranges) spans.emplace_back(r["startLine"], r["endLine"]);
  // "[generale]" to the line before "[aderenze]", …, "[codici]" to "[fine]".
  EXPECT_EQ(spans, (std::vector<std::pair<int, int>>{
                       {3, 7}, {8, 9}, {10, 14}, {15, 22}, {23, 25}, {26, 33}, {34, 35}}));
}

// The semantic tokens as "LINE:START:LENGTH TYPE[~]" ("~" for deprecated).
std::vector<std::string> tokens_of(Editor& editor, const std::string& uri) {
  const json legend = editor.capabilities()["semanticTokensProvider"]["legend"];
  const json result =
      editor.call("textDocument/semanticTokens/full", {{"textDocument", {{"uri", uri}}}});
  std::vector<std::string> out;
  int line = 0;
  int start = 0;
  const json& data = result["data"];
  for (size_t i = 0; i + 4 < data.size(); i += 5) {
    const int delta_line = data[i];
    start = delta_line == 0 ? start + data[i + 1].get<int>() : data[i + 1].get<int>();
    line += delta_line;
    out.push_back(std::to_string(line) + ":" + std::to_string(start) + ":" +
                  std::to_string(data[i + 2].get<int>()) + " " +
                  legend["tokenTypes"][data[i + 3].get<int>()].get<std::string>() +
                  (data[i + 4].get<int>() & 1 ? "~" : ""));
  }
  return out;
}

TEST(SemanticTokens, FollowTheCompilersReading) {
  // A train record planted in the line's body, with a value after it.
  std::string line = example("Valdoria_linea.txt");
  line.insert(line.find("[montagne]"), "segnale, 100\r\n");
  Editor editor({}, line, example("Valdoria_42-.txt"));
  EXPECT_TRUE(editor.capabilities()["semanticTokensProvider"]["full"]);
  const std::vector<std::string> train = tokens_of(editor, kTrainUri);
  const std::vector<std::string> expected_train = {
      "0:18:41 comment",    // the title, before "[generale]"
      "3:0:10 namespace",   // [generale]
      "8:0:10 namespace~",  // [aderenze]: a keyword to the compile
      "21:0:8 keyword",     // stazione
      "21:13:4 number",     // 2750
      "21:72:12 string",    // PIAN DEL RIO
      "17:0:73 comment",    // the first two comment rows are passed over
      "19:0:66 string~",    // the third is read as a keyword
      "30:11:4 number",     // 1000
  };
  for (const std::string& token : expected_train) {
    EXPECT_TRUE(has(train, token)) << token;
  }
  const std::vector<std::string> on_line = tokens_of(editor, kLineUri);
  EXPECT_TRUE(has(on_line, "29:0:7 keyword~")) << on_line.size();  // segnale
  EXPECT_TRUE(has(on_line, "29:9:3 number~"));                     // its value
  EXPECT_TRUE(has(on_line, "9:0:10 keyword"));                     // sfondo uno
}

// A signal short of its last value takes the next line's keyword as that
// value, and the compile stops there: the keyword is coloured as a keyword
// the compile read other than it looks.
TEST(SemanticTokens, AKeywordTakenAsAValueIsMarked) {
  std::string train = example("Valdoria_42-.txt");
  const std::string full = "segnale,   1000, 1, 4, 1, 0, 0,     0, 0, 0, 0, 0\r\n";
  ASSERT_NE(train.find(full), std::string::npos);
  train.replace(train.find(full), full.size(),
                "segnale,   1000, 1, 4, 1, 0, 0,     0, 0, 0, 0\r\n");
  Editor editor({}, example("Valdoria_linea.txt"), train);
  const std::vector<std::string> tokens = tokens_of(editor, kTrainUri);
  EXPECT_TRUE(has(tokens, "30:0:7 keyword")) << tokens.size();   // the signal that ran short
  EXPECT_TRUE(has(tokens, "31:0:7 keyword~")) << tokens.size();  // the keyword taken as its value
}

// Locations as "linea:LINE" or "42-:LINE" (0-based).
std::vector<std::string> places(const json& locations) {
  std::vector<std::string> out;
  for (const json& l : locations) {
    const std::string uri = l["uri"];
    out.push_back((uri == kLineUri ? "linea:" : "42-:") +
                  std::to_string(l["range"]["start"]["line"].get<int>()));
  }
  std::sort(out.begin(), out.end());
  return out;
}

TEST(CellNavigation, FromARecordToEveryRecordOnItsCellsInBothFiles) {
  // A speed board planted on the cell of the train's signal at metre 2400
  // (cell 49), and a code point in front of that signal (cell 47).
  std::string line = example("Valdoria_linea.txt");
  line.insert(line.find("[montagne]"), "indicatori_vmax, 2400, 90, 100, 100, 0, 0, 0, 0, 0\r\n");
  std::string train = example("Valdoria_42-.txt");
  train.insert(train.find("[fine]"), "abbattimento, 2350, 60\r\n");
  Editor editor({}, line, train);
  EXPECT_TRUE(editor.capabilities()["definitionProvider"]);
  EXPECT_TRUE(editor.capabilities()["referencesProvider"]);
  auto at = [&](const char* method, const std::string& uri, int l, int c) {
    return places(editor.at(method, uri, l, c));
  };
  // From the signal: the board that took its cell first is the definition;
  // the references add the signal itself.
  EXPECT_EQ(at("textDocument/definition", kTrainUri, 31, 12), std::vector<std::string>{"linea:29"});
  EXPECT_EQ(at("textDocument/references", kTrainUri, 31, 2),
            (std::vector<std::string>{"42-:31", "linea:29"}));
  // From the board in the line, the same two records.
  EXPECT_EQ(at("textDocument/references", kLineUri, 29, 20),
            (std::vector<std::string>{"42-:31", "linea:29"}));
  // Nothing from a record without cells or from a comment.
  EXPECT_TRUE(editor.at("textDocument/references", kTrainUri, 4, 2).is_null());
  EXPECT_TRUE(editor.at("textDocument/definition", kTrainUri, 27, 2).is_null());
}

TEST(CellNavigation, ASignalAndTheCodePointInFrontOfIt) {
  std::string train = example("Valdoria_42-.txt");
  train.insert(train.find("[fine]"), "abbattimento, 2350, 60\r\n");
  Editor editor({}, example("Valdoria_linea.txt"), train);
  const std::vector<std::string> both = {"42-:31", "42-:36"};
  // The signal also has the code point the signal-code pass placed in front
  // of it (cell 48) for the slowdown of line 26, shown as that record.
  EXPECT_EQ(places(editor.at("textDocument/references", kTrainUri, 31, 12)),
            (std::vector<std::string>{"42-:25", "42-:31", "42-:36"}));
  EXPECT_EQ(places(editor.at("textDocument/references", kTrainUri, 36, 16)), both);
  // The code point placed itself: it is its own definition.
  EXPECT_EQ(places(editor.at("textDocument/definition", kTrainUri, 36, 16)),
            std::vector<std::string>{"42-:36"});
}

// The code points the signal-code pass places have no record of their own:
// they are reached as the slowdown record that made the pass place them.
// The example's slowdown (line 26: warning board in cell 57, start in 81)
// makes the pass place code points in cells 48 (before the signal of line
// 32, in cell 49), 63, 69 and 76.
TEST(CellNavigation, CodePointsOfTheSignalCodePassLeadToTheSlowdownThatCausedThem) {
  Editor editor({}, example("Valdoria_linea.txt"), example("Valdoria_42-.txt"));
  // From the slowdown: itself and the signal one of its code points serves.
  EXPECT_EQ(places(editor.at("textDocument/references", kTrainUri, 25, 3)),
            (std::vector<std::string>{"42-:25", "42-:31"}));
  // From that signal: itself and the slowdown.
  EXPECT_EQ(places(editor.at("textDocument/references", kTrainUri, 31, 3)),
            (std::vector<std::string>{"42-:25", "42-:31"}));
  // A signal no code point of the pass serves: itself alone.
  EXPECT_EQ(places(editor.at("textDocument/references", kTrainUri, 30, 3)),
            std::vector<std::string>{"42-:30"});
  // The definition of the slowdown's cells is the slowdown.
  EXPECT_EQ(places(editor.at("textDocument/definition", kTrainUri, 25, 3)),
            std::vector<std::string>{"42-:25"});
}

}  // namespace
}  // namespace binario
