// Walks the road from the binary files back to the records: each record
// kind is read off the cells, the table entries or the plan geometry that
// its parser writes, and put at the canonical position that gives the same
// cells (a span at the start of its first cell, a point object at the start
// of the cell before its own).
#include <algorithm>
#include <bit>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "compiler/cell_meaning.h"
#include "compiler/competition_codes.h"
#include "compiler/diagnostics.h"
#include "compiler/field_reader.h"
#include "compiler/fixed_width.h"
#include "compiler/line_parser.h"
#include "compiler/records.h"
#include "compiler/signal_codes.h"
#include "decompile/records.h"

namespace binario {

namespace {

// A slowdown's start lies this many cells after its warning board (the
// countdown's nearest board is one cell before the warning board).
constexpr int64_t kWarningCells = kWarningBoardDistance / kCellLength;

constexpr int16_t kCellMarker = 5121;  // cell 1 valore1 after the stamping
constexpr int64_t kMaxCurvePoint = 1'000'000;

struct Refused {
  std::string reason;
};

[[noreturn]] void refuse(std::string reason) {
  throw Refused{std::move(reason)};
}

std::string str(int64_t v) {
  return std::to_string(v);
}

// A cell written by a station or a signal as an approach mark: a station's
// value is fixed, a signal's is low8(m·10 + b) with its mark value m.
struct Mark {
  int64_t cell;
  int64_t b;      // signals: 1 … 4, the mark's distance in pairs of cells
  uint8_t value;  // stations: the value written
};

// A writer of approach marks: a station, or a signal (on its own cell or on
// a station's stop cell, which the station then overwrote).
struct MarkWriter {
  bool station = false;
  size_t index = 0;            // into the stations, or into the signal cells
  int64_t station_number = 0;  // stations: their entry; signals under a station: that entry
  std::vector<Mark> marks;
  int parity = 0;  // signals: m is even or odd as valore4 is
  int m = -1;      // signals: the mark value found
};

class Recovery {
 public:
  Recovery(const std::vector<Cella>& cells, const std::array<VoceTreno, kTrenoEntries>& treno,
           const DecodedGeometry* geometry, LineRecords& line, TrainRecords& train)
      : cells_(cells), treno_(treno), geometry_(geometry), line_(line), train_(train) {}

  void run() {
    check_sizes_and_stamps();
    general();
    line_.gradients = span_records(&Cella::pendenza, gradient_byte(0),
                                   [](uint8_t b) { return gradient_from_byte(b); });
    train_.speeds =
        span_records(&Cella::velocita, 0, [](uint8_t b) { return speed_from_fifth(b); });
    train_.adhesion = span_records(&Cella::aderenza, 0, [](int64_t b) { return b; });
    if (geometry_) curves();
    stations();
    objects_under_stations();
    mountains();
    signals();
    approach_marks();
    slowdowns();
    speed_boards();
    sign_boards();
    code_points();
  }

 private:
  int64_t last() const { return static_cast<int64_t>(cells_.size()) - 1; }
  const Cella& cell(int64_t j) const { return cells_[static_cast<size_t>(j)]; }
  // The range test of the parsers: `p` leaves `margin` metres before the last cell.
  bool on_track(int64_t p, int64_t margin = 100) const {
    return static_cast<double>(last()) >=
           static_cast<double>(p + margin) / static_cast<double>(kCellLength);
  }
  void require_on_track(int64_t p, const std::string& what) const {
    if (!on_track(p)) {
      refuse(what + " would stand at metre " + str(p) +
             ", beyond what a description can place on a track of " + str(last() + 1) + " cells");
    }
  }

  void check_sizes_and_stamps() {
    const int64_t length = general_value(treno_, RecordKind::kLineLength, 0);
    if (length > kMaxLineLength) {
      refuse("the train table gives a line of " + str(length) + " m, more than the " +
             str(kMaxLineLength) + " m a line may have");
    }
    const int64_t u = last_cell_for_length(length);
    if (u != last()) {
      refuse("the cells file holds " + str(last() + 1) + " cells, but the line of " + str(length) +
             " m the train table gives has " + str(u + 1) +
             ": the files do not belong to the same scenario");
    }
    if (last() < 4) refuse("the track has fewer than five cells");
    if (geometry_) {
      const size_t points = static_cast<size_t>(length + kRunOut) + 1;
      if (geometry_->first.size() != points) {
        refuse("the plan geometry holds " + std::to_string(geometry_->first.size()) +
               " points, but the line of " + str(length) + " m has " + std::to_string(points) +
               ": the files do not belong to the same scenario");
      }
    }
    // The markers and the competition codes follow from the two names.
    TrackModel names;
    names.treno[kScenarioEntry].nome = treno_[kScenarioEntry].nome;
    names.treno[kTrainEntry].nome = treno_[kTrainEntry].nome;
    const int16_t og = codice_gara_og(names);
    const int32_t st = codice_gara_st(names);
    if (cell(1).valore1 != kCellMarker || cell(1).valore2 != og ||
        treno_[kScenarioEntry].dato1 != 610 || treno_[kScenarioEntry].orario != st) {
      refuse("the markers and competition codes (cell 1: " + str(cell(1).valore1) + ", " +
             str(cell(1).valore2) + "; treno entry 85: " + str(treno_[kScenarioEntry].dato1) +
             ", " + str(treno_[kScenarioEntry].orario) + ") do not fit the names in the train " +
             "table (expected 5121, " + str(og) + "; 610, " + str(st) +
             "): the cells file belongs to another scenario or train");
    }
    // What stood in cell 1 before the stamping.
    cells_[1].valore1 = 0;
    cells_[1].valore2 = 0;
  }

