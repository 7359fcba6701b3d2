// The driver's documents computed from descriptions: the built-in pair gives
// the built-in slowdown order byte for byte and the built-in train sheet's
// station rows where its descriptions hold them; any valid pair gives
// documents whose every line keeps the widths of its form.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/compile.h"
#include "documents/driver_documents.h"
#include "output/driver_forms.h"
#include "output/kilometres.h"
#include "sources/builtin_texts.h"
#include "test_support/random_pair.h"

namespace binario {
namespace {

CompileResult compile_pair(const std::string& line, const std::string& train,
                           const std::string& name, const std::string& number,
                           bool geometry = false) {
  CompileInput input;
  input.line = {name + "_linea.txt", line, std::nullopt, false};
  input.train = {name + "_" + number + "-.txt", train, std::nullopt, false};
  input.model_name = name;
  input.model_number = number;
  input.with_geometry = geometry;
  input.records_read = true;
  return compile(input);
}

CompileResult compile_builtin() {
  return compile_pair(line_list_text(builtin_line_list()), line_list_text(builtin_train_list()),
                      "Zorvane_Pelk", "728");
}

// The lines of a document, each without its CR LF; a line ending in a bare
// LF or CR, or a document not ending in CR LF, fails the test.
std::vector<std::string> lines_of(const std::string& doc) {
  std::vector<std::string> lines;
  size_t at = 0;
  while (at < doc.size()) {
    const size_t end = doc.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "the document does not end in CR LF";
      break;
    }
    const std::string line = doc.substr(at, end - at);
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << line;
    lines.push_back(line);
    at = end + 2;
  }
  return lines;
}

// The cells of a table line: the texts between its "|", after the leading
// " |".
std::vector<std::string> cells_of(const std::string& line) {
  std::vector<std::string> cells;
  size_t at = 2;
  while (at < line.size()) {
    const size_t bar = line.find('|', at);
    if (bar == std::string::npos) break;
    cells.push_back(line.substr(at, bar - at));
    at = bar + 1;
  }
  return cells;
}

std::string trimmed(const std::string& s) {
  const size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return "";
  return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

const DocumentChoices kBuiltinChoices{"V200 C", "IC", "600", {}};

TEST(DriverDocumentsTest, BuiltinSlowdownOrderIsReproducedByteForByte) {
  const CompileResult r = compile_builtin();
  ASSERT_EQ(r.status.codice_errore(), 0);
  const DriverDocuments d = driver_documents(r.model, *r.records, {});
  EXPECT_EQ(d.slowdown_order, line_list_text(slowdown_order_list()));
  EXPECT_TRUE(d.notices.empty());
}

// The built-in sheet is hand-written: its kilometres are the stations'
// positions moved by up to 20 m, its extra points are named by hand, and it
// shows times the train description does not hold. Every station row is
// listed here with what the descriptions give and why the built-in differs.
TEST(DriverDocumentsTest, BuiltinTrainSheetStationRowsAgreeWhereTheDescriptionsHoldThem) {
  struct Expected {
    std::string_view builtin_name;  // as the built-in sheet writes it
    std::string_view km;            // the computed kilometre cell, trimmed
    std::string_view time;          // the computed time cell, trimmed
    std::string_view builtin_km;    // the built-in's
    std::string_view builtin_time;
  };
  // Kilometres: the built-in's are hand-measured (SIGNA has none); times:
  // the description holds the departure at the start, the departures of
  // the two stops and the arrival, nothing for the stations passed; the
  // built-in adds the passing times and the arrivals at the stops.
  const std::vector<Expected> expected = {
      {"ZORVANE S.M.N.", "0", "5.50", "0", "5.50"},
      {"ZORVANE RIFREDI", "2.750", "-", "2.760", "5.57"},
      {"ZORVANE CASCINE", "7.400", "-", "7.410", "6.00"},
      {"S.DONNINO", "11.950", "-", "11.970", "6.03"},
      {"SIGNA", "15.900", "-", "-", "6.06"},
      {"CARMIGNANO", "19.150", "-", "19.160", "6.09"},
      {"MONTELUPO", "27.550", "-", "27.560", "6.13"},
      {"EMPOLI", "33.800", "6.19", "33.780", "6.17     6.19"},
      {"S.MINIATO", "43.400", "-", "43.390", "6.24"},
      {"S.ROMANO", "49.300", "-", "49.310", "6.27"},
      {"LA ROTTA", "56.800", "-", "56.790", "6.31"},
      {"PONTEDERA", "61.400", "6.36", "61.410", "6.34     6.36"},
      {"CASCINA", "68.300", "-", "68.290", "6.41"},
      {"S.FREDIANO", "70.650", "-", "70.640", "6.43"},
      {"NAVACCHIO", "73.200", "-", "73.210", "6.45"},
      // The description names the terminus "PELK C.le".
      {"PELK CENTRALE", "80.850", "6.50", "80.840", "6.50"},
  };
  const CompileResult r = compile_builtin();
  ASSERT_EQ(r.status.codice_errore(), 0);
  const std::vector<std::string> computed =
      lines_of(driver_documents(r.model, *r.records, kBuiltinChoices).train_sheet);
  const std::vector<std::string> builtin = lines_of(line_list_text(train_sheet_list()));

  // The boxes agree but for the terminus's name.
  ASSERT_GE(computed.size(), 17u);
  for (size_t i = 0; i < 16; ++i) {
    if (i == 5) {
      EXPECT_EQ(computed[i].size(), builtin[i].size());
      EXPECT_NE(computed[i].find("a: PELK C.le "), std::string::npos) << computed[i];
    } else {
      EXPECT_EQ(computed[i], builtin[i]) << "line " << i + 1;
    }
  }

  // Station rows: the rows with a name of the description, in order.
  auto station_rows = [](const std::vector<std::string>& lines, bool computed_sheet) {
    std::vector<std::vector<std::string>> rows;
    for (size_t i = 16; i + 2 < lines.size(); ++i) {
      const std::vector<std::string> c = cells_of(lines[i]);
      const std::string place = trimmed(c.at(4));
      const bool extra = computed_sheet ? place.rfind("Km ", 0) == 0 : trimmed(c.at(5)) == "-";
      if (!extra) rows.push_back(c);
    }
    return rows;
  };
  const auto ours = station_rows(computed, true);
  const auto theirs = station_rows(builtin, false);
  ASSERT_EQ(ours.size(), expected.size());
  ASSERT_EQ(theirs.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    const Expected& e = expected[i];
    EXPECT_EQ(trimmed(theirs[i][4]), e.builtin_name);
    EXPECT_EQ(trimmed(theirs[i][2]), e.builtin_km) << e.builtin_name;
    EXPECT_EQ(trimmed(theirs[i][5]), e.builtin_time) << e.builtin_name;
    EXPECT_EQ(trimmed(ours[i][2]), e.km) << e.builtin_name;
    EXPECT_EQ(trimmed(ours[i][5]), e.time) << e.builtin_name;
    // Where the description holds a time, the built-in shows the same one.
    if (e.time != "-") {
      EXPECT_TRUE(std::string_view(e.builtin_time).ends_with(e.time)) << e.builtin_name;
    }
  }

  // The speed-limit column holds the description's twenty limits in order,
  // as the built-in's does.
  auto speeds = [](const std::vector<std::string>& lines) {
    std::vector<std::string> s;
    for (size_t i = 16; i + 2 < lines.size(); ++i) {
      const std::string v = trimmed(cells_of(lines[i]).at(0));
      if (!v.empty()) s.push_back(v);
    }
    return s;
  };
  EXPECT_EQ(speeds(computed).size(), 20u);
  EXPECT_EQ(speeds(computed), speeds(builtin));
}

// Reads a generated set back and checks the layout: the widths of every
// line, the rows in kilometre order, every station and slowdown once.
void check_documents(const CompileResult& r, const DriverDocuments& d, const std::string& what) {
  SCOPED_TRACE(what);
  const std::vector<std::string> builtin_sheet = lines_of(line_list_text(train_sheet_list()));
  const std::vector<std::string> sheet = lines_of(d.train_sheet);
  ASSERT_GE(sheet.size(), 18u);
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(sheet[i].size(), builtin_sheet[i].size()) << i;
  EXPECT_EQ(sheet[sheet.size() - 2], sheet[15]);
  EXPECT_EQ(sheet.back(), "");
  // Every row has the "|" where the head has them.
  std::vector<size_t> bars;
  for (size_t i = 0; i < sheet[13].size(); ++i) {
    if (sheet[13][i] == '|') bars.push_back(i);
  }
  ASSERT_EQ(bars.size(), 8u);
  std::vector<SheetRow> rows = sheet_rows(r.model, *r.records);
  ASSERT_EQ(rows.size(), sheet.size() - 18);
  int64_t previous = INT64_MIN;
  std::map<int, int> station_seen;
  for (size_t k = 0; k < rows.size(); ++k) {
    const std::string& line = sheet[16 + k];
    ASSERT_EQ(line.size(), 83u) << line;
    for (size_t b : bars) EXPECT_EQ(line[b], '|') << line;
    EXPECT_GE(rows[k].metre, previous);
    previous = rows[k].metre;
    const std::string km = trimmed(cells_of(line)[2]);
    EXPECT_EQ(km, rows[k].metre == 0 ? "0" : kilometres(rows[k].metre)) << line;
    if (rows[k].station) ++station_seen[rows[k].entry];
  }
  int stations = 0;
  int slowdowns = 0;
  int whole_train = 0;
  for (const RecordRead& rec : r.records->train.records) {
    stations += rec.kind == RecordKind::kStation;
    if (rec.kind == RecordKind::kSlowdown) {
      ++slowdowns;
      whole_train += rec.values[3].number == 1;
    }
  }
  EXPECT_EQ(station_seen.size(), static_cast<size_t>(stations));
  for (const auto& [entry, seen] : station_seen) EXPECT_EQ(seen, 1) << "station " << entry;

  // The order: forms of 46 lines, each as wide as the built-in's lines but
  // the two that name the line and the train.
  const std::vector<std::string> builtin_order = lines_of(line_list_text(slowdown_order_list()));
  const std::vector<std::string> order = lines_of(d.slowdown_order);
  ASSERT_EQ(order.size() % 46, 0u);
  ASSERT_EQ(order.size() / 46, std::max<size_t>(1, (slowdowns + 25) / 26));
  int filled = 0;
  int marked_a = 0;
  for (size_t i = 0; i < order.size(); ++i) {
    const size_t at = i % 46;
    if (at == 4 || at == 6) continue;
    EXPECT_EQ(order[i].size(), builtin_order[at].size()) << order[i];
    if (at >= 12 && at < 38 && order[i] != forms::kOrderEmptyRow) {
      ++filled;
      const std::vector<std::string> c = cells_of(order[i]);
      EXPECT_EQ(trimmed(c.at(0)), std::to_string(filled));
      marked_a += trimmed(c.at(5)) == "A";
    }
  }
  EXPECT_EQ(filled, slowdowns);
  EXPECT_EQ(marked_a, whole_train);

  const std::vector<std::string> notes = lines_of(d.notes);
  ASSERT_EQ(notes.size(), 9u);
  EXPECT_EQ(notes[5], "Buona simulazione.");
  EXPECT_EQ(notes[6], "");
}

TEST(DriverDocumentsTest, RandomValidPairsKeepTheFormsWidths) {
  int compiled = 0;
  for (uint64_t seed = 1; compiled < 150 && seed < 600; ++seed) {
    const test::RandomPair pair = test::RandomPairMaker(seed).make(false);
    const CompileResult r = compile_pair(pair.line, pair.train, pair.name, pair.number);
    if (r.end != CompileEnd::kCompiled || r.status.codice_errore() != 0) continue;
    ++compiled;
    check_documents(r, driver_documents(r.model, *r.records, {}), "seed " + std::to_string(seed));
  }
  EXPECT_GE(compiled, 100);
}

std::string read_example(const std::string& name) {
  std::ifstream in(std::string(BINARIO_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(DriverDocumentsTest, ExamplePairKeepsTheFormsWidths) {
  const CompileResult r = compile_pair(read_example("Valdoria_linea.txt"),
                                       read_example("Valdoria_42-.txt"), "Valdoria", "42");
  ASSERT_EQ(r.status.codice_errore(), 0);
  check_documents(r, driver_documents(r.model, *r.records, kBuiltinChoices), "examples");
}

// A small pair to change one thing at a time.
std::string small_line() {
  return "inizio_dati\r\n[generale]\r\nlunghezza percorso, 40000\r\n[fine]\r\n[fine]\r\n";
}
std::string small_train(const std::string& stations, const std::string& slowdowns) {
  return "inizio_dati\r\n[generale]\r\nnumero vetture, 4\r\npercentuale massa frenata, 95\r\n"
         "orologio, 7 0 0\r\n[vel_limite]\r\nvelocita, 0, 100\r\nvelocita, 12000, 80\r\n"
         "[stazioni]\r\n" +
         stations + "[rallentamenti]\r\n" + slowdowns + "[codici]\r\n[fine]\r\n";
}
const std::string kStations =
    "stazione, 0, 8, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 7,0,0, NORD\r\n"
    "stazione, 12000, 2, 600, 0, 0, 0, 1,1,0, 4,1,1, 0, 7,10,30, CENTRO\r\n"
    "stazione, 30000, 2, 600, 1, 0, 0, 1,1,0, 2,1,1, 0, 7,25,0, SUD\r\n";

TEST(DriverDocumentsTest, SlowdownsGetTheirStationsPostAndPrescription) {
  const CompileResult r = compile_pair(small_line(),
                                       small_train(kStations,
                                                   "rallentamento, 5250, 40, 350, 1, 1, 0\r\n"
                                                   "rallentamento, 11900, 30, 200, 0, 1, 0\r\n"),
                                       "Nord_Sud", "9");
  ASSERT_EQ(r.status.codice_errore(), 0);
  const std::vector<std::string> order =
      lines_of(driver_documents(r.model, *r.records, {}).slowdown_order);
  EXPECT_EQ(order[4], "  Linea NORD - SUD");
  EXPECT_EQ(order[6],
            "  Si ordina al macchinista del treno 9 di effettuare i seguenti rallentamenti");
  EXPECT_EQ(order[12],
            " | 1 |       NORD - CENTRO        |     5      |    40    |   350   |     A      |");
  // Within the extent of CENTRO (11700 to 12300): in the station.
  EXPECT_EQ(order[13],
            " | 2 |           CENTRO           |     11     |    30    |   200   |     -      |");
}

TEST(DriverDocumentsTest, MoreSlowdownsThanAFormHoldsGoOnToASecondForm) {
  std::string slowdowns;
  for (int i = 0; i < 30; ++i) {
    slowdowns += "rallentamento, " + std::to_string(13000 + i * 500) + ", 60, 100, 0, 0, 0\r\n";
  }
  const CompileResult r =
      compile_pair(small_line(), small_train(kStations, slowdowns), "Linea", "1");
  ASSERT_EQ(r.status.codice_errore(), 0);
  const DriverDocuments d = driver_documents(r.model, *r.records, {});
  check_documents(r, d, "thirty slowdowns");
  const std::vector<std::string> order = lines_of(d.slowdown_order);
  ASSERT_EQ(order.size(), 92u);
  EXPECT_EQ(trimmed(cells_of(order[46 + 12]).at(0)), "27");
  EXPECT_EQ(trimmed(cells_of(order[46 + 15]).at(0)), "30");
  EXPECT_EQ(order[46 + 16], forms::kOrderEmptyRow);
}

TEST(DriverDocumentsTest, TimesFollowTheirStationsRole) {
  const CompileResult r = compile_pair(small_line(), small_train(kStations, ""), "Linea", "1");
  ASSERT_EQ(r.status.codice_errore(), 0);
  const std::vector<std::string> sheet =
      lines_of(driver_documents(r.model, *r.records, {}).train_sheet);
  // Departure, a time of the run (its seconds not shown), the arrival; the
  // limit changes at 12000 on the station's own row.
  EXPECT_EQ(sheet[16],
            " | 100 | 100 |    0     |     | NORD                       |          7.00  |     |");
  EXPECT_EQ(sheet[17],
            " |  80 |  80 |   12.000 |     | CENTRO                     |       7.10     | 2.5 |");
  EXPECT_EQ(sheet[18],
            " |     |     |   30.000 |     | SUD                        |  7.25          |     |");
  EXPECT_EQ(sheet.size(), 21u);
}

// The running speed and the recovery come from the fastest run. NORD's stop
// cell starts at 350 m, so at the change of limit at 500 m the train has
// run 150 m from rest: at 0.5 m/s² it does 44.09 km/h there, at 1 m/s²
// 62.35 km/h; beyond, it reaches each limit. The fastest run to SUD takes
// 1224 s, so 24 minutes leave 216 s of recovery (3.5 minutes), 20 minutes
// 24 s too few (-0.5), 20 minutes 30 seconds 6 s (under half a minute).
TEST(DriverDocumentsTest, RunColumnsComeFromTheFastestRun) {
  auto sheet_for = [](const std::string& sud_time, const std::string& limits,
                      std::optional<double> acceleration) {
    std::string train = small_train(
        "stazione, 0, 8, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 7,0,0, NORD\r\n"
        "stazione, 12000, 2, 600, 0, 0, 0, 1,1,0, 4,1,1, 0, 0,0,0, CENTRO\r\n"
        "stazione, 30000, 2, 600, 1, 0, 0, 1,1,0, 2,1,1, 0, " +
            sud_time + ", SUD\r\n",
        "");
    const std::string limit = "velocita, 12000, 80\r\n";
    train.replace(train.find(limit), limit.size(), limits);
    const CompileResult r = compile_pair(small_line(), train, "Linea", "1");
    EXPECT_EQ(r.status.codice_errore(), 0);
    DocumentChoices choices;
    choices.run.acceleration = acceleration;
    const std::vector<std::string> lines =
        lines_of(driver_documents(r.model, *r.records, choices).train_sheet);
    std::vector<std::string> rows;  // running speed, place, recovery
    for (size_t i = 16; i + 2 < lines.size(); ++i) {
      const std::vector<std::string> c = cells_of(lines[i]);
      rows.push_back(c.at(1) + "|" + trimmed(c.at(4)) + "|" + c.at(6));
    }
    return rows;
  };
  const std::string short_stretch = "velocita, 500, 120\r\nvelocita, 12000, 80\r\n";
  EXPECT_EQ(sheet_for("7,24,0", short_stretch, std::nullopt),
            (std::vector<std::string>{"  44 |NORD|     ", " 120 |Km 0.500|     ",
                                      "  80 |CENTRO|     ", "     |SUD| 3.5 "}));
  const auto faster = sheet_for("7,24,0", short_stretch, 1.0);
  EXPECT_EQ(faster.at(0), "  62 |NORD|     ");
  EXPECT_EQ(sheet_for("7,20,0", short_stretch, std::nullopt).back(), "     |SUD|-0.5 ");
  EXPECT_EQ(sheet_for("7,20,30", short_stretch, std::nullopt).back(), "     |SUD|     ");
  // A limit of 0 on the way: the run never reaches SUD, so no recovery.
  const auto blocked = sheet_for(
      "7,24,0", short_stretch + "velocita, 20000, 0\r\nvelocita, 20500, 80\r\n", std::nullopt);
  EXPECT_EQ(blocked.back(), "     |SUD|     ");
}

TEST(DriverDocumentsTest, NothingInventedWhenNotGiven) {
  const CompileResult r = compile_pair(small_line(), small_train(kStations, ""), "Linea", "1");
  ASSERT_EQ(r.status.codice_errore(), 0);
  const DriverDocuments d = driver_documents(r.model, *r.records, {});
  const std::vector<std::string> sheet = lines_of(d.train_sheet);
  EXPECT_EQ(sheet[4],
            " |   TRENO n.1       |                   da: NORD                  |              |");
  EXPECT_EQ(sheet[5],
            " |___________________|                    a: SUD                   |     95%      |");
  EXPECT_EQ(sheet[9], " |                   |              |                   |");
  const std::vector<std::string> notes = lines_of(d.notes);
  EXPECT_EQ(notes[1], "Il treno 1 va da NORD a SUD.");
  EXPECT_EQ(notes[2],
            "\xC8"
            " composto da 4 vetture, con una percentuale di massa frenata del 95%.");
}

TEST(DriverDocumentsTest, NotesSayWhereTheAdhesionIsLowest) {
  std::string train = small_train(kStations, "rallentamento, 5250, 40, 350, 1, 1, 0\r\n");
  train.replace(train.find("[vel_limite]"), 12,
                "aderenza, 0, 80\r\naderenza, 5000, 40\r\naderenza, 8000, 80\r\n[vel_limite]");
  const CompileResult r = compile_pair(small_line(), train, "Linea", "1");
  ASSERT_EQ(r.status.codice_errore(), 0);
  const std::vector<std::string> notes = lines_of(driver_documents(r.model, *r.records, {}).notes);
  EXPECT_EQ(notes[4],
            "La linea \xE8"
            " lunga 40.000 km, con 1 rallentamento (vedi l'ordine di rallentamento). L'aderenza "
            "pi\xF9"
            " bassa, 40, si trova dal km 5.000 al km 8.000.");
  EXPECT_EQ(notes[3],
            "Gli orari della scheda treno sono quelli della descrizione del treno: 3 stazioni su 3 "
            "con un orario; l'orologio parte alle 7.00.00.");
}

TEST(DriverDocumentsTest, NamesLongerThanTheirColumnAreCutAndSaid) {
  const std::string stations =
      "stazione, 0, 8, 400, 1, 0, 0, 4,1,0, 2,1,1, 1, 7,0,0, STAZIONE DAL NOME DAVVERO TROPPO "
      "LUNGO\r\n"
      "stazione, 12000, 2, 600, 0, 0, 0, 1,1,0, 4,1,1, 0, 0,0,0, CENTRO\r\n";
  const CompileResult r = compile_pair(small_line(), small_train(stations, ""), "Linea", "1");
  ASSERT_EQ(r.status.codice_errore(), 0);
  const DriverDocuments d = driver_documents(r.model, *r.records, {});
  check_documents(r, d, "long name");
  const std::vector<std::string> sheet = lines_of(d.train_sheet);
  EXPECT_EQ(sheet[4].substr(22, 45), "                   da: STAZIONE DAL NOME DAVV");
  EXPECT_EQ(trimmed(cells_of(sheet[16]).at(4)), "STAZIONE DAL NOME DAVVERO T");
  ASSERT_EQ(d.notices.size(), 2u);
  EXPECT_NE(d.notices[1].find("cut to 'STAZIONE DAL NOME DAVVERO T'"), std::string::npos)
      << d.notices[1];
}

}  // namespace
}  // namespace binario
