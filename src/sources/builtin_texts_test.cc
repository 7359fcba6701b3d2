#include "sources/builtin_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace binario {
namespace {

// The bytes of a list as written to a file.
std::string file_text(const LineList& list) {
  return line_list_text(list);
}

// The lines of a written file, split at CR LF.
std::vector<std::string> file_lines(const LineList& list) {
  std::string text = file_text(list);
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return lines;
}

// The comma-separated fields of a line, blanks around them removed.
std::vector<std::string> fields(std::string_view line) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t end = line.find(',', start);
    std::string_view f = line.substr(start, end == std::string_view::npos ? end : end - start);
    size_t a = f.find_first_not_of(' ');
    size_t b = f.find_last_not_of(' ');
    out.emplace_back(a == std::string_view::npos ? "" : f.substr(a, b - a + 1));
    if (end == std::string_view::npos) return out;
    start = end + 1;
  }
}

long number(const std::string& field) {
  return std::strtol(field.c_str(), nullptr, 10);
}

// Positions of the "|" of a line.
std::vector<size_t> bars(std::string_view line) {
  std::vector<size_t> out;
  for (size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '|') out.push_back(i);
  }
  return out;
}

struct SpeedRecord {
  long position;
  long speed;
};

std::vector<SpeedRecord> speed_records(const std::vector<std::string>& train) {
  std::vector<SpeedRecord> out;
  for (const std::string& line : train) {
    if (line.rfind("velocita", 0) != 0) continue;
    std::vector<std::string> f = fields(line);
    out.push_back({number(f[1]), number(f[2])});
  }
  return out;
}

TEST(BuiltinTextsTest, EveryFileHasItsLinesEachEndedByCrLf) {
  const std::pair<LineList, size_t> texts[] = {{builtin_line_list(), 121},
                                               {builtin_train_list(), 114},
                                               {train_sheet_list(), 49},
                                               {slowdown_order_list(), 46},
                                               {notes_list(), 9}};
  for (const auto& [list, count] : texts) {
    std::string text = file_text(list);
    size_t crlf = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\r') {
        ASSERT_LT(i + 1, text.size());
        ASSERT_EQ(text[i + 1], '\n') << "lone CR at byte " << i;
        ++crlf;
        ++i;
      } else {
        ASSERT_NE(text[i], '\n') << "lone LF at byte " << i;
      }
    }
    EXPECT_EQ(crlf, count);
    EXPECT_TRUE(text.ends_with("\r\n"));
    EXPECT_EQ(text.find(kEndMarker), std::string::npos);
  }
}

TEST(BuiltinTextsTest, LineDescriptionFixedLines) {
  std::vector<std::string> line = file_lines(builtin_line_list());
  ASSERT_EQ(line.size(), 121u);
  const std::map<size_t, std::string> expected = {
      {0, "Percorso Zorvane S.M.N. Pelk C.le"},
      {1, ""},
      {2, ""},
      {3, "inizio_dati  "},
      {4, "[generale]" + std::string(26, ' ')},
      {5, "lunghezza percorso,    82000"},
      {6, "progressiva chilometrica uno,    0,    0,    0"},
      {7, "progressiva chilometrica due,    0,    0,    0"},
      {8, "progressiva chilometrica tre,    0,    0,    0"},
      {9, "sfondo uno,    1"},
      {10, "sfondo due,    0"},
      {11, "sfondo tre,    0"},
      {12, "ripetizione segnali 4 codici,    4650,    79150"},
      {13, "[pendenze]"},
      {14, "pendenza  , 300    , 4"},
      {33, "pendenza  , 61000   , 0"},
      {34, "[curve]"},
      {35, ""},
      {36, "curvas2,   700,  100"},
      {89, "curvas4,  79700, 200"},
      {90, "[cartelli]"},
      {91, ""},
      {92, "indicatori_vmax, 800, 105, 115, 120, 0, 0, 0, 0, 0"},
      {110, "indicatori_vmax, 69650, 120, 130, 135, 0,   0,   0,   0, 0"},
      {111, ""},
      {112, "[montagne]"},
      {113, "montagna, 29100,29200,2"},
      {114, "montagna, 57050,57350,1"},
      {115, "[indicazioni]"},
      {116, ""},
      {117, "cartello indicatore,  18550,    (  Km. ) (18.600)"},
      {118, "cartello indicatore,  20750,    (  Km. ) (20.800)"},
      {119, "cartello indicatore,  22100,    ( Ponte  ) (su fiume) (  Arno  )"},
      {120, "[fine]"},
  };
  for (const auto& [slot, text] : expected) EXPECT_EQ(line[slot], text) << "slot " << slot;
  for (const char* quoted :
       {"pendenza  , 4000   , -4", "curvad4,  56400, 1400",
        "indicatori_vmax, 66200, 140, 150, 150, 0, 120, 130, 135, 0",
        "indicatori_vmax,  32050,  140,  150,  150,  0,  140,  150,  150,  0"}) {
    EXPECT_NE(std::find(line.begin(), line.end(), quoted), line.end()) << quoted;
  }
}

