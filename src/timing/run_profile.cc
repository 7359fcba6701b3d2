#include "timing/run_profile.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "compiler/cell_meaning.h"
#include "compiler/fixed_width.h"
#include "compiler/time_of_day.h"

namespace binario {

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kCell = static_cast<double>(kCellLength);
// On a climb steeper than the train can speed up on (or a fall steeper than
// it can brake on), the run keeps a tenth of the rate: the model has no
// tractive-effort curve to say more, and a rate of 0 would never arrive.
constexpr double kLeastShare = 0.1;

double metres_per_second(int kmh) {
  return kmh / 3.6;
}

// The speed profile: the train's limit of each cell, lowered by the slowdown
// whose start board stands at or before it and whose end board at or after
// it (the same cells the plot shades).
std::vector<int> speed_profile(const std::vector<Cella>& cells) {
  std::vector<int> profile(cells.size());
  std::vector<int> active;  // the speeds of the slowdowns in force
  for (size_t k = 0; k < cells.size(); ++k) {
    const Cella& c = cells[k];
    if (starts_slowdown(c)) active.push_back(slowdown_speed_kmh(c));
    int v = speed_limit_kmh(c);
    for (int s : active) v = std::min(v, std::max(s, 0));
    profile[k] = v;
    if (ends_slowdown(c) && !active.empty()) {
      // The end board carries the speed of its slowdown; a stray one ends
      // the oldest.
      auto it = std::find(active.begin(), active.end(), slowdown_speed_kmh(c));
      active.erase(it == active.end() ? active.begin() : it);
    }
  }
  return profile;
}

}  // namespace

double braking_from_braked_mass(int64_t percent) {
  if (percent <= 0) return kDefaultBraking;
  const double lambda = static_cast<double>(std::min<int64_t>(percent, 1000));
  return 6.1 * (1.0 + lambda / 10.0) / (2.0 * 3.85 * 3.6 * 3.6);
}

double cell_time(double length, double v0, double v1, double limit, double a, double b) {
  if (limit <= 0) return kInfinity;
  v0 = std::min(v0, limit);
  v1 = std::min(v1, limit);
  // Where speeding up from v0 meets slowing down to v1.
  double x = (v1 * v1 - v0 * v0 + 2 * b * length) / (2 * (a + b));
  x = std::clamp(x, 0.0, length);
  const double peak = std::sqrt(std::max(v0 * v0 + 2 * a * x, 0.0));
  if (peak <= limit) {
    const double t = (peak - v0) / a + (peak - v1) / b;
    // Both ends standing still over a cell of no length.
    return t > 0 ? t : (peak > 0 ? 0 : (length > 0 ? kInfinity : 0));
  }
  const double speed_up = (limit * limit - v0 * v0) / (2 * a);
  const double slow_down = (limit * limit - v1 * v1) / (2 * b);
  const double cruise = std::max(length - speed_up - slow_down, 0.0);
  return (limit - v0) / a + cruise / limit + (limit - v1) / b;
}

