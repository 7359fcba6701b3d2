// The model a document's hover, inlay hints and cell links read, kept
// between checks in a size that follows the text rather than the length the
// line declares: a 1,000,000 m line has 20,141 cells and a million points of
// plan geometry, though its text may be a few lines long.
//
// The cells are kept run-length encoded: a run of equal cells with equal
// origins is one entry. A cell differs from the one before it only where a
// record placed an object or started a span (a speed limit, a gradient, an
// adhesion, a mountain), so the runs are at most a few per record. The plan
// geometry is not kept: no feature reads it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "compiler/track_model.h"

namespace binario {

class CompactModel {
 public:
  explicit CompactModel(const TrackModel& model);

  // The model as the features read it: every cell and its origin as the
  // compile left them, the table; the geometry empty.
  TrackModel expand() const;

  // The runs the cells are kept in.
  size_t runs() const { return runs_.size(); }
  // The bytes this holds, its own size included.
  size_t bytes() const;

 private:
  // Cells from the end of the run before it up to `end` (not included).
  struct Run {
    int32_t end = 0;
    Cella cell;
    CellOrigin origin;
  };
  std::vector<Run> runs_;
  int32_t cells_ = 0;
  int32_t origins_ = 0;  // a model built cell by cell may hold fewer origins than cells
  std::array<VoceTreno, kTrenoEntries> treno_{};
  int32_t lunghezza_totale_ = 0;
  int32_t numero_cartelli_ = 0;
};

}  // namespace binario
