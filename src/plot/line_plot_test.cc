// The picture of the built-in line, compiled in memory: what it draws must be
// where the model says it is.
#include "plot/line_plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "compiler/compile.h"
#include "output/binary_decoders.h"
#include "output/binary_files.h"
#include "output/byte_sink.h"
#include "sources/builtin_texts.h"
#include "sources/line_list.h"
#include "test_support/xml_reader.h"

namespace binario {
namespace {

using testing_xml::Element;

struct Point {
  double x;
  double y;
};

std::vector<Point> points_of(const std::string& list) {
  std::vector<Point> out;
  std::istringstream in(list);
  std::string pair;
  while (in >> pair) {
    const size_t comma = pair.find(',');
    out.push_back({std::stod(pair.substr(0, comma)), std::stod(pair.substr(comma + 1))});
  }
  return out;
}

// The x of a path that starts "M<x> <y>".
double path_start_x(const std::string& d) {
  return std::stod(d.substr(1, d.find(' ') - 1));
}

// Every text below `e`, in order.
std::vector<std::string> texts_below(const Element& e) {
  std::vector<const Element*> found;
  e.collect([](const Element& x) { return x.name == "text"; }, &found);
  std::vector<std::string> out;
  out.reserve(found.size());
  for (const Element* t : found) out.push_back(t->text);
  return out;
}

class BuiltinLinePlotTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    CompileInput input;
    input.line = SourceText{"linea.txt", line_list_text(builtin_line_list()), std::nullopt, false};
    input.train =
        SourceText{"treno.txt", line_list_text(builtin_train_list()), std::nullopt, false};
    input.model_name = "Zorvane_Pelk";
    input.model_number = "728";
    input.with_geometry = true;
    CompileResult result = compile(input);
    end_ = result.end;
    model_ = new TrackModel(std::move(result.model));
    plot_ = new LinePlot(build_line_plot(line_data_from_model(*model_)));
    svg_ = new std::string(render_line_plot(*plot_));
    std::string error;
    auto root = testing_xml::parse(*svg_, &error);
    parse_error_ = new std::string(error);
    if (root) root_ = new Element(std::move(*root));
  }
  static void TearDownTestSuite() {
    delete model_;
    delete plot_;
    delete svg_;
    delete parse_error_;
    delete root_;
  }
  void SetUp() override {
    ASSERT_EQ(end_, CompileEnd::kCompiled);
    ASSERT_NE(root_, nullptr) << *parse_error_;
  }

  static inline CompileEnd end_ = CompileEnd::kModelNeverBuilt;
  static TrackModel* model_;
  static LinePlot* plot_;
  static std::string* svg_;
  static std::string* parse_error_;
  static Element* root_;
};
TrackModel* BuiltinLinePlotTest::model_ = nullptr;
LinePlot* BuiltinLinePlotTest::plot_ = nullptr;
std::string* BuiltinLinePlotTest::svg_ = nullptr;
std::string* BuiltinLinePlotTest::parse_error_ = nullptr;
Element* BuiltinLinePlotTest::root_ = nullptr;