  void general() {
    using K = RecordKind;
    using namespace values_of;
    auto value = [&](RecordKind kind, size_t i) { return general_value(treno_, kind, i); };
    line_.length = value(K::kLineLength, 0);
    train_.massa = value(K::kBrakedMass, 0);
    train_.vetture = value(K::kCars, 0);
    line_.sfondo_uno = value(K::kBackgroundUno, 0);
    line_.sfondo_due = value(K::kBackgroundDue, 0);
    line_.sfondo_tre = value(K::kBackgroundTre, 0);
    for (size_t i = 0; i < kRepetitionValues; ++i) {
      line_.repetition[i] = value(K::kSignalRepetition, i);
    }
    const int64_t codes = repetition_codes(treno_);
    const int64_t from = line_.repetition[kRepetitionFrom], to = line_.repetition[kRepetitionTo];
    if (to == 0 ? codes != 0 : (codes != 4 && codes != 9)) {
      refuse("the signal repetition holds " + str(codes) + " codes from metre " + str(from) +
             " to " + str(to) + ": a description gives 4 or 9 (0 without an end)");
    }
    line_.repetition_codes = codes == 9 ? 9 : 4;
    train_.sabbia = value(K::kSand, 0);
    for (size_t i = 0; i < kClockValues; ++i) train_.clock[i] = value(K::kClock, i);
    chainages();
  }

  // The three references as written, in some order of the three lines, that
  // the sort puts back where the table holds them.
  void chainages() {
    using namespace values_of;
    constexpr RecordKind kKinds[3] = {RecordKind::kChainageTre, RecordKind::kChainageDue,
                                      RecordKind::kChainageUno};
    std::array<ChainageLine, 3> stored;
    for (size_t i = 0; i < 3; ++i) {
      for (size_t k = 0; k < kChainageValues; ++k)
        stored[i][k] = general_value(treno_, kKinds[i], k);
      stored[i][kChainage] = chainage_written(stored[i][kChainage], stored[i][kChainageFlag]);
    }
    std::array<int, 3> perm = {0, 1, 2};
    do {
      TrackModel scratch;
      bool fits = true;
      for (size_t i = 0; i < 3; ++i) {
        const ChainageLine& c = stored[static_cast<size_t>(perm[i])];
        fits = fits && fits_long(c[kChainage]);
        for (size_t k = 0; k < kChainageValues; ++k) {
          store_general_value(scratch.treno, kKinds[i], k, c[k]);
        }
      }
      if (!fits) continue;
      try {
        progressive_ordina(scratch);
      } catch (const ReadFailure&) {
        continue;
      }
      bool same = true;
      for (RecordKind kind : kKinds) {
        for (size_t k = 0; k < kChainageValues; ++k) {
          same = same && general_value(scratch.treno, kind, k) == general_value(treno_, kind, k);
        }
      }
      if (same) {
        line_.tre = stored[static_cast<size_t>(perm[0])];
        line_.due = stored[static_cast<size_t>(perm[1])];
        line_.uno = stored[static_cast<size_t>(perm[2])];
        return;
      }
    } while (std::next_permutation(perm.begin(), perm.end()));
    refuse("no three chainage references sort into what treno entries 81 to 83 hold");
  }

  // A record per change of a span byte, from the first cell on; the fill
  // leaves the last three cells at 0 unless a change stands at cell U - 2.
  template <typename Value>
  std::vector<ValueAt> span_records(uint8_t Cella::*field, uint8_t initial, Value value) const {
    std::vector<ValueAt> out;
    uint8_t previous = initial;
    for (int64_t j = 0; j <= last() - 3; ++j) {
      const uint8_t b = cell(j).*field;
      if (b != previous) {
        out.push_back({span_start(j), value(b)});
        previous = b;
      }
    }
    // Records at cell U - 2 reach further: each one after the first writes
    // the one before it into the next cell, and the end fill writes the last.
    int64_t written = 0;
    for (int64_t t = 0; t < 3; ++t) {
      if (cell(last() - 2 + t).*field != 0) written = t + 1;
    }
    for (int64_t t = 0; t < written; ++t) {
      out.push_back({span_start(last() - 2), value(cell(last() - 2 + t).*field)});
    }
    return out;
  }

