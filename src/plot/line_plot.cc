#include "plot/line_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <utility>

#include "output/kilometres.h"
#include "plot/svg_writer.h"

namespace binario {

LineData line_data_from_model(const TrackModel& model) {
  LineData data;
  data.cells = model.percorso;
  data.treno = model.treno;
  const Linea& linea = model.linea;
  data.plan.reserve(linea.filled());
  for (size_t k = 0; k < linea.filled(); ++k) data.plan.push_back({linea.x(k), linea.y(k)});
  return data;
}

LineData line_data_from_records(std::vector<Cella> cells,
                                const std::array<VoceTreno, kTrenoEntries>& treno,
                                const DecodedGeometry* geometry) {
  LineData data;
  data.cells = std::move(cells);
  data.treno = treno;
  if (geometry != nullptr) {
    const size_t n = std::min(geometry->first.size(), geometry->second.size());
    for (size_t k = 0; k < n; ++k) {
      if (geometry->first[k].tag == Tag::kEmpty || geometry->second[k].tag == Tag::kEmpty) break;
      data.plan.push_back({geometry->first[k].value, geometry->second[k].value});
    }
  }
  return data;
}

namespace {

bool entry_is_empty(const VoceTreno& v) {
  return v.tipo == 0 && v.inizio == 0 && v.fine == 0 && v.posizione == 0 && v.nome.empty();
}

// Runs of equal `value(cell)` over cells [0, count); with `skip_zero` the
// cells whose value is 0 belong to no run.
template <typename F>
std::vector<Run> runs_of(const std::vector<Cella>& cells, size_t count, F value, bool skip_zero) {
  std::vector<Run> runs;
  for (size_t k = 0; k < count; ++k) {
    const int v = value(cells[k]);
    const int32_t from = static_cast<int32_t>(k) * kCellMetres;
    if (!runs.empty() && runs.back().to == from && runs.back().value == v) {
      runs.back().to = from + kCellMetres;
    } else if (!(skip_zero && v == 0)) {
      runs.push_back({from, from + kCellMetres, v});
    }
  }
  return runs;
}

}  // namespace

LinePlot build_line_plot(const LineData& data) {
  LinePlot p;
  p.scenario = data.treno[kScenarioEntry].nome;
  p.train = data.treno[kTrainEntry].nome;
  p.line_length = data.treno[kTrainParameters].fine;
  const auto& cells = data.cells;
  p.model_end = static_cast<int32_t>(cells.size()) * kCellMetres;

  p.plan = data.plan;
  if (!p.plan.empty()) {
    Bounds b{p.plan[0].x, p.plan[0].x, p.plan[0].y, p.plan[0].y};
    for (const PlanPoint& q : p.plan) {
      b.min_x = std::min(b.min_x, q.x);
      b.max_x = std::max(b.max_x, q.x);
      b.min_y = std::min(b.min_y, q.y);
      b.max_y = std::max(b.max_y, q.y);
    }
    p.plan_bounds = b;
  }

  // The gradients and speed limits fill every cell but the last three.
  const size_t filled = cells.size() > 3 ? cells.size() - 3 : 0;
  p.heights.assign(filled + 1, 0.0);
  for (size_t k = 0; k < filled; ++k) {
    p.heights[k + 1] = p.heights[k] + (cells[k].pendenza - 100) * kCellMetres / 1000.0;
  }
  p.gradients = runs_of(
      cells, filled, [](const Cella& c) { return c.pendenza - 100; }, false);
  p.speed_limits = runs_of(
      cells, filled, [](const Cella& c) { return c.velocita * 5; }, false);
  p.mountains = runs_of(
      cells, cells.size(), [](const Cella& c) { return static_cast<int>(c.montagna); }, true);

  const VoceTreno& train = data.treno[kTrainEntry];
  if (train.fine > train.inizio) p.repetition = Run{train.inizio, train.fine, train.posizione};

  // Point objects, in cell order.
  std::set<int> sign_slots;
  for (size_t k = 0; k < cells.size(); ++k) {
    const Cella& c = cells[k];
    const CellItem item{static_cast<int32_t>(k), static_cast<int32_t>(k) * kCellMetres, c};
    switch (c.tipo) {
      case kSignal:
        p.signals.push_back(item);
        break;
      case kCodePoint:
      case kBareCodePoint:
        p.code_points.push_back(item);
        break;
      case kSlowdownWarning:
        p.warnings.push_back(item);
        break;
      case kCountdown:
        p.countdown.push_back(item);
        break;
      case kSpeedBoard:
        p.speed_boards.push_back(item);
        break;
      case kSignBoard: {
        p.sign_boards.push_back(item);
        const bool in_table = c.valore1 >= 1 && c.valore1 <= kFirstBoardSlot;
        p.sign_texts.push_back(in_table ? data.treno[c.valore1].nome : std::string());
        if (in_table) sign_slots.insert(c.valore1);
        break;
      }
      case kMountainMarker:
        p.mountain_markers.push_back(item);
        break;
      case kSlowdownStart: {
        // Its end is the next end cell; one that never comes ends it at once.
        Slowdown s{item.metre, item.metre + kCellMetres, c.valore1};
        for (size_t e = k + 1; e < cells.size(); ++e) {
          if (cells[e].tipo == kSlowdownEnd) {
            s.end = static_cast<int32_t>(e) * kCellMetres + kCellMetres;
            break;
          }
        }
        p.slowdowns.push_back(s);
        break;
      }
      default:
        break;
    }
  }

  // Stations fill the table from entry 1 up to the first empty entry or the
  // first sign-board text.
  for (int i = 1; i <= kFirstBoardSlot; ++i) {
    const VoceTreno& v = data.treno[i];
    if (sign_slots.count(i) != 0 || entry_is_empty(v)) break;
    p.stations.push_back({i, v.nome, v.tipo, v.posizione, v.inizio, v.fine});
  }
  return p;
}

namespace {

// ---------------------------------------------------------------------------
// Page geometry.

constexpr double kPageWidth = 1400;
constexpr double kLegendWidth = 190;  // the left column: band titles and legends
constexpr double kRightMargin = 30;
constexpr double kContentWidth = kPageWidth - kLegendWidth - kRightMargin;
constexpr double kTitleHeight = 80;
constexpr double kPlanMaxHeight = 760;
constexpr double kPlanPad = 24;
constexpr double kScaleBarHeight = 40;
constexpr double kGap = 36;
constexpr double kAxisHeight = 40;
constexpr double kLegendLine = 15;

enum BandId { kElevation, kSpeed, kSignals, kStations, kSlowdowns, kBoards, kMountains, kBands };

// What the picture shows, each with its legend symbol, colour and text in
// one place: the legends list these marks and the drawing takes its colours
// from them, so the two cannot disagree.
struct Mark {
  enum Symbol { kLine, kDashed, kBox, kDot, kTriangle, kMast, kTick, kDiamond } symbol;
  const char* colour;
  const char* text;
};

namespace mark {
// The plan.
constexpr Mark kTrack{Mark::kLine, "#37474f", "track"};
constexpr Mark kPlanRunOut{Mark::kDashed, "#9e9e9e", "run-out beyond the line"};
constexpr Mark kPlanStation{Mark::kDot, "#0d47a1", "station"};
constexpr Mark kPlanKilometre{Mark::kTick, "#37474f", "kilometre, every 10 named"};
// The profile bands.
constexpr Mark kHeight{Mark::kLine, "#6d4c41", "height above start, m"};
constexpr Mark kRunOut{Mark::kBox, "#eeeeee", "run-out beyond the line"};
constexpr Mark kLineSpeed{Mark::kLine, "#1565c0", "line speed, km/h"};
constexpr Mark kSlowdownSpeed{Mark::kDashed, "#c62828", "slowdown speed"};
constexpr Mark kSignal{Mark::kMast, "#212121", "signal"};
constexpr Mark kCodePoint{Mark::kTick, "#757575", "speed-code point"};
constexpr Mark kCabSignalling{Mark::kBox, "#66bb6a", "cab signalling"};
constexpr Mark kStationExtent{Mark::kBox, "#bbdefb", "extent (start to end)"};
constexpr Mark kStationPosition{Mark::kLine, "#0d47a1", "station position"};
constexpr Mark kWarningBoard{Mark::kTriangle, "#fdd835", "warning board"};
constexpr Mark kSlowdown{Mark::kBox, "#e57373", "slowdown, start to end"};
constexpr Mark kCountdown{Mark::kDot, "#616161", "countdown boards"};
constexpr Mark kSpeedBoard{Mark::kBox, "#ffffff", "speed board: left | right"};
constexpr Mark kSignBoard{Mark::kDiamond, "#1e88e5", "sign board"};
constexpr Mark kMountain1{Mark::kBox, "#8d6e63", "span, kind 1"};
constexpr Mark kMountain2{Mark::kBox, "#bcaaa4", "span, kind 2"};
constexpr Mark kMountainJoined{Mark::kBox, "#5d4037", "span, joined (3)"};
constexpr Mark kMountainMarker{Mark::kTick, "#3e2723", "marker"};
}  // namespace mark

struct BandStyle {
  const char* title;
  double min_height;
  std::vector<Mark> legend;
};

const std::array<BandStyle, kBands>& band_styles() {
  static const std::array<BandStyle, kBands> styles = {{
      {"Elevation", 200, {mark::kHeight, mark::kRunOut}},
      {"Speed limit", 120, {mark::kLineSpeed, mark::kSlowdownSpeed}},
      {"Signals", 70, {mark::kSignal, mark::kCodePoint, mark::kCabSignalling}},
      {"Stations", 150, {mark::kStationExtent, mark::kStationPosition}},
      {"Slowdowns", 80, {mark::kWarningBoard, mark::kSlowdown, mark::kCountdown}},
      {"Boards", 160, {mark::kSpeedBoard, mark::kSignBoard}},
      {"Mountains",
       50,
       {mark::kMountain1, mark::kMountain2, mark::kMountainJoined, mark::kMountainMarker}},
  }};
  return styles;
}

struct Page {
  PlotLayout layout;
  double plan_panel_top = 0;
  double plan_panel_height = 0;
  std::array<double, kBands> band_top{};
  std::array<double, kBands> band_height{};
  double axis_top = 0;
  double elevation_low = 0;  // the height range the elevation band shows
  double elevation_high = 0;
  double elevation_step = 0;
};

// The smallest of 1, 2, 5 x 10^n that is at least `value`.
double nice_at_least(double value) {
  if (value <= 0) return 1;
  const double base = std::pow(10.0, std::floor(std::log10(value)));
  for (double m : {1.0, 2.0, 5.0, 10.0}) {
    if (m * base >= value * (1 - 1e-9)) return m * base;
  }
  return 10 * base;
}

// The largest of 1, 2, 5 x 10^n that is at most `value`.
double nice_at_most(double value) {
  if (value <= 0) return 1;
  const double base = std::pow(10.0, std::floor(std::log10(value)));
  for (double m : {5.0, 2.0, 1.0}) {
    if (m * base <= value * (1 + 1e-9)) return m * base;
  }
  return base;
}

Page make_page(const LinePlot& plot) {
  Page page;
  PlotLayout& l = page.layout;
  l.width = kPageWidth;

  // The plan, scaled to fit the content width and the height cap.
  page.plan_panel_top = kTitleHeight;
  l.plan_bounds = plot.plan_bounds;
  if (!plot.plan.empty()) {
    const double dx = std::max(plot.plan_bounds.max_x - plot.plan_bounds.min_x, 1.0);
    const double dy = std::max(plot.plan_bounds.max_y - plot.plan_bounds.min_y, 1.0);
    const double avail_w = kContentWidth - 2 * kPlanPad;
    const double avail_h = kPlanMaxHeight - 2 * kPlanPad;
    l.plan_scale = std::min(avail_w / dx, avail_h / dy);
    l.plan_left = kLegendWidth + kPlanPad + (avail_w - dx * l.plan_scale) / 2;
    l.plan_top = page.plan_panel_top + kPlanPad;
    page.plan_panel_height = dy * l.plan_scale + 2 * kPlanPad + kScaleBarHeight;
  } else {
    page.plan_panel_height = 60;
  }

  // The profile bands, one under the other.
  const double metres = std::max<double>(plot.model_end, 1);
  l.profile_left = kLegendWidth;
  l.metre_scale = kContentWidth / metres;
  double y = page.plan_panel_top + page.plan_panel_height + kGap;
  for (int b = 0; b < kBands; ++b) {
    const BandStyle& style = band_styles()[b];
    const double legend = 22 + kLegendLine * static_cast<double>(style.legend.size()) + 6;
    page.band_top[b] = y;
    page.band_height[b] = std::max(style.min_height, legend);
    y += page.band_height[b];
  }
  page.axis_top = y;
  l.height = y + kAxisHeight + 20;

  // The elevation band's height range, on round numbers.
  double low = 0;
  double high = 0;
  for (double h : plot.heights) {
    low = std::min(low, h);
    high = std::max(high, h);
  }
  const double step = nice_at_least(std::max(high - low, 1.0) / 4);
  page.elevation_step = step;
  page.elevation_low = std::floor(low / step) * step;
  page.elevation_high = std::ceil(high / step) * step;
  if (page.elevation_high <= page.elevation_low) page.elevation_high = page.elevation_low + step;
  const double pad = 24;
  const double band_bottom = page.band_top[kElevation] + page.band_height[kElevation];
  l.height_scale =
      (page.band_height[kElevation] - 2 * pad) / (page.elevation_high - page.elevation_low);
  l.elevation_zero = band_bottom - pad + page.elevation_low * l.height_scale;
  return page;
}

// ---------------------------------------------------------------------------
// Text.

std::string ascii_only(std::string_view bytes) {
  std::string out;
  for (char c : bytes) out += static_cast<unsigned char>(c) < 0x80 ? c : '?';
  return out;
}

// Blank runs folded into one blank, blanks at the ends dropped.
std::string fold_blanks(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == ' ' || c == '\t') {
      if (!out.empty() && out.back() != ' ') out += ' ';
    } else {
      out += c;
    }
  }
  while (!out.empty() && out.back() == ' ') out.pop_back();
  return out;
}

