// The protocol's structures become exactly the JSON the client is sent: an
// optional field left empty is no key at all, and what a client sends back
// is read only when it is well formed.
#include "lsp/protocol.h"

#include <gtest/gtest.h>

#include <string>

namespace binario::lsp {
namespace {

using nlohmann::json;

Range range(int line, int from, int to) {
  return {{line, from}, {line, to}};
}

TEST(Protocol, DiagnosticsWriteTheirOptionalFieldsOnlyWhenGiven) {
  Diagnostic bare;
  bare.range = range(2, 4, 5);
  bare.message = "m";
  EXPECT_EQ(json(bare).dump(),
            R"({"message":"m","range":{"end":{"character":5,"line":2},"start":{"character":4,)"
            R"("line":2}},"severity":1,"source":"binario"})");

  Diagnostic full = bare;
  full.severity = kSeverityHint;
  full.code = 25;
  full.tags = {kTagUnnecessary};
  full.related.push_back({{"file:///d/a.txt", range(0, 1, 2)}, "here"});
  full.fix = TextEdit{range(2, 4, 9), "segnale"};
  const json written = full;
  EXPECT_EQ(written["code"], 25);
  EXPECT_EQ(written["tags"], json::array({1}));
  EXPECT_EQ(written["relatedInformation"][0]["location"]["uri"], "file:///d/a.txt");
  EXPECT_EQ(written["relatedInformation"][0]["message"], "here");
  EXPECT_EQ(written["data"]["fix"]["newText"], "segnale");
  EXPECT_EQ(written["data"]["fix"]["range"]["end"]["character"], 9);
  full.code = std::string("missing-partner");
  EXPECT_EQ(json(full)["code"], "missing-partner");
}

TEST(Protocol, DiagnosticsAreTheSameOnlyWhenEveryFieldIs) {
  Diagnostic a;
  a.message = "m";
  Diagnostic b = a;
  EXPECT_EQ(a, b);
  b.fix = TextEdit{range(0, 0, 1), "x"};
  EXPECT_NE(a, b);
  b = a;
  b.code = std::string("25");
  Diagnostic c = a;
  c.code = 25;
  EXPECT_NE(b, c);  // a warning's name is not a status number
  EXPECT_TRUE(a < b || b < a);
}

TEST(Protocol, OptionalAnswersAndMembers) {
  EXPECT_TRUE(or_null(std::optional<Hover>()).is_null());
  EXPECT_EQ(or_null(std::optional<std::vector<Location>>(std::vector<Location>{})), json::array());

  DocumentSymbol section{"[segnali]",    std::nullopt,   kSymbolNamespace,
                         range(0, 0, 9), range(0, 0, 9), std::vector<DocumentSymbol>{}};
  EXPECT_FALSE(json(section).contains("detail"));
  EXPECT_EQ(json(section)["children"], json::array());
  const DocumentSymbol record{"segnale",      "",          kSymbolEvent, range(1, 0, 9),
                              range(1, 0, 7), std::nullopt};
  EXPECT_EQ(json(record)["detail"], "");
  EXPECT_FALSE(json(record).contains("children"));

  CodeAction source;
  source.title = "t";
  source.kind = kSourceAction;
  source.command = Command{"t", "c", {"file:///d/V_1-.txt"}};
  EXPECT_EQ(json(source).dump(),
            R"({"command":{"arguments":["file:///d/V_1-.txt"],"command":"c","title":"t"},)"
            R"("kind":"source","title":"t"})");

  const SignatureHelp help{{{"s, a", MarkupContent{false, "v"}, {{{3, 4}, {true, "a"}}}, 0}}, 0, 0};
  EXPECT_EQ(json(help)["signatures"][0]["parameters"][0]["label"], json::array({3, 4}));
  EXPECT_EQ(json(help)["signatures"][0]["documentation"]["kind"], "plaintext");
}

TEST(Protocol, ACodeActionContextKeepsOnlyWellFormedFixes) {
  const json fix = {{"range", json(range(3, 0, 7))}, {"newText", "pendenza"}};
  json context = {{"diagnostics",
                   {{{"message", "a"}, {"data", {{"fix", fix}}}},
                    {{"message", "no data"}},
                    {{"message", "text not a string"},
                     {"data", {{"fix", {{"range", fix["range"]}, {"newText", 1}}}}}},
                    {{"message", "line too large"},
                     {"data",
                      {{"fix",
                        {{"range",
                          {{"start", {{"line", 5000000000LL}, {"character", 0}}},
                           {"end", {{"line", 0}, {"character", 1}}}}},
                         {"newText", "x"}}}}}},
                    {{"message", "character not a number"},
                     {"data",
                      {{"fix",
                        {{"range",
                          {{"start", {{"line", 0}, {"character", "0"}}},
                           {"end", {{"line", 0}, {"character", 1}}}}},
                         {"newText", "x"}}}}}}}}};
  CodeActionContext read = read_code_action_context(context);
  ASSERT_EQ(read.diagnostics.size(), 5u);
  ASSERT_TRUE(read.diagnostics[0].fix);
  EXPECT_EQ(read.diagnostics[0].fix->range, range(3, 0, 7));
  EXPECT_EQ(read.diagnostics[0].fix->new_text, "pendenza");
  EXPECT_EQ(read.diagnostics[0].diagnostic, context["diagnostics"][0]);  // echoed as sent
  for (size_t i = 1; i < 5; ++i) EXPECT_FALSE(read.diagnostics[i].fix) << i;
  EXPECT_TRUE(read.wants(kQuickFix));  // no `only`: every kind

  context["only"] = {"refactor", 7};
  read = read_code_action_context(context);
  EXPECT_FALSE(read.wants(kQuickFix));
  EXPECT_FALSE(read.wants(kSourceAction));
  context["only"] = {""};
  EXPECT_TRUE(read_code_action_context(context).wants(kSourceAction));
  EXPECT_TRUE(read_code_action_context(json::array()).diagnostics.empty());
}

TEST(Protocol, ACompletionItemsReferenceIsReadOnlyWhenItIsAString) {
  EXPECT_EQ(completion_reference({{"data", {{"reference", "segnale"}}}}), "segnale");
  EXPECT_EQ(completion_reference({{"data", {{"reference", 3}}}}), std::nullopt);
  EXPECT_EQ(completion_reference({{"data", "segnale"}}), std::nullopt);
  EXPECT_EQ(completion_reference(json::array()), std::nullopt);
}

}  // namespace
}  // namespace binario::lsp