  // Each geometry point is the one before it carried straight on or turned
  // by one curve class; a run of equally turned points is one curve.
  void curves() {
    const std::vector<GeometryValue>& xs = geometry_->first;
    const std::vector<GeometryValue>& ys = geometry_->second;
    const size_t n = xs.size() - 1;  // the last point, L + 7000
    auto is = [&](size_t k, Tag tag) { return xs[k].tag == tag && ys[k].tag == tag; };
    // A curve that runs to the end computes the last two points too.
    const size_t computed = is(n, Tag::kDouble) ? n + 1 : is(n - 1, Tag::kDouble) ? n : n - 1;
    bool shaped = n >= 4 && is(0, Tag::kInteger) && is(1, Tag::kInteger) && xs[0].value == 0 &&
                  ys[0].value == 0 && xs[1].value == 0 && ys[1].value == 1;
    for (size_t k = 2; shaped && k <= n; ++k) {
      shaped = is(k, k < computed ? Tag::kDouble : Tag::kEmpty);
    }
    if (!shaped) {
      refuse(
          "the plan geometry is not that of a whole line: Integer points 0 and 1, computed "
          "points up to the last two, which are empty");
    }
    auto same = [](double a, double b) {
      return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
    };
    // 0 straight on, +c a right-hand curve of class c, -c a left-hand one.
    auto fits = [&](size_t k, int turn) {
      const double x1 = xs[k - 1].value, y1 = ys[k - 1].value;
      const double d0 = x1 - xs[k - 2].value;
      const double d1 = y1 - ys[k - 2].value;
      if (turn == 0) return same(xs[k].value, x1 + d0) && same(ys[k].value, y1 + d1);
      double kappa = kCurveClassCurvature[static_cast<size_t>(std::abs(turn) - 1)];
      if (turn < 0) kappa = -kappa;
      return same(xs[k].value, x1 + (d0 + kappa * d1)) && same(ys[k].value, y1 + (d1 - kappa * d0));
    };
    static constexpr int kTurns[] = {0, 1, -1, 2, -2, 3, -3, 4, -4, 5, -5, 6, -6};
    int current = 0;
    size_t run_start = 2;
    auto close_run = [&](size_t end) {
      if (current == 0) return;
      const int64_t start = static_cast<int64_t>(run_start) - 1;
      if (!on_track(start) || static_cast<int64_t>(end) >= kMaxCurvePoint) {
        refuse("the plan geometry turns at metre " + std::to_string(run_start) +
               ", where no curve of a description can begin");
      }
      line_.curves.push_back(
          {start, static_cast<int64_t>(end - run_start + 1), std::abs(current), current < 0});
    };
    for (size_t k = 2; k < computed; ++k) {
      if (fits(k, current)) continue;
      int found = -100;
      for (int turn : kTurns) {
        if (turn != current && fits(k, turn)) {
          found = turn;
          break;
        }
      }
      if (found == -100) {
        refuse("point " + std::to_string(k) +
               " of the plan geometry is neither straight on nor turned by a curve class");
      }
      close_run(k - 1);
      current = found;
      run_start = k;
    }
    close_run(computed - 1);
    if (computed > n - 1 && current == 0) {
      refuse("the plan geometry runs straight on past point " + std::to_string(n - 2) +
             ", where only a curve reaches");
    }
  }

  static bool numbers_zero(const VoceTreno& v) {
    return v.tipo == 0 && v.inizio == 0 && v.fine == 0 && v.posizione == 0 && v.tps == 0 &&
           v.dato1 == 0 && v.dato2 == 0 && v.dato3 == 0 && v.dato4 == 0 && v.dato5 == 0 &&
           v.opz1 == 0 && v.opz2 == 0 && v.opz3 == 0 && v.opz4 == 0 && v.orario == 0;
  }

  void stations() {
    if (!numbers_zero(treno_[0]) || !treno_[0].nome.empty()) {
      refuse("treno entry 0 holds data, which no description puts there");
    }
    int64_t n = 1;
    while (n <= kFirstBoardSlot && !numbers_zero(treno_[static_cast<size_t>(n)])) {
      station(n);
      ++n;
    }
    station_count_ = n - 1;
  }

  void station(int64_t n) {
    const VoceTreno& e = treno_[static_cast<size_t>(n)];
    const std::string which = "station " + str(n) + " (treno entry " + str(n) + ")";
    using namespace values_of;
    const int64_t pos = *stored_station_value(e, kStationPos);
    const int64_t kind = *stored_station_value(e, kStationKind);
    const int64_t kept_mar = *stored_station_value(e, kMar);
    const StationExtent kept = stored_station_extent(e);
    int64_t length = 0;
    int64_t mar = 0;
    if (!station_centred(kind)) {
      length = pos - kept.inizio;
      if (station_extent(pos, kind, length, 0).fine != kept.fine || kept_mar != 0) {
        refuse(which + " of kind " + str(kind) + " ends at metre " + str(kept.fine) +
               ", which no length gives");
      }
    } else {
      // The first station's mar is cleared once its extent is settled.
      length = 2 * (pos - kept.inizio);
      mar = n > 1 ? kept_mar : station_extent(pos, kind, length, 1).fine == kept.fine ? 1 : 0;
      if (station_extent(pos, kind, length, mar).fine != kept.fine || (n == 1 && kept_mar != 0)) {
        refuse(which + " runs from metre " + str(kept.inizio) + " to " + str(kept.fine) +
               " around metre " + str(pos) + ", which no length and mar give");
      }
    }
    if (length % 100 != 0 || !fits_long(length) || pos % 50 != 0) {
      refuse(which + " has a length of " + str(length) + " m at metre " + str(pos) +
             ": a description gives a multiple of 100 m at a multiple of 50");
    }
    if (!on_track(pos, 800)) {
      refuse(which + " at metre " + str(pos) + " lies beyond what a description can place");
    }
    StationRecord r;
    for (size_t i = 0; i < kStationName; ++i) {
      if (const std::optional<int64_t> v = stored_station_value(e, i)) r.values[i] = *v;
    }
    r.values[kStationLength] = length;
    r.values[kMar] = mar;
    const TimeOfDay time = time_of_day(station_time(e));
    r.values[kHoursOfDay] = time.hours;
    r.values[kMinutesOfDay] = time.minutes;
    r.values[kSecondsOfDay] = time.seconds;
    r.name = e.nome;
    train_.stations.push_back(std::move(r));
    if (kind < kFirstKindWithoutCells) {
      if (kept.fine % kCellLength != 0) refuse(which + " ends off a cell boundary");
      const int64_t stop = station_stop_cell(kept.fine);
      if (stop <= 1 || stop > last()) refuse(which + " has its stop cell outside the track");
      stops_.emplace_back(n, stop);
      MarkWriter w;
      w.station = true;
      w.index = train_.stations.size() - 1;
      w.station_number = n;
      if (station_has_marks(kind)) {
        for (int64_t j = 1; j <= 4; ++j) {
          const int64_t q = station_mark_cell(kept.fine, j);
          if (q > 1) w.marks.push_back({q, 0, station_mark_byte(j)});
        }
      }
      writers_.push_back(std::move(w));
    }
  }

