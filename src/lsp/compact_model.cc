#include "lsp/compact_model.h"

#include <algorithm>

namespace binario {
namespace {

bool same_cell(const Cella& a, const Cella& b) {
  return a.tipo == b.tipo && a.valore1 == b.valore1 && a.valore2 == b.valore2 &&
         a.valore3 == b.valore3 && a.valore4 == b.valore4 && a.tempo == b.tempo &&
         a.ripetizione == b.ripetizione && a.montagna == b.montagna && a.velocita == b.velocita &&
         a.pendenza == b.pendenza && a.aderenza == b.aderenza;
}

bool same_origin(const CellOrigin& a, const CellOrigin& b) {
  return a.by == b.by && a.line == b.line && a.cause == b.cause && a.column == b.column &&
         a.last_column == b.last_column;
}

}  // namespace

CompactModel::CompactModel(const TrackModel& model)
    : cells_(static_cast<int32_t>(model.percorso.size())),
      origins_(static_cast<int32_t>(std::min(model.origins.size(), model.percorso.size()))),
      treno_(model.treno),
      lunghezza_totale_(model.lunghezza_totale),
      numero_cartelli_(model.numero_cartelli) {
  for (int32_t j = 0; j < cells_; ++j) {
    const Cella& cell = model.percorso[static_cast<size_t>(j)];
    const CellOrigin origin = j < origins_ ? model.origins[static_cast<size_t>(j)] : CellOrigin{};
    // A run ends where the origins do, so that expand() gives back as many.
    if (!runs_.empty() && j != origins_ && same_cell(runs_.back().cell, cell) &&
        same_origin(runs_.back().origin, origin)) {
      runs_.back().end = j + 1;
    } else {
      runs_.push_back({j + 1, cell, origin});
    }
  }
  runs_.shrink_to_fit();
}

TrackModel CompactModel::expand() const {
  TrackModel model;
  model.percorso.reserve(static_cast<size_t>(cells_));
  model.origins.reserve(static_cast<size_t>(origins_));
  int32_t from = 0;
  for (const Run& run : runs_) {
    model.percorso.insert(model.percorso.end(), static_cast<size_t>(run.end - from), run.cell);
    const int32_t origins = std::max(0, std::min(run.end, origins_) - from);
    model.origins.insert(model.origins.end(), static_cast<size_t>(origins), run.origin);
    from = run.end;
  }
  model.treno = treno_;
  model.lunghezza_totale = lunghezza_totale_;
  model.numero_cartelli = numero_cartelli_;
  return model;
}

size_t CompactModel::bytes() const {
  size_t names = 0;
  for (const VoceTreno& entry : treno_) {
    // A short name lives inside the string itself.
    if (entry.nome.capacity() > std::string().capacity()) names += entry.nome.capacity() + 1;
  }
  return sizeof(*this) + runs_.capacity() * sizeof(Run) + names;
}

}  // namespace binario
