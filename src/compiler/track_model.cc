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
