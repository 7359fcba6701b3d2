#include "plot/line_plot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <utility>

#include "compiler/cell_meaning.h"
#include "output/kilometres.h"
#include "plot/painter.h"
#include "plot/plot_page.h"
#include "timing/run_profile.h"

namespace binario {

LineData line_data_from_model(const TrackModel& model) {
  LineData data;
  data.cells = model.percorso;
  data.treno = model.treno;
  const Linea& linea = model.linea;
  data.plan.reserve(linea.filled());
  linea.for_each_point([&data](double x, double y) { data.plan.push_back({x, y}); });
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

// The times (s) of `from` at the boundaries first … last, shifted to start at
// `start`: a point where the pace changes (a cruise is one straight piece).
std::vector<TimePoint> time_line(const std::vector<double>& from, int64_t first, int64_t last,
                                 double start) {
  std::vector<TimePoint> line;
  for (int64_t k = first; k <= last; ++k) {
    const TimePoint point{static_cast<int32_t>(k * kCellLength),
                          start + from[static_cast<size_t>(k)] - from[static_cast<size_t>(first)]};
    if (line.size() >= 2 && k < last) {
      const TimePoint& a = line[line.size() - 2];
      const TimePoint& b = line.back();
      const double pace_before = (b.seconds - a.seconds) / (b.metre - a.metre);
      const double pace_after = (point.seconds - b.seconds) / (point.metre - b.metre);
      if (std::abs(pace_before - pace_after) < 1e-9) {
        line.back() = point;
        continue;
      }
    }
    line.push_back(point);
  }
  return line;
}

// One leg from each timed station to the next, drawn from the scheduled
// time of its start, as the margins are reckoned.
void add_legs(const RunProfile& run, LinePlot& p) {
  const StationRun* previous = nullptr;
  for (size_t i = 0; i < run.stations.size() && i < p.stations.size(); ++i) {
    const StationRun& s = run.stations[i];
    if (!s.scheduled_run) continue;
    const TimePoint at{static_cast<int32_t>(s.cell * kCellLength),
                       static_cast<double>(*s.scheduled_run)};
    if (previous == nullptr) {
      p.departure = at;
    } else {
      TimedLeg leg;
      leg.station = i;
      leg.scheduled = at;
      if (s.fastest && previous->fastest && s.cell > previous->cell) {
        const double start = static_cast<double>(*previous->scheduled_run);
        leg.fastest = time_line(run.time, previous->cell, s.cell, start);
        leg.lower = time_line(run.lower_time, previous->cell, s.cell, start);
      }
      p.legs.push_back(std::move(leg));
    }
    previous = &s;
  }
}

// The run of the train over the cells and the table, whose first `stations`
// entries are stations: the stations' times and the fastest run's speed, a
// point where it turns.
void add_run(const LineData& data, int32_t stations, LinePlot& p) {
  TrackModel model;
  model.percorso = data.cells;
  model.treno = data.treno;
  model.numero_cartelli = kFirstBoardSlot - stations;
  const RunProfile run = run_profile(model);
  for (size_t i = 0; i < p.stations.size() && i < run.stations.size(); ++i) {
    p.stations[i].time = run.stations[i].scheduled;
    p.stations[i].fastest = run.stations[i].fastest;
  }
  if (run.last <= run.first) return;
  for (int64_t k = run.first; k <= run.last; ++k) {
    const double kmh = run.speed[static_cast<size_t>(k)] * 3.6;
    const RunPoint point{static_cast<int32_t>(k * kCellLength), kmh};
    // A point in the middle of a straight stretch adds nothing.
    if (p.fastest_run.size() >= 2 && k < run.last) {
      const RunPoint& a = p.fastest_run[p.fastest_run.size() - 2];
      const RunPoint& b = p.fastest_run.back();
      if (std::abs(a.kmh - b.kmh) < 1e-9 && std::abs(b.kmh - kmh) < 1e-9) {
        p.fastest_run.back() = point;
        continue;
      }
    }
    p.fastest_run.push_back(point);
  }
  add_legs(run, p);
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
    p.heights[k + 1] = p.heights[k] + gradient_per_mille(cells[k]) * kCellMetres / 1000.0;
  }
  p.gradients = runs_of(
      cells, filled, [](const Cella& c) { return gradient_per_mille(c); }, false);
  p.speed_limits = runs_of(
      cells, filled, [](const Cella& c) { return speed_limit_kmh(c); }, false);
  p.mountains = runs_of(
      cells, cells.size(), [](const Cella& c) { return static_cast<int>(c.montagna); }, true);

  const VoceTreno& train = data.treno[kTrainEntry];
  if (train.fine > train.inizio) p.repetition = Run{train.inizio, train.fine, train.posizione};

  // Point objects, in cell order.
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
        p.sign_texts.push_back(sign_board_has_entry(c)
                                   ? data.treno[static_cast<size_t>(sign_board_entry(c))].nome
                                   : std::string());
        break;
      }
      case kMountainMarker:
        p.mountain_markers.push_back(item);
        break;
      case kSlowdownStart: {
        // Its end is the next end cell; one that never comes ends it at once.
        Slowdown s{item.metre, item.metre + kCellMetres, slowdown_speed_kmh(c)};
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
  const int32_t stations = station_entries(data.treno, data.cells);
  for (int i = 1; i <= stations; ++i) {
    const VoceTreno& v = data.treno[i];
    p.stations.push_back(
        {i, v.nome, v.tipo, v.posizione, v.inizio, v.fine, std::nullopt, std::nullopt});
  }
  add_run(data, stations, p);
  return p;
}

PlotLayout layout_line_plot(const LinePlot& plot) {
  return drawing::make_page(plot).layout;
}

std::string render_line_plot(const LinePlot& plot, const TextDecoder& decode) {
  return drawing::Painter(plot, decode).paint();
}

}  // namespace binario