// The speeds a speed-board value encodes: left (value div 100) x 5 and right
// (value mod 100) x 5 km/h.
std::pair<int, int> board_speeds(int16_t value) {
  const int v = static_cast<uint16_t>(value);
  return {v / 100 * 5, v % 100 * 5};
}

std::string board_label(const Cella& c) {
  const auto [la, ra] = board_speeds(c.valore1);
  const auto [lb, rb] = board_speeds(c.valore2);
  const auto [lc, rc] = board_speeds(c.valore3);
  std::string s = std::to_string(la) + " " + std::to_string(lb) + " " + std::to_string(lc);
  if (ra != 0 || rb != 0 || rc != 0) {
    s += " | " + std::to_string(ra) + " " + std::to_string(rb) + " " + std::to_string(rc);
  }
  return s;
}

// ---------------------------------------------------------------------------
// Drawing.

class Painter {
 public:
  Painter(const LinePlot& plot, const TextDecoder& decode)
      : plot_(plot),
        decode_(decode ? decode : TextDecoder(ascii_only)),
        page_(make_page(plot)),
        l_(page_.layout),
        svg_(l_.width, l_.height) {}

  std::string paint() {
    style();
    svg_.empty("rect", {{"width", l_.width}, {"height", l_.height}, {"fill", "#ffffff"}});
    title();
    plan();
    profile();
    return svg_.finish();
  }

