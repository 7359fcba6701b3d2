#include "lsp/cell_navigation.h"

#include <algorithm>
#include <set>

namespace binario {
namespace {

// The record whose keyword or values hold the place.
const RecordRead* record_at(const DescriptionRead& read, int line, int character) {
  for (const RecordRead& record : read.records) {
    if (record.keyword.span.line > line + 1) break;
    const TextSpan& last = record.values.empty() ? record.keyword.span : record.values.back().span;
    const TextSpan whole{record.keyword.span.line, record.keyword.span.first_column, last.last_line,
                         last.last_column};
    if (span_holds(whole, line, character)) return &record;
  }
  return nullptr;
}

uint8_t kind_in(const TrackModel& model, int64_t cell) {
  return model.in_cells(cell) ? model.percorso[static_cast<size_t>(cell)].tipo : 0;
}

// The cells a code point and a signal work with: a signal's code points
// one or two cells in front of it, a code point's signal one or two cells
// after it.
void add_partner_cells(const TrackModel& model, int64_t cell, std::set<int64_t>& cells) {
  const uint8_t kind = kind_in(model, cell);
  for (int64_t step : {1, 2}) {
    if (kind == CellKind::kSignal && kind_in(model, cell - step) == CellKind::kCodePoint) {
      cells.insert(cell - step);
    }
    if (kind == CellKind::kCodePoint && kind_in(model, cell + step) == CellKind::kSignal) {
      cells.insert(cell + step);
    }
  }
}

// The record's cells, and the cells its object works with: the code points
// and signals that serve one another, and the code points the signal-code
// pass placed because of a slowdown. A code point of the pass has no record
// of its own: it stands for the slowdown record that caused it, so the
// cells of that slowdown's object join too, and from the slowdown record
// its code points and the signals they serve.
std::set<int64_t> related_cells(const RecordRead& record, const TrackModel* model) {
  std::set<int64_t> cells(record.cells.begin(), record.cells.end());
  if (!model || !model->built()) return cells;
  const std::set<int64_t> own(record.cells.begin(), record.cells.end());
  for (int64_t cell : own) add_partner_cells(*model, cell, cells);
  for (size_t j = 0; j < model->origins.size(); ++j) {
    const CellOrigin& origin = model->origins[j];
    if (origin.by == Placer::kSignalCodePass && own.count(origin.cause)) {
      cells.insert(static_cast<int64_t>(j));
      add_partner_cells(*model, static_cast<int64_t>(j), cells);
    }
  }
  for (int64_t cell : std::set<int64_t>(cells)) {
    const CellOrigin origin = model->origin(cell);
    if (origin.by == Placer::kSignalCodePass && origin.cause >= 0) cells.insert(origin.cause);
  }
  return cells;
}

lsp::Location location(const CellDocument& document, const RecordRead& record) {
  const DocumentLines lines(document.read->utf8_text);
  return {document.uri, span_range(lines, record.keyword.span)};
}

// True when `record`, read from a description of `file`, placed what the
// model holds in one of `cells`.
bool occupies(const RecordRead& record, DescriptionFile file, const std::set<int64_t>& cells,
              const TrackModel& model) {
  const Placer by = file == DescriptionFile::kLine ? Placer::kLineText : Placer::kTrainText;
  return std::any_of(record.cells.begin(), record.cells.end(), [&](int64_t cell) {
    if (!cells.count(cell) || cell < 0 || static_cast<size_t>(cell) >= model.origins.size()) {
      return false;
    }
    const CellOrigin& origin = model.origins[static_cast<size_t>(cell)];
    return origin.by == by && origin.line == record.keyword.span.line;
  });
}

}  // namespace

std::optional<std::vector<lsp::Location>> cell_locations(const std::vector<CellDocument>& documents,
                                                         int line, int column,
                                                         const TrackModel* model,
                                                         bool occupants_only) {
  if (documents.empty() || !documents[0].read) return std::nullopt;
  const DocumentRead& asked = *documents[0].read;
  const DocumentLines lines(asked.utf8_text);
  const RecordRead* record = record_at(asked.read, line, character_index(lines.line(line), column));
  if (!record || record->cells.empty()) return std::nullopt;
  const std::set<int64_t> cells =
      occupants_only ? std::set<int64_t>(record->cells.begin(), record->cells.end())
                     : related_cells(*record, model);
  std::vector<lsp::Location> locations;
  for (const CellDocument& document : documents) {
    if (!document.read) continue;
    for (const RecordRead& other : document.read->read.records) {
      const bool touches = std::any_of(other.cells.begin(), other.cells.end(),
                                       [&](int64_t cell) { return cells.count(cell) > 0; });
      if (!touches) continue;
      if (occupants_only && !(model && occupies(other, document.file, cells, *model))) continue;
      locations.push_back(location(document, other));
    }
  }
  return locations;
}

}  // namespace binario