TEST(BuiltinTextsTest, GradientsRiseAndFallWithinFourPerMille) {
  std::vector<std::string> line = file_lines(builtin_line_list());
  long previous = -1;
  for (size_t slot = 14; slot <= 33; ++slot) {
    std::vector<std::string> f = fields(line[slot]);
    ASSERT_EQ(f.size(), 3u) << line[slot];
    EXPECT_EQ(f[0], "pendenza");
    EXPECT_GT(number(f[1]), previous) << line[slot];
    previous = number(f[1]);
    EXPECT_LE(std::abs(number(f[2])), 4) << line[slot];
  }
}

TEST(BuiltinTextsTest, CurvesFollowOneAnotherWithoutOverlap) {
  std::vector<std::string> line = file_lines(builtin_line_list());
  std::map<std::string, int> count;
  int comments = 0;
  long end_of_previous = 0;
  for (size_t slot = 36; slot <= 89; ++slot) {
    const std::string& text = line[slot];
    if (text.starts_with("-")) {
      // A comment line is skipped only as a whole field: no comma, and no
      // keyword the reader could pick up instead.
      ++comments;
      EXPECT_EQ(text.find(','), std::string::npos) << text;
      for (const char* key : {"pendenza", "curva", "montagna", "indicat", "cartello"}) {
        EXPECT_EQ(text.find(key), std::string::npos) << text;
      }
      continue;
    }
    std::vector<std::string> f = fields(text);
    ASSERT_EQ(f.size(), 3u) << text;
    ++count[f[0]];
    long start = number(f[1]);
    EXPECT_GE(start, end_of_previous) << text;
    end_of_previous = start + number(f[2]);
  }
  EXPECT_EQ(comments, 6);
  const std::map<std::string, int> expected = {
      {"curvas2", 4}, {"curvas3", 4}, {"curvas4", 10}, {"curvas5", 5}, {"curvas6", 1},
      {"curvad2", 3}, {"curvad3", 8}, {"curvad4", 7},  {"curvad5", 3}, {"curvad6", 3}};
  EXPECT_EQ(count, expected);
  EXPECT_NE(std::find(line.begin() + 36, line.begin() + 90, "- cascine"), line.begin() + 90);
  EXPECT_NE(std::find(line.begin() + 36, line.begin() + 90, "-montelupo"), line.begin() + 90);
}

TEST(BuiltinTextsTest, SpeedBoardsAnnounceTheTrainsSpeedLimits) {
  std::vector<std::string> line = file_lines(builtin_line_list());
  std::vector<SpeedRecord> limits = speed_records(file_lines(builtin_train_list()));
  long previous = 0;
  for (size_t slot = 92; slot <= 110; ++slot) {
    std::vector<std::string> f = fields(line[slot]);
    ASSERT_EQ(f.size(), 10u) << line[slot];
    EXPECT_EQ(f[0], "indicatori_vmax");
    long position = number(f[1]);
    EXPECT_GT(position, previous);
    previous = position;
    // The board's rank-C speed is a limit that takes effect within 1 km of it.
    bool announced = std::any_of(limits.begin(), limits.end(), [&](const SpeedRecord& r) {
      return r.speed == number(f[4]) && std::abs(r.position - position) <= 1000;
    });
    EXPECT_TRUE(announced) << line[slot];
  }
}

