// Writes the recovered records as the two descriptions, in the layout of
// the built-in texts: a preamble, the general section, one section per
// record kind with a comment naming its columns, and aligned columns. The
// keywords, section headers and column captions come from the records table.
#include "decompile/render.h"

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "compiler/records.h"

namespace binario {

namespace {

constexpr std::string_view kLineEnd = "\r\n";

// Rows of one record kind, written with every column as wide as its widest
// entry: the keyword left-aligned with its comma, numbers right-aligned, a
// text last as it is. The caption is a comment row that names the columns.
class Table {
 public:
  explicit Table(std::vector<std::string> caption) : caption_(std::move(caption)) {}

  void add(std::vector<std::string> row, std::string comment = "") {
    rows_.push_back({std::move(row), std::move(comment)});
  }
  bool empty() const { return rows_.empty(); }

  void write(std::string& out, bool text_last) const {
    std::vector<size_t> widths;
    auto widen = [&](const std::vector<std::string>& cells) {
      if (widths.size() < cells.size()) widths.resize(cells.size(), 0);
      for (size_t i = 0; i < cells.size(); ++i) widths[i] = std::max(widths[i], cells[i].size());
    };
    if (!caption_.empty()) widen(caption_);
    for (const Row& r : rows_) widen(r.cells);
    if (!caption_.empty()) line(out, caption_, widths, ' ', text_last);
    for (const Row& r : rows_) {
      if (!r.comment.empty()) out.append("- ").append(r.comment).append(kLineEnd);
      line(out, r.cells, widths, ',', text_last);
    }
  }

 private:
  struct Row {
    std::vector<std::string> cells;
    std::string comment;
  };