 private:
  double x_of(int32_t metre) const { return l_.metre_x(metre); }
  double top(BandId b) const { return page_.band_top[b]; }
  double bottom(BandId b) const { return page_.band_top[b] + page_.band_height[b]; }

  void style() {
    svg_.text("style", {},
              "text{font-family:Helvetica,Arial,sans-serif;font-size:11px;fill:#212121}"
              ".h1{font-size:20px;font-weight:bold}.h2{font-size:13px;font-weight:bold}"
              ".small{font-size:9px;fill:#424242}.axis{font-size:10px;fill:#616161}"
              ".grid{stroke:#e0e0e0;stroke-width:1}.frame{fill:none;stroke:#bdbdbd}"
              ".plan{fill:none;stroke:" +
                  std::string(mark::kTrack.colour) +
                  ";stroke-width:2;stroke-linejoin:round}"
                  ".plan-runout{fill:none;stroke:" +
                  mark::kPlanRunOut.colour + ";stroke-width:1.5;stroke-dasharray:6 4}");
  }

  void title() {
    std::string heading = decode_(plot_.scenario);
    if (!plot_.train.empty()) heading += " \u2014 train " + decode_(plot_.train);
    svg_.text("text", {{"x", 20}, {"y", 34}, {"class", "h1"}}, heading);
    const std::string sub = "line " + kilometres(plot_.line_length) + " km, " +
                            std::to_string(plot_.stations.size()) + " stations, " +
                            std::to_string(plot_.signals.size()) + " signals, " +
                            std::to_string(plot_.slowdowns.size()) + " slowdowns";
    svg_.text("text", {{"x", 20}, {"y", 56}}, sub);
  }

