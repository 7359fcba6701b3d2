// Hover and the outline read what the compile read: where a text read line
// by line and comma by comma goes wrong, they agree with the compiler.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <sstream>
#include <string>

#include "compiler/records.h"
#include "lsp/document_symbols.h"
#include "lsp/hover.h"
#include "lsp/pair_compile.h"
#include "lsp/text_position.h"
#include "output/text_encoding.h"
#include "platform/file_system.h"
#include "test_support/memory_file_system.h"

namespace binario {
namespace {

using nlohmann::json;

const char kLineUri[] = "file:///d/V_linea.txt";
const char kTrainUri[] = "file:///d/V_1-.txt";

const char kLine[] =
    "[generale]\r\nlunghezza percorso, 6000\r\n[pendenze]\r\npendenza, 0, "
    "0\r\n[fine]\r\n[fine]\r\n";

std::string train(const std::string& records) {
  return "[generale]\r\nnumero vetture, 5\r\n[segnali]\r\n" + records + "[fine]\r\n[fine]\r\n";
}

// Both texts open, compiled together: what the compile read of each.
class HoverOutline : public ::testing::Test {
 protected:
  void compile(const std::string& line_text, const std::string& train_text) {
    MemoryFileSystem fs;
    compiled_ = compile_pair({{kLineUri, line_text}, {kTrainUri, train_text}, "V", "1"}, kTrainUri,
                             fs, nullptr);
  }
  const DocumentRead& train_read() { return *compiled_.reads.at(kTrainUri); }
  // The hover text at 0-based `line` and `column` of the train, "" for none.
  std::string hover_at(int line, int column) {
    const json h = lsp::or_null(hover(train_read(), line, column, compiled_.model.get()));
    return h.is_null() ? "" : h["contents"]["value"].get<std::string>();
  }
  json hover_range(int line, int column) {
    return lsp::or_null(hover(train_read(), line, column, compiled_.model.get()))["range"];
  }
  // The outline's records of the train as "NAME DETAIL".
  std::vector<std::string> outline() {
    std::vector<std::string> out;
    for (const json& section : json(document_symbols(train_read()))) {
      for (const json& child : section.value("children", json::array())) {
        out.push_back(child["name"].get<std::string>() + " " + child["detail"].get<std::string>());
      }
    }
    return out;
  }