TEST(BuiltinTextsTest, TrainDescriptionFixedLines) {
  std::vector<std::string> train = file_lines(builtin_train_list());
  ASSERT_EQ(train.size(), 114u);
  const std::map<size_t, std::string> expected = {
      {0, "                  Treno 3127 percorso Zorvane S.M.N. Pelk C.le"},
      {1, ""},
      {2, "inizio_dati"},
      {3, "[generale]"},
      {4, "numero vetture,    10"},
      {5, "percentuale massa frenata,    130"},
      {6, "sabbia,    200"},
      {7, "orologio,    5               49            30 "},
      {8, "[aderenze] "},
      {9, "aderenza,       0,    80"},
      {10, "[vel_limite]"},
      {11, "velocita' limite ,     0    ,  30"},
      {12, "velocita,     500,   120"},
      {16, "- come e` segnalato questo punto"},
      {31, "velocita,   70650,   135"},
      {32, "[stazioni]"},
      {33, ""},
      {34,
       "-           pos. tipo lung. t  t  m    d d r   d d d   a   o  o  o   nome"
       "                                     ,"},
      {37,
       "stazione,       0,  8,  400,  1, 0, 0,  4,1,0,  2,1,1,    1,   5,50, 0, ZORVANE S.M.N."},
      {44, "stazione,   33800,  4,  600,  1, 0, 0,  4,1,0,  2,1,1,   60,   6,19, 0, EMPOLI"},
      {51, "stazione,   73200, 22,  400,  0, 0, 0,  0,0,0,  4,1,1,    0,   0, 0, 0, NAVACCHIO"},
      {52, ""},
      {53, "stazione,   80850,  2,  700,  1, 0, 0,  1,1,0,  2,1,1,    0,   6,50, 0, PELK C.le"},
      {54, "[rallentamenti]"},
      {55, ""},
      {56, "rallentamento,   19000,    30,  300, 0,  1,  0"},
      {57, "rallentamento,   64700,    70,  400, 1,  1,  0"},
      {58, "[segnali]"},
      {59, "-                1                     destra"},
      {60, "-                a  d1 d2 d3 ra       d1 d2 d3 ac"},
      {61, "-                v"},
      {62, "segnale,   1000, 1, 4, 1, 0, 0,     0, 0, 0, 0, 0"},
      {63, "segnale,    2100,   2, 4, 1,  1, 0,    2,  2,1,1, 0"},
      {111, "segnale,  79150, 2, 2, 3, 1, 1,     2, 2, 1, 1, 0"},
      {112, "[codici]"},
      {113, "[fine]"},
  };
  for (const auto& [slot, text] : expected) EXPECT_EQ(train[slot], text) << "slot " << slot;
  for (const char* quoted :
       {"velocita' limite , 30000    ,  160", "segnale,   31250,   2, 3, 4,  0, 0,    2,  2,1,0, 0",
        "segnale,   60550,   2, 3, 1,  1, 0,    2,  2,1,1, 160"}) {
    EXPECT_NE(std::find(train.begin(), train.end(), quoted), train.end()) << quoted;
  }
}

TEST(BuiltinTextsTest, SpeedRecordsAscendInTheirTwoForms) {
  std::vector<std::string> train = file_lines(builtin_train_list());
  std::vector<SpeedRecord> limits = speed_records(train);
  ASSERT_EQ(limits.size(), 20u);
  for (size_t i = 1; i < limits.size(); ++i) {
    EXPECT_GT(limits[i].position, limits[i - 1].position) << "record " << i + 1;
  }
  EXPECT_EQ(std::count_if(train.begin(), train.end(),
                          [](const std::string& l) { return l.starts_with("velocita' limite ,"); }),
            8);
  // The comment line stands between the records at 15000 and 17000.
  EXPECT_EQ(fields(train[15])[1], "15000");
  EXPECT_EQ(fields(train[17])[1], "17000");
}

