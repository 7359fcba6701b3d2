// The warnings read one record against another or against the other file:
// the bad and good examples of the format reference give and do not give
// their warning, and the example pair, edited by hand as an author would,
// is warned at the record at fault.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile.h"
#include "compiler/format_reference.h"

namespace binario {
namespace {

// The other description of each example, as docs/format.md describes it.
const char* const kPlainLine =
    "Percorso Valdoria - Monte Sereno\n"
    "[generale]\n"
    "lunghezza percorso, 6000\n"
    "[pendenze]\n"
    "[fine]\n";
const char* const kPlainTrain =
    "[generale]\n"
    "aderenza, 0, 80\n"
    "velocita, 0, 100\n"
    "stazione, 0, 8, 400, 1,0,0, 4,1,0, 2,1,1, 1, 7,30,0, VALDORIA\n"
    "[fine]\n";

CompileResult compile_pair(const std::string& line, const std::string& train) {
  CompileInput input;
  input.line = {"l.txt", line, std::nullopt, false};
  input.train = {"t.txt", train, std::nullopt, false};
  input.with_geometry = true;
  return compile(input);
}

// "NAME@LINE" for every warning, "CODE@LINE" for every fault.
std::vector<std::string> summary(const Status& status) {
  std::vector<std::string> out;
  for (const Diagnostic& d : status.diagnostics()) {
    if (d.severity == Severity::kNote) continue;
    out.push_back((d.severity == Severity::kWarning ? d.name : std::to_string(d.code)) + "@" +
                  std::to_string(d.location ? d.location->line : -1));
  }
  return out;
}

struct Example {
  bool bad;
  bool line;  // a line description; otherwise a train description
  std::string text;
  // A "given-as-line" block and the "given-as-train" block after it are
  // one pair, compiled together in that order (a pair given the wrong way
  // round); every other block is compiled against the plain partner.
  bool given = false;
  std::string given_train;
};

// The fenced "line" and "train" blocks of an entry, each judged bad or good
// by the paragraph before it.
std::vector<Example> examples(std::string_view entry) {
  std::vector<Example> out;
  std::istringstream in{std::string(entry)};
  std::string row;
  bool bad = false;
  Example* open = nullptr;
  std::string* given_train = nullptr;
  while (std::getline(in, row)) {
    if (open || given_train) {
      if (row.starts_with("```")) {
        open = nullptr;
        given_train = nullptr;
      } else {
        (open ? open->text : *given_train) += row + "\n";
      }
      continue;
    }
    if (row.starts_with("Bad")) bad = true;
    if (row.starts_with("Good")) bad = false;
    if (row == "```line" || row == "```train") {
      out.push_back({bad, row == "```line", "", false, ""});
      open = &out.back();
    } else if (row == "```given-as-line") {
      out.push_back({bad, true, "", true, ""});
      open = &out.back();
    } else if (row == "```given-as-train" && !out.empty() && out.back().given) {
      given_train = &out.back().given_train;
    }
  }
  return out;
}

TEST(MeaningExamples, TheBadExampleGivesItsWarningAndTheGoodNone) {
  int entries_with_examples = 0;
  for (std::string_view name : kWarningNames) {
    const std::optional<ReferenceEntry> entry = find_reference_entry(name);
    ASSERT_TRUE(entry) << name;
    const std::vector<Example> found = examples(entry->text);
    if (found.empty()) continue;
    ++entries_with_examples;
    int bad = 0, good = 0;
    for (const Example& e : found) {
      SCOPED_TRACE(std::string(name) + (e.bad ? " bad:\n" : " good:\n") + e.text);
      const std::string text = e.text + "[fine]\n";
      const CompileResult r = e.given  ? compile_pair(text, e.given_train + "[fine]\n")
                              : e.line ? compile_pair(text, kPlainTrain)
                                       : compile_pair(kPlainLine, text);
      const std::vector<std::string> got = summary(r.status);
      // A pair given the wrong way round cannot compile: its faults follow
      // the warning.
      if (!(e.given && e.bad)) {
        EXPECT_EQ(r.status.codice_errore(), 0);
      }
      if (e.bad) {
        ++bad;
        EXPECT_TRUE(std::any_of(got.begin(), got.end(), [&](const std::string& s) {
          return s.starts_with(name);
        })) << testing::PrintToString(got);
      } else {
        ++good;
        EXPECT_EQ(got, std::vector<std::string>{});
      }
    }
    EXPECT_GT(bad, 0) << name << " shows no bad example";
    EXPECT_GT(good, 0) << name << " shows no good example";
  }
  // The warnings that read one record against another show both.
  EXPECT_GE(entries_with_examples, 15);
}

std::string example_text(const char* file) {
  std::ifstream in(std::string(BINARIO_SOURCE_DIR) + "/examples/" + file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// The line of `text` that holds `what`, 1-based.
int line_of(const std::string& text, const std::string& what) {
  const size_t at = text.find(what);
  EXPECT_NE(at, std::string::npos) << what;
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + static_cast<long>(at), '\n'));
}

TEST(MeaningExamples, TheExamplePairEditedByHandIsWarnedAtTheRecordAtFault) {
  const std::string line = example_text("Valdoria_linea.txt");
  const std::string train = example_text("Valdoria_42-.txt");
  ASSERT_FALSE(line.empty());
  ASSERT_FALSE(train.empty());
  const CompileResult plain = compile_pair(line, train);
  EXPECT_EQ(summary(plain.status), std::vector<std::string>{});

  struct Edit {
    const char* what;
    bool in_line;
    std::string from, to;
    std::string expected;  // the warning, at the line of `at`
    std::string at;
  } edits[] = {
      {"limit from metre 500 only", false, "velocita' limite ,     0    ,  30\r\n", "",
       "no-limit-at-start", "velocita,     500"},
      {"slowdown faster than the limit", false, "rallentamento,    4000,    50,  200",
       "rallentamento,    4000,   200,   50", "slowdown-too-fast", "rallentamento,"},
      {"slowdown near the start", false, "rallentamento,    4000,", "rallentamento,     700,",
       "no-warning-board", "rallentamento,"},
      {"slowdown in a station", false, "rallentamento,    4000,", "rallentamento,    5500,",
       "slowdown-in-station", "rallentamento,"},
      {"signals 200 m apart", false, "segnale,   2400,", "segnale,   1200,", "signals-too-close",
       "segnale,   1200"},
      {"braked mass in tenths", false, "percentuale massa frenata,    120",
       "percentuale massa frenata,    1200", "implausible-value", "percentuale"},
      {"station of the same name", false, "7,40, 0, MONTE SERENO", "7,40, 0, Valdoria",
       "duplicate-name", "Valdoria\r\n"},
      {"station with no name", false, "7,40, 0, MONTE SERENO", "7,40, 0, \"\"", "empty-text",
       "\"\""},
      {"a second number of cars", false, "sabbia,", "numero vetture, 6\r\nsabbia,",
       "repeated-record", "numero vetture, 6"},
      {"curve keyword in words", true, "curvas4,", "curva destra 4,", "curve-keyword", "curva d"},
      {"curve length written as its end", true, "curvas4,  2300,  300", "curvas4,  2300,  2600",
       "length-as-end", "2300,  2600"},
      {"mountain spans overlapping", true, "montagna, 2000,2600,2\r\n",
       "montagna, 2000,2600,2\r\nmontagna, 2400,3000,1\r\n", "overlap", "2400,3000"},
      {"mountain span into the run-out", true, "montagna, 2000,2600,2\r\n",
       "montagna, 2000,2600,2\r\nmontagna, 5800,7000,1\r\n", "in-run-out", "5800,7000"},
      {"cab signalling into the run-out", true, "500,    5500", "500,    8000", "in-run-out",
       "ripetizione"},
      {"line length in km", true, "lunghezza percorso,    6000", "lunghezza percorso,    6",
       "length-in-km", "lunghezza"},
      {"records after [fine]", true, "[indicazioni]\r\n", "[fine]\r\n[indicazioni]\r\n",
       "after-end", "cartello indicatore"},
      {"a line of numbers", false, "[codici]\r\n", "[codici]\r\n 1500, 60\r\n", "ignored-field",
       " 1500, 60"},
  };
  for (const Edit& e : edits) {
    SCOPED_TRACE(e.what);
    const std::string l = e.in_line ? replaced(line, e.from, e.to) : line;
    const std::string t = e.in_line ? train : replaced(train, e.from, e.to);
    const std::string& edited = e.in_line ? l : t;
    const int at = line_of(edited, e.at);
    const CompileResult r = compile_pair(l, t);
    const std::vector<std::string> got = summary(r.status);
    EXPECT_NE(std::find(got.begin(), got.end(), e.expected + "@" + std::to_string(at)), got.end())
        << testing::PrintToString(got);
    // Warnings leave the status pair and the model alone.
    EXPECT_EQ(r.status.codice_errore(), plain.status.codice_errore());
  }
}

// Compiles without the warnings, to compare the status pair.
CompileResult compile_plain(const std::string& line, const std::string& train) {
  CompileInput input;
  input.line = {"l.txt", line, std::nullopt, false};
  input.train = {"t.txt", train, std::nullopt, false};
  input.extra_diagnostics = false;
  return compile(input);
}

TEST(MeaningExamples, TheTwoFilesGivenTheWrongWayRoundAreSaidSo) {
  const std::string line = example_text("Valdoria_linea.txt");
  const std::string train = example_text("Valdoria_42-.txt");
  const CompileResult swapped = compile_pair(train, line);
  ASSERT_FALSE(swapped.status.diagnostics().empty());
  const Diagnostic& first = swapped.status.diagnostics().front();
  EXPECT_EQ(first.name, "swapped-files");
  EXPECT_EQ(first.location->file, "l.txt");
  EXPECT_EQ(first.location->line, line_of(train, "numero vetture"));
  ASSERT_EQ(first.related.size(), 1u);
  EXPECT_EQ(first.related[0].location.file, "t.txt");
  EXPECT_EQ(first.related[0].location.line, line_of(line, "lunghezza percorso"));
  EXPECT_NE(first.message.find("swapped order"), std::string::npos) << first.message;
  // The warning leaves the fault of the swap and its status pair alone.
  const CompileResult plain = compile_plain(train, line);
  EXPECT_EQ(swapped.status.codice_errore(), plain.status.codice_errore());
  EXPECT_EQ(swapped.status.posizione_errore(), plain.status.posizione_errore());

  // Only both files the wrong way round: two trains, or two lines, are not.
  for (const auto& [l, t] : {std::pair{train, train}, std::pair{line, line}}) {
    const CompileResult r = compile_pair(l, t);
    for (const Diagnostic& d : r.status.diagnostics()) {
      EXPECT_NE(d.name, "swapped-files");
    }
  }
  // A comment or a keyword of both files before the first record is passed
  // over; a record on one line with others is read by its first keyword.
  const std::string commented =
      replaced(train, "numero vetture", "- numero vetture\r\nsabbia, 150\r\nnumero vetture");
  EXPECT_EQ(summary(compile_pair(commented, line).status).front(),
            "swapped-files@" + std::to_string(line_of(commented, "sabbia")));
  const std::string one_line = "[generale]\nvelocita, 0, 100, aderenza, 0, 80\n[fine]\n";
  EXPECT_EQ(summary(compile_pair(one_line, kPlainLine).status).front(), "swapped-files@2");
}

TEST(MeaningExamples, ATrainOfAnotherLineIsToldByItsStations) {
  const std::string line = example_text("Valdoria_linea.txt");
  const std::string train = example_text("Valdoria_42-.txt");
  auto other_line = [&](const std::string& t) {
    std::vector<std::string> out;
    const CompileResult r = compile_pair(line, t);
    for (const Diagnostic& d : r.status.diagnostics()) {
      if (d.name == "other-line") out.push_back(std::to_string(d.location->line));
    }
    return out;
  };
  using Lines = std::vector<std::string>;
  // Stations named for neither end of the route in the line's title.
  const std::string renamed =
      replaced(replaced(train, "VALDORIA", "CASTEL BRUNO"), "MONTE SERENO", "ROCCA ALTA");
  EXPECT_EQ(other_line(renamed), Lines{std::to_string(line_of(renamed, "CASTEL BRUNO"))});
  // One end is enough, in either direction, a part of a name too.
  EXPECT_EQ(other_line(replaced(train, "VALDORIA", "CASTEL BRUNO")), Lines{});
  EXPECT_EQ(other_line(replaced(train, "MONTE SERENO", "SERENO")), Lines{});
  // Without a route from one place to another the names are not compared.
  EXPECT_EQ(other_line(replaced(train, "percorso Valdoria - Monte Sereno", "")), Lines{});
  const CompileResult untitled =
      compile_pair(replaced(line, "Percorso Valdoria - Monte Sereno", "Percorso Valdoria"),
                   replaced(renamed, "percorso Valdoria - Monte Sereno", "percorso Valdoria"));
  for (const Diagnostic& d : untitled.status.diagnostics()) EXPECT_NE(d.name, "other-line");
  // A station past the end of the line: the train runs further.
  const std::string longer = replaced(train, "stazione,    5600", "stazione,    8600");
  EXPECT_EQ(other_line(longer), Lines{std::to_string(line_of(longer, "stazione,    8600"))});
  // The title that names another route is said once, not again by the
  // stations.
  const std::string titled = replaced(renamed, "Valdoria - Monte Sereno", "Rocca Alta - Bruno");
  EXPECT_EQ(other_line(titled), Lines{std::to_string(line_of(titled, "Treno 42"))});
}

// Advice that led nowhere: a letter Windows-1252 cannot hold is named, not
// replaced by a made-up name; a speed limit read after a stop is no missing
// one.
TEST(MeaningExamples, NoFalseAlarmAndNoMadeUpName) {
  const std::string train_head =
      "[generale]\naderenza, 0, 80\nvelocita, 0, 100\n"
      "stazione, 0, 8, 400, 1,0,0, 4,1,0, 2,1,1, 1, 7,30,0, ";
  auto utf8_message = [&](const std::string& name) {
    const CompileResult r = compile_pair(kPlainLine, train_head + name + "\n[fine]\n");
    for (const Diagnostic& d : r.status.diagnostics()) {
      if (d.name == "utf8-text") return d.message;
    }
    return std::string();
  };
  const std::string held = utf8_message("S\xC3\x88");  // È: 0xC8 in Windows-1252
  EXPECT_NE(held.find("likely meant as 'S\xC8'"), std::string::npos) << held;
  const std::string euro = utf8_message("\xE2\x82\xAC");  // the euro sign: 0x80
  EXPECT_NE(euro.find("likely meant as '\x80'"), std::string::npos) << euro;
  const std::string unheld = utf8_message("\xC4\x88IRO \xC5\xAD");  // Ĉ and ŭ
  EXPECT_EQ(unheld.find("likely meant"), std::string::npos) << unheld;
  EXPECT_NE(unheld.find("no letter U+0108 or U+016D"), std::string::npos) << unheld;

  // The clock stops the description with 25; the records after it are read
  // on, the speed limit among them.
  const CompileResult stopped =
      compile_pair(kPlainLine,
                   "[generale]\norologio, 7, 30, x\naderenza, 0, 80\nvelocita, 0, 100\n"
                   "stazione, 0, 8, 400, 1,0,0, 4,1,0, 2,1,1, 1, 7,30,0, VALDORIA\n[fine]\n");
  EXPECT_EQ(stopped.status.codice_errore(), 25);
  for (const Diagnostic& d : stopped.status.diagnostics()) {
    EXPECT_NE(d.name, "no-speed-limit");
    EXPECT_NE(d.name, "no-adhesion");
  }
}

}  // namespace
}  // namespace binario