  static void line(std::string& out, const std::vector<std::string>& cells,
                   const std::vector<size_t>& widths, char separator, bool text_last) {
    std::string s = cells[0];
    for (size_t i = 1; i < cells.size(); ++i) {
      s += separator;
      if (i == 1) s.append(widths[0] - cells[0].size(), ' ');
      const bool text = text_last && i + 1 == cells.size();
      if (text) {
        s += ' ';
        s += cells[i];
      } else {
        s.append(widths[i] - cells[i].size() + 1, ' ');
        s += cells[i];
      }
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    out.append(s).append(kLineEnd);
  }

  std::vector<std::string> caption_;
  std::vector<Row> rows_;
};

std::string num(int64_t v) {
  return std::to_string(v);
}

std::string keyword(RecordKind kind) {
  return std::string(record_spec(kind).written[0]);
}

// A row: the record's keyword, then its values.
std::vector<std::string> row(RecordKind kind, std::span<const int64_t> values) {
  std::vector<std::string> r = {keyword(kind)};
  for (int64_t v : values) r.push_back(num(v));
  return r;
}
std::vector<std::string> row(RecordKind kind, const ValueAt& v) {
  return row(kind, std::array<int64_t, 2>{v.position, v.value});
}

// The rows of `kind`, captioned with the names of its values.
Table table_of(RecordKind kind) {
  std::vector<std::string> caption = {"-"};
  for (const ValueSpec& v : record_spec(kind).values) caption.emplace_back(value_caption(v));
  return Table(std::move(caption));
}

void section(std::string& out, RecordKind kind, const Table& table, bool text_last = false) {
  out.append(record_spec(kind).header).append(kLineEnd);
  if (!table.empty()) table.write(out, text_last);
}

void preamble(std::string& out, const std::vector<std::string>& summary) {
  for (const std::string& s : summary) out.append("- ").append(s).append(kLineEnd);
  out.append(kLineEnd).append(kDataStart).append(kLineEnd);
}

}  // namespace

std::optional<std::string> text_value(std::string_view text) {
  const bool plain =
      text.find_first_of(",\r\n") == std::string_view::npos &&
      (text.empty() || (text.front() != ' ' && text.front() != '\t' && text.front() != '"' &&
                        text.back() != ' ' && text.back() != '\t'));
  if (plain) return std::string(text);
  if (text.find('"') != std::string_view::npos) return std::nullopt;
  return "\"" + std::string(text) + "\"";
}

std::string render_line(const LineRecords& r, const std::vector<std::string>& summary) {
  using K = RecordKind;
  std::string out;
  preamble(out, summary);
  out.append(kGeneralHeader).append(kLineEnd);
  Table general({});
  general.add(row(K::kLineLength, std::array<int64_t, 1>{r.length}));
  for (const auto& [kind, c] :
       {std::pair{K::kChainageUno, &r.uno}, std::pair{K::kChainageDue, &r.due},
        std::pair{K::kChainageTre, &r.tre}}) {
    general.add(row(kind, *c));
  }
  general.add(row(K::kBackgroundUno, std::array<int64_t, 1>{r.sfondo_uno}));
  general.add(row(K::kBackgroundDue, std::array<int64_t, 1>{r.sfondo_due}));
  general.add(row(K::kBackgroundTre, std::array<int64_t, 1>{r.sfondo_tre}));
  std::vector<std::string> repetition = row(K::kSignalRepetition, r.repetition);
  repetition[0] = repetition_keyword(r.repetition_codes);
  general.add(std::move(repetition));
  general.write(out, false);

  Table gradients = table_of(K::kGradient);
  for (const ValueAt& g : r.gradients) gradients.add(row(K::kGradient, g));
  section(out, K::kGradient, gradients);

  const RecordSpec& curve = record_spec(K::kCurve);
  Table curves = table_of(K::kCurve);
  for (const CurveRecord& c : r.curves) {
    curves.add(
        {std::string(curve.written[c.left ? 0 : 1]) + num(c.klass), num(c.start), num(c.length)});
  }
  section(out, K::kCurve, curves);

  Table boards = table_of(K::kSpeedBoard);
  for (const SpeedBoardRecord& b : r.speed_boards) {
    boards.add(row(K::kSpeedBoard, b.values),
               b.under_station ? "overwritten by a station stop: its other values stay" : "");
  }
  section(out, K::kSpeedBoard, boards);

  Table mountains = table_of(K::kMountain);
  for (const MountainRecord& m : r.mountains) {
    mountains.add(row(K::kMountain, m.values),
                  m.separator ? "no cell: keeps the next span apart from the one before" : "");
  }
  section(out, K::kMountain, mountains);

  Table signs = table_of(K::kSignBoard);
  for (const SignBoardRecord& s : r.sign_boards) {
    std::vector<std::string> cells = row(K::kSignBoard, std::array<int64_t, 1>{s.position});
    cells.push_back(*text_value(s.text));
    signs.add(std::move(cells),
              s.under_station ? "overwritten by a station stop: its text stays" : "");
  }
  section(out, K::kSignBoard, signs, true);
  out.append(kEndHeader).append(kLineEnd);
  return out;
}

std::string render_train(const TrainRecords& r, const std::vector<std::string>& summary) {
  using K = RecordKind;
  std::string out;
  preamble(out, summary);
  out.append(kGeneralHeader).append(kLineEnd);
  Table general({});
  general.add(row(K::kCars, std::array<int64_t, 1>{r.vetture}));
  general.add(row(K::kBrakedMass, std::array<int64_t, 1>{r.massa}));
  general.add(row(K::kSand, std::array<int64_t, 1>{r.sabbia}));
  general.add(row(K::kClock, r.clock));
  general.write(out, false);

  Table adhesion = table_of(K::kAdhesion);
  for (const ValueAt& a : r.adhesion) adhesion.add(row(K::kAdhesion, a));
  section(out, K::kAdhesion, adhesion);

  Table speeds = table_of(K::kSpeedLimit);
  for (const ValueAt& s : r.speeds) speeds.add(row(K::kSpeedLimit, s));
  section(out, K::kSpeedLimit, speeds);

  // Slowdowns a station stop overwrote in part stand before every station.
  Table early_slowdowns = table_of(K::kSlowdown);
  for (const SlowdownRecord& s : r.slowdowns) {
    if (s.under_station) {
      early_slowdowns.add(row(K::kSlowdown, s.values),
                          "a station stop written after it overwrote one of its cells");
    }
  }
  if (!early_slowdowns.empty()) section(out, K::kSlowdown, early_slowdowns);

  // Stations and signals in their common order, a section for each run of one kind.
  size_t i = 0;
  while (i < r.order.size()) {
    const bool station = r.order[i].station;
    const RecordKind kind = station ? K::kStation : K::kSignal;
    Table table = table_of(kind);
    for (; i < r.order.size() && r.order[i].station == station; ++i) {
      if (station) {
        const StationRecord& s = r.stations[r.order[i].index];
        std::vector<std::string> cells = row(kind, s.values);
        cells.push_back(*text_value(s.name));
        table.add(std::move(cells));
      } else {
        const SignalRecord& s = r.signals[r.order[i].index];
        table.add(
            row(kind, s.values),
            s.under_station
                ? "overwritten by the stop of a station written after it: its other values stay"
                : "");
      }
    }
    section(out, kind, table, station);
  }

  Table slowdowns = table_of(K::kSlowdown);
  for (const SlowdownRecord& s : r.slowdowns) {
    if (!s.under_station) slowdowns.add(row(K::kSlowdown, s.values));
  }
  section(out, K::kSlowdown, slowdowns);

  Table codes = table_of(K::kCodePoint);
  for (const ValueAt& c : r.code_points) codes.add(row(K::kCodePoint, c));
  section(out, K::kCodePoint, codes);
  out.append(kEndHeader).append(kLineEnd);
  return out;
}

}  // namespace binario
