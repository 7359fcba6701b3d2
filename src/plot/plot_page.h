// The page of the line's picture: its fixed measures, the bands of the
// profile with their titles and legends, and where everything lands.
#pragma once

#include <array>
#include <vector>

#include "plot/line_plot.h"

namespace binario::drawing {

// ---------------------------------------------------------------------------
// Page geometry.

inline constexpr double kPageWidth = 1400;
inline constexpr double kLegendWidth = 190;  // the left column: band titles and legends
inline constexpr double kRightMargin = 30;
inline constexpr double kContentWidth = kPageWidth - kLegendWidth - kRightMargin;
inline constexpr double kTitleHeight = 80;
inline constexpr double kPlanMaxHeight = 760;
inline constexpr double kPlanPad = 24;
inline constexpr double kScaleBarHeight = 40;
inline constexpr double kGap = 36;
inline constexpr double kAxisHeight = 40;
inline constexpr double kLegendLine = 15;
// Point objects closer than this on the page are marked as one cluster.
inline constexpr double kClusterGap = 4;

enum BandId {
  kElevation,
  kSpeed,
  kSignals,
  kStations,
  kTimes,
  kSlowdowns,
  kBoards,
  kMountains,
  kBands
};

// What the picture shows, each with its legend symbol, colour and text in
// one place: the legends list these marks and the drawing takes its colours
// from them, so the two cannot disagree.
struct Mark {
  enum Symbol { kLine, kDashed, kBox, kDot, kTriangle, kMast, kTick, kDiamond, kBracket } symbol;
  const char* colour;
  const char* text;
};

namespace mark {
// The plan.
inline constexpr Mark kTrack{Mark::kLine, "#37474f", "track"};
inline constexpr Mark kPlanRunOut{Mark::kDashed, "#9e9e9e", "run-out beyond the line"};
inline constexpr Mark kPlanStation{Mark::kDot, "#0d47a1", "station"};
inline constexpr Mark kPlanKilometre{Mark::kTick, "#37474f", "kilometre, every 10 named"};
// The profile bands.
inline constexpr Mark kHeight{Mark::kLine, "#6d4c41", "height above start, m"};
inline constexpr Mark kRunOut{Mark::kBox, "#eeeeee", "run-out beyond the line"};
inline constexpr Mark kLineSpeed{Mark::kLine, "#1565c0", "line speed, km/h"};
inline constexpr Mark kSlowdownSpeed{Mark::kDashed, "#c62828", "slowdown speed"};
inline constexpr Mark kFastestRun{Mark::kLine, "#ef6c00", "fastest run of the train"};
inline constexpr Mark kSignal{Mark::kMast, "#212121", "signal"};
inline constexpr Mark kCodePoint{Mark::kTick, "#757575", "speed-code point"};
inline constexpr Mark kCabSignalling{Mark::kBox, "#66bb6a", "cab signalling"};
inline constexpr Mark kCluster{Mark::kBracket, "#6a1b9a", "closer than 4 px: how many"};
inline constexpr Mark kStationExtent{Mark::kBox, "#bbdefb", "extent (start to end)"};
inline constexpr Mark kStationPosition{Mark::kLine, "#0d47a1", "station position"};
inline constexpr Mark kScheduledTime{Mark::kDot, "#0d47a1", "scheduled time"};
inline constexpr Mark kEarlyTime{Mark::kDot, "#c62828", "time the train cannot keep"};
inline constexpr Mark kLegFastest{Mark::kLine, "#ef6c00", "fastest run, leg by leg"};
inline constexpr Mark kLegLower{Mark::kDashed, "#757575", "speed limits alone"};
inline constexpr Mark kWarningBoard{Mark::kTriangle, "#fdd835", "warning board"};
inline constexpr Mark kSlowdown{Mark::kBox, "#e57373", "slowdown, start to end"};
inline constexpr Mark kCountdown{Mark::kDot, "#616161", "countdown boards"};
inline constexpr Mark kSpeedBoard{Mark::kBox, "#ffffff", "speed board: left | right"};
inline constexpr Mark kSignBoard{Mark::kDiamond, "#1e88e5", "sign board"};
inline constexpr Mark kMountain1{Mark::kBox, "#8d6e63", "span, kind 1"};
inline constexpr Mark kMountain2{Mark::kBox, "#bcaaa4", "span, kind 2"};
inline constexpr Mark kMountainJoined{Mark::kBox, "#5d4037", "span, joined (3)"};
inline constexpr Mark kMountainMarker{Mark::kTick, "#3e2723", "marker"};
}  // namespace mark

struct BandStyle {
  const char* title;
  double min_height;
  std::vector<Mark> legend;
};

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

// The bands' titles, least heights and legends, in band order.
const std::array<BandStyle, kBands>& band_styles();

// The smallest of 1, 2, 5 x 10^n that is at least `value`, and the largest
// that is at most `value`: the steps of scales and grids.
double nice_at_least(double value);
double nice_at_most(double value);

// Where the plan, the bands and the axis of `plot` land on the page.
Page make_page(const LinePlot& plot);

}  // namespace binario::drawing
