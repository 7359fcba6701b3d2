#include "plot/plot_page.h"

#include <algorithm>
#include <cmath>

namespace binario::drawing {

const std::array<BandStyle, kBands>& band_styles() {
  static const std::array<BandStyle, kBands> styles = {{
      {"Elevation", 200, {mark::kHeight, mark::kRunOut}},
      {"Speed limit", 120, {mark::kLineSpeed, mark::kSlowdownSpeed, mark::kFastestRun}},
      {"Signals", 70, {mark::kSignal, mark::kCodePoint, mark::kCabSignalling, mark::kCluster}},
      {"Stations", 150, {mark::kStationExtent, mark::kStationPosition}},
      {"Time\u2013distance",
       200,
       {mark::kScheduledTime, mark::kEarlyTime, mark::kLegFastest, mark::kLegLower}},
      {"Slowdowns", 80, {mark::kWarningBoard, mark::kSlowdown, mark::kCountdown}},
      {"Boards", 160, {mark::kSpeedBoard, mark::kSignBoard, mark::kCluster}},
      {"Mountains",
       50,
       {mark::kMountain1, mark::kMountain2, mark::kMountainJoined, mark::kMountainMarker}},
  }};
  return styles;
}

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

}  // namespace binario::drawing