TEST_F(BuiltinLinePlotTest, IsOneSmallSvgDocument) {
  EXPECT_EQ(root_->name, "svg");
  EXPECT_EQ(root_->attr("xmlns"), "http://www.w3.org/2000/svg");
  EXPECT_LT(svg_->size(), 200'000u);  // the plan is decimated, numbers are short
}

TEST_F(BuiltinLinePlotTest, PlanReachesTheGeometrysExtremes) {
  const Linea& linea = model_->linea;
  ASSERT_GT(linea.filled(), 2u);
  double min_x = 0, max_x = 0, min_y = 0, max_y = 0;
  linea.for_each_point([&](double x, double y) {
    min_x = std::min(min_x, x);
    max_x = std::max(max_x, x);
    min_y = std::min(min_y, y);
    max_y = std::max(max_y, y);
  });
  EXPECT_EQ(plot_->plan_bounds.min_x, min_x);
  EXPECT_EQ(plot_->plan_bounds.max_x, max_x);
  EXPECT_EQ(plot_->plan_bounds.min_y, min_y);
  EXPECT_EQ(plot_->plan_bounds.max_y, max_y);
  // The line turns: the plan is no straight stroke.
  EXPECT_GT(max_x - min_x, 1000);

  // The drawn track (line and run-out) spans exactly the page box of those
  // extremes, to the 0.1 px the numbers are written with.
  std::vector<Point> drawn;
  for (const char* cls : {"plan", "plan-runout"}) {
    auto lines = root_->with_class(cls);
    ASSERT_EQ(lines.size(), 1u) << cls;
    auto pts = points_of(lines[0]->attr("points"));
    drawn.insert(drawn.end(), pts.begin(), pts.end());
  }
  ASSERT_FALSE(drawn.empty());
  EXPECT_LT(drawn.size(), linea.filled() / 20);  // decimated
  const PlotLayout layout = layout_line_plot(*plot_);
  double lo_x = 1e9, hi_x = -1e9, lo_y = 1e9, hi_y = -1e9;
  for (const Point& p : drawn) {
    lo_x = std::min(lo_x, p.x);
    hi_x = std::max(hi_x, p.x);
    lo_y = std::min(lo_y, p.y);
    hi_y = std::max(hi_y, p.y);
  }
  EXPECT_NEAR(lo_x, layout.page_x(min_x), 0.051);
  EXPECT_NEAR(hi_x, layout.page_x(max_x), 0.051);
  EXPECT_NEAR(lo_y, layout.page_y(max_y), 0.051);  // up on the page is the larger y
  EXPECT_NEAR(hi_y, layout.page_y(min_y), 0.051);
  // Scaled to fit: the drawing stays on the page and fills its width or its height.
  EXPECT_GE(lo_x, 0);
  EXPECT_LE(hi_x, layout.width);
  EXPECT_TRUE(hi_x - lo_x > 1000 || hi_y - lo_y > 600) << hi_x - lo_x << " x " << hi_y - lo_y;
}

TEST_F(BuiltinLinePlotTest, EverySignalAppearsOnceAtItsKilometre) {
  std::multiset<int> expected;
  for (size_t k = 0; k < model_->percorso.size(); ++k) {
    if (model_->percorso[k].tipo == kSignal) expected.insert(static_cast<int>(k) * 50);
  }
  EXPECT_EQ(expected.size(), 42u);  // the built-in train's signals

  const PlotLayout layout = layout_line_plot(*plot_);
  std::multiset<int> drawn;
  for (const Element* g : root_->with_class("signal")) {
    const int metre = std::stoi(g->attr("data-m"));
    drawn.insert(metre);
    const Element* mast = nullptr;
    for (const Element& c : g->children) {
      if (c.name == "path") mast = &c;
    }
    ASSERT_NE(mast, nullptr);
    EXPECT_NEAR(path_start_x(mast->attr("d")), layout.metre_x(metre), 0.051) << metre;
  }
  EXPECT_EQ(drawn, expected);
}

TEST_F(BuiltinLinePlotTest, EveryStationAppearsOnceAtItsKilometreWithItsExtent) {
  // The stations of the table: entries 1 up to the first empty one.
  std::map<std::string, const VoceTreno*> expected;
  for (int i = 1; i < kFirstBoardSlot && !model_->treno[i].nome.empty(); ++i) {
    expected[model_->treno[i].nome] = &model_->treno[i];
  }
  ASSERT_EQ(expected.size(), 16u);

  const PlotLayout layout = layout_line_plot(*plot_);
  std::map<std::string, int> seen;
  for (const Element* g : root_->with_class("station")) {
    const std::vector<std::string> names = texts_below(*g);
    ASSERT_EQ(names.size(), 1u);
    const std::string& name = names[0];
    ++seen[name];
    ASSERT_EQ(expected.count(name), 1u) << name;
    const VoceTreno& v = *expected[name];
    EXPECT_EQ(g->attr("data-m"), std::to_string(v.posizione)) << name;
    const Element* extent = nullptr;
    const Element* mark = nullptr;
    for (const Element& c : g->children) {
      if (c.name == "rect") extent = &c;
      if (c.name == "path") mark = &c;
    }
    ASSERT_TRUE(extent && mark) << name;
    EXPECT_NEAR(std::stod(extent->attr("x")), layout.metre_x(v.inizio), 0.051) << name;
    EXPECT_NEAR(std::stod(extent->attr("x")) + std::stod(extent->attr("width")),
                layout.metre_x(v.fine), 0.11)
        << name;
    EXPECT_NEAR(path_start_x(mark->attr("d")), layout.metre_x(v.posizione), 0.051) << name;
  }
  for (const auto& [name, v] : expected) EXPECT_EQ(seen[name], 1) << name;

  // The plan names each station once too, at its point of the track.
  auto plan = root_->with_class("plan-stations");
  ASSERT_EQ(plan.size(), 1u);
  std::map<std::string, int> named;
  for (const std::string& t : texts_below(*plan[0])) ++named[t];
  const std::vector<Linea::Point> plan_points = model_->linea.coordinates();
  for (const auto& [name, v] : expected) EXPECT_EQ(named[name], 1) << name;
  for (const Element& c : plan[0]->children) {
    if (c.name != "circle") continue;
    const double x = std::stod(c.attr("cx"));
    const double y = std::stod(c.attr("cy"));
    bool on_station = false;
    for (const auto& [name, v] : expected) {
      const auto k = static_cast<size_t>(v->posizione);
      on_station |= std::abs(x - layout.page_x(plan_points[k].x)) < 0.051 &&
                    std::abs(y - layout.page_y(plan_points[k].y)) < 0.051;
    }
    EXPECT_TRUE(on_station) << x << "," << y;
  }
}

TEST_F(BuiltinLinePlotTest, HeightsAreTheRunningSumOfGradientTimesLength) {
  const auto& cells = model_->percorso;
  // Every cell but the last three carries a gradient.
  ASSERT_EQ(plot_->heights.size(), cells.size() - 2);
  double h = 0;
  for (size_t k = 0; k + 3 < cells.size(); ++k) {
    h += (cells[k].pendenza - 100) * 50 / 1000.0;
    ASSERT_NEAR(plot_->heights[k + 1], h, 1e-9) << "cell " << k;
  }
  EXPECT_EQ(plot_->heights[0], 0);
  // The first gradient line: flat to cell 5, then 4 per mille.
  EXPECT_EQ(plot_->heights[6], 0);
  EXPECT_NEAR(plot_->heights[7], 0.2, 1e-12);

  // Each vertex of the drawn profile sits at the height of its kilometre.
  auto lines = root_->with_class("elevation-line");
  ASSERT_EQ(lines.size(), 1u);
  const std::vector<Point> vertices = points_of(lines[0]->attr("points"));
  ASSERT_GE(vertices.size(), 10u);
  const PlotLayout layout = layout_line_plot(*plot_);
  double previous = -1;
  for (const Point& p : vertices) {
    const double metre = (p.x - layout.profile_left) / layout.metre_scale;
    const auto cell = static_cast<size_t>(std::lround(metre / 50));
    EXPECT_NEAR(metre, cell * 50.0, 5) << "a vertex between two cells";
    EXPECT_GT(metre, previous);
    previous = metre;
    ASSERT_LT(cell, plot_->heights.size());
    const double height = (layout.elevation_zero - p.y) / layout.height_scale;
    EXPECT_NEAR(height, plot_->heights[cell], 0.05) << "at metre " << cell * 50;
  }
}

TEST_F(BuiltinLinePlotTest, TheFastestRunStaysUnderTheLimitsAndStopsAtTheTimedStations) {
  ASSERT_GE(plot_->fastest_run.size(), 2u);
  EXPECT_EQ(plot_->fastest_run.front().kmh, 0);
  EXPECT_EQ(plot_->fastest_run.back().kmh, 0);
  for (const RunPoint& r : plot_->fastest_run) {
    const size_t cell = static_cast<size_t>(r.metre / 50);
    // Never above the limit of the cell it enters or of the one it leaves.
    const int limit = std::max(model_->percorso[cell].velocita * 5,
                               cell > 0 ? model_->percorso[cell - 1].velocita * 5 : 0);
    EXPECT_LE(r.kmh, limit + 1e-9) << "metre " << r.metre;
  }
  // The four timed stations of the timetable: 5:50, 6:19, 6:36 and 6:50.
  std::vector<int64_t> times;
  for (const Station& s : plot_->stations) {
    if (s.time) times.push_back(*s.time);
  }
  EXPECT_EQ(times, (std::vector<int64_t>{5 * 3600 + 50 * 60, 6 * 3600 + 19 * 60, 6 * 3600 + 36 * 60,
                                         6 * 3600 + 50 * 60}));
  const std::string svg =
      render_line_plot(*plot_, [](std::string_view s) { return std::string(s); });
  EXPECT_NE(svg.find("fastest-run"), std::string::npos);
  EXPECT_NE(svg.find(">6:19<"), std::string::npos);
}

TEST_F(BuiltinLinePlotTest, TheTimeBandDrawsEachLegFromTheTimeBefore) {
  ASSERT_TRUE(plot_->departure);
  EXPECT_EQ(plot_->departure->seconds, 5 * 3600 + 50 * 60);
  ASSERT_EQ(plot_->legs.size(), 3u);
  TimePoint before = *plot_->departure;
  for (const TimedLeg& leg : plot_->legs) {
    ASSERT_GE(leg.fastest.size(), 2u);
    EXPECT_EQ(leg.fastest.front().metre, before.metre);
    EXPECT_EQ(leg.fastest.front().seconds, before.seconds);
    EXPECT_EQ(leg.fastest.back().metre, leg.scheduled.metre);
    EXPECT_EQ(leg.lower.front().seconds, before.seconds);
    // The speed limits alone are never slower than the fastest run, and
    // the built-in timetable leaves every leg its time.
    EXPECT_LE(leg.lower.back().seconds, leg.fastest.back().seconds);
    EXPECT_TRUE(leg.drivable()) << plot_->stations[leg.station].name;
    for (size_t j = 1; j < leg.fastest.size(); ++j) {
      EXPECT_GT(leg.fastest[j].metre, leg.fastest[j - 1].metre);
      EXPECT_GE(leg.fastest[j].seconds, leg.fastest[j - 1].seconds);
    }
    before = leg.scheduled;
  }
  EXPECT_EQ(root_->with_class("time").size(), 4u);
  EXPECT_TRUE(root_->with_class("early-time").empty());
  EXPECT_EQ(root_->with_class("leg-fastest").size(), 3u);
}

TEST_F(BuiltinLinePlotTest, SlowdownsPairTheirStartAndEndCells) {
  // "rallentamento, 19000, 30, 300, ..." and "rallentamento, 64700, 70, 400, ...":
  // start cells 381 and 1295, end cells 387 and 1303, warnings 24 cells ahead.
  ASSERT_EQ(plot_->slowdowns.size(), 2u);
  EXPECT_EQ(plot_->slowdowns[0].start, 381 * 50);
  EXPECT_EQ(plot_->slowdowns[0].end, 388 * 50);
  EXPECT_EQ(plot_->slowdowns[0].speed, 30);
  EXPECT_EQ(plot_->slowdowns[1].start, 1295 * 50);
  EXPECT_EQ(plot_->slowdowns[1].end, 1304 * 50);
  EXPECT_EQ(plot_->slowdowns[1].speed, 70);
  ASSERT_EQ(plot_->warnings.size(), 2u);
  EXPECT_EQ(plot_->warnings[0].cell, 357);
  EXPECT_EQ(plot_->warnings[1].cell, 1271);
  EXPECT_EQ(root_->with_class("slowdown").size(), 2u);
  EXPECT_EQ(root_->with_class("warning").size(), 2u);
}

TEST_F(BuiltinLinePlotTest, FilesOfARunGiveTheSamePictureAsTheModel) {
  auto image = [](BinaryImage kind) {
    StringSink sink;
    write_image(kind, *model_, sink);
    return sink.bytes;
  };
  DecodeError error;
  std::vector<Cella> cells;
  ASSERT_TRUE(decode_cells(image(BinaryImage::kCells), &cells, &error)) << error.expected;
  auto treno = std::make_unique<std::array<VoceTreno, kTrenoEntries>>();
  ASSERT_TRUE(decode_train_table(image(BinaryImage::kTrainTable), treno.get(), &error))
      << error.expected;
  DecodedGeometry geometry;
  ASSERT_TRUE(decode_geometry(image(BinaryImage::kGeometry), &geometry, &error)) << error.expected;
  const LinePlot from_files =
      build_line_plot(line_data_from_records(std::move(cells), *treno, &geometry));
  EXPECT_EQ(from_files.plan.size(), model_->linea.filled());
  EXPECT_EQ(render_line_plot(from_files), *svg_);
}

// Stations of kind 4 with their stop cells on a level line at 100 km/h.
LineData timed_line(const std::vector<std::pair<int, int32_t>>& stops) {
  LineData data;
  data.cells.resize(220);
  for (Cella& c : data.cells) {
    c.pendenza = 100;
    c.velocita = 20;
  }
  for (size_t i = 0; i < stops.size(); ++i) {
    const int n = static_cast<int>(i) + 1;
    const int cell = stops[i].first;
    VoceTreno& v = data.treno[static_cast<size_t>(n)];
    v.tipo = 4;
    v.posizione = cell * 50;
    v.inizio = cell * 50 - 200;
    v.fine = cell * 50 + 50;
    v.nome = "S" + std::to_string(n);
    v.orario = stops[i].second;
    data.cells[static_cast<size_t>(cell)].tipo = kStationStop;
    data.cells[static_cast<size_t>(cell)].valore1 = static_cast<int16_t>(n);
  }
  data.treno[kTrainParameters].fine = 200 * 50;
  return data;
}

TEST(LinePlotTest, ATimeTheTrainCannotKeepLiesBelowItsLegAndMidnightIsNoStepBack) {
  // 5 km in 30 s, then on past midnight with time to spare.
  const LinePlot plot = build_line_plot(
      timed_line({{2, 23 * 3600 + 55 * 60}, {102, 23 * 3600 + 55 * 60 + 30}, {190, 10 * 60}}));
  ASSERT_EQ(plot.legs.size(), 2u);
  EXPECT_FALSE(plot.legs[0].drivable());
  EXPECT_TRUE(plot.legs[1].drivable());
  EXPECT_EQ(plot.legs[1].scheduled.seconds, 24 * 3600 + 10 * 60);
  // 5 km at 100 km/h take 180 s before any time is lost to starting or stopping.
  EXPECT_GT(plot.legs[0].fastest.back().seconds - plot.legs[0].fastest.front().seconds, 180);

  const std::string svg = render_line_plot(plot);
  std::string error;
  auto root = testing_xml::parse(svg, &error);
  ASSERT_TRUE(root) << error;
  const auto early = root->with_class("early-time");
  ASSERT_EQ(early.size(), 1u);
  EXPECT_EQ(early[0]->attr("data-m"), "5100");
  const auto legs = root->with_class("leg-fastest");
  ASSERT_EQ(legs.size(), 2u);
  // Time goes up the band: the early dot is drawn under the end of its leg.
  const std::string d = legs[0]->attr("d");
  const double leg_end_y = std::stod(d.substr(d.rfind(' ') + 1));
  std::vector<const Element*> dots;
  early[0]->collect([](const Element& e) { return e.name == "circle"; }, &dots);
  ASSERT_EQ(dots.size(), 1u);
  EXPECT_GT(std::stod(dots[0]->attr("cy")), leg_end_y + 2);
  EXPECT_EQ(root->with_class("time").size(), 2u);
}

TEST(LinePlotTest, ObjectsCloserThanAFewPixelsAreMarkedAsACluster) {
  // 100 km on 1180 px: a cell is about 0.6 px.
  LineData data;
  data.cells.resize(2000);
  for (Cella& c : data.cells) {
    c.pendenza = 100;
    c.velocita = 20;
  }
  for (int cell : {100, 101, 103, 500, 900, 906, 1200, 1210}) {
    data.cells[static_cast<size_t>(cell)].tipo = kSignal;
  }
  data.cells[1500].tipo = kSignBoard;
  data.cells[1500].valore1 = 80;
  data.treno[80].nome = "PONTE";
  data.cells[1502].tipo = kSpeedBoard;
  data.cells[1502].valore1 = 1212;
  data.treno[kTrainParameters].fine = 99000;
  const std::string svg = render_line_plot(build_line_plot(data));
  std::string error;
  auto root = testing_xml::parse(svg, &error);
  ASSERT_TRUE(root) << error;
  // Every signal is still drawn at its place; the runs of close ones are
  // counted: 100-101-103 (one run, each within 4 px of the one before),
  // 900-906 (3.5 px), not 1200-1210 (5.9 px) nor 500 alone.
  EXPECT_EQ(root->with_class("signal").size(), 8u);
  std::vector<std::string> counts;
  std::vector<std::string> titles;
  for (const Element* g : root->with_class("cluster")) {
    counts.push_back(g->attr("data-count"));
    titles.push_back(texts_below(*g).back());
  }
  EXPECT_EQ(counts, (std::vector<std::string>{"3", "2", "2"}));
  ASSERT_EQ(titles.size(), 3u);
  EXPECT_EQ(titles[2], "2");
  std::vector<const Element*> found;
  root->collect([](const Element& e) { return e.name == "title"; }, &found);
  const auto has_title = [&](const std::string& t) {
    return std::any_of(found.begin(), found.end(), [&](const Element* e) { return e->text == t; });
  };
  EXPECT_TRUE(has_title("3 signals closer than 4 px on the page, at km 5.000, 5.050, 5.150"));
  EXPECT_TRUE(has_title("2 boards closer than 4 px on the page, at km 75.000, 75.100"));
}

// A small line built by hand: texts with characters XML must escape or
// cannot hold, and no geometry.
TEST(LinePlotTest, TextsAreEscapedAndAMissingPlanIsSaidSo) {
  LineData data;
  data.cells.resize(100);
  for (Cella& c : data.cells) {
    c.pendenza = 100;
    c.velocita = 20;
  }
  data.cells[10].tipo = kSignBoard;
  data.cells[10].valore1 = 80;
  data.treno[80].nome = "( Ponte ) <su> \"Arno\" & 'Elsa'";
  data.treno[1] = VoceTreno{};
  data.treno[1].tipo = 2;
  data.treno[1].posizione = 1000;
  data.treno[1].inizio = 700;
  data.treno[1].fine = 1300;
  data.treno[1].nome = "CITT\xC0\x01";  // Windows-1252 "À" and a control character
  data.treno[kScenarioEntry].nome = "A&B";
  data.treno[kTrainParameters].fine = 1500;

  const LinePlot plot = build_line_plot(data);
  ASSERT_EQ(plot.stations.size(), 1u);
  ASSERT_EQ(plot.sign_boards.size(), 1u);

  const TextDecoder latin = [](std::string_view s) {
    std::string out;
    for (char c : s) {
      const auto b = static_cast<unsigned char>(c);
      if (b < 0x80) {
        out += c;
      } else {
        out += static_cast<char>(0xC0 | (b >> 6));
        out += static_cast<char>(0x80 | (b & 0x3F));
      }
    }
    return out;
  };
  for (const TextDecoder& decode : {TextDecoder(), latin}) {
    const std::string svg = render_line_plot(plot, decode);
    std::string error;
    auto root = testing_xml::parse(svg, &error);
    ASSERT_TRUE(root) << error;
    const std::vector<std::string> texts = texts_below(*root);
    const auto has = [&](const std::string& t) {
      return std::find(texts.begin(), texts.end(), t) != texts.end();
    };
    EXPECT_TRUE(has("( Ponte ) <su> \"Arno\" & 'Elsa'"));
    EXPECT_TRUE(has(decode ? "CITT\u00C0\uFFFD" : "CITT?\uFFFD"));
    EXPECT_TRUE(has("A&B"));
    EXPECT_TRUE(has("No plan: the line was compiled without its geometry."));
    EXPECT_TRUE(root->with_class("plan").empty());
  }
}

}  // namespace
}  // namespace binario
