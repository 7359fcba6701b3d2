// What the bytes of a cell and the numbers of a station entry mean, read
// back: the speed limit in km/h, the gradient in per mille, the slowdown
// boards, the station stop cell. The parsers write them; the run model, the
// plot and the editor's hover read them here, so no one else decodes a cell.
#pragma once

#include <cstdint>

#include "compiler/track_model.h"

namespace binario {

// The speed limit of a cell: stored as a fifth of the km/h.
inline int speed_limit_kmh(const Cella& c) {
  return static_cast<int>(c.velocita) * 5;
}

// The gradient of a cell in per mille, rising positive: stored plus 100.
inline int gradient_per_mille(const Cella& c) {
  return static_cast<int>(c.pendenza) - 100;
}

// A slowdown's start and end boards, and the speed they carry (km/h).
inline bool starts_slowdown(const Cella& c) {
  return c.tipo == kSlowdownStart;
}
inline bool ends_slowdown(const Cella& c) {
  return c.tipo == kSlowdownEnd;
}
inline int slowdown_speed_kmh(const Cella& c) {
  return c.valore1;
}

// The number of the station whose stop cell `c` is, or 0.
inline int stop_cell_station(const Cella& c) {
  return c.tipo == kStationStop ? c.valore1 : 0;
}

// Station kinds from this one up get their entry in the table but no cells:
// no stop cell, no approach marks.
inline constexpr int kFirstKindWithoutCells = 25;

// The stop cell of a station entry, by the rule the compile writes it:
// fine / 50 - 1 for kinds below 25; -1 for a kind without cells.
inline int64_t station_stop_cell(const VoceTreno& v) {
  if (v.tipo >= kFirstKindWithoutCells) return -1;
  return int64_t{v.fine} / 50 - 1;
}

// The entries 1, 2, … that hold stations: up to the first empty entry, and
// never into the sign-board texts stored from entry 80 down.
inline bool station_entry_empty(const VoceTreno& v) {
  return v.tipo == 0 && v.inizio == 0 && v.fine == 0 && v.posizione == 0 && v.nome.empty();
}
inline int station_count(const TrackModel& model) {
  const int last = kFirstBoardSlot - model.numero_cartelli;
  int n = 0;
  while (n + 1 <= last && !station_entry_empty(model.treno[static_cast<size_t>(n + 1)])) ++n;
  return n;
}

// A station entry's time of day in seconds (hours·3600 + minutes·60 +
// seconds as written); 0 means the station has no time.
inline int64_t station_time(const VoceTreno& v) {
  return v.orario;
}

// The train's braked-mass percentage and its clock (entries 84 and 86).
inline int64_t braked_mass_percent(const TrackModel& model) {
  return model.treno[kTrainParameters].inizio;
}
inline int64_t clock_seconds(const TrackModel& model) {
  const VoceTreno& t = model.treno[kTrainEntry];
  return int64_t{t.dato3} * 3600 + int64_t{t.dato4} * 60 + int64_t{t.dato5};
}

}  // namespace binario