  // A station stop overwrites whatever its cell held: what the object there
  // left in the other fields comes back as an object placed before it.
  void objects_under_stations() {
    // Marks that no station and no signal still in the cells writes are a
    // signal's that a station stop overwrote.
    std::vector<bool> covered(cells_.size(), false);
    for (const MarkWriter& w : writers_) {
      for (const Mark& mk : w.marks) covered[static_cast<size_t>(mk.cell)] = true;
    }
    for (int64_t j = 0; j <= last(); ++j) {
      for (int64_t b = 1; cell(j).tipo == kSignal && b <= 4; ++b) {
        if (j - 2 * b >= 0) covered[static_cast<size_t>(j - 2 * b)] = true;
      }
    }
    for (const auto& [n, stop] : stops_) {
      const Cella& c = cell(stop);
      if (stop_cell_station(c) != n) {
        refuse("cell " + str(stop) + " does not hold the stop of station " + str(n));
      }
      bool marks = false;
      for (int64_t b = 1; b <= 4; ++b) {
        const int64_t q = stop - 2 * b;
        marks =
            marks || (q >= 0 && !covered[static_cast<size_t>(q)] && approach_mark(cell(q)) != 0);
      }
      if (signal_time_cell(c) != 0 || marks) {
        signal_cells_.emplace_back(stop, n);
      } else {
        open_stops_.insert(stop);
      }
    }
  }

  // Real speed boards, and the stops no slowdown and no signal explains:
  // their other values are a board's; a stop with none could hide a sign
  // board.
  void speed_boards() {
    for (int64_t j = 0; j <= last(); ++j) {
      if (cell(j).tipo == kSpeedBoard) board_cell(j, false);
    }
    for (int64_t stop : open_stops_) {
      const Cella& c = cell(stop);
      if (holds_board_values(under_stop(c))) {
        board_cell(stop, true);
      } else {
        free_stops_.push_back(stop);
      }
    }
    std::sort(line_.speed_boards.begin(), line_.speed_boards.end(),
              [](const SpeedBoardRecord& a, const SpeedBoardRecord& b) {
                return a.values[values_of::kBoardPosition] < b.values[values_of::kBoardPosition];
              });
  }

  void board_cell(int64_t j, bool under_station) {
    const Cella c = under_station ? under_stop(cell(j)) : cell(j);
    using namespace values_of;
    SpeedBoardRecord r;
    r.values[kBoardPosition] = point_position(j);
    r.under_station = under_station;
    require_on_track(r.values[kBoardPosition], "a speed board in cell " + str(j));
    read_speed_board(c, r.values);
    line_.speed_boards.push_back(r);
  }

  // Sign boards take the table's entries from 80 down, in the order they are
  // written; a board whose cell a station overwrote keeps its entry.
  void sign_boards() {
    std::map<int64_t, int64_t> cell_of_slot;
    int64_t lowest = kFirstBoardSlot + 1;
    for (int64_t j = 0; j <= last(); ++j) {
      if (cell(j).tipo != kSignBoard) continue;
      const int64_t slot = sign_board_entry(cell(j));
      if (slot <= station_count_ || slot > kFirstBoardSlot || cell_of_slot.count(slot)) {
        refuse("the sign board in cell " + str(j) + " points at treno entry " + str(slot) +
               ", which no sign board of a description gets");
      }
      cell_of_slot[slot] = j;
      lowest = std::min(lowest, slot);
    }
    for (int64_t e = station_count_ + 1; e <= kFirstBoardSlot; ++e) {
      if (!treno_[static_cast<size_t>(e)].nome.empty()) lowest = std::min(lowest, e);
    }
    for (int64_t e = kFirstBoardSlot; e >= lowest; --e) {
      SignBoardRecord r;
      r.text = treno_[static_cast<size_t>(e)].nome;
      if (auto it = cell_of_slot.find(e); it != cell_of_slot.end()) {
        r.position = (it->second - 1) * kCellLength;
        require_on_track(r.position, "a sign board in cell " + str(it->second));
      } else if (!free_stops_.empty()) {
        r.position = (free_stops_.back() - 1) * kCellLength;
        r.under_station = true;
        free_stops_.pop_back();
      } else {
        refuse("the sign-board text of treno entry " + str(e) +
               " has no board cell, and no station stop is left that could have overwritten it");
      }
      line_.sign_boards.push_back(std::move(r));
    }
    for (int64_t e = station_count_ + 1; e < lowest; ++e) {
      if (!numbers_zero(treno_[static_cast<size_t>(e)])) {
        refuse("treno entry " + str(e) + " holds data but is neither a station nor a sign board");
      }
    }
  }