  void legend(double y, const char* heading, const std::vector<Mark>& entries) {
    svg_.text("text", {{"x", 16}, {"y", y + 18}, {"class", "h2"}}, heading);
    double line = y + 22 + kLegendLine - 4;
    for (const Mark& e : entries) {
      const double sx = 20;
      const double sy = line - 4;
      switch (e.symbol) {
        case Mark::kLine:
          svg_.empty("path", {{"d", "M" + svg_number(sx) + " " + svg_number(sy) + "h16"},
                              {"stroke", e.colour},
                              {"stroke-width", 2}});
          break;
        case Mark::kDashed:
          svg_.empty("path", {{"d", "M" + svg_number(sx) + " " + svg_number(sy) + "h16"},
                              {"stroke", e.colour},
                              {"stroke-width", 2},
                              {"stroke-dasharray", "4 2"}});
          break;
        case Mark::kBox:
          svg_.empty("rect", {{"x", sx},
                              {"y", sy - 5},
                              {"width", 16},
                              {"height", 10},
                              {"fill", e.colour},
                              {"stroke", "#616161"},
                              {"stroke-width", 0.5}});
          break;
        case Mark::kDot:
          svg_.empty("circle", {{"cx", sx + 8}, {"cy", sy}, {"r", 2.5}, {"fill", e.colour}});
          break;
        case Mark::kTriangle:
          triangle(sx + 8, sy + 5, e.colour);
          break;
        case Mark::kMast:
          mast(sx + 8, sy + 5, 6);
          break;
        case Mark::kTick:
          svg_.empty("path", {{"d", "M" + svg_number(sx + 8) + " " + svg_number(sy + 5) + "v-10"},
                              {"stroke", e.colour},
                              {"stroke-width", 1.5}});
          break;
        case Mark::kDiamond:
          diamond(sx + 8, sy, e.colour);
          break;
      }
      svg_.text("text", {{"x", 42}, {"y", line}}, e.text);
      line += kLegendLine;
    }
  }

  void triangle(double x, double base, const char* colour) {
    svg_.empty("path", {{"d", "M" + svg_number(x - 5) + " " + svg_number(base) + "h10l-5 -9z"},
                        {"fill", colour},
                        {"stroke", "#424242"},
                        {"stroke-width", 0.75}});
  }
  void diamond(double x, double y, const char* colour) {
    svg_.empty("path", {{"d", "M" + svg_number(x) + " " + svg_number(y - 5) + "l5 5l-5 5l-5 -5z"},
                        {"fill", colour}});
  }
  void mast(double x, double base, double height) {
    svg_.empty("path",
               {{"d", "M" + svg_number(x) + " " + svg_number(base) + "v" + svg_number(-height)},
                {"stroke", mark::kSignal.colour},
                {"stroke-width", 1.2}});
    svg_.empty("circle",
               {{"cx", x}, {"cy", base - height - 3}, {"r", 3.2}, {"fill", mark::kSignal.colour}});
  }

  // Text standing upward from (x, y).
  void vertical_text(double x, double y, std::string_view content, const char* cls) {
    const std::string rotate = "rotate(-90 " + svg_number(x) + " " + svg_number(y) + ")";
    svg_.text("text", {{"x", x}, {"y", y}, {"transform", rotate}, {"class", cls}}, content);
  }

  // --- The plan -----------------------------------------------------------

  std::string point(size_t k) const {
    const PlanPoint& q = plot_.plan[k];
    return svg_number(l_.page_x(q.x)) + "," + svg_number(l_.page_y(q.y));
  }

