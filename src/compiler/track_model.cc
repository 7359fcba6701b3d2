#include "compiler/track_model.h"

#include <algorithm>
#include <new>

#include "compiler/fixed_width.h"
#include "compiler/records.h"

namespace binario {

void Linea::allocate(int32_t last) {
  allocated_ = true;
  last_ = last;
  filled_ = 0;
  runs_.clear();
  given_.clear();
}

void Linea::seed() {
  filled_ = 0;
  runs_.clear();
  given_.clear();
  push(0, 0);
  push(0, 1);
}

void Linea::push(double x, double y) {
  given_.push_back({x, y});
  ++filled_;
  if (!runs_.empty() && runs_.back().make == Make::kGiven) {
    runs_.back().end = static_cast<uint32_t>(filled_);
  } else {
    runs_.push_back({0, static_cast<uint32_t>(filled_), Make::kGiven});
  }
}

void Linea::extend(size_t through, bool turn, double kappa) {
  if (through < filled_) return;
  filled_ = through + 1;
  const Make make = turn ? Make::kTurn : Make::kStraight;
  // A run that goes on as the one before it (straight after straight, the
  // same curvature after itself) lengthens it: the points come out the same.
  if (!runs_.empty() && runs_.back().make == make &&
      (make == Make::kStraight || runs_.back().kappa == kappa)) {
    runs_.back().end = static_cast<uint32_t>(filled_);
  } else {
    runs_.push_back({turn ? kappa : 0, static_cast<uint32_t>(filled_), make});
  }
}

size_t Linea::Walker::next(double* xs, double* ys, size_t most) {
  const std::vector<Run>& runs = linea_.runs_;
  size_t made = 0;
  // The two points before the next, in registers while a run is made.
  double x0 = x0_, y0 = y0_, x1 = x1_, y1 = y1_;
  while (made < most && run_ < runs.size()) {
    const Run& run = runs[run_];
    const size_t stop = std::min<size_t>(run.end, k_ + (most - made));
    const size_t count = stop - k_;
    double* x = xs + made;
    double* y = ys + made;
    if (run.make == Make::kGiven) {
      for (size_t i = 0; i < count; ++i) {
        const Point& p = linea_.given_[given_ + i];
        x0 = x1;
        y0 = y1;
        x1 = x[i] = p.x;
        y1 = y[i] = p.y;
      }
      given_ += count;
    } else if (run.make == Make::kStraight) {
      for (size_t i = 0; i < count; ++i) {
        const double xn = x1 + (x1 - x0);
        const double yn = y1 + (y1 - y0);
        x0 = x1;
        y0 = y1;
        x1 = x[i] = xn;
        y1 = y[i] = yn;
      }
    } else {
      const double kappa = run.kappa;
      for (size_t i = 0; i < count; ++i) {
        const double d0 = x1 - x0;
        const double d1 = y1 - y0;
        const double xn = x1 + (d0 + kappa * d1);
        const double yn = y1 + (d1 - kappa * d0);
        x0 = x1;
        y0 = y1;
        x1 = x[i] = xn;
        y1 = y[i] = yn;
      }
    }
    made += count;
    k_ = stop;
    if (k_ == run.end) ++run_;
  }
  x0_ = x0;
  y0_ = y0;
  x1_ = x1;
  y1_ = y1;
  return made;
}

std::vector<Linea::Point> Linea::coordinates() const {
  std::vector<Point> points;
  points.reserve(filled_);
  for_each_point([&points](double x, double y) { points.push_back({x, y}); });
  return points;
}

std::string cell_kind_noun(uint8_t tipo) {
  switch (tipo) {
    case kNone:
      return "nothing";
    case kSignal:
      return "signal";
    case kSlowdownEnd:
      return "slowdown end";
    case kSlowdownStart:
      return "slowdown start";
    case kSlowdownWarning:
      return "slowdown warning board";
    case kCountdown:
      return "slowdown countdown cell";
    case kSpeedBoard:
      return "speed board";
    case kStationStop:
      return "station stop";
    case kMountainMarker:
      return "mountain marker";
    case kCodePoint:
      return "speed-code point";
    case kBareCodePoint:
      return "speed-reduction point";
    case kSignBoard:
      return "sign board";
    default:
      return "object of kind " + std::to_string(tipo);
  }
}

std::string cell_kind_name(uint8_t tipo) {
  if (tipo == kNone) return cell_kind_noun(tipo);
  const std::string noun = cell_kind_noun(tipo);
  return (noun.front() == 'o' ? "an " : "a ") + noun;
}

int32_t station_entries(const std::array<VoceTreno, kTrenoEntries>& treno,
                        const std::vector<Cella>& cells) {
  std::vector<bool> board_text(kFirstBoardSlot + 1, false);
  for (const Cella& c : cells) {
    if (c.tipo == kSignBoard && c.valore1 >= 1 && c.valore1 <= kFirstBoardSlot) {
      board_text[static_cast<size_t>(c.valore1)] = true;
    }
  }
  int32_t n = 0;
  for (int i = 1; i <= kFirstBoardSlot; ++i) {
    const VoceTreno& v = treno[static_cast<size_t>(i)];
    const bool empty =
        v.tipo == 0 && v.inizio == 0 && v.fine == 0 && v.posizione == 0 && v.nome.empty();
    if (board_text[static_cast<size_t>(i)] || empty) break;
    ++n;
  }
  return n;
}

int64_t last_cell_for_length(int64_t length) {
  return nearest(static_cast<double>(length + kRunOut) / 50.0);
}

void TrackModel::allocate(int32_t length, bool with_geometry) {
  lunghezza_totale = length + kRunOut;
  percorso.assign(static_cast<size_t>(last_cell_for_length(length)) + 1, Cella{});
  origins.assign(percorso.size(), CellOrigin{});
  if (with_geometry) {
    linea.allocate(lunghezza_totale);
  } else {
    linea = Linea{};
  }
}

void TrackModel::set_origin(int64_t j, CellOrigin origin) {
  if (!in_cells(j)) return;
  // Models built cell by cell (in tests) may not have sized the origins.
  if (origins.size() != percorso.size()) origins.resize(percorso.size());
  origins[static_cast<size_t>(j)] = origin;
}

CellOrigin TrackModel::origin(int64_t j) const {
  if (j < 0 || j >= static_cast<int64_t>(origins.size()) || !in_cells(j)) return {};
  return origins[static_cast<size_t>(j)];
}

std::string TrackModel::origin_text(int64_t j, Placer reader) const {
  const CellOrigin o = origin(j);
  switch (o.by) {
    case Placer::kUnknown:
      return {};
    case Placer::kSignalCodePass:
      return "placed by the signal-code pass";
    case Placer::kLineText:
    case Placer::kTrainText:
      break;
  }
  std::string out = "from line " + std::to_string(o.line);
  if (o.by != reader) {
    out += o.by == Placer::kLineText ? " of the line description" : " of the train description";
  }
  return out;
}

std::string TrackModel::occupant(int64_t j, Placer reader) const {
  if (!in_cells(j)) return "nothing (it lies beyond the track)";
  const uint8_t tipo = percorso[static_cast<size_t>(j)].tipo;
  const std::string from = origin_text(j, reader);
  if (tipo == kNone || from.empty()) return cell_kind_name(tipo);
  return "the " + cell_kind_noun(tipo) + " " + from;
}

std::string TrackModel::cell_taken(int64_t j, Placer reader) const {
  return "cell " + std::to_string(j) + " already holds " + occupant(j, reader);
}

std::string TrackModel::beyond_track(int64_t p, int64_t margin) const {
  const int64_t last = last_cell();
  return "expected a position up to metre " + std::to_string(50 * last - margin) + ", " +
         std::to_string(margin) + " m before the last cell (" + std::to_string(last) +
         ", from metre " + std::to_string(50 * last) + "), found metre " + std::to_string(p) +
         (p > int64_t{lunghezza_totale} - kRunOut
              ? "; the line is only " + std::to_string(lunghezza_totale - kRunOut) + " m long (" +
                    std::string(record_spec(RecordKind::kLineLength).written[0]) +
                    "), and the track ends " + std::to_string(kRunOut) + " m after it"
              : std::string());
}

void TrackModel::clear_treno() {
  for (auto& v : treno) v = VoceTreno{};
  numero_cartelli = 0;
}

}  // namespace binario
