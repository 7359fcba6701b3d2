// The painter of the line's picture: the SVG drawn from a LinePlot on the
// page plot_page.h lays out. Its drawing is in three files: what every part
// uses (painter.cc), the plan (plan_drawing.cc) and the profile's bands
// (profile_bands.cc).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/track_model.h"
#include "plot/line_plot.h"
#include "plot/plot_page.h"
#include "plot/svg_writer.h"

namespace binario::drawing {

// The bytes beyond ASCII shown as "?": the page without a decoder.
std::string ascii_only(std::string_view bytes);

// Blank runs folded into one blank, blanks at the ends dropped.
std::string fold_blanks(std::string_view s);

// The speeds a speed-board value encodes: left (value div 100) x 5 and right
// (value mod 100) x 5 km/h.
std::pair<int, int> board_speeds(int16_t value);

std::string board_label(const Cella& c);

class Painter {
 public:
  Painter(const LinePlot& plot, const TextDecoder& decode);
  std::string paint();

 private:
  double x_of(int32_t metre) const { return l_.metre_x(metre); }
  double top(BandId b) const { return page_.band_top[b]; }
  double bottom(BandId b) const { return page_.band_top[b] + page_.band_height[b]; }
  void style();
  void title();
  void legend(double y, const char* heading, const std::vector<Mark>& entries);
  void triangle(double x, double base, const char* colour);
  void diamond(double x, double y, const char* colour);
  void mast(double x, double base, double height);
  // A bracket over [x0, x1] with its ends turned down from y.
  void bracket(double x0, double x1, double y);
  // The runs [from, to) of two or more objects, at `metres` in order, each
  // closer than kClusterGap on the page to the one before.
  std::vector<std::pair<size_t, size_t>> clusters(const std::vector<int32_t>& metres) const;
  // A bracket and a count over each such run, its title naming each place.
  void cluster_marks(const std::vector<int32_t>& metres, double y, const char* what);
  // Text standing upward from (x, y).
  void vertical_text(double x, double y, std::string_view content, const char* cls);
  std::string point(size_t k) const;
  void plan();
  // The unit normal of the track at point k, on the page.
  std::pair<double, double> normal(size_t k) const;
  void plan_kilometres(size_t end);
  void plan_stations();
  void scale_bar();
  void profile();
  double kilometre_label_step() const;
  void axis(double label_step);
  void elevation();
  // A value of a band's scale, at the right end of its grid line.
  void axis_label(double y, const std::string& text);
  double height_at(int32_t metre) const;
  std::string vertex(int32_t metre) const;
  void speed();
  void signals();
  void stations();
  void times();
  void slowdowns();
  void boards();
  void mountains();

  const LinePlot& plot_;
  TextDecoder decode_;
  Page page_;
  const PlotLayout& l_;
  SvgWriter svg_;
};

}  // namespace binario::drawing