TEST(BuiltinTextsTest, SignalsInGroupsOfBlockSections) {
  std::vector<std::string> train = file_lines(builtin_train_list());
  std::vector<size_t> empty_slots;
  long previous = 0;
  int signals = 0;
  for (size_t slot = 62; slot <= 111; ++slot) {
    if (train[slot].empty()) {
      empty_slots.push_back(slot);
      continue;
    }
    std::vector<std::string> f = fields(train[slot]);
    ASSERT_EQ(f.size(), 12u) << train[slot];
    EXPECT_EQ(f[0], "segnale");
    long position = number(f[1]);
    if (previous != 0) {
      EXPECT_GE(position - previous, 1000) << train[slot];
      EXPECT_LE(position - previous, 2500) << train[slot];
    }
    previous = position;
    ++signals;
  }
  EXPECT_EQ(signals, 42);
  EXPECT_EQ(empty_slots, (std::vector<size_t>{70, 77, 80, 87, 91, 98, 104, 107}));
}

TEST(BuiltinTextsTest, TrainSheetLayout) {
  std::vector<std::string> sheet = file_lines(train_sheet_list());
  ASSERT_EQ(sheet.size(), 49u);
  EXPECT_EQ(sheet[0], "");
  EXPECT_EQ(sheet[1], "");
  EXPECT_EQ(sheet[48], "");
  EXPECT_EQ(sheet[4],
            " |   TRENO n.728     |                   da: ZORVANE S.M.N.        |    V200 C    |");
  EXPECT_EQ(sheet[8], " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ");
  EXPECT_EQ(sheet[13],
            " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |");
  EXPECT_EQ(sheet[15], sheet[47]);
  const std::vector<size_t> columns = bars(sheet[13]);
  ASSERT_EQ(columns.size(), 8u);
  for (size_t i = 14; i <= 47; ++i) {
    EXPECT_EQ(sheet[i].size(), 83u) << "line " << i + 1;
    EXPECT_EQ(bars(sheet[i]), columns) << "line " << i + 1;
  }
  EXPECT_EQ(sheet[16],
            " |  30 |     |    0     |  30 | ZORVANE S.M.N.             |          5.50  |     |");
  EXPECT_EQ(sheet[17],
            " | 120 |     |    0.600 | 120 | Deviatoio di uscita        |        -       |     |");
  EXPECT_EQ(sheet[46],
            " |     |     |   80.840 |     | PELK CENTRALE              |  6.50          |     |");
  for (const char* row :
       {" | 100 |     |    2.760 | 100 | ZORVANE RIFREDI            |       5.57     |  2  |",
        " |     |     |     -    |     | SIGNA                      |       6.06     |     |",
        " |     |     |   33.780 |     | EMPOLI                     |  6.17     6.19 | 2.5 |"}) {
    EXPECT_NE(std::find(sheet.begin(), sheet.end(), row), sheet.end()) << row;
  }
}

// The cell of a sheet row between the bars `i` and `i + 1`, blanks removed.
std::string column(const std::string& row, size_t i) {
  std::vector<size_t> b = bars(row);
  return fields(row.substr(b[i] + 1, b[i + 1] - b[i] - 1))[0];
}