  // Runs of one mountain kind, cut where the markers change their step of
  // four cells; spans that would join the one before them (150 m or less
  // apart) get kind 3 unless a separator stands between.
  void mountains() {
    struct Span {
      int64_t first, last;
      uint8_t kind;
      bool markers;
    };
    std::vector<Span> spans;
    int64_t j = 0;
    while (j <= last()) {
      // Cells of kind 0 are no span, unless markers stand there: a span of
      // a kind whose low 8 bits are 0 (256 and 10, with markers) put them.
      const uint8_t kind = cell(j).montagna;
      const int64_t a = j;
      while (j <= last() && cell(j).montagna == kind) ++j;
      const int64_t b = j - 1;
      int64_t s = a;
      while (s <= b) {
        int64_t m0 = s;
        while (m0 <= b && cell(m0).tipo != kMountainMarker) ++m0;
        if (m0 > b) {
          if (kind != 0) spans.push_back({s, b, kind, false});
          break;
        }
        const int64_t start = m0 - 3;
        if (start < a) {
          refuse("the mountain marker in cell " + str(m0) +
                 " lies less than four cells into its span");
        }
        if (start > s && kind != 0) spans.push_back({s, start - 1, kind, false});
        int64_t end = b;
        int64_t expected = m0 + 4;
        for (int64_t x = m0 + 1; x <= b; ++x) {
          const bool marker = cell(x).tipo == kMountainMarker;
          if (x == expected) {
            if (cell(x).tipo == kNone) {
              end = x - 1;
              break;
            }
            expected += 4;
          } else if (marker) {
            end = x - 1;
            break;
          }
        }
        spans.push_back({start, end, kind, true});
        s = end + 1;
      }
    }
    int64_t previous_fine = 0;
    bool first = true;
    for (const Span& sp : spans) {
      using namespace values_of;
      MountainRecord r;
      const int64_t from = span_start(sp.first);
      r.values[kMountainFrom] = from;
      r.values[kMountainTo] = (sp.last + 1) * kCellLength;
      require_on_track(from, "a mountain span from cell " + str(sp.first));
      r.values[kMountainKind] = mountain_written_kind(sp.kind, sp.markers);
      if (!first && from - previous_fine <= 150 && sp.kind != 3) {
        MountainRecord separator;
        separator.values[kMountainTo] = -1000;
        separator.separator = true;
        line_.mountains.push_back(separator);
      }
      line_.mountains.push_back(r);
      previous_fine = r.values[kMountainTo];
      first = false;
    }
  }

  void signals() {
    for (int64_t j = 0; j <= last(); ++j) {
      if (cell(j).tipo == kSignal) signal_cells_.emplace_back(j, 0);
    }
    std::sort(signal_cells_.begin(), signal_cells_.end());
    for (size_t i = 0; i < signal_cells_.size(); ++i) {
      const auto& [k, station] = signal_cells_[i];
      require_on_track(point_position(k), "a signal in cell " + str(k));
      MarkWriter w;
      w.index = i;
      w.station_number = station;
      w.parity = signal_repeat_cell(cell(k)) & 1;
      for (int64_t b = 1; b <= 4; ++b) {
        if (k - 2 * b >= 0) w.marks.push_back({k - 2 * b, b, 0});
      }
      writers_.push_back(std::move(w));
    }
  }

  // Whether `w` can be the last writer of its marks not `claimed` by later
  // ones; a signal's mark value is then the one those marks hold.
  bool fits_last(MarkWriter& w, const std::vector<bool>& claimed) const {
    int m = -1;
    for (const Mark& mk : w.marks) {
      const size_t c = static_cast<size_t>(mk.cell);
      if (claimed[c]) continue;
      const uint8_t held = approach_mark(cells_[c]);
      if (w.station) {
        if (held != mk.value) return false;
        continue;
      }
      if (m < 0) {
        m = static_cast<int>(mark_from_byte(held, mk.b));
        if (m < 0 || m % 2 != w.parity) return false;
      }
      if (approach_mark_byte(m, mk.b) != held) return false;
    }
    if (!w.station) w.m = m >= 0 ? m : (w.parity ? 3 : 6);
    return true;
  }

  static void claim(const MarkWriter& w, std::vector<bool>& claimed) {
    for (const Mark& mk : w.marks) claimed[static_cast<size_t>(mk.cell)] = true;
  }

  // Orders stations and signals so that the last writer of every approach
  // mark leaves the value the cells hold: the stations, then the signals
  // along the line, when that works; else the order found by taking off,
  // from the end, a writer whose marks still hold its values.
  void approach_marks() {
    std::vector<bool> covered(cells_.size(), false);
    for (const MarkWriter& w : writers_) claim(w, covered);
    for (int64_t j = 0; j <= last(); ++j) {
      if (approach_mark(cell(j)) != 0 && !covered[static_cast<size_t>(j)]) {
        refuse("cell " + str(j) + " holds the approach mark " + str(approach_mark(cell(j))) +
               ", which no signal or station before it writes");
      }
    }
    // writers_ holds the stations in entry order, then the signals.
    const bool under_station =
        std::any_of(writers_.begin(), writers_.end(),
                    [](const MarkWriter& w) { return !w.station && w.station_number != 0; });
    std::vector<size_t> order;
    if (!under_station) {
      std::vector<bool> claimed(cells_.size(), false);
      bool fit = true;
      for (size_t i = writers_.size(); fit && i-- > 0;) {
        fit = fits_last(writers_[i], claimed);
        claim(writers_[i], claimed);
      }
      if (fit) {
        for (size_t i = 0; i < writers_.size(); ++i) order.push_back(i);
      }
    }
    if (order.empty()) order = peeled_order();

    // Stations of kind 25 and above write no cell: they keep their place
    // among the other stations.
    size_t next_station = 0;
    for (size_t i : order) {
      const MarkWriter& w = writers_[i];
      if (w.station) {
        while (next_station <= w.index) train_.order.push_back({true, next_station++});
      } else {
        train_.order.push_back({false, train_.signals.size()});
        signal(signal_cells_[w.index].first, signal_cells_[w.index].second, w.m);
      }
    }
    while (next_station < train_.stations.size()) train_.order.push_back({true, next_station++});
  }