  PairCompiled compiled_;
};

const char kSignal[] = "segnale, 2400, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\r\n";

TEST_F(HoverOutline, SectionsHoldTheirRecords) {
  compile(kLine,
          "Treno 1\r\ninizio_dati\r\n[generale]\r\nnumero vetture, 5\r\n[stazioni]\r\n"
          "- pos. tipo\r\n"
          "stazione,    2750,  2,  600,  0, 0, 1,  1,1,0,  4,1,1,    0,   7,34,30, PIAN DEL RIO\r\n"
          "Stazione, 4000, 2, 600, 0, 0, 1, 1,1,0, 4,1,1, 0, 7,34,30, \xC3\x88 BASSA\r\n"
          "[segnali]\r\nrallentamento,    4000,    50,  200, 0,  1,  0\r\n"
          "segnale,   1000, 1, 4, 1, 0, 0,     0, 0, 0, 0, 0\r\n[fine]\r\n[fine]");
  const json symbols = json(document_symbols(train_read()));
  ASSERT_GE(symbols.size(), 3u) << symbols.dump();
  EXPECT_EQ(symbols[0]["name"], "[generale]");
  EXPECT_TRUE(symbols[0]["children"].empty());
  const json& stations = symbols[1];
  EXPECT_EQ(stations["name"], "[stazioni]");
  EXPECT_EQ(stations["range"]["start"]["line"], 4);
  EXPECT_EQ(stations["range"]["end"]["line"], 7);
  ASSERT_EQ(stations["children"].size(), 2u);
  EXPECT_EQ(stations["children"][0]["name"], "PIAN DEL RIO");
  EXPECT_EQ(stations["children"][0]["detail"], "km 2.750");
  EXPECT_EQ(stations["children"][1]["name"], "\xC3\x88 BASSA");
  // The range ends in UTF-16 units: È is one.
  EXPECT_EQ(stations["children"][1]["range"]["end"]["character"], 66);
  const json& signals = symbols[2]["children"];
  ASSERT_EQ(signals.size(), 2u);
  EXPECT_EQ(signals[0]["name"], "rallentamento 50 km/h");
  EXPECT_EQ(signals[1]["detail"], "km 1.000");
}

TEST_F(HoverOutline, QuotedNameHoldingAComma) {
  compile(kLine, train("stazione, 2750, 2, 600, 0, 0, 1, 1,1,0, 4,1,1, 0, 7,34,30, "
                       "\"PIAN, DEL RIO\"\r\n" +
                       std::string(kSignal)));
  EXPECT_EQ(outline(), (std::vector<std::string>{"PIAN, DEL RIO km 2.750", "segnale km 2.400"}));
  // Past the comma inside the quotes is still the name, the record's last value.
  const int after_comma = static_cast<int>(
      std::string("stazione, 2750, 2, 600, 0, 0, 1, 1,1,0, 4,1,1, 0, 7,34,30, \"PIAN, D").size());
  EXPECT_EQ(hover_at(3, after_comma).rfind("`stazione`, value 17", 0), 0u);
  EXPECT_EQ(hover_range(3, after_comma)["end"]["character"], after_comma + 7);
  EXPECT_NE(hover_at(4, 10).find("metre 2400, km 2.400; cell 49"), std::string::npos);
}

TEST_F(HoverOutline, CommentWithAHyphenInsideTheField) {
  // "segnale-guasto" holds a hyphen: a comment, not a signal; the number
  // after it is a field no record takes.
  compile(kLine, train("segnale-guasto, 1500\r\n" + std::string(kSignal)));
  EXPECT_EQ(outline(), std::vector<std::string>{"segnale km 2.400"});
  EXPECT_EQ(hover_at(3, 2), "");
  EXPECT_EQ(hover_at(3, 17), "");
  EXPECT_EQ(hover_at(4, 2).rfind("### `segnale`", 0), 0u);
}

TEST_F(HoverOutline, ValuesRunningOntoTheNextLine) {
  compile(kLine, train("segnale, 2400, 1, 4\r\n   1, 0, 0, 0, 0, 0, 0, 0\r\n"));
  EXPECT_EQ(outline(), std::vector<std::string>{"segnale km 2.400"});
  EXPECT_EQ(hover_at(4, 3).rfind("`segnale`, value 4", 0), 0u);
  EXPECT_NE(hover_at(3, 10).find("cell 49"), std::string::npos);
  const json range = json(document_symbols(train_read()))[1]["children"][0]["range"];
  EXPECT_EQ(range["start"]["line"], 3);
  EXPECT_EQ(range["end"]["line"], 4);
}

TEST_F(HoverOutline, CommentBeforeARecordOnOneLine) {
  compile(kLine, train("- km 2.4 -, " + std::string(kSignal)));
  EXPECT_EQ(outline(), std::vector<std::string>{"segnale km 2.400"});
  EXPECT_EQ(hover_at(3, 2), "");
  EXPECT_EQ(hover_at(3, 14).rfind("### `segnale`", 0), 0u);
  EXPECT_NE(hover_at(3, 22).find("metre 2400, km 2.400; cell 49"), std::string::npos);
}

TEST_F(HoverOutline, ThirdCommentInARowIsReadAsAKeyword) {
  // Two comments in a row are passed over; the third is a keyword field,
  // and one holding "segnale" reads a signal.
  compile(kLine, train("- uno\r\n- due\r\n- segnale -, 2400, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\r\n"));
  EXPECT_EQ(hover_at(3, 2), "");
  EXPECT_EQ(hover_at(5, 4).rfind("### `segnale`", 0), 0u);
  EXPECT_EQ(outline(), std::vector<std::string>{"segnale km 2.400"});
}

// Every record of the table finds its own entry of the reference.
TEST_F(HoverOutline, AStationsTimeShowsTheRunToIt) {
  compile(kLine,
          "[generale]\r\nvelocita, 0, 100\r\n"
          "stazione, 0, 8, 400, 1, 0, 0, 4, 1, 0, 2, 1, 1, 1, 7, 30, 0, ALFA\r\n"
          "stazione, 3000, 4, 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 60, 7, 35, 0, BETA\r\n"
          "[fine]\r\n[fine]\r\n");
  // On BETA's minutes (line 3, the "35").
  const std::string text = hover_at(3, 58);
  EXPECT_NE(text.find("The run: the train stops here, at 7:35:00; from the timed station before "
                      "it: scheduled 5 min, lower bound 1 min 41 s, fastest run"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("margin "), std::string::npos) << text;
  // Not on another record.
  EXPECT_EQ(hover_at(1, 12).find("The run"), std::string::npos);
}

TEST(Hover, EveryRecordKeywordShowsItsEntry) {
  for (const RecordSpec& table_row : records_table()) {
    DocumentRead document{"keyword, 100", {}};
    RecordRead record{table_row.kind, {{1, 1, 1, 7}, "keyword"}, {}, false, false, {}};
    document.read.records.push_back(record);
    const json h = lsp::or_null(hover(document, 0, 0, nullptr));
    ASSERT_FALSE(h.is_null()) << table_row.reference;
    EXPECT_EQ(h["contents"]["value"].get<std::string>().rfind(
                  "### `" + std::string(table_row.reference) + "`\n", 0),
              0u)
        << table_row.reference;
  }
}

std::string example(const std::string& name) {
  std::ifstream in(std::string(BINARIO_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return windows1252_to_utf8(text.str());
}

// `text` with `what` put in place of the first `where`.
std::string replaced(std::string text, const std::string& where, const std::string& what) {
  const size_t at = text.find(where);
  EXPECT_NE(at, std::string::npos) << where;
  return text.replace(at, where.size(), what);
}

// A line description read alone, or only up to a few lines past the place
// asked about, gives the hover of the pair's compile wherever that hover
// needs no model: the same records at the same places, the same stop. On
// every character of texts that stop early, run a record onto the next
// line, or open a quote that runs to the end.
TEST(Hover, ALineReadAloneOrToThePlaceSaysWhatThePairSays) {
  const std::string line = example("Valdoria_linea.txt");
  const std::string train = example("Valdoria_42-.txt");
  const std::vector<std::string> texts = {
      line,
      // A second board on the cell of the first stops the compile: what
      // follows is read after the stop.
      replaced(line, "indicatori_vmax, 3450",
               "indicatori_vmax, 600, 80, 90, 95, 0, 0, 0, 0, 0\r\n"
               "indicatori_vmax, 3450"),
      // Short of values on its line, a record takes those of the next (and
      // the compile stops there).
      replaced(line, "indicatori_vmax, 600, 90, ", "indicatori_vmax, 600, 90,\r\n  "),
      // A quote never closed runs to the end of the text, lines after it.
      replaced(line, "(  Km. ) (3.000)", "\"(  Km. ) (3.000)") + std::string(12, '\n'),
      // A quote never closed early on: every record after it is a text.
      replaced(line, "sfondo uno,    1", "sfondo uno,  \"1"),
  };
  for (size_t t = 0; t < texts.size(); ++t) {
    const std::string& text = texts[t];
    MemoryFileSystem fs;
    const PairCompiled pair =
        compile_pair({{kLineUri, text}, {kTrainUri, train}, "V", "1"}, kTrainUri, fs, nullptr);
    const DocumentRead& whole = *pair.reads.at(kLineUri);
    const PairDocument document{kLineUri, text};
    const std::shared_ptr<const DocumentRead> alone = read_line_alone(document, "V", nullptr);
    const DocumentLines lines(text);
    int answered_without_model = 0;
    int after_stop = 0;
    for (int l = 0; l < lines.size(); ++l) {
      const std::shared_ptr<const DocumentRead> start =
          read_line_through(document, "V", l + 1, nullptr);
      for (int c = 0; c <= utf16_column(lines.line(l), INT_MAX); ++c) {
        const json expected = lsp::or_null(hover(whole, l, c, pair.model.get()));
        for (const DocumentRead* read : {alone.get(), start.get()}) {
          if (!read) continue;
          bool model_asked = false;
          const json said = lsp::or_null(hover(*read, l, c, [&]() -> const TrackModel* {
            model_asked = true;
            return nullptr;
          }));
          if (model_asked) continue;
          EXPECT_EQ(said, expected) << "text " << t << ", line " << l << ", column " << c;
          ++answered_without_model;
          after_stop += said.dump().find("after the compile stopped") != std::string::npos;
        }
      }
    }
    EXPECT_GT(answered_without_model, 500) << "text " << t;
    // A place past the last line reads the whole text.
    const std::shared_ptr<const DocumentRead> past =
        read_line_through(document, "V", INT_MAX, nullptr);
    ASSERT_TRUE(past);
    EXPECT_EQ(past->read.records.size(), alone->read.records.size());
    EXPECT_EQ(after_stop > 0, t == 1 || t == 2) << "text " << t;
  }
}

}  // namespace
}  // namespace binario
