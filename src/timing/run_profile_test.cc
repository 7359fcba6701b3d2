// The run model against what is known of it: closed forms on a level line,
// a brute-force integration on random profiles, and the orderings every run
// keeps (no faster than its limits, no slower with more braking and pull,
// never slower for a limit taken away) on generated pairs.
#include "timing/run_profile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "compiler/compile.h"
#include "test_support/random_pair.h"

namespace binario {
namespace {

TrackModel level_line(int cells, int kmh, int gradient = 0) {
  TrackModel m;
  m.percorso.assign(static_cast<size_t>(cells), Cella{});
  for (Cella& c : m.percorso) {
    c.velocita = static_cast<uint8_t>(kmh / 5);
    c.pendenza = static_cast<uint8_t>(100 + gradient);
  }
  return m;
}

// Station `n` of kind 4 with its stop cell `cell` and `time` (0: none).
void add_station(TrackModel& m, int n, int64_t cell, int64_t time, int kind = 4) {
  VoceTreno& v = m.treno[static_cast<size_t>(n)];
  v.tipo = static_cast<uint8_t>(kind);
  v.posizione = static_cast<int32_t>(cell * 50);
  v.inizio = static_cast<int32_t>(cell * 50 - 200);
  v.fine = static_cast<int32_t>((cell + 1) * 50);
  v.nome = "S" + std::to_string(n);
  v.orario = static_cast<int32_t>(time);
  if (kind < 25) {
    m.percorso[static_cast<size_t>(cell)].tipo = kStationStop;
    m.percorso[static_cast<size_t>(cell)].valore1 = static_cast<int16_t>(n);
  }
}

double total(const RunProfile& run) {
  return run.time[static_cast<size_t>(run.last)];
}

TEST(RunProfile, ClosedFormsOnALevelAndAnEvenClimb) {
  const double a = 0.5, b = 0.8;
  for (int gradient : {0, 10, -10}) {
    const double slope = 9.81 * gradient / 1000.0;
    const double ae = a - slope, be = b + slope;
    // Accelerate, cruise at 100 km/h, brake: 5 km between two stops.
    TrackModel m = level_line(200, 100, gradient);
    add_station(m, 1, 1, 3600);
    add_station(m, 2, 101, 4000);
    const RunProfile run = run_profile(m, {a, b});
    const double v = 100 / 3.6, d = 5000;
    EXPECT_NEAR(total(run), d / v + v / (2 * ae) + v / (2 * be), 1e-6) << gradient;
    EXPECT_NEAR(run.lower_time[101], d / v, 1e-9);
    EXPECT_TRUE(run.stations[1].stops);
    EXPECT_NEAR(run.stations[1].margin, 400 - total(run), 1e-6);

    // 500 m never reach the limit: the peak where the two curves meet.
    TrackModel s = level_line(40, 100, gradient);
    add_station(s, 1, 1, 3600);
    add_station(s, 2, 11, 3700);
    const double peak = std::sqrt(2 * ae * be * 500 / (ae + be));
    ASSERT_LT(peak, v);
    EXPECT_NEAR(total(run_profile(s, {a, b})), peak / ae + peak / be, 1e-6) << gradient;
  }
}

TEST(RunProfile, SlowdownsAndStopsShapeTheProfile) {
  TrackModel m = level_line(100, 120);
  m.percorso[30].tipo = kSlowdownStart;
  m.percorso[30].valore1 = 30;
  m.percorso[36].tipo = kSlowdownEnd;
  m.percorso[36].valore1 = 30;
  add_station(m, 1, 1, 100);
  add_station(m, 2, 50, 0);      // passed: no time
  add_station(m, 3, 60, 0, 28);  // no cells
  add_station(m, 4, 90, 900);
  const RunProfile run = run_profile(m);
  EXPECT_EQ(run.profile_kmh[29], 120);
  for (int k = 30; k <= 36; ++k) EXPECT_EQ(run.profile_kmh[k], 30) << k;
  EXPECT_EQ(run.profile_kmh[37], 120);
  // Down to 30 km/h on entering the slowdown, and up again only after it.
  EXPECT_NEAR(run.speed[30], 30 / 3.6, 1e-9);
  EXPECT_NEAR(run.speed[37], 30 / 3.6, 1e-9);
  EXPECT_FALSE(run.stations[1].stops);
  EXPECT_GT(run.speed[50], 0);
  EXPECT_FALSE(run.stations[2].has_stop_cell);
  EXPECT_EQ(run.stations[2].cell, 60);
  EXPECT_TRUE(run.stations[3].stops);
  EXPECT_EQ(run.speed[90], 0);
  // The braking rate of a train without a braked mass, and with one.
  EXPECT_FALSE(run.braking_from_mass);
  m.treno[kTrainParameters].inizio = 130;
  EXPECT_TRUE(run_profile(m).braking_from_mass);
  EXPECT_GT(run_profile(m).braking, braking_from_braked_mass(80));
}

TEST(RunProfile, BrakingFromBrakedMassMeetsTheRailwaysReferenceStop) {
  // A train of 80 % braked mass stops from 120 km/h within about 1,000 m,
  // a mean 0.56 m/s², where the braked-mass percentage is defined.
  const double v = 120 / 3.6;
  EXPECT_NEAR(v * v / (2 * braking_from_braked_mass(80)), 1000, 20);
  // The rate grows with 1 + λ/10: 190 % brakes twice as hard as 90 %.
  EXPECT_NEAR(braking_from_braked_mass(190) / braking_from_braked_mass(90), 2, 1e-12);
  EXPECT_EQ(braking_from_braked_mass(0), kDefaultBraking);
  EXPECT_EQ(braking_from_braked_mass(-5), kDefaultBraking);
}

// The same envelope found on a grid of `dx` metres, with the time of each
// step from its mean speed.
double brute_force(const TrackModel& m, const RunProfile& run, double a, double b, double dx) {
  const int64_t steps_per_cell = static_cast<int64_t>(std::lround(50 / dx));
  const int64_t n = (run.last - run.first) * steps_per_cell;
  std::vector<double> cap(static_cast<size_t>(n + 1));
  std::vector<double> acc(static_cast<size_t>(n)), brk(static_cast<size_t>(n)),
      lim(static_cast<size_t>(n));
  for (int64_t i = 0; i < n; ++i) {
    const size_t cell = static_cast<size_t>(run.first + i / steps_per_cell);
    lim[i] = run.profile_kmh[cell] / 3.6;
    const double slope = 9.81 * (m.percorso[cell].pendenza - 100) / 1000.0;
    acc[i] = std::max(a - slope, 0.1 * a);
    brk[i] = std::max(b + slope, 0.1 * b);
  }
  for (int64_t i = 0; i <= n; ++i) {
    cap[i] = std::min(i > 0 ? lim[i - 1] : 0.0, i < n ? lim[i] : 0.0);
  }
  for (const StationRun& s : run.stations) {
    if (s.stops) cap[static_cast<size_t>((s.cell - run.first) * steps_per_cell)] = 0;
  }
  std::vector<double> v(cap.size());
  v[0] = 0;
  for (int64_t i = 0; i < n; ++i) {
    v[i + 1] = std::min(cap[i + 1], std::sqrt(v[i] * v[i] + 2 * acc[i] * dx));
  }
  for (int64_t i = n - 1; i >= 0; --i) {
    v[i] = std::min(v[i], std::sqrt(v[i + 1] * v[i + 1] + 2 * brk[i] * dx));
  }
  double t = 0;
  for (int64_t i = 0; i < n; ++i) t += 2 * dx / (v[i] + v[i + 1]);
  return t;
}

TEST(RunProfile, AgreesWithASmallStepIntegrationOnRandomProfiles) {
  std::mt19937 rng(34);
  auto between = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int round = 0; round < 40; ++round) {
    const int cells = between(80, 400);
    TrackModel m = level_line(cells, 100);
    for (int k = 0; k < cells;) {
      const int run_length = between(1, 40), kmh = 5 * between(4, 32), gradient = between(-25, 25);
      for (int j = k; j < std::min(cells, k + run_length); ++j) {
        m.percorso[j].velocita = static_cast<uint8_t>(kmh / 5);
        m.percorso[j].pendenza = static_cast<uint8_t>(100 + gradient);
      }
      k += run_length;
    }
    int cell = between(1, 5), n = 1;
    while (cell < cells - 2) {
      add_station(m, n, cell, between(0, 1) ? 3600 + n * 600 : 0);
      ++n;
      cell += between(15, 120);
    }
    if (n < 3) continue;
    const double a = between(20, 100) / 100.0, b = between(30, 120) / 100.0;
    const RunProfile run = run_profile(m, {a, b});
    const double exact = total(run);
    const double fine = brute_force(m, run, a, b, 0.25);
    EXPECT_NEAR(exact, fine, 0.005 * fine) << "round " << round;
  }
}

// The fastest run at each timed station against the bounds a run keeps.
TEST(RunProfile, OrderingsHoldOnGeneratedPairs) {
  int checked = 0;
  for (uint64_t seed = 1; seed <= 60; ++seed) {
    test::RandomPairMaker maker(seed);
    const test::RandomPair pair = maker.make(false);
    CompileInput input;
    input.line = {"l.txt", pair.line, std::nullopt, false};
    input.train = {"t.txt", pair.train, std::nullopt, false};
    input.extra_diagnostics = false;
    const CompileResult result = compile(input);
    if (result.status.codice_errore() != 0 || !result.model.built()) continue;
    const RunProfile run = run_profile(result.model);
    if (run.last <= run.first || run.blocked) continue;
    const RunProfile slow = run_profile(result.model, {run.acceleration / 2, run.braking / 2});
    for (int64_t k = run.first; k <= run.last; ++k) {
      ASSERT_LE(run.lower_time[k], run.time[k] + 1e-9) << "seed " << seed << " cell " << k;
      ASSERT_LE(run.time[k], slow.time[k] + 1e-9) << "seed " << seed << " cell " << k;
    }
    // A limit taken away: a stretch of cells at the line's highest limit.
    TrackModel raised = result.model;
    uint8_t top = 0;
    for (const Cella& c : raised.percorso) top = std::max(top, c.velocita);
    const int64_t from = run.first + static_cast<int64_t>(seed * 7919) % (run.last - run.first);
    for (int64_t k = from; k < std::min(run.last, from + 40); ++k)
      raised.percorso[k].velocita = top;
    const RunProfile quicker = run_profile(raised);
    EXPECT_LE(total(quicker), total(run) + 1e-9) << "seed " << seed;
    ++checked;
  }
  EXPECT_GT(checked, 20);
}

}  // namespace
}  // namespace binario
