#include "lsp/inlay_hints.h"

#include <cmath>
#include <optional>
#include <string>

#include "compiler/records.h"
#include "output/kilometres.h"
#include "timing/run_profile.h"
#include "timing/run_text.h"

namespace binario {

namespace {

// "margin 1 min 55 s · 74 %": scheduled less fastest, from the timed station
// before; none without one or where the run does not reach.
std::optional<std::string> margin_label(const StationRun& s) {
  if (!s.scheduled || !s.previous_timed || !s.fastest) return std::nullopt;
  return "margin " + duration_text(std::llround(s.margin)) + " \u00b7 " +
         std::to_string(std::lround(s.margin_percent)) + " %";
}

}  // namespace

std::vector<lsp::InlayHint> inlay_hints(const DocumentRead& document, int first_line, int last_line,
                                        const TrackModel* model) {
  std::vector<lsp::InlayHint> hints;
  const DocumentLines lines(document.utf8_text);
  // The run is reckoned once, and only for a document with stations.
  std::optional<RunProfile> run;
  size_t station = 0;  // the station records that count, as the run numbers them
  for (const RecordRead& record : document.read.records) {
    const bool is_station =
        record.kind == RecordKind::kStation && record.complete && !record.after_stop;
    const size_t index = is_station ? station++ : 0;
    const RecordSpec& table_row = record_spec(record.kind);
    if (record.keyword.span.line - 1 > last_line) break;
    if (table_row.position && !record.cells.empty()) {
      const ValueRead& position = record.values[static_cast<size_t>(*table_row.position)];
      const int line = position.span.last_line - 1;
      if (position.number && line >= first_line && line <= last_line) {
        std::string label = record.cells.size() == 1 ? "cell " : "cells ";
        for (size_t i = 0; i < record.cells.size(); ++i) {
          label += (i == 0 ? "" : ", ") + std::to_string(record.cells[i]);
        }
        label += " \u00b7 km " + kilometres(*position.number);
        hints.push_back({span_range(lines, position.span).end, label, true});
      }
    }
    if (!is_station || !model || !model->built() || record.values.size() <= kStationSecondsValue) {
      continue;
    }
    const TextSpan& seconds = record.values[kStationSecondsValue].span;
    if (seconds.last_line - 1 < first_line || seconds.last_line - 1 > last_line) continue;
    if (!run) run = run_profile(*model);
    if (index >= run->stations.size()) continue;
    if (const std::optional<std::string> label = margin_label(run->stations[index])) {
      hints.push_back({span_range(lines, seconds).end, *label, true});
    }
  }
  return hints;
}

}  // namespace binario
