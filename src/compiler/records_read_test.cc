// The list of what the compile read: records, values, comments and ignored
// fields where the compiler found them, in the cases where reading a text by
// lines and commas goes wrong; and asking for the list changes nothing else.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "compiler/compile.h"

namespace binario {
namespace {

CompileResult compile_read(const std::string& line, const std::string& train, bool records = true) {
  CompileInput input;
  input.line = {"l.txt", line, std::nullopt, false};
  input.train = {"t.txt", train, std::nullopt, false};
  input.records_read = records;
  return compile(input);
}

const char* const kLine =
    "[generale]\n"
    "lunghezza percorso, 6000\n"
    "[pendenze]\n"
    "pendenza, 400, 2\n"
    "[fine]\n"
    "[fine]\n";

std::string train(const std::string& records) {
  return "[generale]\n" + records + "[fine]\n[fine]\n";
}

// "LINE:FIRST-LAST_LINE:LAST" for a span.
std::string at(const TextSpan& s) {
  return std::to_string(s.line) + ":" + std::to_string(s.first_column) + "-" +
         std::to_string(s.last_line) + ":" + std::to_string(s.last_column);
}

std::vector<std::string> texts(const TextFields& fields) {
  std::vector<std::string> out;
  for (const TextField& f : fields) out.push_back(std::string(f.text) + "@" + at(f.span));
  return out;
}

std::vector<int64_t> cells_of(const RecordRead& r) {
  return {r.cells.begin(), r.cells.end()};
}

using Strings = std::vector<std::string>;

TEST(RecordsRead, RecordsValuesAndCellsWhereTheCompilerReadThem) {
  const std::string line =
      "Linea di prova\n"
      "[generale]\n"
      "lunghezza percorso, 6000\n"
      "[pendenze]\n"
      "- pendenze -, pendenza, 400, 2\n"
      "indicatori_vmax, 1000, 100, 90, 80, 1\n"
      "  100, 90, 80, 2\n"
      "cartello indicatore, 2950, \"Km. 3,0\"\n"
      "[fine]\n"
      "[fine]\n";
  const CompileResult r = compile_read(line, train("velocita, 500, 90\n"));
  ASSERT_TRUE(r.records);
  const DescriptionRead& l = r.records->line;
  EXPECT_TRUE(l.read);
  EXPECT_EQ(texts(l.before_section), Strings{"Linea di prova@1:1-1:14"});
  EXPECT_EQ(texts(l.headers), (Strings{"[generale]@2:1-2:10", "[pendenze]@4:1-4:10"}));
  // A comment before a record on the same line is passed over.
  EXPECT_EQ(texts(l.comments), Strings{"- pendenze -@5:1-5:12"});
  // The body has no headers: its "[fine]" is read as a keyword, and the
  // last field of the text is never read.
  EXPECT_EQ(texts(l.ignored), Strings{"[fine]@9:1-9:6"});
  ASSERT_EQ(l.records.size(), 4u);

  EXPECT_EQ(l.records[0].kind, RecordKind::kLineLength);
  EXPECT_EQ(at(l.records[0].keyword.span), "3:1-3:18");
  EXPECT_EQ(l.records[0].values[0].number, 6000);
  EXPECT_TRUE(l.records[0].cells.empty());

  const RecordRead& gradient = l.records[1];
  EXPECT_EQ(gradient.kind, RecordKind::kGradient);
  EXPECT_EQ(at(gradient.keyword.span), "5:15-5:22");
  ASSERT_EQ(gradient.values.size(), 2u);
  EXPECT_EQ(at(gradient.values[0].span), "5:25-5:27");
  EXPECT_EQ(cells_of(gradient), std::vector<int64_t>{8});  // a span: nearest(400 / 50)

  // Values that run onto the next line belong to their record.
  const RecordRead& board = l.records[2];
  EXPECT_EQ(board.kind, RecordKind::kSpeedBoard);
  ASSERT_EQ(board.values.size(), 9u);
  EXPECT_TRUE(board.complete);
  EXPECT_EQ(at(board.values[5].span), "7:3-7:5");
  EXPECT_EQ(board.values[8].number, 2);
  EXPECT_EQ(cells_of(board), std::vector<int64_t>{21});  // a point: nearest(1000 / 50 + 1)

  // A quoted text keeps its comma, and its span covers the quotes.
  const RecordRead& sign = l.records[3];
  ASSERT_EQ(sign.values.size(), 2u);
  EXPECT_EQ(sign.values[1].text, "Km. 3,0");
  EXPECT_FALSE(sign.values[1].number);
  EXPECT_EQ(at(sign.values[1].span), "8:28-8:36");
  EXPECT_EQ(cells_of(sign), std::vector<int64_t>{60});

  EXPECT_EQ(r.records->train.records.size(), 1u);
  EXPECT_EQ(cells_of(r.records->train.records[0]), std::vector<int64_t>{10});
}

TEST(RecordsRead, CommentsAndIgnoredFieldsAsTheSectionReadsThem) {
  // A hyphen anywhere makes a comment; the body passes over two in a row
  // and reads the third as a keyword, which no record takes.
  const CompileResult r =
      compile_read(kLine, train("a-b, c - d, - e -, velocita, 0, 30\npendnza, 900, 1\n"
                                "progressiva uno due, 7\n"));
  const DescriptionRead& t = r.records->train;
  EXPECT_EQ(texts(t.comments), (Strings{"a-b@2:1-2:3", "c - d@2:6-2:10"}));
  EXPECT_EQ(texts(t.ignored),
            (Strings{"- e -@2:13-2:17", "pendnza@3:1-3:7", "900@3:10-3:12", "1@3:15-3:15",
                     "progressiva uno due@4:1-4:19", "7@4:22-4:22", "[fine]@5:1-5:6"}));
  ASSERT_EQ(t.records.size(), 1u);
  EXPECT_EQ(t.records[0].kind, RecordKind::kSpeedLimit);
  EXPECT_EQ(at(t.records[0].keyword.span), "2:20-2:27");

  // One field holding the key texts of two records reads both, in table order.
  const std::string line = std::string(kLine).replace(std::string(kLine).find("[pendenze]"), 10,
                                                      "sfondo due uno, 3, 4\n[pendenze]");
  const CompileResult both = compile_read(line, train(""));
  const DescriptionRead& l = both.records->line;
  ASSERT_EQ(l.records.size(), 4u);
  EXPECT_EQ(l.records[1].kind, RecordKind::kBackgroundUno);
  EXPECT_EQ(l.records[2].kind, RecordKind::kBackgroundDue);
  EXPECT_EQ(l.records[1].keyword.span.line, l.records[2].keyword.span.line);
  EXPECT_EQ(l.records[2].values[0].number, 4);
}

TEST(RecordsRead, StopsAndReadFailuresAreMarked) {
  const std::string signal = "segnale, 1500, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\n";
  // The second signal clashes and stops the train; the third is read after the stop.
  const CompileResult r =
      compile_read(kLine, train(signal + signal + "velocita, 2000, 80\nvelocita, 2500, x\n"));
  const auto& records = r.records->train.records;
  ASSERT_EQ(records.size(), 4u);
  EXPECT_FALSE(records[1].after_stop);
  EXPECT_TRUE(records[2].after_stop);
  EXPECT_TRUE(records[2].complete);
  // A value that cannot be read leaves its record incomplete, without cells.
  EXPECT_FALSE(records[3].complete);
  EXPECT_EQ(records[3].values.size(), 1u);
  EXPECT_TRUE(records[3].cells.empty());
  // A refused line: the train is never read.
  const CompileResult refused = compile_read("[generale]\nlunghezza percorso, 2000000\n", "");
  EXPECT_TRUE(refused.records->line.read);
  EXPECT_FALSE(refused.records->train.read);
}

TEST(RecordsRead, AskingChangesNothingElse) {
  const std::string train_text = train(
      "velocita, 0, 30\nsegnale, 1500, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0\n"
      "rallentamento, 3000, 30, 300, 0, 1, 0\nstazone, 5\n"
      "stazione, 0, 8, 400, 1, 0, 0, 4, 1, 0, 2, 1, 1, 1, 7, 30, 0, VALDORIA\n");
  const CompileResult with = compile_read(kLine, train_text, true);
  const CompileResult without = compile_read(kLine, train_text, false);
  EXPECT_FALSE(without.records);
  EXPECT_EQ(with.status.codice_errore(), without.status.codice_errore());
  ASSERT_EQ(with.status.diagnostics().size(), without.status.diagnostics().size());
  for (size_t i = 0; i < with.status.diagnostics().size(); ++i) {
    EXPECT_EQ(format_diagnostic(with.status.diagnostics()[i]),
              format_diagnostic(without.status.diagnostics()[i]));
  }
  ASSERT_EQ(with.model.percorso.size(), without.model.percorso.size());
  for (size_t j = 0; j < with.model.percorso.size(); ++j) {
    EXPECT_EQ(with.model.percorso[j].tipo, without.model.percorso[j].tipo) << j;
    EXPECT_EQ(with.model.percorso[j].valore1, without.model.percorso[j].valore1) << j;
  }
  // The slowdown's cells: warning board, start, end.
  const RecordRead& slowdown = with.records->train.records[2];
  EXPECT_EQ(cells_of(slowdown), (std::vector<int64_t>{37, 61, 67}));
  const RecordRead& station = with.records->train.records[3];
  EXPECT_EQ(station.values.back().text, "VALDORIA");
  EXPECT_EQ(cells_of(station), std::vector<int64_t>{7});  // kind 8: (0 + 400) / 50 - 1
}

// Without the geometry's points the curves are read and checked all the
// same: the same faults at the same places, the same records read, the same
// cells; only the geometry is empty.
TEST(RecordsRead, CurvesWithoutTheGeometryPoints) {
  const auto compile_curves = [](const std::string& body, bool points) {
    CompileInput input;
    input.line = {"l.txt",
                  "[generale]\nlunghezza percorso, 1000000\n[pendenze]\n" + body + "[fine]\n",
                  std::nullopt, false};
    input.train = {"t.txt", train("velocita, 0, 30\n"), std::nullopt, false};
    input.records_read = true;
    input.with_geometry = true;
    input.geometry_points = points;
    return compile(input);
  };
  const std::string bodies[] = {
      "curvas2, 700, 100\npendenza, 300, 4\ncurvad3, 1150, 300\ncurvad1, 999000, 999\n",
      "curvas2, 700, 100\ncurvas, 900, 100\npendenza, 300, 4\n",      // no class digit
      "pendenza, 300, 4\ncurvad1, 999000, 1000\npendenza, 900, 4\n",  // past point 1,000,000
  };
  for (const std::string& body : bodies) {
    SCOPED_TRACE(body);
    const CompileResult with = compile_curves(body, true);
    const CompileResult without = compile_curves(body, false);
    EXPECT_TRUE(with.model.linea.allocated());
    EXPECT_EQ(without.model.linea.filled(), 0u);
    EXPECT_EQ(with.status.codice_errore(), without.status.codice_errore());
    EXPECT_EQ(with.status.posizione_errore(), without.status.posizione_errore());
    ASSERT_EQ(with.status.diagnostics().size(), without.status.diagnostics().size());
    for (size_t i = 0; i < with.status.diagnostics().size(); ++i) {
      EXPECT_EQ(format_diagnostic(with.status.diagnostics()[i]),
                format_diagnostic(without.status.diagnostics()[i]));
    }
    ASSERT_EQ(with.model.percorso.size(), without.model.percorso.size());
    for (size_t j = 0; j < with.model.percorso.size(); ++j) {
      ASSERT_EQ(with.model.percorso[j].pendenza, without.model.percorso[j].pendenza) << j;
      ASSERT_EQ(with.model.percorso[j].tipo, without.model.percorso[j].tipo) << j;
    }
    const auto kinds = [](const CompileResult& r) {
      std::vector<std::pair<RecordKind, std::string>> out;
      for (const RecordRead& record : r.records->line.records) {
        out.emplace_back(record.kind, at(record.keyword.span));
      }
      return out;
    };
    EXPECT_EQ(kinds(with), kinds(without));
  }
  const CompileResult curves = compile_curves(bodies[0], false);
  const std::deque<RecordRead>& read = curves.records->line.records;
  EXPECT_EQ(std::count_if(read.begin(), read.end(),
                          [](const RecordRead& r) { return r.kind == RecordKind::kCurve; }),
            3);
  EXPECT_NE(compile_curves(bodies[1], false).status.codice_errore(), 0);
  EXPECT_NE(compile_curves(bodies[2], false).status.codice_errore(), 0);
}

// The list keeps its own copies of the texts: it is read after the
// description has changed or gone (the editor keeps it while the author
// types), and copies of it share what they point into.
TEST(RecordsRead, OutlivesTheTextItWasReadFrom) {
  std::optional<RecordsRead> kept;
  {
    std::string train_text =
        train("velocita, 0, 30\nstazione, 0, 8, 400, 1, 0, 0, 4, 1, 0, 2, 1, 1, 1, 7, 30, 0, " +
              std::string(40000, 'V') + "\n- a comment\nstazone, 5\n");
    CompileResult r = compile_read(kLine, train_text);
    std::fill(train_text.begin(), train_text.end(), 'x');
    kept = *r.records;  // a copy; r and its list go at the end of the block
  }
  const DescriptionRead& t = kept->train;
  ASSERT_EQ(t.records.size(), 2u);
  EXPECT_EQ(t.records[0].keyword.text, "velocita");
  EXPECT_EQ(t.records[0].values[1].text, "30");
  EXPECT_EQ(t.records[1].values.size(), 17u);
  EXPECT_EQ(t.records[1].values.back().text, std::string(40000, 'V'));
  EXPECT_EQ(texts(t.ignored), (Strings{"stazone@5:1-5:7", "5@5:10-5:10", "[fine]@6:1-6:6"}));
}

// A record's values stay side by side, and every value and text handed out
// stays where it is, however many records follow and whatever their size.
TEST(RecordsRead, ValuesOfManyRecordsStayInPlace) {
  DescriptionRead d;
  const RecordKind kind = records_table()[0].kind;
  std::vector<const ValueRead*> first_values;
  for (int i = 0; i < 20000; ++i) {
    d.start_record(kind, d.field({i + 1, 1, i + 1, 3}, "key"), false);
    // More values than the record's kind holds move the record's values to a
    // larger room.
    const int count = i % 7 == 0 ? 40 : 2;
    for (int v = 0; v < count; ++v) {
      d.add_value({i + 1, 5 + v, i + 1, 5 + v}, std::to_string(i * 100 + v), i * 100 + v);
    }
    first_values.push_back(&d.records.back().values[0]);
  }
  for (int i = 0; i < 20000; ++i) {
    const RecordRead& r = d.records[static_cast<size_t>(i)];
    ASSERT_EQ(r.values.size(), i % 7 == 0 ? 40u : 2u) << i;
    EXPECT_EQ(&r.values[0], first_values[static_cast<size_t>(i)]) << i;
    for (size_t v = 0; v < r.values.size(); ++v) {
      ASSERT_EQ(r.values[v].number, i * 100 + static_cast<int>(v)) << i;
      ASSERT_EQ(r.values[v].text, std::to_string(i * 100 + static_cast<int>(v))) << i;
    }
    EXPECT_EQ(r.keyword.text, "key");
  }
}

// A list that borrows its description's text points into it for the fields
// that lie inside it and copies every other text, even one that only begins
// there; and a value's number is kept apart from its absence at every number
// a text can give, 0 and the largest of either sign included.
TEST(RecordsRead, BorrowedTextsAndNumbers) {
  const std::string source = "pendenza, 400, 2\n";
  DescriptionRead d;
  d.borrow_texts_of(std::string_view(source).substr(0, 14));
  const std::string_view inside = std::string_view(source).substr(10, 3);
  const std::string_view straddling = std::string_view(source).substr(10, 6);
  std::string elsewhere = "velocita";
  d.start_record(records_table()[0].kind, d.field({1, 1, 1, 8}, source.substr(0, 8)), false);
  d.add_value({1, 11, 1, 13}, inside, 0);
  d.add_value({1, 11, 1, 16}, straddling, -4294967296);
  d.add_value({1, 1, 1, 8}, elsewhere, std::nullopt);
  d.add_value({1, 1, 1, 1}, "", 4294967296);
  elsewhere.assign(elsewhere.size(), 'x');

  const RecordRead& r = d.records.back();
  EXPECT_EQ(r.keyword.text, "pendenza");
  EXPECT_EQ(r.values[0].text.data(), inside.data());
  EXPECT_NE(r.values[1].text.data(), straddling.data());
  EXPECT_EQ(r.values[1].text, straddling);
  EXPECT_EQ(r.values[2].text, "velocita");
  ASSERT_TRUE(r.values[0].number.has_value());
  EXPECT_EQ(*r.values[0].number, 0);
  EXPECT_EQ(r.values[1].number.value_or(0), -4294967296);
  EXPECT_FALSE(r.values[2].number);
  EXPECT_EQ(std::optional<int64_t>(r.values[2].number), std::nullopt);
  EXPECT_EQ(r.values[3].number, 4294967296);
}

}  // namespace
}  // namespace binario
