// Warnings and the faults found after a description stopped: each mistake
// is reported at its own line, and none of them changes the model or the
// status pair the compile leaves.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

#include "compiler/compile.h"

namespace binario {
namespace {

const char* const kLine =
    "[generale]\n"
    "lunghezza percorso, 6000\n"
    "[pendenze]\n"
    "pendenza, 400, 2\n"
    "[fine]\n"
    "[fine]\n";

// `records` from line 3 on, after a speed limit, the adhesion and the first
// station on line 2.
std::string train(const std::string& records) {
  return "[generale]\n"
         "velocita, 0, 30, aderenza, 0, 80, stazione, 0, 8, 400, 1, 0, 0, 4, 1, 0, 2, 1, 1, 1, 7, "
         "30, 0, "
         "VALDORIA\n" +
         records +
         "[fine]\n"
         "[fine]\n";
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  return text.replace(text.find(from), from.size(), to);
}

// kLine with `record` as line 6, in the board section.
std::string with_board(const std::string& record) {
  return replaced(kLine, "[fine]\n[fine]\n", "[cartelli]\n" + record + "[fine]\n[fine]\n");
}

CompileResult compile_pair(const std::string& line, const std::string& train_text) {
  CompileInput input;
  input.line = {"l.txt", line, std::nullopt, false};
  input.train = {"t.txt", train_text, std::nullopt, false};
  return compile(input);
}

// "NAME@LINE" for every warning, "CODE@LINE" for every error, "note" for a
// note; a trailing "+" marks one found after the stop.
std::vector<std::string> summary(const Status& status) {
  std::vector<std::string> out;
  for (const Diagnostic& d : status.diagnostics()) {
    std::string s = d.severity == Severity::kWarning ? d.name
                    : d.severity == Severity::kError ? std::to_string(d.code)
                                                     : "note";
    if (d.severity != Severity::kNote) {
      s += "@" + std::to_string(d.location ? d.location->line : -1);
    }
    if (d.after_stop) s += "+";
    out.push_back(s);
  }
  return out;
}

using Strings = std::vector<std::string>;

TEST(Warnings, CorrectTextsGiveNone) {
  EXPECT_EQ(summary(compile_pair(kLine, train("")).status), Strings{});
}

TEST(Warnings, EachMistakeIsReportedAtItsLineAndLeavesTheStatusAlone) {
  struct Case {
    const char* what;
    std::string line;
    std::string train;
    Strings expected;
  } cases[] = {
      {"misspelt train keyword",
       kLine,
       train("segnle, 1000, 1,4,1,0,0,0,0,0,0,0\n"),
       {"ignored-field@3"}},
      {"misspelt line keyword",
       replaced(kLine, "pendenza,", "pendnza,"),
       train(""),
       {"ignored-field@4"}},
      {"speed not a multiple of 5", kLine, train("velocita, 500, 87\n"), {"speed-rounded@3"}},
      {"signal in the run-out",
       kLine,
       train("segnale, 6500, 1,4,1,0,0,0,0,0,0,0\n"),
       {"in-run-out@3"}},
      {"gradient wraps", replaced(kLine, "400, 2\n", "400, 200\n"), train(""), {"value-changed@4"}},
      {"adhesion wraps", kLine, train("aderenza, 500, 300\n"), {"value-changed@3"}},
      {"signal aspect pair wraps",
       kLine,
       train("segnale, 1000, 1,5000,1,0,0,0,0,0,0,0\n"),
       {"value-changed@3"}},
      {"signal time wraps",
       kLine,
       train("segnale, 1000, 2,4,1,0,0,0,0,0,0,300\n"),
       {"value-changed@3"}},
      {"slowdown f_tt wraps",
       kLine,
       train("rallentamento, 3000, 30, 300, 40000, 1, 0\n"),
       {"value-changed@3"}},
      {"speed board speed off the 5 km/h steps",
       with_board("indicatori_vmax, 1000, 87, 100, 100, 0, 0, 0, 0, 0\n"),
       train(""),
       {"speed-rounded@6"}},
      {"speed board stripe count above 9",
       with_board("indicatori_vmax, 1000, 90, 100, 100, 1, 0, 0, 0, 12\n"),
       train(""),
       {"value-changed@6"}},
      {"UTF-8 name",
       kLine,
       train("stazione, 2750, 2, 600, 0,0,1, 1,1,0, 4,1,1, 0, 7,34,30, S\xC3\x88\n"),
       {"utf8-text@3"}},
      {"UTF-8 byte-order mark", kLine, "\xEF\xBB\xBF" + train(""), {"utf8-text@1"}},
      {"multiline quote",
       kLine,
       train("stazione, 2750, 2, 600, 0,0,1, 1,1,0, 4,1,1, 0, 7,34,30, \"A\nB\"\n"),
       {"multiline-quote@3"}},
      {"unclosed quote",
       kLine,
       train("stazione, 2750, 2, 600, 0,0,1, 1,1,0, 4,1,1, 0, 7,34,30, \"A\n"),
       {"unclosed-quote@3"}},
      {"no section header", kLine, "velocita, 0, 30\n[fine]\n", {"section-not-found@0"}},
      {"empty train", kLine, "[generale]\n[fine]\n[fine]\n", {"empty-train@0"}},
      {"no stations",
       kLine,
       "[generale]\nvelocita, 0, 30\naderenza, 0, 80\n[fine]\n[fine]\n",
       {"no-stations@0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const CompileResult r = compile_pair(c.line, c.train);
    EXPECT_EQ(summary(r.status), c.expected);
    for (const Diagnostic& d : r.status.diagnostics()) {
      EXPECT_NE(std::find(std::begin(kWarningNames), std::end(kWarningNames), d.name),
                std::end(kWarningNames));
    }
  }
}

// Two independent faults in one description: the first stops it as before,
// the second is reported too, after a note, without reaching the model.
TEST(Warnings, FaultsAfterTheStopAreReportedAndLeaveTheModelAsTheStopLeftIt) {
  const std::string station_8 = "stazione, 2730, 2, 600, 0,0,1, 1,1,0, 4,1,1, 0, 7,34,30, A\n";
  const std::string station_9 = "stazione, 2750, 2, 650, 0,0,1, 1,1,0, 4,1,1, 0, 7,34,30, B\n";
  const std::string signal = "segnale, 1000, 1,4,1,0,0,0,0,0,0,0\n";
  const std::string signal_16 = "segnale, 1010, 1,4,1,0,0,0,0,0,0,0\n";
  const std::string point_7 = "abbattimento, 1050, 3\n";
  const std::string beyond_15 = "segnale, 99000, 1,4,1,0,0,0,0,0,0,0\n";
  struct Case {
    std::string records;
    Strings expected;
  } cases[] = {
      {station_8 + station_9, {"8@3", "note+", "9@4+"}},
      {station_9 + station_8, {"9@3", "note+", "8@4+"}},
      {signal + signal_16 + station_9, {"16@4", "note+", "9@5+"}},
      {signal + signal_16 + signal_16, {"16@4", "note+", "16@5+"}},
      {signal + point_7 + station_8, {"7@4", "note+", "8@5+"}},
      {beyond_15 + station_9, {"15@3", "note+", "9@4+"}},
      {station_9 + "velocita, 500, 87\n", {"9@3", "note+", "speed-rounded@4+"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.records);
    const CompileResult r = compile_pair(kLine, train(c.records));
    EXPECT_EQ(summary(r.status), c.expected);
    // The status pair and the model are those of the text cut after the
    // record that stopped it.
    const int stop_line = r.status.diagnostics().front().location->line;
    std::string cut = train(c.records);
    size_t end = 0;
    for (int i = 0; i < stop_line; ++i) end = cut.find('\n', end) + 1;
    const CompileResult alone = compile_pair(kLine, cut.substr(0, end) + "[fine]\n");
    EXPECT_EQ(r.status.codice_errore(), alone.status.codice_errore());
    EXPECT_EQ(r.status.posizione_errore(), alone.status.posizione_errore());
    ASSERT_EQ(r.model.percorso.size(), alone.model.percorso.size());
    for (size_t j = 0; j < r.model.percorso.size(); ++j) {
      const Cella& a = r.model.percorso[j];
      const Cella& b = alone.model.percorso[j];
      EXPECT_EQ(a.tipo, b.tipo) << "cell " << j;
      EXPECT_EQ(a.velocita, b.velocita) << "cell " << j;
      EXPECT_EQ(a.valore1, b.valore1) << "cell " << j;
    }
    for (size_t e = 0; e < r.model.treno.size(); ++e) {
      EXPECT_EQ(r.model.treno[e].posizione, alone.model.treno[e].posizione) << "entry " << e;
      EXPECT_EQ(r.model.treno[e].nome, alone.model.treno[e].nome) << "entry " << e;
    }
  }
}

// A misspelt keyword drops its record with one warning, not one for each of
// its values; a misspelt section header is pointed at.
// Every ordered pair of independent mistakes in one train description: the
// first stops it, the second is reported at its own line after the note.
TEST(Warnings, EveryPairOfMistakesIsReportedInOneRun) {
  // A signal in cell 21 that the clashes aim at.
  const std::string base = "segnale, 1000, 1,4,1,0,0,0,0,0,0,0\n";
  struct Mistake {
    const char* expected;  // as `summary` gives it, without line
    const char* record;
  } mistakes[] = {
      {"7", "abbattimento, 1050, 3\n"},
      {"8", "stazione, 3030, 2, 600, 0,0,1, 1,1,0, 4,1,1, 0, 7,34,30, A\n"},
      {"9", "stazione, 4000, 2, 650, 0,0,1, 1,1,0, 4,1,1, 0, 7,34,30, B\n"},
      {"15", "segnale, 99000, 1,4,1,0,0,0,0,0,0,0\n"},
      {"16", "segnale, 1010, 1,4,1,0,0,0,0,0,0,0\n"},
      {"18", "rallentamento, 1000, 30, 300, 0, 1, 0\n"},
      {"22", "stazione, 600, 2, 200, 0,0,1, 1,1,0, 4,1,1, 0, 7,34,30, C\n"},
      {"25", "velocita, 500, trenta\n"},
      {"speed-rounded", "velocita, 500, 87\n"},
  };
  for (const Mistake& first : mistakes) {
    if (std::string(first.expected) == "speed-rounded") continue;  // no stop
    for (const Mistake& second : mistakes) {
      SCOPED_TRACE(std::string(first.expected) + " then " + second.expected);
      const Status s = compile_pair(kLine, train(base + first.record + second.record)).status;
      EXPECT_EQ(summary(s), (Strings{std::string(first.expected) + "@4", "note+",
                                     std::string(second.expected) + "@5+"}));
      EXPECT_EQ(std::to_string(s.codice_errore()), first.expected);
    }
  }
}

// The line description reads on after its stop as the train description does;
// the train description is then not compiled at all.
TEST(Warnings, TheLineDescriptionReadsOnAfterItsStopToo) {
  const std::string line = replaced(kLine, "pendenza, 400, 2\n",
                                    "pendenza, 99999, 2\n"
                                    "pendnza, 900, 1\n"
                                    "pendenza, 1000, 200\n"
                                    "pendenza, 99000, 1\n");
  const CompileResult r = compile_pair(line, train(""));
  EXPECT_EQ(summary(r.status),
            (Strings{"15@4", "note+", "ignored-field@5+", "value-changed@6+", "15@7+"}));
  EXPECT_EQ(r.status.codice_errore(), 15);
  EXPECT_EQ(r.status.posizione_errore(), 99999);

  // A value that cannot be read stops it too, and what follows is still read.
  const CompileResult unreadable = compile_pair(
      replaced(kLine, "pendenza, 400, 2\n", "pendenza, 400, due\npendnza, 900, 1\n"), train(""));
  EXPECT_EQ(summary(unreadable.status), (Strings{"25@4", "note+", "ignored-field@5+"}));
}

// A clash names where its occupant was placed, also when that is the other
// description.
TEST(Warnings, AClashPointsAtTheRecordThatHoldsTheCell) {
  const std::string line = with_board("indicatori_vmax, 1000, 90, 100, 100, 0, 0, 0, 0, 0\n");
  const std::string signal = "segnale, 1000, 1,4,1,0,0,0,0,0,0,0\n";
  for (const auto& [line_text, train_text, file, line_no] :
       {std::tuple{line, train(signal), "l.txt", 6},
        std::tuple{std::string(kLine), train(signal + signal), "t.txt", 3}}) {
    const CompileResult r = compile_pair(line_text, train_text);
    ASSERT_FALSE(r.status.diagnostics().empty());
    const Diagnostic& d = r.status.diagnostics()[0];
    EXPECT_EQ(d.code, 16) << d.message;
    ASSERT_EQ(d.related.size(), 1u) << d.message;
    EXPECT_EQ(d.related[0].location.file, file);
    EXPECT_EQ(d.related[0].location.line, line_no);
  }
}

TEST(Warnings, MisspellingsAreNamedOnceWithWhatWasMeant) {
  const Status s = compile_pair(kLine, train("stazone, 2750, 2, 600, 0,0,1, 1,1,0, 4,1,1, 0, "
                                             "7,34,30, MONTE, SERENO\n"))
                       .status;
  ASSERT_EQ(summary(s), Strings{"ignored-field@3"});
  EXPECT_NE(s.diagnostics()[0].message.find("did you mean 'stazione'?"), std::string::npos);

  const Status train_header =
      compile_pair(kLine, "- treno\n[Generle]\nvelocita, 0, 30\n[fine]\n").status;
  ASSERT_EQ(summary(train_header), Strings{"section-not-found@2"});
  EXPECT_NE(train_header.diagnostics()[0].message.find("did you mean '[generale]'?"),
            std::string::npos);

  const Status line_header = compile_pair(replaced(kLine, "[generale]", "[generle]"), "").status;
  ASSERT_EQ(line_header.codice_errore(), 102);
  EXPECT_NE(line_header.diagnostics()[0].message.find(
                "line 1 holds '[generle]': did you mean '[generale]'?"),
            std::string::npos);
}

// The fix-it of a misspelling replaces exactly the field as it stands on its
// line: from the diagnostic's column, blanks before the comma left out, a
// quoted field with its quotes, a class digit kept.
TEST(Warnings, AMisspellingCarriesTheEditThatMendsIt) {
  auto fix_of = [](const Status& s) {
    EXPECT_EQ(s.diagnostics().size(), 1u);
    const Diagnostic& d = s.diagnostics().at(0);
    EXPECT_TRUE(d.fix.has_value()) << d.message;
    const std::string line = d.source_line.value_or("");
    const size_t at = static_cast<size_t>(d.location->column - 1);
    return std::pair(line.substr(at, static_cast<size_t>(d.fix ? d.fix->length : 0)),
                     d.fix ? d.fix->replacement : "");
  };
  using Fix = std::pair<std::string, std::string>;
  EXPECT_EQ(
      fix_of(compile_pair(replaced(kLine, "pendenza, 400", "  pendnza   , 400"), train("")).status),
      (Fix{"pendnza", "pendenza"}));
  EXPECT_EQ(
      fix_of(compile_pair(replaced(kLine, "pendenza, 400", "\"Pendnza\", 400"), train("")).status),
      (Fix{"\"Pendnza\"", "pendenza"}));
  EXPECT_EQ(fix_of(compile_pair(kLine, train("stazone\t, 2750, 2, 600, 0,0,1, 1,1,0, 4,1,1, 0, "
                                             "7,34,30, MONTE\n"))
                       .status),
            (Fix{"stazone", "stazione"}));
  EXPECT_EQ(
      fix_of(compile_pair(kLine, "- treno\n  [Generle] ,x\nvelocita, 0, 30\n[fine]\n").status),
      (Fix{"[Generle]", "[generale]"}));

  CompileInput input;
  input.line = {"l.txt", replaced(kLine, "[fine]\n[fine]", "curvx3, 400, 2\n[fine]\n[fine]"),
                std::nullopt, false};
  input.train = {"t.txt", train(""), std::nullopt, false};
  input.with_geometry = true;
  EXPECT_EQ(fix_of(compile(input).status), (Fix{"curvx3", "curvas3"}));

  // Without a keyword close enough there is nothing to offer.
  const Status far = compile_pair(replaced(kLine, "pendenza, 400", "zzzz, 400"), train("")).status;
  ASSERT_EQ(far.diagnostics().size(), 1u);
  EXPECT_FALSE(far.diagnostics()[0].fix.has_value());
}

// Past the cap a fault is dropped, and the place of its occupant must not be
// hung on whatever diagnostic was kept last.
TEST(Warnings, ADroppedFaultRelatesNothing) {
  Status s;
  s.set_extras(true);
  s.begin_description();
  s.begin_after_stop("t.txt", 1);
  for (int i = 0; i <= Status::kMostExtra + 1; ++i) {
    s.fault(16, 100, SourceLocation{"t.txt", i + 2, 1});
  }
  s.relate_last({SourceLocation{"t.txt", 1, 1}, "the occupant of the cell was placed here"});
  for (const Diagnostic& d : s.diagnostics()) EXPECT_TRUE(d.related.empty()) << d.message;
}

TEST(Warnings, ARecurringFaultIsCapped) {
  std::string records;
  for (int i = 0; i < 300; ++i) records += "segnale, 99000, 1,4,1,0,0,0,0,0,0,0\n";
  const CompileResult r = compile_pair(kLine, train(records));
  EXPECT_LE(r.status.diagnostics().size(), static_cast<size_t>(Status::kMostExtra) + 3);
  EXPECT_EQ(r.status.diagnostics().back().severity, Severity::kNote);
  EXPECT_EQ(r.status.codice_errore(), 15);
}

// A description may be one line of 64 MiB: each diagnostic keeps a piece of
// that line around its column and a message quotes a piece of a field, so
// what a compile keeps grows with the number of diagnostics, not with the
// line.
TEST(Warnings, ALongLineAndALongFieldAreKeptAndQuotedInPieces) {
  const std::string number(3'000'000, '9');
  const std::string line =
      replaced(kLine, "pendenza, 400, 2", "pendenza, 400, 2, " + std::string(5000, ' ') + number);
  const Status s = compile_pair(line, train("")).status;
  ASSERT_FALSE(s.diagnostics().empty());
  for (const Diagnostic& d : s.diagnostics()) {
    SCOPED_TRACE(d.message.substr(0, 200));
    EXPECT_LE(d.message.size(), kLongestMessage);
    if (!d.source_line || d.location->line != 4) continue;
    EXPECT_EQ(d.source_line->size(), kKeptLine);
    EXPECT_EQ(d.source_line_length,
              std::string("pendenza, 400, 2, ").size() + 5000 + number.size());
    // The kept piece holds the column, and is the line's own bytes there.
    const size_t base = static_cast<size_t>(d.source_line_column - 1);
    const size_t column = static_cast<size_t>(d.location->column - 1);
    EXPECT_LE(base, column);
    EXPECT_LT(column, base + kKeptLine);
    EXPECT_EQ(*d.source_line, line.substr(line.find("pendenza, 400") + base, kKeptLine));
  }
  const std::string text = format_diagnostic(s.diagnostics()[0]);
  EXPECT_NE(text.find("99...99999999' (3000000 bytes)"), std::string::npos) << text.substr(0, 400);
}

TEST(Warnings, AMessageIsCutInItsMiddleAndSaysHowMuch) {
  std::string message = "begins " + std::string(100'000, 'x') + " ends";
  cut_message(message);
  EXPECT_EQ(message.size(), kLongestMessage);
  EXPECT_TRUE(message.starts_with("begins xxx"));
  EXPECT_TRUE(message.ends_with("xxx ends"));
  EXPECT_NE(message.find(" bytes left out "), std::string::npos);
  std::string short_one = "short";
  cut_message(short_one);
  EXPECT_EQ(short_one, "short");
}

// A message that names the fault's metre it found is not followed by it again.
TEST(Warnings, TheMetreIsSaidOnce) {
  const Status s =
      compile_pair(replaced(kLine, "pendenza, 400, 2", "pendenza, 12950, 2"), train("")).status;
  ASSERT_FALSE(s.diagnostics().empty());
  const std::string text = format_diagnostic(s.diagnostics()[0]);
  EXPECT_NE(text.find("found metre 12950;"), std::string::npos) << text;
  EXPECT_EQ(text.find("(metre 12950)"), std::string::npos) << text;
  Diagnostic other = s.diagnostics()[0];
  other.message = "signal on a cell that is already taken";
  EXPECT_TRUE(format_diagnostic(other).ends_with("taken (metre 12950)"));
}

// The warnings about what a pair means, each at the record at fault, with
// the record it conflicts with as a related place, and none of them changing
// the model or the status pair.
struct MeaningCase {
  const char* what;
  std::string line;
  std::string train;
  Strings expected;
  int related_line = 0;  // the line of the related place, when there is one
};

void expect_meaning(const MeaningCase& c, bool geometry = false) {
  SCOPED_TRACE(c.what);
  CompileInput input;
  input.line = {"l.txt", c.line, std::nullopt, false};
  input.train = {"t.txt", c.train, std::nullopt, false};
  input.with_geometry = geometry;
  const CompileResult r = compile(input);
  EXPECT_EQ(summary(r.status), c.expected);
  for (const Diagnostic& d : r.status.diagnostics()) {
    EXPECT_NE(std::find(std::begin(kWarningNames), std::end(kWarningNames), d.name),
              std::end(kWarningNames));
    EXPECT_FALSE(d.message.empty());
  }
  if (c.related_line != 0) {
    ASSERT_FALSE(r.status.diagnostics().empty());
    const Diagnostic& d = r.status.diagnostics().back();
    ASSERT_EQ(d.related.size(), 1u) << d.message;
    EXPECT_EQ(d.related[0].location.line, c.related_line) << d.message;
  }
  CompileInput plain = input;
  plain.extra_diagnostics = false;
  const CompileResult bare = compile(plain);
  EXPECT_EQ(bare.status.codice_errore(), r.status.codice_errore());
  EXPECT_EQ(bare.status.posizione_errore(), r.status.posizione_errore());
  ASSERT_EQ(bare.model.percorso.size(), r.model.percorso.size());
  for (size_t j = 0; j < r.model.percorso.size(); ++j) {
    EXPECT_EQ(bare.model.percorso[j].tipo, r.model.percorso[j].tipo);
    EXPECT_EQ(bare.model.percorso[j].velocita, r.model.percorso[j].velocita);
    EXPECT_EQ(bare.model.percorso[j].pendenza, r.model.percorso[j].pendenza);
  }
}

// kLine with `records` in its body, from line 5.
std::string line_body(const std::string& records) {
  return replaced(kLine, "[fine]\n[fine]\n", records + "[fine]\n[fine]\n");
}

TEST(MeaningWarnings, RecordsOutOfOrder) {
  for (const MeaningCase& c : {
           MeaningCase{
               "gradients", line_body("pendenza, 100, 1\n"), train(""), {"out-of-order@5"}, 4},
           MeaningCase{"gradients at one metre",
                       line_body("pendenza, 400, 1\n"),
                       train(""),
                       {"out-of-order@5"},
                       4},
           MeaningCase{"speed limits",
                       kLine,
                       train("velocita, 3400, 80\nvelocita, 500, 90\n"),
                       {"out-of-order@4"},
                       3},
           MeaningCase{"adhesion",
                       kLine,
                       train("aderenza, 900, 80\naderenza, 100, 70\n"),
                       {"out-of-order@4"},
                       3},
           MeaningCase{"mountain spans",
                       line_body("montagna, 3000, 3600, 2\nmontagna, 1000, 1600, 1\n"),
                       train(""),
                       {"out-of-order@6"},
                       5},
           MeaningCase{"signals",
                       kLine,
                       train("segnale, 2400, 1,4,1,0,0,0,0,0,0,0\n"
                             "segnale, 1000, 1,4,1,0,0,0,0,0,0,0\n"),
                       {"out-of-order@4"},
                       3},
       }) {
    expect_meaning(c);
  }
  expect_meaning({"curves",
                  line_body("curvad3, 2000, 300\ncurvas2, 900, 200\n"),
                  train(""),
                  {"out-of-order@6"},
                  5},
                 true);
}

TEST(MeaningWarnings, SpansBackwardsEmptyOrOverlapping) {
  for (const MeaningCase& c : {
           MeaningCase{"tunnel ending before it starts",
                       line_body("montagna, 3000, 2000, 2\n"),
                       train(""),
                       {"reversed-span@5"}},
           MeaningCase{"mountain span within one cell",
                       line_body("montagna, 3000, 3020, 2\n"),
                       train(""),
                       {"empty-span@5"}},
           MeaningCase{"slowdown of negative length",
                       kLine,
                       train("rallentamento, 3000, 30, -300, 0, 1, 0\n"),
                       {"reversed-span@3"}},
           MeaningCase{"slowdown ending in its start's cell",
                       kLine,
                       train("rallentamento, 3000, 30, 10, 0, 1, 0\n"),
                       {"empty-span@3"}},
           MeaningCase{
               "cab signalling backwards",
               replaced(kLine, "[pendenze]", "ripetizione segnali 4, 5000, 500\n[pendenze]"),
               train(""),
               {"reversed-span@3"}},
           MeaningCase{"overlapping slowdowns",
                       kLine,
                       train("rallentamento, 3000, 30, 600, 0, 1, 0\n"
                             "rallentamento, 3300, 20, 200, 0, 0, 0\n"),
                       {"overlap@4"},
                       3},
           MeaningCase{"slowdown past the line's end",
                       kLine,
                       train("rallentamento, 5800, 30, 400, 0, 1, 0\n"),
                       {"in-run-out@3"}},
       }) {
    expect_meaning(c);
  }
  for (const MeaningCase& c : {
           MeaningCase{
               "curve of length 0", line_body("curvad3, 900, 0\n"), train(""), {"empty-span@5"}},
           MeaningCase{"curve of negative length",
                       line_body("curvad3, 900, -50\n"),
                       train(""),
                       {"reversed-span@5"}},
           MeaningCase{"overlapping curves",
                       line_body("curvad3, 900, 400\ncurvas2, 1200, 400\n"),
                       train(""),
                       {"overlap@6"},
                       5},
       }) {
    expect_meaning(c, true);
  }
}

TEST(MeaningWarnings, AStationStopOverwritesWhatItsCellHeld) {
  // A station at 2750 of kind 2 and length 600 ends at 3050 (cell 60).
  const std::string station = "stazione, 2750, 2, 600, 0,0,0, 1,1,0, 4,1,1, 0, 0,0,0, B\n";
  for (const MeaningCase& c : {
           MeaningCase{"a signal",
                       kLine,
                       train("segnale, 2950, 1,4,1,0,0,0,0,0,0,0\n" + station),
                       {"overwritten@4"},
                       3},
           MeaningCase{"a slowdown's start",
                       kLine,
                       train("rallentamento, 2950, 30, 600, 0, 0, 0\n" + station),
                       {"slowdown-in-station@3", "overwritten@4"},
                       3},
       }) {
    expect_meaning(c);
  }
  // A board of the line description is named in the line description.
  expect_meaning({"a sign board",
                  with_board("cartello indicatore, 2950, (3.0)\n"),
                  train(station),
                  {"overwritten@3"},
                  6});
}

TEST(MeaningWarnings, TimesThatCannotBe) {
  const std::string later = "stazione, 2750, 2, 600, 0,0,0, 1,1,0, 4,1,1, 0, 7,20,0, B\n";
  for (const MeaningCase& c : {
           MeaningCase{
               "clock 25:00", kLine, train("orologio, 25, 0, 0\n"), {"time-out-of-range@3"}},
           MeaningCase{"minutes 75",
                       kLine,
                       train("stazione, 2750, 2, 600, 0,0,0, 1,1,0, 4,1,1, 0, 7,75,0, B\n"),
                       {"time-out-of-range@3"}},
           MeaningCase{"times going backwards", kLine, train(later), {"timetable-order@3"}, 2},
           MeaningCase{"clock later than the first departure",
                       kLine,
                       train("orologio, 7, 45, 0\n"),
                       {"timetable-order@3"},
                       2},
       }) {
    expect_meaning(c);
  }
}

TEST(MeaningWarnings, ValuesNoScenarioMeans) {
  for (const MeaningCase& c : {
           MeaningCase{
               "speed limit 0", kLine, train("velocita, 500, 0\n"), {"implausible-value@3"}},
           MeaningCase{"speed limit 500 km/h",
                       kLine,
                       train("velocita, 500, 500\n"),
                       {"implausible-value@3"}},
           MeaningCase{"gradient 60",
                       replaced(kLine, "400, 2\n", "400, 60\n"),
                       train(""),
                       {"implausible-value@4"}},
           MeaningCase{"adhesion 0", kLine, train("aderenza, 500, 0\n"), {"implausible-value@3"}},
           MeaningCase{"station length 0",
                       kLine,
                       train("stazione, 2750, 2, 0, 0,0,0, 1,1,0, 4,1,1, 0, 0,0,0, B\n"),
                       {"implausible-value@3"}},
           MeaningCase{"slowdown speed 0",
                       kLine,
                       train("rallentamento, 3000, 0, 300, 0, 1, 0\n"),
                       {"implausible-value@3"}},
           MeaningCase{"station kind",
                       kLine,
                       train("stazione, 2750, 99, 600, 0,0,0, 1,1,0, 4,1,1, 0, 0,0,0, B\n"),
                       {"unknown-kind@3"}},
           MeaningCase{"mountain kind",
                       line_body("montagna, 2000, 2600, 7\n"),
                       train(""),
                       {"unknown-kind@5"}},
           MeaningCase{"first station not at the start",
                       kLine,
                       "[generale]\nvelocita, 0, 30, aderenza, 0, 80\n"
                       "stazione, 2750, 2, 600, 0,0,0, 1,1,0, 4,1,1, 0, 0,0,0, B\n[fine]\n[fine]\n",
                       {"first-station@3"}},
           MeaningCase{"no speed limit",
                       kLine,
                       "[generale]\n"
                       "stazione, 0, 8, 400, 1, 0, 0, 4, 1, 0, 2, 1, 1, 1, 7, 30, 0, A\n[fine]\n",
                       {"no-speed-limit@0"}},
       }) {
    expect_meaning(c);
  }
}

// A number in keyword position after a record that took its values is
// reported, with what it most likely was; a keyword with a hyphen is a comment
// that loses its record.
TEST(MeaningWarnings, NumbersAndKeywordsReadAsSomethingElse) {
  for (const MeaningCase& c : {
           MeaningCase{"thousands comma",
                       kLine,
                       train("velocita, 12,800, 70\n"),
                       {"implausible-value@3", "ignored-field@3"}},
           MeaningCase{"thousands blank",
                       kLine,
                       train("velocita, 12 800, 70\n"),
                       {"implausible-value@3", "ignored-field@3"}},
           MeaningCase{"decimal comma", kLine, train("velocita, 500, 60,5\n"), {"ignored-field@3"}},
           MeaningCase{"line length with a blank",
                       replaced(kLine, "lunghezza percorso, 6000", "lunghezza percorso, 6 000"),
                       train(""),
                       {"ignored-field@2"}},
           MeaningCase{"hyphen in a keyword",
                       kLine,
                       train("velocita-limite, 500, 90\n"),
                       {"hyphen-comment@3"}},
       }) {
    expect_meaning(c);
  }
  const auto message = [](const std::string& train_text) {
    const CompileResult r = compile_pair(kLine, train(train_text));
    for (const Diagnostic& d : r.status.diagnostics()) {
      if (d.name == "ignored-field") return d.message;
    }
    return std::string();
  };
  EXPECT_NE(message("velocita, 12,800, 70\n").find("'12,800' looks like 12800"), std::string::npos);
  EXPECT_NE(message("velocita, 12 800, 70\n").find("'12 800' looks like 12800"), std::string::npos);
  EXPECT_NE(message("velocita, 500, 60,5\n").find("decimal comma"), std::string::npos);
  // The numbers after a misspelt keyword belong to the warning about it, and
  // a comment with no record's keyword is a comment.
  expect_meaning({"misspelt keyword", kLine, train("velocta, 500, 90\n"), {"ignored-field@3"}});
  expect_meaning({"comment", kLine, train("- tratto nuovo, 500\n"), {}});
}

// A record short of values on its line is named at its own line, with how
// many values it takes and where the missing one was read; the fault at the
// line the reading ran into points back at it.
TEST(MeaningWarnings, ARecordShortOfValuesIsNamedAtItsOwnLine) {
  const std::string signal = "segnale, 2400, 1,4,1,0,0,0,0,0,0,0\n";
  // The fault that follows is the one it always was; the warning before it
  // and the place it points back at are what is new.
  const auto expect_short = [](const MeaningCase& c) {
    SCOPED_TRACE(c.what);
    const CompileResult r = compile_pair(c.line, c.train);
    ASSERT_EQ(summary(r.status), c.expected);
    const Diagnostic& fault = r.status.diagnostics().back();
    ASSERT_EQ(fault.related.size(), 1u);
    EXPECT_EQ(fault.related[0].location.line, c.related_line);
    CompileInput plain;
    plain.line = {"l.txt", c.line, std::nullopt, false};
    plain.train = {"t.txt", c.train, std::nullopt, false};
    plain.extra_diagnostics = false;
    const CompileResult bare = compile(plain);
    EXPECT_EQ(bare.status.codice_errore(), r.status.codice_errore());
    EXPECT_EQ(bare.status.posizione_errore(), r.status.posizione_errore());
    ASSERT_EQ(bare.status.diagnostics().size(), 1u);
    EXPECT_EQ(bare.status.diagnostics()[0].location->line, fault.location->line);
  };
  for (const MeaningCase& c : {
           MeaningCase{"a signal with 10 values",
                       kLine,
                       train("segnale, 1000, 1,4,1,0,0,0,0,0,0\n" + signal),
                       {"short-record@3", "25@4"},
                       3},
           MeaningCase{"a gradient without its comma",
                       line_body("pendenza 900, 12\npendenza, 2000, 3\n"),
                       train(""),
                       {"short-record@5", "25@6"},
                       5},
           MeaningCase{
               "the text ends inside the record",
               kLine,
               "[generale]\nvelocita, 0, 30, aderenza, 0, 80\nsegnale, 1000, 1,4,1,0,0,0,0,0,0\n",
               {"short-record@3", "25@4"},
               3},
           MeaningCase{"the line length without its comma",
                       replaced(kLine, "lunghezza percorso, 6000", "lunghezza percorso 6000"),
                       train(""),
                       {"short-record@2", "25@3"},
                       2},
       }) {
    expect_short(c);
  }
  for (const MeaningCase& c : {
           // The third comment in a row is read as a keyword, and takes the
           // next line's numbers as its values: no fault follows.
           MeaningCase{"a third comment line read as a record",
                       kLine,
                       train("- a\n- b\n- segnale c\n1000, 1,4,1,0,0,0,0,0,0,0\n"),
                       {"short-record@5"}},
       }) {
    expect_meaning(c);
  }
  const auto first_message = [](const std::string& line, const std::string& train_text) {
    const CompileResult r = compile_pair(line, train_text);
    return r.status.diagnostics().empty() ? std::string() : r.status.diagnostics()[0].message;
  };
  EXPECT_NE(first_message(kLine, train("segnale, 1000, 1,4,1,0,0,0,0,0,0\n" + signal))
                .find("'segnale' takes 11 values; this line holds 10, the 11th was to be read "
                      "from line 4"),
            std::string::npos);
  EXPECT_NE(first_message(line_body("pendenza 900, 12\npendenza, 2000, 3\n"), train(""))
                .find("ends in the number 900: put a comma"),
            std::string::npos);
  EXPECT_NE(first_message(kLine, train("- a\n- b\n- segnale c\n1000, 1,4,1,0,0,0,0,0,0,0\n"))
                .find("only 2 comment lines in a row"),
            std::string::npos);
  // A record that holds all its values on its line, or whose bad value is on
  // its own line, is no short record.
  EXPECT_EQ(summary(compile_pair(kLine, train("segnale, 1000, 1,4,1,0,0,0,0,0,x,0\n")).status),
            Strings{"25@3"});
  EXPECT_EQ(summary(compile_pair(kLine, train(signal)).status), Strings{});
}

// A keyword of another section or of the other description says where it
// belongs; a header that lacks its ']' keeps the general section open.
TEST(MeaningWarnings, AKeywordInTheWrongPlaceSaysWhereItBelongs) {
  const std::string unclosed = replaced(kLine, "[pendenze]", "[pendenze");
  for (const MeaningCase& c : {
           MeaningCase{"train keyword in the line",
                       line_body("velocita, 100, 30\n"),
                       train(""),
                       {"ignored-field@5"}},
           MeaningCase{"line keyword in the train",
                       kLine,
                       train("pendenza, 100, 3\n"),
                       {"ignored-field@3"}},
           MeaningCase{"general keyword in the body",
                       line_body("sfondo uno, 1\n"),
                       train(""),
                       {"ignored-field@5"}},
           MeaningCase{
               "unclosed header", unclosed, train(""), {"ignored-field@3", "ignored-field@4"}},
       }) {
    expect_meaning(c);
  }
  const auto messages = [](const std::string& line, const std::string& train_text) {
    std::string all;
    const CompileResult r = compile_pair(line, train_text);
    for (const Diagnostic& d : r.status.diagnostics()) {
      all += d.message + "\n";
    }
    return all;
  };
  const std::string in_line = messages(line_body("velocita, 100, 30\n"), train(""));
  EXPECT_NE(in_line.find("belongs to the train description"), std::string::npos) << in_line;
  EXPECT_EQ(in_line.find("no record starts with it"), std::string::npos) << in_line;
  EXPECT_NE(messages(kLine, train("pendenza, 100, 3\n"))
                .find("belongs to the body of the line description, not to the train"),
            std::string::npos);
  EXPECT_NE(messages(line_body("sfondo uno, 1\n"), train(""))
                .find("belongs to the general section of the line description"),
            std::string::npos);
  const std::string open = messages(unclosed, train(""));
  EXPECT_NE(open.find("lacks its ']'"), std::string::npos) << open;
  EXPECT_NE(open.find("the general section is still open"), std::string::npos) << open;
  const CompileResult r = compile_pair(unclosed, train(""));
  ASSERT_FALSE(r.status.diagnostics().empty());
  ASSERT_TRUE(r.status.diagnostics()[0].fix.has_value());
  EXPECT_EQ(r.status.diagnostics()[0].fix->replacement, "[pendenze]");
  EXPECT_EQ(r.status.diagnostics()[0].fix->length, 9);
}

// What is left after a text cut at a comma says to quote the text, whether
// it reads as a word or as a number.
TEST(MeaningWarnings, ATextCutAtACommaIsToBeQuoted) {
  const std::string station = "stazione, 2750, 2, 600, 0,0,0, 1,1,0, 4,1,1, 0, 0,0,0, ";
  for (const std::string rest : {"DEL RIO", "2"}) {
    SCOPED_TRACE(rest);
    const CompileResult r = compile_pair(kLine, train(station + "PIAN, " + rest + "\n"));
    ASSERT_EQ(summary(r.status), Strings{"ignored-field@3"});
    EXPECT_NE(r.status.diagnostics()[0].message.find("must be quoted, \"PIAN, " + rest + "\""),
              std::string::npos)
        << r.status.diagnostics()[0].message;
  }
  // A quoted text holding a comma is read whole.
  EXPECT_EQ(summary(compile_pair(kLine, train(station + "\"PIAN, DEL RIO\"\n")).status), Strings{});
}

// A line made far too short (30 000 read as 30) puts every record after the
// stop beyond the track: the first says how long the line is, and the rest
// are told in one note rather than one fault each.
TEST(Warnings, ALineMadeTooShortIsToldOnce) {
  std::string gradients;
  for (int p = 1000; p < 30000; p += 500) gradients += "pendenza, " + std::to_string(p) + ", 2\n";
  const std::string line =
      "[generale]\nlunghezza percorso, 30 000\n[pendenze]\n" + gradients + "[fine]\n[fine]\n";
  const CompileResult r = compile_pair(line, train(""));
  EXPECT_EQ(summary(r.status), (Strings{"15@16", "note+", "15@17+", "note+", "ignored-field@2"}));
  EXPECT_EQ(r.status.codice_errore(), 15);
  EXPECT_EQ(r.status.posizione_errore(), 7000);
  ASSERT_EQ(r.status.diagnostics().size(), 5u);
  EXPECT_NE(r.status.diagnostics()[0].message.find("the line is only 30 m long"),
            std::string::npos);
  EXPECT_NE(r.status.diagnostics()[3].message.find("44 more records from line 18"),
            std::string::npos)
      << r.status.diagnostics()[3].message;
  EXPECT_NE(r.status.diagnostics()[4].message.find("'30 000' looks like 30000"), std::string::npos);
}

// One message for each mistake, saying what it is about: a speed no cell can
// hold is refused once, with the range the reference gives; a slowdown whose
// end leaves the track names its end; a position past a short line says how
// long the line is.
TEST(Warnings, MessagesNameWhatTheyAreAbout) {
  const Status speed = compile_pair(kLine, train("velocita, 500, 1278\n")).status;
  ASSERT_EQ(summary(speed), Strings{"25@3"});
  EXPECT_NE(speed.diagnostics()[0].message.find("-2 to 1277 km/h"), std::string::npos);

  const Status slowdown =
      compile_pair(kLine, train("rallentamento, 12000, 30, 1000, 0, 0, 0\n")).status;
  ASSERT_FALSE(slowdown.diagnostics().empty());
  EXPECT_EQ(slowdown.diagnostics()[0].code, 15);
  EXPECT_EQ(slowdown.posizione_errore(), 12000);
  EXPECT_NE(slowdown.diagnostics()[0].message.find("the slowdown's end"), std::string::npos);
  EXPECT_NE(slowdown.diagnostics()[0].message.find("found metre 13000,"), std::string::npos);
  // The status pair keeps the start, which the message says once.
  const std::string shown = format_diagnostic(slowdown.diagnostics()[0]);
  EXPECT_TRUE(shown.ends_with("; the record starts at metre 12000")) << shown;

  const Status short_line =
      compile_pair(replaced(kLine, "lunghezza percorso, 6000", "lunghezza percorso, 30"),
                   train("segnale, 12800, 1,4,1,0,0,0,0,0,0,0\n"))
          .status;
  ASSERT_FALSE(short_line.diagnostics().empty());
  EXPECT_NE(short_line.diagnostics()[0].message.find("the line is only 30 m long"),
            std::string::npos)
      << short_line.diagnostics()[0].message;
}

// Every diagnostic at a field the compile read carries where that field
// ends: a quoted text past its comma and its line end, a number that is
// none, a clash at a keyword, a warning about meaning.
TEST(Warnings, DiagnosticsCarryTheExtentOfTheirField) {
  auto extent = [](const Status& s, size_t i) {
    EXPECT_GT(s.diagnostics().size(), i);
    if (s.diagnostics().size() <= i) return std::string();
    const Diagnostic& d = s.diagnostics()[i];
    if (!d.field) return "none@" + std::to_string(d.location ? d.location->line : 0);
    return std::to_string(d.location->line) + ":" + std::to_string(d.field->first_column) + "-" +
           std::to_string(d.field->last_line) + ":" + std::to_string(d.field->last_column);
  };
  EXPECT_EQ(
      extent(compile_pair(replaced(kLine, "pendenza, 400", "  pendnza   , 400"), train("")).status,
             0),
      "4:3-4:9");
  const Status quoted =
      compile_pair(with_board("cartello indicatore, 950, \"Km. 1,\nbis\"\n"), train("")).status;
  EXPECT_EQ(extent(quoted, 0), "6:27-7:4");
  EXPECT_EQ(extent(compile_pair(kLine, train("velocita, 1x00, 90\n")).status, 0), "3:11-3:14");
  CompileInput without_extras;
  without_extras.line = {"l.txt", kLine, std::nullopt, false};
  without_extras.train = {"t.txt", train("velocita, 1x00, 90\n"), std::nullopt, false};
  without_extras.extra_diagnostics = false;
  EXPECT_EQ(extent(compile(without_extras).status, 0), "3:11-3:14");
  const std::string signal = "segnale, 1500, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\n";
  EXPECT_EQ(extent(compile_pair(kLine, train(signal + "  " + signal)).status, 0), "4:3-4:9");
  const Status order = compile_pair(kLine, train("velocita, 900, 90\nvelocita, 300, 80\n")).status;
  EXPECT_EQ(extent(order, 0), "4:1-4:8");
}

}  // namespace
}  // namespace binario