  void plan() {
    const double top = page_.plan_panel_top;
    legend(top, "Plan",
           {mark::kTrack, mark::kPlanRunOut, mark::kPlanStation, mark::kPlanKilometre});
    if (plot_.plan.empty()) {
      svg_.text("text", {{"x", kLegendWidth}, {"y", top + 30}},
                "No plan: the line was compiled without its geometry.");
      return;
    }
    const size_t n = plot_.plan.size();

    // One point every `step` metres, plus the extremes (so the drawing
    // reaches the true extent), the line's end and the last point.
    const size_t step = std::max<size_t>(50, n / 4000 + 1);
    std::set<size_t> keep;
    for (size_t k = 0; k < n; k += step) keep.insert(k);
    keep.insert(n - 1);
    size_t ix[4] = {0, 0, 0, 0};
    for (size_t k = 0; k < n; ++k) {
      const PlanPoint& q = plot_.plan[k];
      if (q.x < plot_.plan[ix[0]].x) ix[0] = k;
      if (q.x > plot_.plan[ix[1]].x) ix[1] = k;
      if (q.y < plot_.plan[ix[2]].y) ix[2] = k;
      if (q.y > plot_.plan[ix[3]].y) ix[3] = k;
    }
    for (size_t k : ix) keep.insert(k);
    const size_t end = std::min<size_t>(std::max<int32_t>(plot_.line_length, 0), n - 1);
    keep.insert(end);

    std::string line;
    std::string runout;
    for (size_t k : keep) {
      if (k <= end) line += (line.empty() ? "" : " ") + point(k);
      if (k >= end) runout += (runout.empty() ? "" : " ") + point(k);
    }
    if (end + 1 < n) svg_.empty("polyline", {{"class", "plan-runout"}, {"points", runout}});
    svg_.empty("polyline", {{"class", "plan"}, {"points", line}});

    plan_kilometres(end);
    plan_stations();
    scale_bar();
  }

  // The unit normal of the track at point k, on the page.
  std::pair<double, double> normal(size_t k) const {
    const size_t n = plot_.plan.size();
    const size_t a = k >= 5 ? k - 5 : 0;
    const size_t b = std::min(k + 5, n - 1);
    const double dx = l_.page_x(plot_.plan[b].x) - l_.page_x(plot_.plan[a].x);
    const double dy = l_.page_y(plot_.plan[b].y) - l_.page_y(plot_.plan[a].y);
    const double len = std::hypot(dx, dy);
    if (len == 0) return {1, 0};
    return {-dy / len, dx / len};
  }

  void plan_kilometres(size_t end) {
    std::string ticks;
    std::vector<std::pair<size_t, int>> names;
    for (size_t k = 1000, i = 1; k <= end; k += 1000, ++i) {
      const auto [nx, ny] = normal(k);
      const double len = i % 10 == 0 ? 7 : 4;
      const double x = l_.page_x(plot_.plan[k].x);
      const double y = l_.page_y(plot_.plan[k].y);
      ticks += "M" + svg_number(x - nx * len) + " " + svg_number(y - ny * len) + "L" +
               svg_number(x + nx * len) + " " + svg_number(y + ny * len);
      if (i % 10 == 0) names.emplace_back(k, static_cast<int>(i));
    }
    if (!ticks.empty()) {
      svg_.empty("path",
                 {{"d", ticks}, {"stroke", mark::kPlanKilometre.colour}, {"stroke-width", 1}});
    }
    for (const auto& [k, i] : names) {
      const auto [nx, ny] = normal(k);
      // On the side away from the station names, anchored so the text
      // leaves the track.
      const double x = l_.page_x(plot_.plan[k].x) - nx * 12;
      const double y = l_.page_y(plot_.plan[k].y) - ny * 12 + 3;
      const char* anchor = nx > 0.3 ? "end" : nx < -0.3 ? "start" : "middle";
      svg_.text("text", {{"x", x}, {"y", y}, {"class", "axis"}, {"text-anchor", anchor}},
                std::to_string(i) + " km");
    }
  }

  void plan_stations() {
    svg_.open("g", {{"class", "plan-stations"}});
    const double mid = kLegendWidth + kContentWidth * 0.7;
    for (const Station& s : plot_.stations) {
      if (s.posizione < 0 || static_cast<size_t>(s.posizione) >= plot_.plan.size()) continue;
      const size_t k = static_cast<size_t>(s.posizione);
      const double x = l_.page_x(plot_.plan[k].x);
      const double y = l_.page_y(plot_.plan[k].y);
      svg_.empty("circle", {{"cx", x},
                            {"cy", y},
                            {"r", 3.5},
                            {"fill", "#ffffff"},
                            {"stroke", mark::kPlanStation.colour},
                            {"stroke-width", 2}});
      const bool right = x < mid;
      svg_.text(
          "text",
          {{"x", right ? x + 8 : x - 8}, {"y", y + 4}, {"text-anchor", right ? "start" : "end"}},
          decode_(s.name));
    }
    svg_.close();
  }

