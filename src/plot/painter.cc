#include "plot/painter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>

#include "compiler/cell_meaning.h"
#include "output/kilometres.h"

namespace binario::drawing {

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

// The speeds a speed-board value encodes, its 16 bits read unsigned as the
// board shows them.
std::pair<int, int> board_speeds(int16_t value) {
  const LeftRight s = binario::board_speeds(static_cast<uint16_t>(value));
  return {static_cast<int>(s.left), static_cast<int>(s.right)};
}

std::string board_label(const Cella& c) {
  const auto [la, ra] = board_speeds(board_class_cell(c, 0));
  const auto [lb, rb] = board_speeds(board_class_cell(c, 1));
  const auto [lc, rc] = board_speeds(board_class_cell(c, 2));
  std::string s = std::to_string(la) + " " + std::to_string(lb) + " " + std::to_string(lc);
  if (ra != 0 || rb != 0 || rc != 0) {
    s += " | " + std::to_string(ra) + " " + std::to_string(rb) + " " + std::to_string(rc);
  }
  return s;
}

Painter::Painter(const LinePlot& plot, const TextDecoder& decode)
    : plot_(plot),
      decode_(decode ? decode : TextDecoder(ascii_only)),
      page_(make_page(plot)),
      l_(page_.layout),
      svg_(l_.width, l_.height) {}

std::string Painter::paint() {
  style();
  svg_.empty("rect", {{"width", l_.width}, {"height", l_.height}, {"fill", "#ffffff"}});
  title();
  plan();
  profile();
  return svg_.finish();
}

void Painter::style() {
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

void Painter::title() {
  std::string heading = decode_(plot_.scenario);
  if (!plot_.train.empty()) heading += " \u2014 train " + decode_(plot_.train);
  svg_.text("text", {{"x", 20}, {"y", 34}, {"class", "h1"}}, heading);
  const std::string sub = "line " + kilometres(plot_.line_length) + " km, " +
                          std::to_string(plot_.stations.size()) + " stations, " +
                          std::to_string(plot_.signals.size()) + " signals, " +
                          std::to_string(plot_.slowdowns.size()) + " slowdowns";
  svg_.text("text", {{"x", 20}, {"y", 56}}, sub);
}

void Painter::legend(double y, const char* heading, const std::vector<Mark>& entries) {
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
      case Mark::kBracket:
        bracket(sx + 2, sx + 14, sy + 2);
        break;
    }
    svg_.text("text", {{"x", 42}, {"y", line}}, e.text);
    line += kLegendLine;
  }
}

void Painter::bracket(double x0, double x1, double y) {
  svg_.empty("path", {{"d", "M" + svg_number(x0) + " " + svg_number(y + 3) + "V" + svg_number(y) +
                                "H" + svg_number(x1) + "V" + svg_number(y + 3)},
                      {"fill", "none"},
                      {"stroke", mark::kCluster.colour},
                      {"stroke-width", 1.2}});
}

std::vector<std::pair<size_t, size_t>> Painter::clusters(const std::vector<int32_t>& metres) const {
  std::vector<std::pair<size_t, size_t>> out;
  size_t from = 0;
  for (size_t j = 1; j <= metres.size(); ++j) {
    if (j < metres.size() && x_of(metres[j]) - x_of(metres[j - 1]) < kClusterGap) continue;
    if (j - from >= 2) out.emplace_back(from, j);
    from = j;
  }
  return out;
}

void Painter::cluster_marks(const std::vector<int32_t>& metres, double y, const char* what) {
  for (const auto& [from, to] : clusters(metres)) {
    const double x0 = x_of(metres[from]) - 2;
    const double x1 = x_of(metres[to - 1]) + 2;
    const std::string count = std::to_string(to - from);
    std::string at;
    for (size_t j = from; j < to; ++j) at += (j == from ? "" : ", ") + kilometres(metres[j]);
    svg_.open("g", {{"class", "cluster"}, {"data-count", count}});
    svg_.title(count + " " + what + " closer than " + svg_number(kClusterGap, 0) +
               " px on the page, at km " + at);
    bracket(x0, x1, y);
    svg_.text("text",
              {{"x", x1 + 2},
               {"y", y + 3},
               {"class", "small"},
               {"style", std::string("fill:") + mark::kCluster.colour}},
              count);
    svg_.close();
  }
}

void Painter::triangle(double x, double base, const char* colour) {
  svg_.empty("path", {{"d", "M" + svg_number(x - 5) + " " + svg_number(base) + "h10l-5 -9z"},
                      {"fill", colour},
                      {"stroke", "#424242"},
                      {"stroke-width", 0.75}});
}

void Painter::diamond(double x, double y, const char* colour) {
  svg_.empty("path", {{"d", "M" + svg_number(x) + " " + svg_number(y - 5) + "l5 5l-5 5l-5 -5z"},
                      {"fill", colour}});
}

void Painter::mast(double x, double base, double height) {
  svg_.empty("path",
             {{"d", "M" + svg_number(x) + " " + svg_number(base) + "v" + svg_number(-height)},
              {"stroke", mark::kSignal.colour},
              {"stroke-width", 1.2}});
  svg_.empty("circle",
             {{"cx", x}, {"cy", base - height - 3}, {"r", 3.2}, {"fill", mark::kSignal.colour}});
}

// Text standing upward from (x, y).
void Painter::vertical_text(double x, double y, std::string_view content, const char* cls) {
  const std::string rotate = "rotate(-90 " + svg_number(x) + " " + svg_number(y) + ")";
  svg_.text("text", {{"x", x}, {"y", y}, {"transform", rotate}, {"class", cls}}, content);
}

}  // namespace binario::drawing
