#include "plot/painter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "compiler/cell_meaning.h"
#include "compiler/time_of_day.h"
#include "output/kilometres.h"

namespace binario::drawing {

void Painter::profile() {
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
  times();
  slowdowns();
  boards();
  mountains();
  axis(label_step);
}

double Painter::kilometre_label_step() const {
  return nice_at_least(50 / l_.metre_scale / 1000) * 1000;  // labels at least 50 px apart
}

void Painter::axis(double label_step) {
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

void Painter::elevation() {
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
void Painter::axis_label(double y, const std::string& text) {
  svg_.text("text",
            {{"x", kLegendWidth + kContentWidth - 4},
             {"y", y - 3},
             {"class", "axis"},
             {"text-anchor", "end"}},
            text);
}

double Painter::height_at(int32_t metre) const {
  return plot_.heights[static_cast<size_t>(metre / kCellMetres)];
}

std::string Painter::vertex(int32_t metre) const {
  return svg_number(x_of(metre)) + "," + svg_number(l_.height_y(height_at(metre)));
}

void Painter::speed() {
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
  if (plot_.fastest_run.size() >= 2) {
    std::string d;
    for (const RunPoint& r : plot_.fastest_run) {
      d += (d.empty() ? "M" : "L") + svg_number(x_of(r.metre)) + " " +
           svg_number(base - std::min(r.kmh, static_cast<double>(top_speed)) * scale);
    }
    svg_.open("g", {{"class", "fastest-run"}});
    svg_.title("the fastest run of the train (binario timetable)");
    svg_.empty(
        "path",
        {{"d", d}, {"fill", "none"}, {"stroke", mark::kFastestRun.colour}, {"stroke-width", 1.2}});
    svg_.close();
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

void Painter::signals() {
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
  std::vector<int32_t> metres;
  for (const CellItem& s : plot_.signals) metres.push_back(s.metre);
  cluster_marks(metres, base - 36, "signals");
}

void Painter::stations() {
  const double bar = bottom(kStations) - 22;
  for (const Station& s : plot_.stations) {
    const std::string name = decode_(s.name);
    svg_.open("g", {{"class", "station"}, {"data-m", s.posizione}});
    svg_.title(name + ", km " + kilometres(s.posizione) + ", from km " + kilometres(s.inizio) +
               " to km " + kilometres(s.fine) + ", kind " + std::to_string(s.kind) +
               (s.time ? ", time " + clock_text(*s.time % kDaySeconds) : std::string()) +
               (s.fastest ? ", fastest run from the departure " +
                                std::to_string(static_cast<int64_t>(std::lround(*s.fastest))) + " s"
                          : std::string()));
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
  // The times of the timetable under the bars, apart from the stations' own
  // marks (the fastest run's time is in each station's title).
  svg_.open("g", {{"class", "station-times"}});
  for (const Station& s : plot_.stations) {
    if (!s.time) continue;
    const std::string hhmmss = clock_text(*s.time % kDaySeconds);
    svg_.text("text", {{"x", x_of(s.posizione) + 3}, {"y", bar + 20}, {"class", "small"}},
              hhmmss.substr(0, hhmmss.size() - 3));
  }
  svg_.close();
}

void Painter::times() {
  svg_.open("g", {{"class", "times"}});
  if (!plot_.departure) {
    svg_.text("text", {{"x", kLegendWidth + 8}, {"y", top(kTimes) + 24}, {"class", "small"}},
              "No times in the timetable.");
    svg_.close();
    return;
  }
  // Time goes up: a time below its leg's fastest run cannot be kept.
  double low = plot_.departure->seconds;
  double high = low;
  for (const TimedLeg& leg : plot_.legs) {
    for (const TimePoint* t :
         {&leg.scheduled, leg.fastest.empty() ? nullptr : &leg.fastest.back()}) {
      if (t == nullptr) continue;
      low = std::min(low, t->seconds);
      high = std::max(high, t->seconds);
    }
  }
  const double step = nice_at_least(std::max(high - low, 60.0) / 60 / 4) * 60;
  low = std::floor(low / step) * step;
  high = std::max(std::ceil(high / step) * step, low + step);
  const double pad = 16;
  const double base = bottom(kTimes) - pad;
  const double scale = (page_.band_height[kTimes] - 2 * pad) / (high - low);
  const auto y_of = [&](double seconds) { return base - (seconds - low) * scale; };
  for (double t = low; t <= high + 1e-9; t += step) {
    svg_.empty("path", {{"d", "M" + svg_number(kLegendWidth) + " " + svg_number(y_of(t)) + "h" +
                                  svg_number(kContentWidth)},
                        {"class", "grid"}});
    const std::string hhmmss = clock_text(static_cast<int64_t>(t) % kDaySeconds);
    axis_label(y_of(t), hhmmss.substr(0, hhmmss.size() - 3));
  }
  const auto line = [&](const std::vector<TimePoint>& points) {
    // Points closer than half a pixel to the one drawn before add nothing.
    std::string d;
    double last_x = -1e9;
    for (size_t j = 0; j < points.size(); ++j) {
      const double x = x_of(points[j].metre);
      if (x - last_x < 0.5 && j + 1 < points.size()) continue;
      d += (d.empty() ? "M" : "L") + svg_number(x) + " " + svg_number(y_of(points[j].seconds));
      last_x = x;
    }
    return d;
  };
  const auto dot = [&](const TimePoint& at, bool early, const std::string& title) {
    const Mark& m = early ? mark::kEarlyTime : mark::kScheduledTime;
    svg_.open("g", {{"class", early ? "early-time" : "time"}, {"data-m", at.metre}});
    svg_.title(title);
    svg_.empty("circle",
               {{"cx", x_of(at.metre)}, {"cy", y_of(at.seconds)}, {"r", 3}, {"fill", m.colour}});
    svg_.close();
  };
  const auto name_of = [&](size_t i) { return decode_(plot_.stations[i].name); };
  const auto clock = [](double seconds) {
    return clock_text(static_cast<int64_t>(seconds) % kDaySeconds);
  };
  for (const TimedLeg& leg : plot_.legs) {
    if (leg.fastest.size() < 2) continue;
    svg_.empty("path", {{"d", line(leg.lower)},
                        {"fill", "none"},
                        {"stroke", mark::kLegLower.colour},
                        {"stroke-width", 1},
                        {"stroke-dasharray", "4 2"}});
    svg_.empty("path", {{"d", line(leg.fastest)},
                        {"class", "leg-fastest"},
                        {"fill", "none"},
                        {"stroke", mark::kLegFastest.colour},
                        {"stroke-width", 1.4}});
  }
  size_t first = 0;
  while (first < plot_.stations.size() && !plot_.stations[first].time) ++first;
  dot(*plot_.departure, false,
      (first < plot_.stations.size() ? name_of(first) + ", " : std::string()) +
          clock(plot_.departure->seconds));
  for (const TimedLeg& leg : plot_.legs) {
    std::string title = name_of(leg.station) + ", " + clock(leg.scheduled.seconds);
    if (!leg.fastest.empty()) {
      const double fastest = leg.fastest.back().seconds - leg.fastest.front().seconds;
      title += ": " +
               std::to_string(std::lround(leg.scheduled.seconds - leg.fastest.front().seconds)) +
               " s scheduled, the fastest run needs " + std::to_string(std::lround(fastest)) + " s";
    }
    dot(leg.scheduled, !leg.drivable(), title);
  }
  svg_.close();
}

void Painter::slowdowns() {
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
    svg_.title("warning board, " + std::to_string(warning_board_speed_kmh(w.content)) +
               " km/h, km " + kilometres(w.metre));
    triangle(x_of(w.metre), mid + 6, mark::kWarningBoard.colour);
    svg_.close();
  }
  for (const CellItem& c : plot_.countdown) {
    svg_.empty(
        "circle",
        {{"cx", x_of(c.metre)}, {"cy", mid + 14}, {"r", 1.6}, {"fill", mark::kCountdown.colour}});
  }
}

void Painter::boards() {
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
  std::vector<int32_t> metres;
  for (const CellItem& item : plot_.sign_boards) metres.push_back(item.metre);
  for (const CellItem& item : plot_.speed_boards) metres.push_back(item.metre);
  std::sort(metres.begin(), metres.end());
  cluster_marks(metres, base + 6, "boards");
}

void Painter::mountains() {
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

}  // namespace binario::drawing