  void scale_bar() {
    const double avail = kContentWidth * 0.2;
    const double metres = nice_at_most(avail / l_.plan_scale);
    const double w = metres * l_.plan_scale;
    const double x = kLegendWidth + kPlanPad;
    const double y = page_.plan_panel_top + page_.plan_panel_height - 18;
    svg_.empty("rect",
               {{"x", x}, {"y", y - 4}, {"width", w / 2}, {"height", 4}, {"fill", "#212121"}});
    svg_.empty("rect", {{"x", x + w / 2},
                        {"y", y - 4},
                        {"width", w / 2},
                        {"height", 4},
                        {"fill", "#ffffff"},
                        {"stroke", "#212121"},
                        {"stroke-width", 0.75}});
    const std::string label =
        metres >= 1000 ? svg_number(metres / 1000, 3) + " km" : svg_number(metres, 0) + " m";
    svg_.text("text", {{"x", x + w + 6}, {"y", y}, {"class", "axis"}}, label);
  }

  // --- The profile --------------------------------------------------------

  void profile() {
    const double first = top(kElevation);
    const double last = bottom(kMountains);
    const double right = kLegendWidth + kContentWidth;

    // The run-out and the kilometre grid behind every band.
    if (plot_.line_length > 0 && plot_.line_length < plot_.model_end) {
      svg_.empty("rect", {{"x", x_of(plot_.line_length)},
                          {"y", first},
                          {"width", right - x_of(plot_.line_length)},
                          {"height", last - first},
                          {"fill", mark::kRunOut.colour}});
    }
    const double label_step = kilometre_label_step();
    std::string grid;
    for (double m = label_step; m < plot_.model_end; m += label_step) {
      grid += "M" + svg_number(x_of(static_cast<int32_t>(m))) + " " + svg_number(first) + "V" +
              svg_number(last);
    }
    if (!grid.empty()) svg_.empty("path", {{"d", grid}, {"class", "grid"}});

    for (int b = 0; b < kBands; ++b) {
      const BandId id = static_cast<BandId>(b);
      legend(top(id), band_styles()[b].title, band_styles()[b].legend);
      svg_.empty("rect", {{"x", kLegendWidth},
                          {"y", top(id)},
                          {"width", kContentWidth},
                          {"height", page_.band_height[b]},
                          {"class", "frame"}});
    }
    elevation();
    speed();
    signals();
    stations();
    slowdowns();
    boards();
    mountains();
    axis(label_step);
  }

  double kilometre_label_step() const {
    return nice_at_least(50 / l_.metre_scale / 1000) * 1000;  // labels at least 50 px apart
  }

  void axis(double label_step) {
    const double y = page_.axis_top + 6;
    const double right = kLegendWidth + kContentWidth;
    std::string ticks =
        "M" + svg_number(kLegendWidth) + " " + svg_number(y) + "H" + svg_number(right);
    const double minor = label_step >= 10000 ? label_step / 5 : 1000;
    for (double m = 0; m <= plot_.model_end; m += minor) {
      ticks += "M" + svg_number(x_of(static_cast<int32_t>(m))) + " " + svg_number(y) + "v4";
    }
    svg_.empty("path", {{"d", ticks}, {"stroke", "#616161"}, {"stroke-width", 1}});
    for (double m = 0; m <= plot_.model_end; m += label_step) {
      svg_.text("text",
                {{"x", x_of(static_cast<int32_t>(m))},
                 {"y", y + 18},
                 {"class", "axis"},
                 {"text-anchor", "middle"}},
                svg_number(m / 1000, 0));
    }
    svg_.text("text", {{"x", right}, {"y", y + 32}, {"class", "axis"}, {"text-anchor", "end"}},
              "km from the start of the line");
  }

  void elevation() {
    svg_.open("g", {{"class", "elevation"}});
    const double bottom_y = bottom(kElevation);
    for (double h = page_.elevation_low; h <= page_.elevation_high + 1e-9;
         h += page_.elevation_step) {
      const double y = l_.height_y(h);
      svg_.empty("path", {{"d", "M" + svg_number(kLegendWidth) + " " + svg_number(y) + "h" +
                                    svg_number(kContentWidth)},
                          {"class", "grid"}});
    }
    if (plot_.heights.size() >= 2) {
      // Heights change linearly over a gradient run: its two ends suffice.
      std::string points;
      for (const Run& r : plot_.gradients) {
        if (points.empty()) points = vertex(r.from);
        points += " " + vertex(r.to);
      }
      const double base = l_.height_y(page_.elevation_low);
      const std::string area = "M" + svg_number(x_of(0)) + "," + svg_number(base) + "L" + points +
                               "L" + svg_number(x_of(plot_.gradients.back().to)) + "," +
                               svg_number(base) + "Z";
      svg_.empty("path", {{"d", area}, {"fill", "#d7ccc8"}, {"fill-opacity", 0.6}});
      svg_.empty("polyline", {{"class", "elevation-line"},
                              {"points", points},
                              {"fill", "none"},
                              {"stroke", mark::kHeight.colour},
                              {"stroke-width", 1.5}});
      for (const Run& r : plot_.gradients) {
        if ((r.to - r.from) * l_.metre_scale < 34) continue;
        const double mid = (r.from + r.to) / 2.0;
        const double h = (height_at(r.from) + height_at(r.to)) / 2;
        const std::string g = (r.value > 0   ? "+"
                               : r.value < 0 ? "\u2212"
                                             : "") +
                              std::to_string(std::abs(r.value)) + "\u2030";
        svg_.text("text",
                  {{"x", l_.metre_x(mid)},
                   {"y", std::min(l_.height_y(h) - 6, bottom_y - 4)},
                   {"class", "small"},
                   {"text-anchor", "middle"}},
                  g);
      }
    }
    for (double h = page_.elevation_low; h <= page_.elevation_high + 1e-9;
         h += page_.elevation_step) {
      axis_label(l_.height_y(h), svg_number(h, 1) + " m");
    }
    svg_.close();
  }