  std::vector<size_t> peeled_order() {
    std::vector<bool> claimed(cells_.size(), false);
    std::vector<bool> done(writers_.size(), false);
    std::set<int64_t> stations_left;
    for (const MarkWriter& w : writers_) {
      if (w.station) stations_left.insert(w.station_number);
    }
    std::vector<size_t> reversed;
    while (reversed.size() < writers_.size()) {
      bool progress = false;
      for (size_t i = writers_.size(); i-- > 0;) {
        if (done[i]) continue;
        MarkWriter& w = writers_[i];
        if (w.station && *stations_left.rbegin() != w.station_number) continue;
        // A signal under a station stands before it.
        if (!w.station && w.station_number && stations_left.count(w.station_number)) continue;
        if (!fits_last(w, claimed)) continue;
        claim(w, claimed);
        if (w.station) stations_left.erase(w.station_number);
        done[i] = true;
        reversed.push_back(i);
        progress = true;
      }
      if (!progress) {
        refuse("no order of the signals and stations leaves the approach marks the cells hold");
      }
    }
    return {reversed.rbegin(), reversed.rend()};
  }

  // The signal in cell `k` (under the stop of station `station`, or 0) with
  // mark value `m`.
  void signal(int64_t k, int64_t station, int m) {
    const Cella c = station ? under_stop(cell(k)) : cell(k);
    const bool timed = signal_time_cell(c) != 0;
    const int64_t sx = timed ? kTimedSignal : m / 3;
    const int64_t dx = m - signal_mark_value(sx, 0);
    const int16_t repeat = signal_repeat_cell(c);
    const int64_t rapp = signal_repeat(repeat, m);
    if (low16(signal_repeat_value(rapp, m)) != repeat) {
      refuse("the signal in cell " + str(k) + " holds valore4 " + str(repeat) +
             ", which does not fit its approach marks");
    }
    int64_t tempo = signal_time_cell(c);
    if (tempo >= 1 && tempo <= 100) tempo += 256;  // a time up to 100 would be raised to 101
    const LeftRight p1 = signal_pair(signal_pair_cell(c, 1));
    const LeftRight p2 = signal_pair(signal_pair_cell(c, 2));
    const LeftRight p3 = signal_pair(signal_pair_cell(c, 3));
    using namespace values_of;
    SignalRecord r;
    r.values[kSignalPosition] = point_position(k);
    r.values[kSx] = sx;
    r.values[kDx] = dx;
    r.values[kRapp] = rapp;
    r.values[kS1] = p1.left;
    r.values[kD1] = p1.right;
    r.values[kS2] = p2.left;
    r.values[kD2] = p2.right;
    r.values[kS3] = p3.left;
    r.values[kD3] = p3.right;
    r.values[kTempo] = tempo;
    r.under_station = station != 0;
    train_.signals.push_back(r);
  }

  // The cell part `part` of a slowdown with these values leaves (`v`
  // nothing: 0); with `over_end`, written over the slowdown's own end.
  static Cella part_cell(SlowdownPart part, std::optional<int16_t> v, int16_t dv, int16_t ftt,
                         bool over_end = false) {
    Cella c;
    if (over_end) write_slowdown_part(c, SlowdownPart::kEnd, v.value_or(0), ftt, dv);
    write_slowdown_part(c, part, v.value_or(0), ftt, dv);
    return c;
  }
  static Cella countdown_cell(int64_t step, int16_t dv) {
    Cella c;
    write_countdown_board(c, step, dv);
    return c;
  }
  // Whether cell `j`, not yet used, shows `want` (any speed unless `with_speed`).
  bool shows(int64_t j, const Cella& want, bool with_speed, const std::vector<bool>& used) const {
    if (j < 0 || j > last() || used[static_cast<size_t>(j)]) return false;
    return shows_part(cell(j), want, with_speed);
  }
  // Whether cell `j` is a station stop, not yet explained, that overwrote `want`.
  bool hides(int64_t j, const Cella& want, const std::vector<bool>& used) const {
    if (j < 0 || j > last() || used[static_cast<size_t>(j)] || !open_stops_.count(j)) return false;
    return stop_keeps_part(cell(j), want);
  }

  struct Slowdown {
    int64_t p = 0, b = 0, e = 0, a = -1, w = -1;
    int16_t v = 0, dv = 0, ftt = 0;
  };

