#include "lsp/hover.h"

#include <string>

#include "compiler/cell_meaning.h"
#include "compiler/records.h"
#include "compiler/time_of_day.h"
#include "lsp/client_capabilities.h"
#include "lsp/reference.h"
#include "output/kilometres.h"
#include "timing/run_profile.h"
#include "timing/run_text.h"

namespace binario {
namespace {

std::string cell_contents(const TrackModel& model, int64_t k) {
  if (!model.in_cells(k)) return "past the end of the track model";
  const Cella& c = model.percorso[static_cast<size_t>(k)];
  std::string out = c.tipo == 0 ? std::string("no point object") : cell_kind_name(c.tipo);
  if (c.tipo != 0) {
    out += " (values " + std::to_string(c.valore1) + ", " + std::to_string(c.valore2) + ", " +
           std::to_string(c.valore3) + ", " + std::to_string(c.valore4) + ")";
    if (static_cast<size_t>(k) < model.origins.size()) {
      const CellOrigin& origin = model.origins[static_cast<size_t>(k)];
      if (origin.by == Placer::kLineText)
        out += ", placed by line " + std::to_string(origin.line) + " of the line description";
      if (origin.by == Placer::kTrainText)
        out += ", placed by line " + std::to_string(origin.line) + " of the train description";
      if (origin.by == Placer::kSignalCodePass) out += ", placed by the signal-code pass";
    }
  }
  const int adhesion = c.aderenza;
  const int mountain_kind = c.montagna;
  out += "; speed limit " + std::to_string(speed_limit_kmh(c)) + " km/h, gradient " +
         std::to_string(gradient_per_mille(c)) + ", adhesion " + std::to_string(adhesion);
  if (mountain_kind != 0) out += ", mountain kind " + std::to_string(mountain_kind);
  return out;
}

// Where a position lands: the cells the compile computed for the record.
std::string cells_text(const RecordSpec& table_row, const RecordRead& record,
                       const ModelOfRead& model_of_read) {
  if (record.cells.empty()) return "";
  const TrackModel* model = model_of_read();
  const bool with_contents = model && model->built();
  if (table_row.cell_rule == CellRule::kSpan || table_row.cell_rule == CellRule::kPoint) {
    const int64_t cell = record.cells.front();
    std::string out = table_row.cell_rule == CellRule::kPoint
                          ? "; cell " + std::to_string(cell) + " (nearest(p/50 + 1))"
                          : "; from cell " + std::to_string(cell) + " (nearest(p/50))";
    if (with_contents) out += ": " + cell_contents(*model, cell);
    return out;
  }
  // A record with a rule of its own lands on more than one cell.
  std::string out = "; cells";
  for (size_t i = 0; i < record.cells.size(); ++i) {
    out += (i == 0 ? " " : ", ") + std::to_string(record.cells[i]);
  }
  if (with_contents) {
    for (int64_t cell : record.cells) {
      out += "\n\n- cell " + std::to_string(cell) + ": " + cell_contents(*model, cell);
    }
  }
  return out;
}

std::string value_text(const RecordSpec& table_row, const RecordRead& record, size_t value,
                       const ModelOfRead& model) {
  const std::string_view name = table_row.reference;
  std::string text = "`" + std::string(name) + "`, value " + std::to_string(value + 1);
  if (const std::optional<std::string> entry = reference_entry(name)) {
    if (std::optional<std::string> row = reference_field(*entry, static_cast<int>(value + 1))) {
      text +=
          "\n\n| Position | Name | Meaning | Unit | Type | Accepted "
          "|\n|---|---|---|---|---|---|\n" +
          *row;
    }
  }
  const std::optional<int64_t> number = record.values[value].number;
  if (table_row.position && static_cast<size_t>(*table_row.position) == value && number) {
    text += "\n\nmetre " + std::to_string(*number) + ", km " + kilometres(*number);
    text += cells_text(table_row, record, model);
  }
  return text;
}

// On a station's time: the run of the train to it, from the timed station
// before it.
std::string station_run_text(const DocumentRead& document, const RecordRead& record,
                             const ModelOfRead& model_of_read) {
  if (record.kind != RecordKind::kStation) return "";
  const TrackModel* model = model_of_read();
  if (!model || !model->built()) return "";
  size_t index = 0;
  for (const RecordRead& r : document.read.records) {
    if (&r == &record) break;
    if (r.kind == RecordKind::kStation && r.complete && !r.after_stop) ++index;
  }
  const RunProfile run = run_profile(*model);
  if (index >= run.stations.size()) return "";
  const StationRun& s = run.stations[index];
  std::string out = "\n\nThe run: the train " + std::string(s.stops ? "stops" : "passes") + " here";
  if (s.scheduled) out += ", at " + clock_text(*s.scheduled % kDaySeconds);
  if (s.scheduled && s.previous_timed && s.fastest) {
    const auto whole = [](double t) { return duration_text(std::llround(t)); };
    out += "; from the timed station before it: scheduled " + whole(s.scheduled_running) +
           ", lower bound " + whole(s.lower_bound_running) + ", fastest run " +
           whole(s.fastest_running) + ", margin " + whole(s.margin);
  } else if (s.fastest && *s.fastest > 0) {
    out += "; the fastest run reaches it " + duration_text(std::llround(*s.fastest)) +
           " after the departure";
  }
  return out + " (binario timetable)";
}

lsp::Hover hover_of(std::string text, const RecordRead& record, const DocumentLines& lines,
                    const TextSpan& span, bool markdown) {
  if (record.after_stop) {
    text +=
        "\n\nRead after the compile stopped this description: the model does not "
        "hold it.";
  }
  return {markup(text, markdown), span_range(lines, span)};
}

}  // namespace

std::optional<lsp::Hover> hover(const DocumentRead& document, int line, int column,
                                const ModelOfRead& model, bool markdown) {
  const DocumentLines lines(document.utf8_text);
  const int at = character_index(lines.line(line), column);
  for (const RecordRead& record : document.read.records) {
    if (record.keyword.span.line > line + 1) break;
    const RecordSpec& table_row = record_spec(record.kind);
    if (span_holds(record.keyword.span, line, at)) {
      const std::string_view name = table_row.reference;
      return hover_of(reference_entry(name).value_or("`" + std::string(name) + "`"), record, lines,
                      record.keyword.span, markdown);
    }
    for (size_t i = 0; i < record.values.size(); ++i) {
      if (span_holds(record.values[i].span, line, at)) {
        return hover_of(
            value_text(table_row, record, i, model) + station_run_text(document, record, model),
            record, lines, record.values[i].span, markdown);
      }
    }
  }
  return std::nullopt;
}

std::optional<lsp::Hover> hover(const DocumentRead& document, int line, int column,
                                const TrackModel* model, bool markdown) {
  return hover(
      document, line, column, [model] { return model; }, markdown);
}

}  // namespace binario