  // A value of a band's scale, at the right end of its grid line.
  void axis_label(double y, const std::string& text) {
    svg_.text("text",
              {{"x", kLegendWidth + kContentWidth - 4},
               {"y", y - 3},
               {"class", "axis"},
               {"text-anchor", "end"}},
              text);
  }

  double height_at(int32_t metre) const {
    return plot_.heights[static_cast<size_t>(metre / kCellMetres)];
  }
  std::string vertex(int32_t metre) const {
    return svg_number(x_of(metre)) + "," + svg_number(l_.height_y(height_at(metre)));
  }

  void speed() {
    const double pad = 20;
    int top_speed = 50;
    for (const Run& r : plot_.speed_limits) top_speed = std::max(top_speed, r.value);
    for (const Slowdown& s : plot_.slowdowns) top_speed = std::max(top_speed, s.speed);
    top_speed = (top_speed + 49) / 50 * 50;
    const double base = bottom(kSpeed) - pad / 2;
    const double scale = (page_.band_height[kSpeed] - 1.5 * pad) / top_speed;
    const auto y_of = [&](int v) { return base - v * scale; };

    svg_.open("g", {{"class", "speed"}});
    for (int v = 50; v <= top_speed; v += 50) {
      svg_.empty("path", {{"d", "M" + svg_number(kLegendWidth) + " " + svg_number(y_of(v)) + "h" +
                                    svg_number(kContentWidth)},
                          {"class", "grid"}});
      axis_label(y_of(v), std::to_string(v) + " km/h");
    }
    if (!plot_.speed_limits.empty()) {
      std::string d;
      for (const Run& r : plot_.speed_limits) {
        d += (d.empty() ? "M" + svg_number(x_of(r.from)) + " " : "V") + svg_number(y_of(r.value)) +
             "H" + svg_number(x_of(r.to));
      }
      svg_.empty(
          "path",
          {{"d", d}, {"fill", "none"}, {"stroke", mark::kLineSpeed.colour}, {"stroke-width", 1.8}});
      double last_label = -1e9;
      for (const Run& r : plot_.speed_limits) {
        const double x = x_of(r.from) + 2;
        if (x - last_label < 22 || (r.to - r.from) * l_.metre_scale < 14) continue;
        svg_.text("text", {{"x", x}, {"y", y_of(r.value) - 3}, {"class", "small"}},
                  std::to_string(r.value));
        last_label = x;
      }
    }
    for (const Slowdown& s : plot_.slowdowns) {
      svg_.empty("path", {{"d", "M" + svg_number(x_of(s.start)) + " " + svg_number(y_of(s.speed)) +
                                    "H" + svg_number(std::max(x_of(s.end), x_of(s.start) + 2))},
                          {"stroke", mark::kSlowdownSpeed.colour},
                          {"stroke-width", 2},
                          {"stroke-dasharray", "3 1"}});
    }
    svg_.close();
  }

  void signals() {
    const double base = bottom(kSignals) - 14;
    if (plot_.repetition) {
      const Run& r = *plot_.repetition;
      svg_.open("g", {{"class", "repetition"}});
      svg_.empty("rect", {{"x", x_of(r.from)},
                          {"y", base + 4},
                          {"width", x_of(r.to) - x_of(r.from)},
                          {"height", 5},
                          {"fill", mark::kCabSignalling.colour}});
      svg_.title("cab signalling, " + std::to_string(r.value) + " codes, km " + kilometres(r.from) +
                 " to " + kilometres(r.to));
      svg_.close();
    }
    if (!plot_.code_points.empty()) {
      std::string d;
      for (const CellItem& c : plot_.code_points) {
        d += "M" + svg_number(x_of(c.metre)) + " " + svg_number(base) + "v-8";
      }
      svg_.empty("path", {{"d", d}, {"class", "code-points"}, {"stroke", mark::kCodePoint.colour}});
    }
    for (const CellItem& s : plot_.signals) {
      svg_.open("g", {{"class", "signal"}, {"data-m", s.metre}});
      svg_.title("signal, km " + kilometres(s.metre) + " (cell " + std::to_string(s.cell) +
                 "), codes " + std::to_string(s.content.valore1) + " " +
                 std::to_string(s.content.valore2) + " " + std::to_string(s.content.valore3) + " " +
                 std::to_string(s.content.valore4));
      mast(x_of(s.metre), base, 24);
      svg_.close();
    }
  }

