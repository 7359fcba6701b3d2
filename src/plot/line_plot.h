// The picture of a compiled line, as one self-contained SVG: the plan of the
// track from the geometry, and the longitudinal profile along the kilometres
// from the cells and the station table, in bands (elevation, speed limits,
// signals, stations, times against the train's fastest run, slowdowns, boards,
// mountain spans).
//
// It is drawn from what the binary files hold, so a model compiled in memory
// and the files a run left behind give the same picture. Point objects of the
// cells (signals, boards, slowdown points) are drawn at the start of their
// cell, metre 50k; stations at their position with their extent.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/fixed_width.h"
#include "compiler/track_model.h"
#include "output/binary_decoders.h"

namespace binario {

// The cell length in the plot's 32-bit metres.
inline constexpr int32_t kCellMetres = static_cast<int32_t>(kCellLength);

struct PlanPoint {
  double x = 0;  // the geometry's first coordinate, drawn to the right
  double y = 0;  // the second coordinate, drawn upward
};

// What the picture is drawn from.
struct LineData {
  std::vector<Cella> cells;
  std::array<VoceTreno, kTrenoEntries> treno{};
  std::vector<PlanPoint> plan;  // point k = metre k; empty without geometry
};

LineData line_data_from_model(const TrackModel& model);
// From the decoded files; the plan runs up to the first point that holds no
// value. `geometry` may be null (no geometry file).
LineData line_data_from_records(std::vector<Cella> cells,
                                const std::array<VoceTreno, kTrenoEntries>& treno,
                                const DecodedGeometry* geometry);

// A run of cells with one value: metres [from, to).
struct Run {
  int32_t from = 0;
  int32_t to = 0;
  int value = 0;
};

// A point object of the cells, at the start of its cell.
struct CellItem {
  int32_t cell = 0;
  int32_t metre = 0;
  Cella content;
};

struct Station {
  int entry = 0;     // its `treno` entry
  std::string name;  // as stored (Windows-1252 bytes)
  int kind = 0;
  int32_t posizione = 0;
  int32_t inizio = 0;
  int32_t fine = 0;
  // The time of the timetable (seconds of the day), and the fastest run's
  // time from the departure (seconds); none where there is none.
  std::optional<int64_t> time;
  std::optional<double> fastest;
};

// A point of the fastest run: its speed at a metre of the line.
struct RunPoint {
  int32_t metre = 0;
  double kmh = 0;
};

// A point of the time–distance band: a time on the timetable's clock
// (seconds, a day added for every midnight the run crosses) at a metre.
struct TimePoint {
  int32_t metre = 0;
  double seconds = 0;
};

// The run between two timed stations as the timetable asks for it: the
// scheduled time at its end, and from the scheduled time at its start the
// fastest run and the lower bound (timing/run_profile.h) to its end. A time
// below the end of its leg's fastest run cannot be kept by this train.
struct TimedLeg {
  size_t station = 0;  // the leg's end, an index into LinePlot::stations
  TimePoint scheduled;
  std::vector<TimePoint> fastest;  // a point where its pace changes
  std::vector<TimePoint> lower;
  bool drivable() const { return fastest.empty() || scheduled.seconds >= fastest.back().seconds; }
};

// A slowdown from its start cell to its end cell.
struct Slowdown {
  int32_t start = 0;  // metres
  int32_t end = 0;
  int speed = 0;  // km/h
};

struct Bounds {
  double min_x = 0;
  double max_x = 0;
  double min_y = 0;
  double max_y = 0;
};

// Everything the picture shows, in metres and model values.
struct LinePlot {
  std::string scenario;  // `treno` 85 and 86 names, as stored
  std::string train;
  int32_t line_length = 0;  // L
  int32_t model_end = 0;    // metres covered by the cells, (U + 1) * 50

  // The plan: every computed point and their extremes; empty without geometry.
  std::vector<PlanPoint> plan;
  Bounds plan_bounds;

  // The profile. heights[k] is the elevation at metre 50k relative to the
  // start, the running sum of the cells' gradients in per mille over the cells
  // before it; it covers the cells the gradients fill (all but the last three).
  std::vector<double> heights;
  std::vector<Run> gradients;     // per mille
  std::vector<Run> speed_limits;  // km/h
  std::vector<Run> mountains;     // mountain kind
  std::optional<Run> repetition;  // the cab-signalling stretch, value = number of codes

  std::vector<Station> stations;
  std::vector<CellItem> signals;
  std::vector<CellItem> code_points;  // tipo 12 and 13
  std::vector<Slowdown> slowdowns;
  std::vector<CellItem> warnings;  // slowdown warning boards
  std::vector<CellItem> countdown;
  std::vector<CellItem> speed_boards;
  std::vector<CellItem> sign_boards;
  std::vector<CellItem> mountain_markers;
  std::vector<std::string> sign_texts;  // the text of each sign board, as stored
  // The fastest run of the train (timing/run_profile.h), from the first
  // station to the last: a point where its speed changes course.
  std::vector<RunPoint> fastest_run;
  // The time–distance band: the first timed station's time, and one leg
  // from each timed station to the next.
  std::optional<TimePoint> departure;
  std::vector<TimedLeg> legs;
};

LinePlot build_line_plot(const LineData& data);

// Where things land on the page.
struct PlotLayout {
  double width = 0;
  double height = 0;
  // The plan panel: geometry (x, y) -> page (plan_left + (x - min_x) * scale,
  // plan_top + (max_y - y) * scale).
  double plan_left = 0;
  double plan_top = 0;
  double plan_scale = 0;
  Bounds plan_bounds;
  // The profile: metre m -> profile_left + m * metre_scale.
  double profile_left = 0;
  double metre_scale = 0;
  // The elevation band: height h -> elevation_zero - h * height_scale.
  double elevation_zero = 0;
  double height_scale = 0;

  double page_x(double x) const { return plan_left + (x - plan_bounds.min_x) * plan_scale; }
  double page_y(double y) const { return plan_top + (plan_bounds.max_y - y) * plan_scale; }
  double metre_x(double m) const { return profile_left + m * metre_scale; }
  double height_y(double h) const { return elevation_zero - h * height_scale; }
};

PlotLayout layout_line_plot(const LinePlot& plot);

// Turns a stored text (Windows-1252) into UTF-8 for the page.
using TextDecoder = std::function<std::string(std::string_view)>;

// The SVG document. Without a decoder, bytes beyond ASCII show as "?".
std::string render_line_plot(const LinePlot& plot, const TextDecoder& decode = nullptr);

}  // namespace binario