RunProfile run_profile(const TrackModel& model, const RunOptions& options) {
  RunProfile run;
  const std::vector<Cella>& cells = model.percorso;
  const int64_t n_cells = static_cast<int64_t>(cells.size());
  run.profile_kmh = speed_profile(cells);
  run.speed.assign(cells.size() + 1, -1);
  run.time.assign(cells.size() + 1, -1);
  run.lower_time.assign(cells.size() + 1, -1);

  run.acceleration = options.acceleration.value_or(kDefaultAcceleration);
  if (options.braking) {
    run.braking = *options.braking;
  } else {
    run.braking_from_mass = braked_mass_percent(model) > 0;
    run.braking = braking_from_braked_mass(braked_mass_percent(model));
  }

  // The stations and where the train meets them.
  const int count = station_count(model);
  for (int n = 1; n <= count; ++n) {
    const VoceTreno& v = model.treno[static_cast<size_t>(n)];
    StationRun s;
    s.entry = n;
    s.name = v.nome;
    s.position = v.posizione;
    s.kind = v.tipo;
    const int64_t stop = station_stop_cell(v);
    s.has_stop_cell = stop >= 0 && stop < n_cells && stop_cell_station(cells[stop]) == n;
    s.cell = s.has_stop_cell ? stop : std::clamp<int64_t>(span_cell(v.posizione), 0, n_cells);
    if (station_time(v) != 0) s.scheduled = station_time(v);
    // A timed station with a stop cell is a stop; the run starts and ends
    // at rest.
    s.stops = s.has_stop_cell && s.scheduled.has_value();
    run.stations.push_back(std::move(s));
  }
  if (run.stations.empty()) return run;
  run.stations.front().stops = true;
  run.stations.back().stops = true;
  run.first = run.stations.front().cell;
  run.last = std::max(run.first, run.stations.back().cell);

  // Speed caps at the boundaries: the lower of the two cells' profiles,
  // and rest at every stop.
  const int64_t first = run.first, last = run.last;
  std::vector<double> cap(static_cast<size_t>(last - first + 1));
  for (int64_t k = first; k <= last; ++k) {
    const double before = k > first ? metres_per_second(run.profile_kmh[k - 1]) : 0;
    const double after = k < last ? metres_per_second(run.profile_kmh[k]) : 0;
    cap[k - first] = k == first || k == last ? 0 : std::min(before, after);
  }
  for (const StationRun& s : run.stations) {
    if (s.stops && s.cell >= first && s.cell <= last) cap[s.cell - first] = 0;
  }
  auto rates = [&](int64_t k) {
    const double slope = kGravity * gradient_per_mille(cells[k]) / 1000.0;
    return std::pair{std::max(run.acceleration - slope, kLeastShare * run.acceleration),
                     std::max(run.braking + slope, kLeastShare * run.braking)};
  };

  // Forward: speeding up from every start and rise; backward: slowing down
  // to every stop and drop. The lower of the two is the fastest run.
  std::vector<double> v(cap.size());
  v[0] = 0;
  for (int64_t k = first; k < last; ++k) {
    const double limit = metres_per_second(run.profile_kmh[k]);
    const double a = rates(k).first;
    const double from = v[k - first];
    v[k + 1 - first] =
        std::min({cap[k + 1 - first], limit, std::sqrt(from * from + 2 * a * kCell)});
  }
  for (int64_t k = last - 1; k >= first; --k) {
    const double b = rates(k).second;
    const double to = v[k + 1 - first];
    v[k - first] = std::min(v[k - first], std::sqrt(to * to + 2 * b * kCell));
  }

  // Times, cell by cell.
  double t = 0, lower = 0;
  for (int64_t k = first; k <= last; ++k) {
    run.speed[k] = v[k - first];
    run.time[k] = t;
    run.lower_time[k] = lower;
    if (k == last) break;
    const double limit = metres_per_second(run.profile_kmh[k]);
    if (limit <= 0) run.blocked = true;
    const auto [a, b] = rates(k);
    t += cell_time(kCell, v[k - first], v[k + 1 - first], limit, a, b);
    lower += limit > 0 ? kCell / limit : kInfinity;
  }

  // Station figures, and the margins between timed stations.
  std::optional<int64_t> previous_time;
  for (size_t i = 0; i < run.stations.size(); ++i) {
    StationRun& s = run.stations[i];
    if (s.cell >= first && s.cell <= last && std::isfinite(run.time[s.cell])) {
      s.fastest = run.time[s.cell];
      s.lower_bound = run.lower_time[s.cell];
    }
    if (!s.scheduled) continue;
    s.scheduled_run = previous_time ? time_after(*previous_time, *s.scheduled) : *s.scheduled;
    if (run.last_timed) {
      const StationRun& p = run.stations[static_cast<size_t>(*run.last_timed)];
      s.previous_timed = *run.last_timed;
      s.scheduled_running = static_cast<double>(*s.scheduled_run - *p.scheduled_run);
      if (s.fastest && p.fastest && s.lower_bound && p.lower_bound) {
        s.fastest_running = *s.fastest - *p.fastest;
        s.lower_bound_running = *s.lower_bound - *p.lower_bound;
        s.margin = s.scheduled_running - s.fastest_running;
        s.margin_percent = s.fastest_running > 0 ? 100.0 * s.margin / s.fastest_running : 0;
      }
    } else {
      run.first_timed = static_cast<int>(i);
    }
    run.last_timed = static_cast<int>(i);
    previous_time = s.scheduled_run;
  }
  return run;
}

}  // namespace binario