  void stations() {
    const double bar = bottom(kStations) - 22;
    for (const Station& s : plot_.stations) {
      const std::string name = decode_(s.name);
      svg_.open("g", {{"class", "station"}, {"data-m", s.posizione}});
      svg_.title(name + ", km " + kilometres(s.posizione) + ", from km " + kilometres(s.inizio) +
                 " to km " + kilometres(s.fine) + ", kind " + std::to_string(s.kind));
      const double x0 = x_of(s.inizio);
      svg_.empty("rect", {{"x", x0},
                          {"y", bar},
                          {"width", std::max(x_of(s.fine) - x0, 1.0)},
                          {"height", 10},
                          {"fill", mark::kStationExtent.colour},
                          {"stroke", "#1e88e5"},
                          {"stroke-width", 0.75}});
      const double x = x_of(s.posizione);
      svg_.empty("path", {{"d", "M" + svg_number(x) + " " + svg_number(bar - 5) + "v20"},
                          {"stroke", mark::kStationPosition.colour},
                          {"stroke-width", 1.5}});
      vertical_text(x + 3.5, bar - 8, name, "station-name");
      svg_.close();
    }
  }

  void slowdowns() {
    const double mid = bottom(kSlowdowns) - 26;
    for (const Slowdown& s : plot_.slowdowns) {
      svg_.open("g", {{"class", "slowdown"}});
      svg_.title("slowdown at " + std::to_string(s.speed) + " km/h, km " + kilometres(s.start) +
                 " to " + kilometres(s.end));
      const double x0 = x_of(s.start);
      svg_.empty("rect", {{"x", x0},
                          {"y", mid - 6},
                          {"width", std::max(x_of(s.end) - x0, 2.0)},
                          {"height", 12},
                          {"fill", mark::kSlowdown.colour}});
      svg_.text("text", {{"x", x0}, {"y", mid - 10}, {"class", "small"}},
                std::to_string(s.speed) + " km/h");
      svg_.close();
    }
    for (const CellItem& w : plot_.warnings) {
      svg_.open("g", {{"class", "warning"}});
      svg_.title("warning board, " + std::to_string(w.content.valore1) + " km/h, km " +
                 kilometres(w.metre));
      triangle(x_of(w.metre), mid + 6, mark::kWarningBoard.colour);
      svg_.close();
    }
    for (const CellItem& c : plot_.countdown) {
      svg_.empty(
          "circle",
          {{"cx", x_of(c.metre)}, {"cy", mid + 14}, {"r", 1.6}, {"fill", mark::kCountdown.colour}});
    }
  }

  void boards() {
    const double base = bottom(kBoards) - 12;
    // Speed and sign boards share the band. Sign boards are fewer and say
    // more, so their labels are placed first; a label that would overlap one
    // already placed is left to the tooltip.
    std::vector<double> labelled;
    const auto place_label = [&](double x, const std::string& label) {
      for (double other : labelled) {
        if (std::abs(other - x) < 10) return;
      }
      labelled.push_back(x);
      vertical_text(x + 3, base - 8, label, "small");
    };
    for (size_t j = 0; j < plot_.sign_boards.size(); ++j) {
      const CellItem& item = plot_.sign_boards[j];
      const double x = x_of(item.metre);
      const std::string label = fold_blanks(decode_(plot_.sign_texts[j]));
      svg_.open("g", {{"class", "sign-board"}});
      svg_.title("sign board, km " + kilometres(item.metre) + ": " + label);
      diamond(x, base, mark::kSignBoard.colour);
      place_label(x, label);
      svg_.close();
    }
    for (const CellItem& item : plot_.speed_boards) {
      const double x = x_of(item.metre);
      const std::string label = board_label(item.content);
      svg_.open("g", {{"class", "speed-board"}});
      svg_.title("speed board, km " + kilometres(item.metre) + ": " + label);
      svg_.empty("rect", {{"x", x - 3},
                          {"y", base - 3},
                          {"width", 6},
                          {"height", 6},
                          {"fill", mark::kSpeedBoard.colour},
                          {"stroke", "#212121"}});
      place_label(x, label);
      svg_.close();
    }
  }

  void mountains() {
    const double y = bottom(kMountains) - 22;
    for (const Run& r : plot_.mountains) {
      const char* colour = r.value == 1   ? mark::kMountain1.colour
                           : r.value == 2 ? mark::kMountain2.colour
                                          : mark::kMountainJoined.colour;
      svg_.open("g", {{"class", "mountain"}});
      svg_.title("mountain span, kind " + std::to_string(r.value) + ", km " + kilometres(r.from) +
                 " to " + kilometres(r.to));
      const double x0 = x_of(r.from);
      svg_.empty("rect", {{"x", x0},
                          {"y", y},
                          {"width", std::max(x_of(r.to) - x0, 2.0)},
                          {"height", 12},
                          {"fill", colour}});
      svg_.close();
    }
    if (!plot_.mountain_markers.empty()) {
      std::string d;
      for (const CellItem& c : plot_.mountain_markers) {
        d += "M" + svg_number(x_of(c.metre)) + " " + svg_number(y + 14) + "v6";
      }
      svg_.empty("path", {{"d", d}, {"stroke", mark::kMountainMarker.colour}});
    }
  }

  const LinePlot& plot_;
  TextDecoder decode_;
  Page page_;
  const PlotLayout& l_;
  SvgWriter svg_;
};

}  // namespace

PlotLayout layout_line_plot(const LinePlot& plot) {
  return make_page(plot).layout;
}

std::string render_line_plot(const LinePlot& plot, const TextDecoder& decode) {
  return Painter(plot, decode).paint();
}

}  // namespace binario
