#include "plot/painter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "output/kilometres.h"

namespace binario::drawing {

std::string Painter::point(size_t k) const {
  const PlanPoint& q = plot_.plan[k];
  return svg_number(l_.page_x(q.x)) + "," + svg_number(l_.page_y(q.y));
}

void Painter::plan() {
  const double top = page_.plan_panel_top;
  legend(top, "Plan", {mark::kTrack, mark::kPlanRunOut, mark::kPlanStation, mark::kPlanKilometre});
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
std::pair<double, double> Painter::normal(size_t k) const {
  const size_t n = plot_.plan.size();
  const size_t a = k >= 5 ? k - 5 : 0;
  const size_t b = std::min(k + 5, n - 1);
  const double dx = l_.page_x(plot_.plan[b].x) - l_.page_x(plot_.plan[a].x);
  const double dy = l_.page_y(plot_.plan[b].y) - l_.page_y(plot_.plan[a].y);
  const double len = std::hypot(dx, dy);
  if (len == 0) return {1, 0};
  return {-dy / len, dx / len};
}

void Painter::plan_kilometres(size_t end) {
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

void Painter::plan_stations() {
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

void Painter::scale_bar() {
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

}  // namespace binario::drawing