  // The slowdown starting in cell `b`, shown there or under a station stop:
  // its warning board 24 cells before it (shown, under a stop, or none near
  // the start of the line), the countdown behind the board, and its end (the
  // nearest shown end after it, else before it, else a stop that kept an
  // end's values, else its own cell, which the start overwrote). Prefers what the cells show;
  // with `must` >= 0 only a slowdown that has a part in that cell will do.
  std::optional<Slowdown> slowdown_at(int64_t b, int64_t must,
                                      const std::vector<bool>& used) const {
    const Cella& s = cell(b);
    const bool hidden = !starts_slowdown(s);
    const int16_t dv = slowdown_d_v(s), ftt = slowdown_f_tt(s);
    using P = SlowdownPart;
    if (hidden && !hides(b, part_cell(P::kStart, std::nullopt, dv, ftt), used)) return std::nullopt;
    if (!hidden && used[static_cast<size_t>(b)]) return std::nullopt;
    std::optional<Slowdown> best;
    std::optional<int16_t> best_v;  // the speed, when a shown cell keeps it
    int best_quality = -1;
    for (int64_t delta : {0, 25, -25, 10, -10, 24, -24, 26, -26}) {
      const int64_t p = point_position(b) + delta;
      const SlowdownCells c = slowdown_cells(p, 0);
      if (c.b != b) continue;
      Slowdown h{p, b, b, -1, -1, 0, dv, ftt};
      std::optional<int16_t> v;
      if (!hidden) v = static_cast<int16_t>(slowdown_speed_kmh(s));
      int quality = 2;  // no warning board
      if (c.warning) {
        // An end in the board's cell (a length of about -1200 m) leaves its
        // f_tt there under the board.
        if (shows(c.a, part_cell(P::kWarning, v, dv, 0), v.has_value(), used) ||
            (ftt != 0 &&
             shows(c.a, part_cell(P::kWarning, v, dv, ftt, true), v.has_value(), used))) {
          quality = 4;
          v = static_cast<int16_t>(warning_board_speed_kmh(cell(c.a)));
          if (slowdown_f_tt(cell(c.a)) != 0) h.e = c.a;
        } else if (hides(c.a, part_cell(P::kWarning, std::nullopt, dv, 0), used)) {
          quality = 0;
        } else {
          continue;
        }
        h.a = c.a;
        const int64_t w = c.w;
        bool countdown = true;
        int shown = 0;
        for (int64_t i = 0; i < 4 && countdown; ++i) {
          const Cella board = countdown_cell(i + 1, dv);
          if (shows(w - i, board, true, used)) {
            ++shown;
          } else {
            countdown = hides(w - i, board, used);
          }
        }
        if (countdown && shown > 0) {
          h.w = w;
          ++quality;
        }
      }
      const bool end_must = must >= 0 && ends_slowdown(cell(must));
      if (end_must) {
        if (!shows(must, part_cell(P::kEnd, v, dv, ftt), v.has_value(), used)) continue;
        h.e = must;
        v = static_cast<int16_t>(slowdown_speed_kmh(cell(must)));
      } else if (must >= 0 && must != h.a && !(h.w >= 0 && must <= h.w && must > h.w - 4)) {
        continue;
      }
      if (v) h.v = *v;
      if (quality > best_quality) {
        best = h;
        best_quality = quality;
        best_v = v;
      }
    }
    if (!best || (must >= 0 && ends_slowdown(cell(must))) || best->e != b) return best;
    const Cella end = part_cell(P::kEnd, best_v, dv, ftt);
    int64_t e = -1;
    for (int64_t j = b + 1; e < 0 && j <= last(); ++j) {
      if (shows(j, end, best_v.has_value(), used)) e = j;
    }
    // A negative length puts the end before the start.
    for (int64_t j = b - 1; e < 0 && j >= 0; --j) {
      if (shows(j, end, best_v.has_value(), used)) e = j;
    }
    for (int64_t j = b + 1; e < 0 && j <= last() && (dv != 0 || ftt != 0); ++j) {
      if (j != best->a && hides(j, end, used)) e = j;
    }
    if (e >= 0) best->e = e;
    if (!best_v && ends_slowdown(cell(best->e))) {
      best->v = static_cast<int16_t>(slowdown_speed_kmh(cell(best->e)));
    }
    return best;
  }

  void take_slowdown(const Slowdown& h, std::vector<bool>& used) {
    require_on_track(h.p, "a slowdown starting in cell " + str(h.b));
    std::vector<int64_t> parts = {h.b, h.e};
    if (h.a >= 0) parts.push_back(h.a);
    for (int64_t i = 0; h.w >= 0 && i < 4; ++i) parts.push_back(h.w - i);
    SlowdownRecord r;
    for (int64_t j : parts) {
      used[static_cast<size_t>(j)] = true;
      if (open_stops_.erase(j) > 0) r.under_station = true;
    }
    using namespace values_of;
    r.values[kSlowdownX] = h.p;
    r.values[kSlowdownV] = h.v;
    r.values[kSlowdownL] = h.e * kCellLength - kCellLength - h.p;
    r.values[kFtt] = h.ftt;
    r.values[kFta] = h.w >= 0 ? 1 : 0;
    r.values[kDv] = h.dv;
    train_.slowdowns.push_back(r);
  }

