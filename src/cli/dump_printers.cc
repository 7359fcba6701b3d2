#include "cli/dump_printers.h"

#include <algorithm>
#include <cctype>
#include <string_view>

#include "compiler/cell_meaning.h"
#include "compiler/fixed_width.h"
#include "output/record_layout.h"

namespace binario {

namespace {

// The columns of the fields of `layout`, under their names.
template <typename Layout>
void field_columns(const Layout& layout, std::vector<DumpColumn>* columns) {
  layout.for_each([columns](const auto& f) { columns->push_back({f.name, f.name}); });
}

// The table heads a cell's fields with four letters, so that a cell fits on
// one line of 80 columns: the name's first four, or its first three and its
// last digit ("val1" for "valore1").
std::string short_header(std::string_view name) {
  if (name.size() > 4 && std::isdigit(static_cast<unsigned char>(name.back()))) {
    return std::string(name.substr(0, 3)) + name.back();
  }
  return std::string(name.substr(0, 4));
}

// The values of the fields of `layout` in `record`, appended to `values`.
template <typename Layout, typename Record>
void field_values(const Layout& layout, const Record& record, std::vector<DumpValue>* values) {
  layout.for_each([&](const auto& f) { values->emplace_back(static_cast<int64_t>(f.of(record))); });
}

// cell, position, the fields of the cell.
std::vector<DumpColumn> cell_columns() {
  std::vector<DumpColumn> columns = {{"cell", "cell"}, {"position", "metre"}};
  kCellFields.for_each([&](const auto& f) { columns.push_back({f.name, short_header(f.name)}); });
  return columns;
}

void cell_values(const std::vector<Cella>& cells, int64_t k, std::vector<DumpValue>* values) {
  values->emplace_back(k);
  values->emplace_back(k * kCellLength);
  field_values(kCellFields, cells[static_cast<size_t>(k)], values);
}

// km/h: a cell keeps the speed limit ÷ 5.
int64_t speed_kmh(const Cella& c) {
  return speed_from_fifth(c.velocita);
}

}  // namespace

void print_cells(const std::string& path, size_t bytes, const std::vector<Cella>& cells,
                 DumpSink& sink) {
  sink.begin({path, "cells", "track cells", "count", "cells", cells.size(), bytes});
  DumpRecords r;
  r.key = "cells";
  r.columns = cell_columns();
  r.count = cells.size();
  r.record = [&cells](size_t k, std::vector<DumpValue>* values) {
    cell_values(cells, static_cast<int64_t>(k), values);
  };
  sink.records(r);
  sink.end();
}

void print_cell_window(const std::string& path, size_t bytes, const std::vector<Cella>& cells,
                       const CellWindow& w, DumpSink& sink) {
  sink.begin({path, "cells", "track cells", "count", "cells", cells.size(), bytes});
  if (w.metre) {
    // Two lines, to stay within 80 columns.
    sink.facts("metre " + std::to_string(*w.metre) + ": a point object goes into cell " +
                   std::to_string(w.point) + ",\na span change takes effect from cell " +
                   std::to_string(w.span),
               {{"metre", *w.metre}, {"point_cell", w.point}, {"span_cell", w.span}});
  } else {
    sink.facts("", {{"cell", w.point}});
  }
  DumpRecords r;
  r.key = "cells";
  r.columns = cell_columns();
  r.columns.push_back({"kind", "kind"});
  r.columns.push_back({"speed_kmh", "km/h"});
  r.count = static_cast<size_t>(w.last - w.first + 1);
  std::string kind;
  r.record = [&](size_t i, std::vector<DumpValue>* values) {
    const int64_t k = w.first + static_cast<int64_t>(i);
    const Cella& c = cells[static_cast<size_t>(k)];
    cell_values(cells, k, values);
    kind = cell_kind_noun(c.tipo);
    values->emplace_back(DumpName{kind});
    values->emplace_back(speed_kmh(c));
  };
  sink.records(r);
  sink.end();
}

void print_train_table(const std::string& path, size_t bytes,
                       const std::array<VoceTreno, kTrenoEntries>& treno, DumpSink& sink) {
  sink.begin({path, "train_table", "train table", "count", "entries", treno.size(), bytes});
  DumpRecords r;
  r.key = "treno";
  r.columns = {{"index", "treno"}};
  field_columns(kTrainHeadFields, &r.columns);
  r.columns.push_back({"nome", "nome"});
  field_columns(kTrainTailFields, &r.columns);
  r.count = treno.size();
  r.record = [&treno](size_t i, std::vector<DumpValue>* values) {
    const VoceTreno& v = treno[i];
    values->emplace_back(static_cast<int64_t>(i));
    field_values(kTrainHeadFields, v, values);
    values->emplace_back(DumpName{v.nome});
    field_values(kTrainTailFields, v, values);
  };
  sink.records(r);
  sink.end();
}

void print_geometry(const std::string& path, size_t bytes, const DecodedGeometry& g,
                    DumpSink& sink) {
  const size_t points = g.first.size();
  sink.begin({path, "geometry", "plan geometry", "points", "points", points, bytes});
  DumpRecords r;
  r.by_column = true;
  // Fixed widths, so that millions of points go out as they come: the point
  // numbers, and "Double " with the longest round-trip double.
  const size_t point_width =
      std::max<size_t>(5, std::to_string(points > 0 ? points - 1 : 0).size());
  r.columns = {{nullptr, "point", point_width}, {"first", "first", 32}, {"second", "second", 32}};
  r.count = points;
  r.record = [&g](size_t k, std::vector<DumpValue>* values) {
    values->emplace_back(static_cast<int64_t>(k));
    values->emplace_back(g.first[k]);
    values->emplace_back(g.second[k]);
  };
  sink.records(r);
  sink.end();
}

}  // namespace binario
