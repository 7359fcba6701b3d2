#include "compiler/track_model.h"

#include "compiler/fixed_width.h"

namespace binario {

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

std::string cell_kind_name(uint8_t tipo) {
  switch (tipo) {
    case kNone:
      return "nothing";
    case kSignal:
      return "a signal";
    case kSlowdownEnd:
      return "a slowdown end";
    case kSlowdownStart:
      return "a slowdown start";
    case kSlowdownWarning:
      return "a slowdown warning board";
    case kCountdown:
      return "a slowdown countdown cell";
    case kSpeedBoard:
      return "a speed board";
    case kStationStop:
      return "a station stop";
    case kMountainMarker:
      return "a mountain marker";
    case kCodePoint:
      return "a speed-code point";
    case kBareCodePoint:
      return "a speed-reduction point";
    case kSignBoard:
      return "a sign board";
    default:
      return "an object of kind " + std::to_string(tipo);
  }
}

int64_t last_cell_for_length(int64_t length) {
  return nearest(static_cast<double>(length + kRunOut) / 50.0);
}

void TrackModel::allocate(int32_t length, bool with_geometry) {
  lunghezza_totale = length + kRunOut;
  percorso.assign(static_cast<size_t>(last_cell_for_length(length)) + 1, Cella{});
  if (with_geometry) {
    linea.allocate(lunghezza_totale);
  } else {
    linea = Linea{};
  }
}

void TrackModel::clear_treno() {
  for (auto& v : treno) v = VoceTreno{};
  numero_cartelli = 0;
}

}  // namespace binario