  // Slowdowns from the starts the cells show, from the last one back (so
  // that ends of equal values pair up nested); then those whose start a
  // station stop overwrote, from a part that stays: a warning board, a
  // countdown or an end no shown start claims.
  void slowdowns() {
    std::vector<bool> used(cells_.size(), false);
    for (int64_t b = last(); b >= 0; --b) {
      if (cell(b).tipo != kSlowdownStart) continue;
      const std::optional<Slowdown> h = slowdown_at(b, -1, used);
      if (!h) {
        refuse("the slowdown starting in cell " + str(b) +
               " has a warning board or countdown no start position gives");
      }
      take_slowdown(*h, used);
    }
    for (int64_t j = 0; j <= last(); ++j) {
      const uint8_t t = cell(j).tipo;
      if ((t != kSlowdownEnd && t != kSlowdownWarning && t != kCountdown) ||
          used[static_cast<size_t>(j)]) {
        continue;
      }
      std::vector<int64_t> starts;
      if (t == kSlowdownWarning) {
        starts = {j + kWarningCells};
      } else if (t == kCountdown) {
        const int64_t w = j + countdown_step(cell(j)) - 1;
        starts = {w + kWarningCells + 1, w + kWarningCells + 2};
      } else {
        // The nearest stop before the end first, then those after it.
        for (auto it = open_stops_.lower_bound(j); it != open_stops_.begin();)
          starts.push_back(*--it);
        for (auto it = open_stops_.upper_bound(j); it != open_stops_.end(); ++it)
          starts.push_back(*it);
      }
      std::optional<Slowdown> h;
      for (int64_t b : starts) {
        if (!h && b >= 0 && b <= last() && open_stops_.count(b)) h = slowdown_at(b, j, used);
      }
      if (!h) {
        refuse("cell " + str(j) + " holds " + cell_kind_name(t) +
               " of no slowdown whose start the cells still hold or a station stop overwrote");
      }
      take_slowdown(*h, used);
    }
    std::sort(train_.slowdowns.begin(), train_.slowdowns.end(),
              [](const SlowdownRecord& x, const SlowdownRecord& y) {
                return x.values[values_of::kSlowdownX] < y.values[values_of::kSlowdownX];
              });
  }

  // The code points the author wrote are those the signal-code pass does not
  // place again: the pass is run on the cells without any code point, plus
  // those that must be the author's, until it gives the cells back.
  void code_points() {
    std::vector<int64_t> points;
    TrackModel base;
    base.percorso = cells_;
    for (int64_t j = 0; j <= last(); ++j) {
      Cella& c = base.percorso[static_cast<size_t>(j)];
      if (c.tipo == kCodePoint || c.tipo == kBareCodePoint) {
        points.push_back(j);
        c.tipo = kNone;
        set_code_point_value(c, 0);
      }
    }
    std::set<int64_t> author;
    for (int64_t j : points) {
      if (cell(j).tipo != kCodePoint || code_point_value(cell(j)) != kPassCodePointValue)
        author.insert(j);
    }
    std::set<int64_t> tried;
    for (int round = 0; round < 64; ++round) {
      TrackModel model;
      model.percorso = base.percorso;
      for (int64_t j : author) {
        model.percorso[static_cast<size_t>(j)].tipo = cell(j).tipo;
        set_code_point_value(model.percorso[static_cast<size_t>(j)], code_point_value(cell(j)));
      }
      Status status;
      status.set_extras(false);
      place_signal_codes(model, status);
      // Code points nobody placed are the author's; a cell the pass fills
      // that the files leave otherwise means an author's point stood there.
      bool added = false;
      int64_t wrong = -1;
      for (int64_t j = 0; j <= last(); ++j) {
        const Cella& got = model.percorso[static_cast<size_t>(j)];
        const Cella& want = cell(j);
        if (got.tipo == want.tipo && code_point_value(got) == code_point_value(want)) continue;
        if ((want.tipo == kCodePoint || want.tipo == kBareCodePoint) && !author.count(j) &&
            got.tipo != kCodePoint) {
          author.insert(j);
          added = true;
        } else if (wrong < 0) {
          wrong = j;
        }
      }
      if (added) continue;
      if (wrong < 0) {
        for (int64_t j : author) {
          const int64_t kept = code_point_value(cell(j));
          const int64_t w = cell(j).tipo == kBareCodePoint ? 0 : kept >= 1 ? kept : kept + 65536;
          if (cell(j).tipo == kBareCodePoint && kept != 0) {
            refuse("the bare speed-code point in cell " + str(j) + " holds a value");
          }
          train_.code_points.push_back({span_start(j), w});
          require_on_track(span_start(j), "a speed-code point in cell " + str(j));
        }
        train_.pass_code_points = points.size() - author.size();
        return;
      }
      // Take the pass's nearest code point before the wrong cell as the
      // author's and try again.
      int64_t pick = -1;
      for (int64_t j : points) {
        if (j <= wrong + 1 && !author.count(j) && !tried.count(j)) pick = j;
      }
      if (pick < 0) break;
      tried.insert(pick);
      author.insert(pick);
    }
    refuse(
        "cannot tell the speed-code points the author wrote from those the signal-code pass "
        "places");
  }

  std::vector<Cella> cells_;
  const std::array<VoceTreno, kTrenoEntries>& treno_;
  const DecodedGeometry* geometry_;
  LineRecords& line_;
  TrainRecords& train_;
  int64_t station_count_ = 0;
  std::vector<std::pair<int64_t, int64_t>> stops_;  // station number, stop cell
  std::set<int64_t> open_stops_;                    // stop cells over no signal, not yet explained
  std::vector<int64_t> free_stops_;                 // stop cells with nothing under them
  std::vector<std::pair<int64_t, int64_t>> signal_cells_;  // cell, station that overwrote it
  std::vector<MarkWriter> writers_;
};

}  // namespace

std::optional<std::string> recover_records(const std::vector<Cella>& cells,
                                           const std::array<VoceTreno, kTrenoEntries>& treno,
                                           const DecodedGeometry* geometry, LineRecords* line,
                                           TrainRecords* train) {
  *line = LineRecords{};
  *train = TrainRecords{};
  try {
    Recovery(cells, treno, geometry, *line, *train).run();
  } catch (const Refused& r) {
    return r.reason;
  }
  return std::nullopt;
}

}  // namespace binario
