#include "compiler/track_model.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

#include <algorithm>
#include <new>

#include "compiler/fixed_width.h"
#include "compiler/records.h"

namespace binario {

namespace {

constexpr size_t kHugePage = size_t{2} << 20;

}  // namespace

void* allocate_coordinates(size_t bytes) {
  if (bytes < kHugePage) return ::operator new(std::max<size_t>(bytes, 1));
  if (bytes > SIZE_MAX - kHugePage) throw std::bad_alloc();
  const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  void* p = ::operator new (rounded, std::align_val_t{kHugePage});
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  // Advice only: where huge pages are not to be had the array works the same.
  ::madvise(p, rounded, MADV_HUGEPAGE);
#endif
  return p;
}

void free_coordinates(void* p, size_t bytes) noexcept {
  if (bytes < kHugePage) {
    ::operator delete(p);
  } else {
    ::operator delete (p, std::align_val_t{kHugePage});
  }
}

void Linea::allocate(int32_t last) {
  allocated_ = true;
  last_ = last;
  x_.clear();
  y_.clear();
  x_.shrink_to_fit();
  y_.shrink_to_fit();
  x_.reserve(static_cast<size_t>(last) + 1);
  y_.reserve(static_cast<size_t>(last) + 1);
}

void Linea::seed() {
  x_.clear();
  y_.clear();
  push(0, 0);
  push(0, 1);
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
