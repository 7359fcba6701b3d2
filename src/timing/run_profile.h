// The run of a train over its line, from the compiled scenario alone: the
// speed profile (the lowest permitted speed in every cell), the lower bound
// of the running time (the profile's speed with no time lost to speeding up
// or slowing down), and the fastest run the train can make (the profile's
// lower envelope with the braking curves back from every drop and stop and
// the acceleration curves forward from every rise and start). Each is one
// pass over the cells. The timetable, the warnings about times and the
// picture read the plain structure it returns.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/track_model.h"

namespace binario {

// Rates when the description gives none, and the gravity that a gradient
// adds to or takes from them.
inline constexpr double kDefaultAcceleration = 0.5;  // m/s²
inline constexpr double kGravity = 9.81;             // m/s²
// The braking rate of a train without a braked-mass percentage (m/s²).
inline constexpr double kDefaultBraking = 0.5;

// The braking rate (m/s², on the level) of a train with `percent` braked
// mass, from the Minden braking-distance formula for trains braked by
// braked-mass percentage: s = 3.85·V² / (6.1·ψ·(1 + λ/10) + i), s in metres,
// V in km/h, λ the braked-mass percentage, i the gradient (‰), ψ = 1. On the
// level, V²/(2·3.6²·s) gives b = 6.1·(1 + λ/10) / 99.8; its gradient term,
// i / 99.8, is within 2 % of the g·i/1000 the run adds itself. It meets the
// reference stop of the percentage: 80 % stops from 120 km/h in about
// 1,000 m. Zero or less gives kDefaultBraking.
double braking_from_braked_mass(int64_t percent);

// What the caller may set instead of the train's own values.
struct RunOptions {
  std::optional<double> acceleration;  // m/s², above 0
  std::optional<double> braking;       // m/s², above 0
};

// One station of the train, in the order of the table.
struct StationRun {
  int entry = 0;  // the table entry (1, 2, …)
  std::string name;
  int32_t position = 0;  // metres along the line
  int kind = 0;
  // The cell where the train stops or passes: the stop cell, or for a
  // station without one the cell of its position.
  int64_t cell = 0;
  bool has_stop_cell = false;  // its stop cell holds its number
  bool stops = false;          // the train stops here (first and last station too)
  // The time of the table (seconds of the day as written); none for 0.
  std::optional<int64_t> scheduled;
  // The scheduled time on the run's clock: days added where the run crosses
  // midnight.
  std::optional<int64_t> scheduled_run;
  // From the departure at the first station (seconds): the lower bound and
  // the fastest run to this station; none when the run cannot reach it.
  std::optional<double> lower_bound;
  std::optional<double> fastest;
  // Against the timed station before this one (when both have a time).
  std::optional<int> previous_timed;  // index into RunProfile::stations
  double scheduled_running = 0;       // s
  double lower_bound_running = 0;     // s
  double fastest_running = 0;         // s
  double margin = 0;                  // scheduled − fastest, s
  double margin_percent = 0;          // of the fastest running time
};

struct RunProfile {
  // Per cell: the lowest of the train's limit and any slowdown (km/h).
  std::vector<int> profile_kmh;
  // Per cell boundary k (metre 50·k), k = 0 … cells: the fastest run's speed
  // (m/s), and the times from the departure (s) of the fastest run and of
  // the lower bound; -1 outside the run.
  std::vector<double> speed;
  std::vector<double> time;
  std::vector<double> lower_time;
  // The run's first and last boundary (the first and last station's cells).
  int64_t first = 0;
  int64_t last = 0;
  // Some cell of the run has a profile speed of 0: the train cannot pass it,
  // and the times beyond it are unknown.
  bool blocked = false;
  double acceleration = kDefaultAcceleration;
  double braking = kDefaultBraking;
  bool braking_from_mass = false;  // the braking rate came from the braked mass
  std::vector<StationRun> stations;
  // From the first to the last timed station.
  std::optional<int> first_timed;
  std::optional<int> last_timed;
};

// The run of the train of `model` (a model the compile built).
RunProfile run_profile(const TrackModel& model, const RunOptions& options = {});

// The time (s) to run one cell of `length` metres entered at `v0` and left at
// `v1` (m/s), never faster than `limit`, speeding up at `a` and slowing down
// at `b` (m/s², above 0): as fast as possible, then as needed to leave at
// `v1`. Exact for uniformly accelerated motion; infinite for a limit of 0.
double cell_time(double length, double v0, double v1, double limit, double a, double b);

}  // namespace binario
