#include "compiler/line_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/fixed_width.h"

namespace binario {
namespace {

constexpr std::string_view kLength = "lunghezza percorso,    82000\r\n";

// A line description: the general section is lines 2.., the body starts on
// the line after "[pendenze]" (line 4 with the default general section).
std::string text(std::string_view body, std::string_view general = kLength) {
  return "[generale]   \r\n" + std::string(general) + "[pendenze]\r\n" + std::string(body) +
         "[fine]\r\nriferimento fine del file\r\n";
}

struct Parsed {
  TrackModel model;
  Status status;
  LineParser::Outcome outcome{};
  explicit Parsed(std::string_view source, bool geometry = false) {
    FieldReader reader(source);
    outcome = LineParser(model, status, reader, "z_linea.txt", geometry).parse();
  }
  const Cella& cell(size_t j) const { return model.percorso.at(j); }
};

void expect_fault(const Parsed& r, int code, std::optional<int> position, int line, int column) {
  ASSERT_FALSE(r.status.diagnostics().empty());
  const Diagnostic& d = r.status.diagnostics().back();
  EXPECT_EQ(r.status.codice_errore(), code);
  EXPECT_EQ(d.position, position);
  EXPECT_EQ(r.status.posizione_errore(), position.value_or(0));
  ASSERT_TRUE(d.location.has_value());
  EXPECT_EQ(d.location->file, "z_linea.txt");
  EXPECT_EQ(d.location->line, line);
  EXPECT_EQ(d.location->column, column);
}

TEST(LineParserGeneral, SizesTheModelAndFillsTheReservedEntries) {
  Parsed r(text("",
                "  Lunghezza PERCORSO, 82000\r\nProgressiva chilometrica uno, 9, 9, 9\r\n"
                "sfondo uno tre, 1, 3\r\nsfondo due, 2\r\n"
                "ripetizione segnali 4 codici, -50, 79150\r\n"),
           true);
  EXPECT_EQ(r.outcome, LineParser::Outcome::kReadTrain);
  EXPECT_EQ(r.model.last_cell(), 1780);
  EXPECT_EQ(r.model.linea.last(), 89000);
  EXPECT_EQ(r.model.treno[kTrainParameters].fine, 82000);
  EXPECT_EQ(r.model.treno[kChainageUno].inizio, 0);  // "Progressiva" is case-sensitive
  const VoceTreno& scenario = r.model.treno[kScenarioEntry];
  EXPECT_EQ(scenario.inizio, 1);  // one field matching two rows reads both
  EXPECT_EQ(scenario.fine, 3);
  EXPECT_EQ(scenario.posizione, 2);
  const VoceTreno& train = r.model.treno[kTrainEntry];
  EXPECT_EQ(train.inizio, -50);
  EXPECT_EQ(train.fine, 79150);
  EXPECT_EQ(train.posizione, 4);

  EXPECT_EQ(Parsed("x\r\n[GENERALE]\r\nlunghezza percorso, 1025\r\n[a]\r\n").model.last_cell(),
            160);
  EXPECT_EQ(Parsed(text("", "lunghezza percorso, 1075\r\nripetizione segnali 9, 0, 0\r\n"))
                .model.treno[kTrainEntry]
                .posizione,
            0);
}

TEST(LineParserGeneral, RefusalsOfTheGeneralSection) {
  Parsed no_section("Percorso\r\n\r\ninizio_dati  \r\n");
  EXPECT_EQ(no_section.outcome, LineParser::Outcome::kStopped);
  expect_fault(no_section, 102, std::nullopt, 4, 1);
  expect_fault(Parsed("a,\r\n  [generale]"), 102, std::nullopt, 2, 13);

  expect_fault(Parsed(text("", "\r\nlunghezza percorso, 1000001\r\n")), 1, std::nullopt, 3, 1);
  expect_fault(Parsed(text("", "ripetizione segnali 4, 4660, 0\r\n")), 3, std::nullopt, 2, 1);
  expect_fault(Parsed(text("", "ripetizione segnali 9, 50, -10\r\n")), 4, std::nullopt, 2, 1);
  Parsed no_codes(text("", std::string(kLength) + "  ripetizione segnali, 0, 0\r\n"));
  EXPECT_EQ(no_codes.outcome, LineParser::Outcome::kStopped);
  expect_fault(no_codes, 5, std::nullopt, 3, 3);
}

TEST(LineParserGeneral, ReadFailures) {
  EXPECT_THROW(Parsed(""), ReadFailure);
  EXPECT_THROW(Parsed(text("", "sfondo uno, 1\r\n")), ReadFailure);  // no length
  EXPECT_THROW(Parsed("[generale]\r\nsfondo uno, 1\r\n"), ReadFailure);
  EXPECT_THROW(Parsed(text("", "lunghezza percorso, -6975\r\n")), ReadFailure);  // U = 0
  EXPECT_EQ(Parsed(text("", "lunghezza percorso, -6925\r\n")).model.last_cell(), 2);
  // A comment run that reaches the end inside the general section.
  EXPECT_THROW(Parsed("[generale]\r\nlunghezza percorso, 1000\r\n- a\r\n- b\r\n"), ReadFailure);
  EXPECT_THROW(Parsed(text("indicatori_vmax, 800, 0, 0, 0, 40000, 0, 0, 0, 0\r\n")), ReadFailure);
  try {
    Parsed(text("", std::string(kLength) + "progressiva chilometrica tre, 1, 2147483600, 1\r\n"));
    ADD_FAILURE() << "a chainage beyond 32 bits was accepted";
  } catch (const ReadFailure& f) {
    EXPECT_EQ(f.where().line, 3);
  }
}

// A value of the general section that is no number is named as the author
// would look for it; the values read before it stay stored.
TEST(LineParserGeneral, AValueThatIsNoNumberIsNamedByItsPlaceInTheRecord) {
  struct Case {
    std::string general;
    std::string name;
  };
  const std::string length(kLength);
  const Case cases[] = {
      {"lunghezza percorso, x\r\n", "the length of the line"},
      {length + "progressiva chilometrica tre, x, 0, 0\r\n", "the key of chainage reference tre"},
      {length + "progressiva chilometrica due, 0, x, 0\r\n",
       "the chainage of chainage reference due"},
      {length + "progressiva chilometrica uno, 7, 800, x\r\n",
       "the flag of chainage reference uno"},
      {length + "sfondo uno, x\r\n", "background selector uno"},
      {length + "sfondo due, x\r\n", "background selector due"},
      {length + "sfondo tre, x\r\n", "background selector tre"},
      {length + "ripetizione segnali 4 codici, x, 100\r\n", "the start of signal repetition"},
      {length + "ripetizione segnali 4 codici, 100, x\r\n", "the end of signal repetition"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.general);
    try {
      Parsed r(text("", c.general));
      ADD_FAILURE() << "no read failure";
    } catch (const ReadFailure& f) {
      EXPECT_NE(f.message().find(c.name), std::string::npos) << f.message();
    }
  }
  TrackModel model;
  Status status;
  const std::string source = text("", length + "progressiva chilometrica uno, 7, 800, x\r\n");
  FieldReader reader(source);
  EXPECT_THROW(LineParser(model, status, reader, "z_linea.txt", false).parse(), ReadFailure);
  EXPECT_EQ(model.treno[kChainageUno].inizio, 7);
  EXPECT_EQ(model.treno[kChainageUno].fine, 800);
}

TEST(LineParserGeneral, TenCommentsInARowArePassedOver) {
  // The eleventh comment in a row is read as a keyword; as it begins with a
  // hyphen, its brackets do not close the section.
  std::string general;
  for (int i = 0; i < 10; ++i) general += "- nota [" + std::to_string(i) + "]\r\n";
  general += "\"  -lunghezza percorso [m]\", 1000\r\nsfondo due, 7\r\n";
  Parsed r(text("", general));
  EXPECT_EQ(r.model.last_cell(), 160);
  EXPECT_EQ(r.model.treno[kScenarioEntry].posizione, 7);
}

TEST(ProgressiveOrdina, SortsTheThreeReferences) {
  struct Case {
    std::array<std::array<int32_t, 3>, 3> in;    // tre, due, uno: key, chainage, flag
    std::array<std::array<int32_t, 3>, 3> want;  // entries 81, 82, 83
  };
  const Case cases[] = {
      {{{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}, {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
      {{{{5000, 1, 0}, {5000, 2, 0}, {0, 3, 0}}}, {{{0, 0, 0}, {0, 0, 0}, {0, 0, 0}}}},
      {{{{0, 1, 0}, {8000, 2, 0}, {3000, 3, 1}}}, {{{8000, 2, 0}, {3000, 103, 1}, {0, 1, 0}}}},
      {{{{9, 1, 0}, {1, 2, 0}, {1, 3, 0}}}, {{{9, 1, 0}, {1, 3, 0}, {1, 2, 0}}}},
      {{{{0, 0, 0}, {0, 7, 1}, {0, 0, 0}}}, {{{0, 107, 1}, {0, 0, 0}, {0, 0, 0}}}},
      {{{{0, 4, 0}, {0, 5, 0}, {0, 6, 0}}}, {{{0, 6, 0}, {0, 5, 0}, {0, 4, 0}}}},
  };
  for (const Case& c : cases) {
    TrackModel m;
    for (int e = 0; e < 3; ++e) {
      m.treno[kChainageTre + e].inizio = c.in[e][0];
      m.treno[kChainageTre + e].fine = c.in[e][1];
      m.treno[kChainageTre + e].posizione = c.in[e][2];
    }
    progressive_ordina(m);
    for (int e = 0; e < 3; ++e) {
      const VoceTreno& v = m.treno[kChainageTre + e];
      EXPECT_EQ((std::array<int32_t, 3>{v.inizio, v.fine, v.posizione}), c.want[e])
          << "entry " << kChainageTre + e << ", keys " << c.in[0][0] << " " << c.in[1][0] << " "
          << c.in[2][0];
    }
  }
}

TEST(LineParserBody, Gradients) {
  Parsed r(text("pendenza  , 300    , 4\r\npendenza, 300, 5\r\npendenza, 375, -3\r\n"));
  for (int j = 0; j <= 5; ++j) EXPECT_EQ(r.cell(j).pendenza, 100) << j;
  EXPECT_EQ(r.cell(6).pendenza, 104);  // the same place again still writes a cell
  EXPECT_EQ(r.cell(7).pendenza, 105);
  EXPECT_EQ(r.cell(8).pendenza, 97);  // 375 starts in cell 8
  EXPECT_EQ(r.cell(1777).pendenza, 97);
  for (int j = 1778; j <= 1780; ++j) EXPECT_EQ(r.cell(j).pendenza, 0) << j;

  Parsed half(text("pendenza, 325, 2\r\n"));  // 325 starts in cell 6
  EXPECT_EQ(half.cell(5).pendenza, 100);
  EXPECT_EQ(half.cell(6).pendenza, 102);
}

TEST(LineParserBody, EndOfTheText) {
  // A general section that is the last thing in the text: an empty body.
  Parsed bare("[generale]\r\nlunghezza percorso, 1000\r\n", true);
  EXPECT_EQ(bare.outcome, LineParser::Outcome::kReadTrain);
  EXPECT_EQ(bare.cell(157).pendenza, 100);
  EXPECT_EQ(bare.model.linea.filled(), 7999u);
  EXPECT_EQ(bare.model.linea.coordinates()[7998].y, 7998.0);

  // A gradient on the last line is applied; a keyword that is the last field is not.
  EXPECT_EQ(Parsed("[generale]\r\nlunghezza percorso, 1000\r\n[a]\r\npendenza, 300, 4\r\n")
                .cell(6)
                .pendenza,
            104);
  Parsed last_keyword("[generale]\r\nlunghezza percorso, 1000\r\n[a]\r\ncartello indicatore\r\n");
  EXPECT_EQ(last_keyword.outcome, LineParser::Outcome::kReadTrain);
}

TEST(LineParserBody, Comments) {
  Parsed r(text("- signa\r\n-montelupo\r\n-pendenza, 300, 4\r\nsfondo uno, 1\r\n- a\r\n"
                "curva-s2, 700, 100\r\n"),
           true);
  EXPECT_EQ(r.outcome, LineParser::Outcome::kReadTrain);
  EXPECT_EQ(r.cell(6).pendenza, 104);  // the third comment in a row is a keyword
  EXPECT_EQ(r.model.treno[kScenarioEntry].inizio, 0);
  EXPECT_EQ(r.model.linea.coordinates()[800].x, 0.0);  // a hyphenated curve keyword is a comment
}

TEST(LineParserBody, Geometry) {
  Parsed r(text("curvas2,   700,  100\r\ncurvas3, 1100, 50\r\ncurvad3,  1150,  300\r\ncurvad6, "
                "2000, 1000\r\n"),
           true);
  const Linea& linea = r.model.linea;
  EXPECT_EQ(linea.tag(1), Tag::kInteger);
  const std::vector<Linea::Point> p = linea.coordinates();
  const auto x = [&p](size_t k) { return p[k].x; };
  const auto y = [&p](size_t k) { return p[k].y; };
  EXPECT_EQ(y(700), 700.0);
  EXPECT_EQ(x(700), 0.0);
  EXPECT_EQ(x(701), -0.0002);
  EXPECT_EQ(y(701), 701.0);
  const double heading = std::atan2(x(800) - x(799), y(800) - y(799));
  EXPECT_NEAR(heading, -0.02, 1e-6);
  // Each turned point is grouped as x1 + (d0 + k d1), y1 + (d1 - k d0), to the
  // last bit; the right-hand curve begins at point 1151, right after the left one.
  for (size_t k = 701; k <= 3000; ++k) {
    const double kappa = k <= 800    ? -0.0002
                         : k <= 1100 ? 0
                         : k <= 1150 ? -0.0004
                         : k <= 1450 ? 0.0004
                         : k <= 2000 ? 0
                                     : 0.003;
    const double d0 = x(k - 1) - x(k - 2), d1 = y(k - 1) - y(k - 2);
    ASSERT_EQ(x(k), x(k - 1) + (kappa == 0 ? d0 : d0 + kappa * d1)) << k;
    ASSERT_EQ(y(k), y(k - 1) + (kappa == 0 ? d1 : d1 - kappa * d0)) << k;
  }
  EXPECT_EQ(linea.tag(88998), Tag::kDouble);
  EXPECT_EQ(linea.tag(88999), Tag::kEmpty);

  Parsed lowest_digit(text("curvas12, 10, 5\r\n"), true);
  EXPECT_EQ(lowest_digit.model.linea.coordinates()[11].x, -0.0001);

  // Without the geometry a curve line is not recognised at all.
  Parsed flat(text("curva, 700, 100\r\npendenza, 300, 4\r\n"), false);
  EXPECT_EQ(flat.outcome, LineParser::Outcome::kReadTrain);
  EXPECT_FALSE(flat.model.linea.allocated());
  EXPECT_EQ(flat.cell(6).pendenza, 104);

  // A curve past the end of the geometry fills it to its last point only.
  Parsed past(text("curvad1, 7000, 5000\r\n", "lunghezza percorso, 1000\r\n"), true);
  EXPECT_EQ(past.outcome, LineParser::Outcome::kReadTrain);
  EXPECT_EQ(past.model.linea.filled(), 8001u);
}

TEST(LineParserBody, CurveRefusals) {
  Parsed no_class(text("\r\n  curvas, 700, 100\r\n"), true);
  EXPECT_EQ(no_class.outcome, LineParser::Outcome::kStopped);
  expect_fault(no_class, 103, std::nullopt, 5, 3);

  // The point counter may reach 1,000,000 but not pass it.
  const std::string longest = "lunghezza percorso, 1000000\r\n";
  EXPECT_EQ(Parsed(text("curvad1, 999000, 999\r\n", longest), true).outcome,
            LineParser::Outcome::kReadTrain);
  Parsed too_long(text("curvad1, 999000, 1000\r\n", longest), true);
  EXPECT_EQ(too_long.outcome, LineParser::Outcome::kStopped);
  expect_fault(too_long, 103, std::nullopt, 4, 1);
  EXPECT_EQ(too_long.model.linea.filled(), 1'000'001u);
}

TEST(LineParserBody, Mountains) {
  Parsed r(
      text("montagna, 0, 1000, 12\r\nmontagna, 1150, 1300, 1\r\nmontagna, 1451, 1600, 2\r\n"
           "montagna, 88000, 2000000000, 1\r\n"));
  for (int j = 0; j <= 19; ++j) {
    EXPECT_EQ(r.cell(j).montagna, 2) << j;
    EXPECT_EQ(r.cell(j).tipo, j % 4 == 3 ? kMountainMarker : kNone) << j;
  }
  EXPECT_EQ(r.cell(20).montagna, 0);
  EXPECT_EQ(r.cell(23).montagna, 3);  // 150 m after the previous span: joined
  EXPECT_EQ(r.cell(29).montagna, 2);  // 151 m after: its own kind
  EXPECT_EQ(r.cell(1780).montagna, 1);

  // Cells before the track are skipped; markers count from the span's own start.
  Parsed clipped(text("montagna, -50, 400, 11\r\n"));
  EXPECT_EQ(clipped.cell(0).montagna, 1);
  EXPECT_EQ(clipped.cell(7).montagna, 1);
  EXPECT_EQ(clipped.cell(2).tipo, kMountainMarker);
  EXPECT_EQ(clipped.cell(3).tipo, kNone);
  EXPECT_EQ(clipped.cell(6).tipo, kMountainMarker);
}

// Mountain spans, each written cell by cell in the order read, as the kinds
// and markers must come out however the spans overlap; a speed board on a
// taken cell stops the description with the model as it was before it.
struct NaiveMountains {
  std::vector<Cella> cells;
  int64_t spans = 0;
  int64_t previous_end = 0;
  bool stopped = false;

  explicit NaiveMountains(size_t n) : cells(n) {}
  void span(int64_t inizio, int64_t fine, int64_t tipo) {
    const bool markers = tipo > 10;
    if (markers) tipo -= 10;
    if (++spans > 1 && inizio - previous_end <= 150) tipo = 3;
    previous_end = fine;
    const int64_t first = span_cell(inizio);
    const int64_t last = nearest(static_cast<double>(fine) / 50.0 - 1.0);
    for (int64_t j = std::max<int64_t>(first, 0);
         j <= std::min<int64_t>(last, static_cast<int64_t>(cells.size()) - 1); ++j) {
      Cella& c = cells[static_cast<size_t>(j)];
      c.montagna = low8(tipo);
      if (markers && (j - first + 1) % 4 == 0 && c.tipo == kNone) c.tipo = kMountainMarker;
    }
  }
  void board(int64_t p) {
    Cella& c = cells[static_cast<size_t>(point_cell(p))];
    if (is_free(c)) {
      c.tipo = kSpeedBoard;
    } else {
      stopped = true;
    }
  }
};

TEST(LineParserBody, OverlappingMountainSpansAsIfWrittenInOrder) {
  std::mt19937 random(7);
  auto pick = [&random](int64_t lo, int64_t hi) {
    return std::uniform_int_distribution<int64_t>(lo, hi)(random);
  };
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE(round);
    std::string body;
    NaiveMountains naive(static_cast<size_t>(last_cell_for_length(6000)) + 1);
    for (int record = pick(1, 30); record > 0; --record) {
      if (pick(0, 5) == 0) {
        const int64_t p = pick(0, 110) * 50;
        body += "indicatori_vmax, " + std::to_string(p) + ", 90, 90, 90, 0, 0, 0, 0, 0\r\n";
        if (!naive.stopped) naive.board(p);
        continue;
      }
      const int64_t inizio = pick(-500, 5800), fine = inizio + pick(-100, 14000);
      const int64_t tipo = std::array<int64_t, 6>{1, 2, 3, 11, 12, 13}[pick(0, 5)];
      body += "montagna, " + std::to_string(inizio) + ", " + std::to_string(fine) + ", " +
              std::to_string(tipo) + "\r\n";
      if (!naive.stopped) naive.span(inizio, fine, tipo);
    }
    const std::string source = text(body, "lunghezza percorso, 6000\r\n");
    // With the diagnostics the compile reads on after a stop, then gives the
    // model back as it was at the stop.
    for (bool extras : {false, true}) {
      TrackModel model;
      Status status;
      status.set_extras(extras);
      FieldReader reader(source);
      LineParser(model, status, reader, "z_linea.txt", false).parse();
      ASSERT_EQ(model.percorso.size(), naive.cells.size());
      for (size_t j = 0; j < naive.cells.size(); ++j) {
        ASSERT_EQ(model.percorso[j].montagna, naive.cells[j].montagna) << j << "\n" << body;
        ASSERT_EQ(model.percorso[j].tipo, naive.cells[j].tipo) << j << "\n" << body;
      }
    }
  }
}

TEST(LineParserBody, Boards) {
  Parsed r(
      text("montagna, 700, 1000, 11\r\n"
           "indicatori_vmax, 800, 105, 115, 120, 1, 0, 0, 120, 2\r\n"
           "cartello indicatore,  18550,    (  Km. ) (18.600)\r\n"
           "cartello indicatore, 1000, \"(a, b)\"\r\ncartello indicatore, 1100, c\r\n"));
  EXPECT_EQ(r.outcome, LineParser::Outcome::kReadTrain);
  const Cella& board = r.cell(17);  // over a mountain marker
  EXPECT_EQ(board.tipo, kSpeedBoard);
  EXPECT_EQ(board.valore1, 2100);
  EXPECT_EQ(board.valore2, 2300);
  EXPECT_EQ(board.valore3, 2424);
  EXPECT_EQ(board.valore4, 12);
  EXPECT_EQ(r.cell(372).tipo, kSignBoard);
  EXPECT_EQ(r.cell(372).valore1, 80);
  EXPECT_EQ(r.model.treno[80].nome, "(  Km. ) (18.600)");
  EXPECT_EQ(r.cell(21).valore1, 79);
  EXPECT_EQ(r.model.treno[79].nome, "(a, b)");
  EXPECT_EQ(r.cell(23).valore1, 78);
  EXPECT_EQ(r.model.numero_cartelli, 3);
}

TEST(LineParserBody, BoardsOnATakenCell) {
  Parsed sign_later(
      text("indicatori_vmax, 1900, 1, 1, 1, 0, 0, 0, 0, 0\r\n"
           "cartello indicatore, 1920, x\r\npendenza, 300, 4\r\n"));
  EXPECT_EQ(sign_later.outcome, LineParser::Outcome::kStopped);
  expect_fault(sign_later, 6, 1920, 5, 1);
  EXPECT_NE(sign_later.status.diagnostics().back().message.find(
                "cell 39 already holds the speed board from line 4"),
            std::string::npos);
  EXPECT_EQ(sign_later.cell(0).pendenza, 0);  // no tails after a refusal

  Parsed speed_later(
      text("cartello indicatore, 1920, x\r\n"
           "  indicatori_vmax, 1900, 1, 1, 1, 0, 0, 0, 0, 0\r\n"));
  EXPECT_EQ(speed_later.outcome, LineParser::Outcome::kStopped);
  expect_fault(speed_later, 21, 1900, 5, 3);
  EXPECT_EQ(speed_later.cell(39).tipo, kSignBoard);
  EXPECT_NE(speed_later.status.diagnostics().back().message.find(
                "already holds the sign board from line 4"),
            std::string::npos);
}

TEST(LineParserBody, AClashNamesTheLineOfTheBoardAfterAMultiLineText) {
  // The quoted text spans lines 4 to 6; the clash is on line 7 and names the
  // board placed by line 4, with the clashing line's own text.
  Parsed r(
      text("cartello indicatore, 1920, \"Km.\r\n(1.9)\r\nfine\"\r\n"
           "\t cartello indicatore, 1910, x\r\n"));
  expect_fault(r, 6, 1910, 7, 3);
  ASSERT_FALSE(r.status.diagnostics().empty());
  const Diagnostic& d = r.status.diagnostics().back();
  EXPECT_NE(d.message.find("cell 39 already holds the sign board from line 4"), std::string::npos)
      << d.message;
  EXPECT_EQ(d.source_line, "\t cartello indicatore, 1910, x");
  EXPECT_EQ(r.model.origin(39).by, Placer::kLineText);
  EXPECT_EQ(r.model.origin(39).line, 4);
}

TEST(LineParserBody, EightyOneSignBoards) {
  std::string body;
  for (int i = 0; i < 81; ++i)
    body += "cartello indicatore, " + std::to_string(i * 100) + ", t\r\n";
  Parsed r(text(body));
  EXPECT_EQ(r.outcome, LineParser::Outcome::kStopped);
  expect_fault(r, 10, 8000, 84, 1);
  EXPECT_EQ(r.model.numero_cartelli, 80);
  EXPECT_EQ(r.cell(161).tipo, kNone);
  EXPECT_EQ(r.model.treno[0].nome, "");
}

TEST(LineParserBody, PositionBeyondTheModel) {
  // U = 1780: metre 88900 is the last accepted position, 88950 is refused.
  Parsed r(
      text("pendenza, 80000, 1\r\nmontagna, 88950, 89000, 2\r\ncartello indicatore, 100, x\r\n"),
      true);
  EXPECT_EQ(r.outcome, LineParser::Outcome::kReadTrain);
  expect_fault(r, 15, 88950, 5, 1);
  EXPECT_NE(r.status.diagnostics().back().message.find(
                "expected a position up to metre 88900, 100 m before the last cell (1780"),
            std::string::npos);
  EXPECT_EQ(r.cell(3).tipo, kNone);       // later lines stay unread
  EXPECT_EQ(r.cell(1777).pendenza, 101);  // the tails are still filled
  EXPECT_EQ(r.model.linea.filled(), 88999u);

  // A board whose own cell lies before the track is refused the same way.
  expect_fault(Parsed(text("\r\ncartello indicatore, -100, x\r\n")), 15, -100, 5, 1);
  Parsed speed(text("indicatori_vmax, -2147483648, 1, 1, 1, 0, 0, 0, 0, 0\r\n"));
  EXPECT_EQ(speed.outcome, LineParser::Outcome::kReadTrain);
  expect_fault(speed, 15, std::numeric_limits<int32_t>::min(), 4, 1);
  EXPECT_EQ(Parsed(text("cartello indicatore, 88900, x\r\n")).cell(1779).tipo, kSignBoard);
  expect_fault(Parsed(text("pendenza, 2147483647, 1\r\n")), 15, 2147483647, 4, 1);
}

}  // namespace
}  // namespace binario