TEST(BuiltinTextsTest, TrainSheetAgreesWithTheTrainDescription) {
  std::vector<std::string> sheet = file_lines(train_sheet_list());
  std::vector<std::string> train = file_lines(builtin_train_list());
  std::vector<SpeedRecord> limits = speed_records(train);
  struct Station {
    long position;
    std::string name;
  };
  std::vector<Station> stations;
  for (const std::string& line : train) {
    if (!line.starts_with("stazione")) continue;
    std::vector<std::string> f = fields(line);
    stations.push_back({number(f[1]), f[17] == "PELK C.le" ? "PELK CENTRALE" : f[17]});
  }
  ASSERT_EQ(stations.size(), 16u);

  size_t next_limit = 0;
  size_t next_station = 0;
  double previous_km = -1;
  for (size_t i = 16; i <= 46; ++i) {
    const std::string& row = sheet[i];
    std::string km = column(row, 2);
    double metres = km == "-" ? -1 : std::strtod(km.c_str(), nullptr) * 1000;
    if (metres >= 0) {
      EXPECT_GT(metres, previous_km) << row;
      previous_km = metres;
    }
    if (std::string speed = column(row, 0); !speed.empty()) {
      // The twenty line speeds, in order, each near the point it starts.
      ASSERT_LT(next_limit, limits.size()) << row;
      EXPECT_EQ(number(speed), limits[next_limit].speed) << row;
      if (metres >= 0) {
        EXPECT_LE(std::abs(metres - limits[next_limit].position), 150) << row;
      }
      ++next_limit;
      // The second speed column repeats it up to Montelupo.
      EXPECT_EQ(column(row, 3), metres <= 27560 ? speed : "") << row;
    }
    if (column(row, 5) != "-") {
      ASSERT_LT(next_station, stations.size()) << row;
      EXPECT_EQ(column(row, 4), stations[next_station].name);
      if (metres >= 0) {
        EXPECT_LE(std::abs(metres - stations[next_station].position), 30) << row;
      }
      ++next_station;
    }
  }
  EXPECT_EQ(next_limit, 20u);
  EXPECT_EQ(next_station, 16u);
}

TEST(BuiltinTextsTest, SlowdownOrderLayout) {
  std::vector<std::string> order = file_lines(slowdown_order_list());
  ASSERT_EQ(order.size(), 46u);
  EXPECT_EQ(order[0], "");
  EXPECT_EQ(order[1], std::string(31, ' ') + "Modulo M. 3");
  EXPECT_EQ(order[3], " " + std::string(80, '_'));
  EXPECT_EQ(order[6],
            "  Si ordina al macchinista del treno 728 di effettuare i seguenti rallentamenti");
  EXPECT_EQ(order[7], "  " + std::string(79, '_'));
  EXPECT_EQ(order[11], order[38]);
  const std::vector<size_t> columns = bars(order[9]);
  ASSERT_EQ(columns.size(), 7u);
  for (size_t i = 8; i <= 38; ++i) {
    EXPECT_EQ(order[i].size(), 82u) << "line " << i + 1;
    EXPECT_EQ(bars(order[i]), columns) << "line " << i + 1;
  }
  EXPECT_EQ(order[12],
            " | 1 |     SIGNA - MONTELUPO      |     19     |    30    |   300   |     -      |");
  EXPECT_EQ(order[13],
            " | 2 |    PONTEDERA - CASCINA     |     64     |    70    |   400   |     A      |");
  const std::string empty_row =
      " |   |                            |            |          |         |            |";
  EXPECT_EQ(std::count(order.begin(), order.end(), empty_row), 24);
  EXPECT_EQ(order[41], " A - Da rispettare con tutto il treno (per i treni viaggiatori)");
  EXPECT_EQ(order[43], " D - Rallentamneto N. ... e N. ...  sono contigui");
  EXPECT_EQ(order[45], "     i giorni esclusi i seguenti:.........");
}

TEST(BuiltinTextsTest, NotesAreWindows1252) {
  std::string text = file_text(notes_list());
  // The three accented letters as single bytes, and no other byte above
  // ASCII (a UTF-8 "è" would start with 0xC3).
  for (char c : {'\xE8', '\xE0', '\xF2'}) EXPECT_NE(text.find(c), std::string::npos);
  for (unsigned char c : text) {
    if (c >= 0x80) {
      EXPECT_TRUE(c == 0xE8 || c == 0xE0 || c == 0xF2) << int{c};
    }
  }
  std::vector<std::string> notes = file_lines(notes_list());
  ASSERT_EQ(notes.size(), 9u);
  EXPECT_NE(notes[0].find("binario"), std::string::npos);
  EXPECT_TRUE(notes[4].ends_with(". "));
  EXPECT_EQ(notes[5], "Buona simulazione.");
  EXPECT_EQ(notes[6], "");
  EXPECT_TRUE(notes[8].ends_with("@example.org"));
}

}  // namespace
}  // namespace binario
