// How diagnostics are shown: the source line with a caret under the column,
// and the same data in JSON.
#include "cli/report.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

namespace binario {
namespace {

Diagnostic at(int line, int column, std::string source_line) {
  Diagnostic d;
  d.code = 15;
  d.location = SourceLocation{"X_linea.txt", line, column};
  d.message = "position lies beyond the track model";
  d.source_line = std::move(source_line);
  return d;
}

// The two lines of an excerpt, without their line ends.
struct Excerpt {
  std::string shown;
  std::string under;
};

Excerpt split(const std::string& excerpt) {
  const size_t first = excerpt.find('\n');
  EXPECT_NE(first, std::string::npos);
  EXPECT_EQ(excerpt.back(), '\n');
  return {excerpt.substr(0, first), excerpt.substr(first + 1, excerpt.size() - first - 2)};
}

TEST(SourceExcerpt, CaretUnderTheColumnOfABlankLedLine) {
  EXPECT_EQ(source_excerpt(at(4, 3, "  pendenza, 99999, 1")),
            "    4 |   pendenza, 99999, 1\n"
            "      |   ^\n");
  EXPECT_EQ(source_excerpt(at(9, 1, "segnale, 10")),
            "    9 | segnale, 10\n"
            "      | ^\n");
}

TEST(SourceExcerpt, TabsBeforeTheColumnStayTabsSoTheCaretLinesUp) {
  EXPECT_EQ(split(source_excerpt(at(2, 3, "\t\tsegnale, x"))).under, "      | \t\t^");
  EXPECT_EQ(split(source_excerpt(at(2, 4, " \t segnale"))).under, "      |  \t ^");
}

TEST(SourceExcerpt, ColumnAtOrPastTheEndOfTheLine) {
  // A value missing at the end of a line is reported just after it.
  EXPECT_EQ(split(source_excerpt(at(3, 11, "sabbia, 4,"))).under, "      |           ^");
  EXPECT_EQ(split(source_excerpt(at(3, 1, ""))).under, "      | ^");
}

TEST(SourceExcerpt, EachWindows1252ByteIsOneCharacter) {
  // "città, x": the à is one byte in the text and two in UTF-8.
  Excerpt e = split(source_excerpt(at(5, 8, "citt\xE0, x")));
  EXPECT_EQ(e.shown, "    5 | citt\xC3\xA0, x");
  EXPECT_EQ(e.under, "      |        ^");
}

TEST(SourceExcerpt, ControlCharactersAreShownAsQuestionMarks) {
  Excerpt e = split(source_excerpt(at(1, 5, "a\x1B[2Jb\x7F")));
  EXPECT_EQ(e.shown, "    1 | a?[2Jb?");
  EXPECT_EQ(e.under, "      |     ^");
}

TEST(SourceExcerpt, ALongLineIsCutToAWindowAroundTheColumn) {
  std::string line(5000, 'a');
  line[2999] = 'X';
  Excerpt e = split(source_excerpt(at(1, 3000, line)));
  EXPECT_LT(e.shown.size(), 200u);
  EXPECT_NE(e.shown.find("| ..."), std::string::npos);
  EXPECT_EQ(e.shown.substr(e.shown.size() - 3), "...");
  EXPECT_EQ(e.under.find('^'), e.shown.find('X'));

  // Near either end only that end is cut.
  Excerpt start = split(source_excerpt(at(1, 2, line)));
  EXPECT_EQ(start.shown.find("..."), start.shown.size() - 3);
  EXPECT_EQ(start.under.find('^'), start.shown.find("| ") + 3);
  line[4998] = 'Y';
  Excerpt end = split(source_excerpt(at(1, 4999, line)));
  EXPECT_EQ(end.shown.find("..."), end.shown.find("| ") + 2);
  EXPECT_EQ(end.under.find('^'), end.shown.find('Y'));
}

// A diagnostic keeps only a piece of a long line around its column; the
// excerpt shown from that piece is the one the whole line gives.
TEST(SourceExcerpt, APieceOfALongLineIsShownAsTheWholeLineWouldBe) {
  std::string line;
  for (int i = 0; line.size() < 5000; ++i) line += "campo" + std::to_string(i) + ", ";
  for (int column : {1, 2, 61, 200, 257, 300, 1024, 2500, 4000, 4900, 4999, 5000, 5003}) {
    SCOPED_TRACE(column);
    Diagnostic whole = at(7, column, line);
    whole.field = FieldExtent{column, 7, column + 40};
    Diagnostic kept = whole;
    kept.keep_source_line(line);
    EXPECT_LE(kept.source_line->size(), kKeptLine);
    EXPECT_TRUE(kept.source_line_cut());
    EXPECT_EQ(source_excerpt(kept), source_excerpt(whole));
  }
  Diagnostic short_line = at(7, 3, "segnale, 10");
  short_line.keep_source_line("segnale, 10");
  EXPECT_FALSE(short_line.source_line_cut());
}

TEST(SourceExcerpt, WideLineNumbersKeepTheBarsAligned) {
  Excerpt e = split(source_excerpt(at(1234567, 2, "ab")));
  EXPECT_EQ(e.shown, " 1234567 | ab");
  EXPECT_EQ(e.under.find('|'), e.shown.find('|'));
  EXPECT_EQ(e.under.find('^'), e.shown.find('b'));
}

// The field is underlined from the caret to its last column; one that runs
// onto the next line to the end of the line; a window cut short of it stops
// the underline with the window.
TEST(SourceExcerpt, TheFieldIsUnderlinedAfterTheCaret) {
  Diagnostic d = at(2, 3, "  pendnza   , 400");
  d.field = FieldExtent{3, 2, 9};
  EXPECT_EQ(split(source_excerpt(d)).under, "      |   ^~~~~~~");
  d.field = FieldExtent{3, 3, 2};
  EXPECT_EQ(split(source_excerpt(d)).under, "      |   ^~~~~~~~~~~~~~~");
  d.field = FieldExtent{3, 2, 2};  // an empty field
  EXPECT_EQ(split(source_excerpt(d)).under, "      |   ^");
  Diagnostic wide = at(1, 5, "abc X" + std::string(300, 'y'));
  wide.field = FieldExtent{5, 1, 305};
  const Excerpt e = split(source_excerpt(wide));
  EXPECT_EQ(e.under.size(), e.shown.size() - 3);  // up to the "..." of the cut
}

TEST(SourceExcerpt, NothingWithoutASourceLineOrALine) {
  Diagnostic none = at(4, 3, "x");
  none.source_line.reset();
  EXPECT_EQ(source_excerpt(none), "");
  EXPECT_EQ(source_excerpt(at(0, 0, "x")), "");
  Diagnostic nowhere;
  nowhere.source_line = "x";
  EXPECT_EQ(source_excerpt(nowhere), "");
}

TEST(Report, TextPutsTheExcerptUnderItsDiagnostic) {
  Status status;
  status.fault(15, 99999, SourceLocation{"X_linea.txt", 4, 3}, "found metre 99999",
               std::string_view("  pendenza, 99999, 1"));
  status.fault(12, 19050, std::nullopt, "cells");
  std::ostringstream err;
  print_text_report(err, status, RunReport{});
  EXPECT_EQ(err.str(),
            "X_linea.txt:4:3: error 15: position lies beyond the track model: found metre 99999\n"
            "    4 |   pendenza, 99999, 1\n"
            "      |   ^\n"
            "binario: error 12: no free cell in a look-back window before a slowdown start: "
            "cells (metre 19050)\n");
}

TEST(Report, FilesNotWrittenNotDeletedAndKeptAreToldApart) {
  RunReport report;
  report.file_errors = {"d/a.txt: No space left on device"};
  report.delete_errors = {"d/b.txt: Permission denied"};
  report.kept = {{"d/c.txt", ""}, {"d/e.txt", "Input/output error"}};
  std::ostringstream err;
  print_text_report(err, Status{}, report);
  EXPECT_EQ(err.str(),
            "binario: cannot write d/a.txt: No space left on device\n"
            "binario: cannot delete d/b.txt: Permission denied\n"
            "binario: d/c.txt: holds another text than the description the run writes there; "
            "the run keeps it and writes and deletes nothing (move it away, or compile it with "
            "binario compile)\n"
            "binario: d/e.txt: cannot be read to tell whether the run wrote it: Input/output "
            "error; the run keeps it and writes and deletes nothing (move it away, or compile it "
            "with binario compile)\n");
}

// Bytes of a description quoted in a message never reach the terminal as
// they are: escape sequences, a bell and a NUL show as \xNN, and the text
// after the NUL is kept.
TEST(Report, ControlBytesOfADescriptionAreShownEscapedAndWhole) {
  const char kFound[] = "found '18\x1b]0;T\x07\x1b[2J5\0x50\xe0'";
  const std::string found(kFound, sizeof kFound - 1);
  Status status;
  status.fault(25, std::nullopt, SourceLocation{"X_linea.txt", 3, 1}, found);
  status.fault(7, 100, SourceLocation{"X_linea.txt", 4, 1}, "x");
  // Built member by member: MinGW's g++ -O3 takes the brace-built
  // temporary's file name for uninitialised.
  RelatedLocation related;
  related.location.file = "X_linea.txt";
  related.location.line = 2;
  related.location.column = 1;
  related.message = "set by '\r\n\t'";
  status.relate_last(std::move(related));
  const std::string shown = "found '18\\x1b]0;T\\x07\\x1b[2J5\\x00x50\xc3\xa0'";
  std::ostringstream err;
  print_text_report(err, status, RunReport{});
  EXPECT_NE(err.str().find(shown), std::string::npos) << err.str();
  EXPECT_NE(err.str().find("set by '\\x0d\\x0a\\x09'"), std::string::npos) << err.str();
  for (const char c : err.str()) EXPECT_TRUE(c == '\n' || static_cast<unsigned char>(c) >= 0x20);

  const nlohmann::json j = nlohmann::json::parse(json_report(status, RunReport{}));
  EXPECT_NE(j["diagnostics"][0]["message"].get<std::string>().find(shown), std::string::npos);
  EXPECT_EQ(j["diagnostics"][1]["related"][0]["message"], "set by '\\x0d\\x0a\\x09'");
}

TEST(Report, JsonCarriesTheSourceLineInUtf8OrNull) {
  Status status;
  status.fault(6, 1920, SourceLocation{"X_linea.txt", 7, 1}, "",
               std::string_view("cartello, 1920, citt\xE0"));
  status.fault(2, std::nullopt, std::nullopt, "entry 81");
  const nlohmann::json j = nlohmann::json::parse(json_report(status, RunReport{}));
  ASSERT_EQ(j["diagnostics"].size(), 2u);
  EXPECT_EQ(j["diagnostics"][0]["source_line"], "cartello, 1920, citt\xC3\xA0");
  EXPECT_EQ(j["diagnostics"][0]["line"], 7);
  EXPECT_TRUE(j["diagnostics"][1]["source_line"].is_null());
}

// A warning, the note of a stop, a later fault with the place of its
// occupant: the text form of each, and the fields JSON adds for them.
TEST(Report, JsonSaysWhereTheKeptPieceOfALongLineStarts) {
  const std::string line = std::string(3000, 'a') + ", 1";
  Status status;
  status.fault(25, std::nullopt, SourceLocation{"X_linea.txt", 2, 2000}, "", line);
  const nlohmann::json j = nlohmann::json::parse(json_report(status, {}));
  const nlohmann::json& d = j["diagnostics"][0];
  EXPECT_EQ(d["source_line"].get<std::string>().size(), kKeptLine);
  EXPECT_EQ(d["source_line_column"], 2000 - static_cast<int>(kKeptBeforeColumn));
  EXPECT_EQ(d["source_line_length"], line.size());

  Status short_status;
  short_status.fault(25, std::nullopt, SourceLocation{"X_linea.txt", 2, 2}, "", "a, 1");
  const nlohmann::json s = nlohmann::json::parse(json_report(short_status, {}))["diagnostics"][0];
  EXPECT_EQ(s["source_line"], "a, 1");
  EXPECT_FALSE(s.contains("source_line_column"));
}

TEST(Report, WarningsNotesAndLaterFaults) {
  Status status;
  status.set_extras(true);
  status.fault(9, 2750, SourceLocation{"X_1-.txt", 22, 1}, "650");
  status.begin_after_stop("X_1-.txt", 22);
  status.warn("speed-rounded", SourceLocation{"X_1-.txt", 23, 1}, "87 is stored as 85",
              std::string_view("velocita, 500, 87"));
  status.fault(16, 1000, SourceLocation{"X_1-.txt", 24, 1}, "taken");
  status.relate_last({SourceLocation{"X_1-.txt", 20, 1}, "placed here"});
  status.end_after_stop();

  std::ostringstream err;
  print_text_report(err, status, RunReport{});
  EXPECT_EQ(err.str(),
            "X_1-.txt:22:1: error 9: station length is not a multiple of 100: 650 (metre 2750)\n"
            "X_1-.txt: note: the compile stopped at line 22; what follows was not compiled\n"
            "X_1-.txt:23:1: warning: 87 is stored as 85 [speed-rounded]\n"
            "   23 | velocita, 500, 87\n"
            "      | ^\n"
            "X_1-.txt:24:1: error 16: signal on a cell that is already taken: taken (metre 1000)\n"
            "X_1-.txt:20:1: note: placed here\n");
  EXPECT_EQ(status.codice_errore(), 9);
  EXPECT_EQ(status.posizione_errore(), 2750);

  const nlohmann::json j = nlohmann::json::parse(json_report(status, RunReport{}));
  const nlohmann::json& d = j["diagnostics"];
  ASSERT_EQ(d.size(), 4u);
  EXPECT_EQ(d[0]["severity"], "error");
  EXPECT_FALSE(d[0].contains("after_stop"));
  EXPECT_EQ(d[1]["severity"], "note");
  EXPECT_EQ(d[2]["severity"], "warning");
  EXPECT_EQ(d[2]["name"], "speed-rounded");
  EXPECT_TRUE(d[2]["code"].is_null());
  EXPECT_EQ(d[2]["after_stop"], true);
  EXPECT_EQ(d[3]["related"][0]["line"], 20);
  EXPECT_FALSE(d[2].contains("fix"));
}

// The fix-it of a misspelling: byte columns on the diagnostic's line, the end
// one past the field, the replacement in UTF-8; the text form is unchanged.
TEST(Report, JsonCarriesTheFixOfAMisspelling) {
  Status status;
  status.set_extras(true);
  status.warn("ignored-field", SourceLocation{"X_linea.txt", 4, 3},
              "ignored field 'pendnza': no record starts with it; did you mean 'pendenza'?",
              std::string_view("  pendnza  , 400, 2"), FixIt{7, "pendenza"});
  status.extend_last({3, 4, 9});
  status.warn("ignored-field", SourceLocation{"X_linea.txt", 0, 0}, "the file", std::nullopt,
              FixIt{7, "pendenza"});
  status.warn("multiline-quote", SourceLocation{"X_linea.txt", 6, 5}, "runs on", std::nullopt);
  status.extend_last({5, 7, 3});
  const nlohmann::json j = nlohmann::json::parse(json_report(status, RunReport{}));
  EXPECT_EQ(j["diagnostics"][0]["fix"],
            (nlohmann::json{
                {"line", 4}, {"column", 3}, {"end_column", 10}, {"replacement", "pendenza"}}));
  EXPECT_FALSE(j["diagnostics"][1].contains("fix"));  // no line to edit
  // The field's end, one past its last byte, and its line when it runs on.
  EXPECT_EQ(j["diagnostics"][0]["end_column"], 10);
  EXPECT_FALSE(j["diagnostics"][0].contains("end_line"));
  EXPECT_FALSE(j["diagnostics"][1].contains("end_column"));
  EXPECT_EQ(j["diagnostics"][2]["end_column"], 4);
  EXPECT_EQ(j["diagnostics"][2]["end_line"], 7);

  std::ostringstream err;
  print_text_report(err, status, RunReport{});
  EXPECT_EQ(err.str().find("fix"), std::string::npos);
}

TEST(Colour, AutoFollowsTheTerminalAndNoColorTheFlagsWin) {
  EXPECT_TRUE(colour_wanted(ColourMode::kAuto, true, nullptr));
  EXPECT_TRUE(colour_wanted(ColourMode::kAuto, true, ""));  // set but empty: ignored
  EXPECT_FALSE(colour_wanted(ColourMode::kAuto, true, "1"));
  EXPECT_FALSE(colour_wanted(ColourMode::kAuto, false, nullptr));
  EXPECT_TRUE(colour_wanted(ColourMode::kAlways, false, "1"));
  EXPECT_FALSE(colour_wanted(ColourMode::kNever, true, nullptr));
}

TEST(Colour, LocationBoldSeverityRedCaretGreenAndTheTextUnchangedWithout) {
  Status status;
  status.fault(15, 99999, SourceLocation{"X_linea.txt", 4, 3}, "", "  pendenza, 99999, 1");
  status.extend_last({3, 4, 10});
  status.fault(101, std::nullopt, std::nullopt, "", std::nullopt);
  const std::string plain =
      "X_linea.txt:4:3: error 15: position lies beyond the track model (metre 99999)\n"
      "    4 |   pendenza, 99999, 1\n"
      "      |   ^~~~~~~~\n"
      "binario: error 101: the line description file does not exist\n";
  auto printed = [&](bool colour) {
    set_colour_diagnostics(colour);
    std::ostringstream err;
    print_text_report(err, status, RunReport{});
    set_colour_diagnostics(false);
    return err.str();
  };
  EXPECT_EQ(printed(false), plain);
  EXPECT_EQ(printed(true),
            "\033[01m\033[KX_linea.txt:4:3:\033[m\033[K \033[01;31m\033[Kerror 15:\033[m\033[K "
            "position lies beyond the track model (metre 99999)\n"
            "    4 |   pendenza, 99999, 1\n"
            "      |   \033[01;32m\033[K^~~~~~~~\033[m\033[K\n"
            "\033[01m\033[Kbinario:\033[m\033[K \033[01;31m\033[Kerror 101:\033[m\033[K the line "
            "description file does not exist\n");
}

}  // namespace
}  // namespace binario
