#include "compiler/description_parser.h"

#include <utility>

namespace binario {

DescriptionParser::DescriptionParser(TrackModel& model, Status& status, FieldReader& reader,
                                     std::string file, Placer placer)
    : model_(model), status_(status), reader_(reader), file_(std::move(file)), placer_(placer) {}

void DescriptionParser::fault(int32_t code, std::optional<int32_t> position, TextPosition where,
                              const std::string& detail) {
  status_.fault(code, position, SourceLocation{file_, where.line, where.column}, detail,
                reader_.line_text(where.line));
}

bool DescriptionParser::range_check(const Field& kw, int64_t p, int64_t margin) {
  const int64_t last = model_.last_cell();
  const double needed = static_cast<double>(p + margin) / 50.0;
  if (static_cast<double>(last) >= needed) return true;
  fault(15, static_cast<int32_t>(p), kw.where, model_.beyond_track(p, margin));
  return false;
}

bool DescriptionParser::cell_inside(const Field& kw, int64_t p, int64_t j,
                                    const std::string& what) {
  if (model_.in_cells(j)) return true;
  fault(15, static_cast<int32_t>(p), kw.where,
        "expected " + what + " in one of cells 0 to " + std::to_string(model_.last_cell()) +
            ", found metre " + std::to_string(p) + ", which puts it in cell " + std::to_string(j));
  return false;
}

}  // namespace binario
