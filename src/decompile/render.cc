// Writes the recovered records as the two descriptions, in the layout of
// the built-in texts: a preamble, the general section, one section per
// record kind with a comment naming its columns, and aligned columns.
#include "decompile/render.h"

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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

template <size_t N>
std::vector<std::string> row(std::string keyword, const std::array<int64_t, N>& values) {
  std::vector<std::string> r = {std::move(keyword)};
  for (int64_t v : values) r.push_back(num(v));
  return r;
}

void section(std::string& out, std::string_view header, const Table& table,
             bool text_last = false) {
  out.append(header).append(kLineEnd);
  if (!table.empty()) table.write(out, text_last);
}

void preamble(std::string& out, const std::vector<std::string>& summary) {
  for (const std::string& s : summary) out.append("- ").append(s).append(kLineEnd);
  out.append(kLineEnd).append("inizio_dati").append(kLineEnd);
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
  std::string out;
  preamble(out, summary);
  out.append("[generale]").append(kLineEnd);
  Table general({});
  general.add({"lunghezza percorso", num(r.length)});
  for (const auto& [word, c] :
       {std::pair{"uno", &r.uno}, std::pair{"due", &r.due}, std::pair{"tre", &r.tre}}) {
    general.add({std::string("progressiva chilometrica ") + word, num(c->key), num(c->chainage),
                 num(c->flag)});
  }
  general.add({"sfondo uno", num(r.sfondo_uno)});
  general.add({"sfondo due", num(r.sfondo_due)});
  general.add({"sfondo tre", num(r.sfondo_tre)});
  general.add({"ripetizione segnali " + num(r.repetition_codes) + " codici", num(r.repetition_from),
               num(r.repetition_to)});
  general.write(out, false);

  Table gradients({"-", "pos.", "per mille"});
  for (const ValueAt& g : r.gradients) gradients.add({"pendenza", num(g.position), num(g.value)});
  section(out, "[pendenze]", gradients);

  Table curves({"-", "inizio", "lung."});
  for (const CurveRecord& c : r.curves) {
    curves.add(
        {std::string("curva") + (c.left ? "s" : "d") + num(c.klass), num(c.start), num(c.length)});
  }
  section(out, "[curve]", curves);

  Table boards({"-", "pos.", "vas", "vbs", "vcs", "str.", "vad", "vbd", "vcd", "str."});
  for (const SpeedBoardRecord& b : r.speed_boards) {
    std::array<int64_t, 9> v = {b.position};
    std::copy(b.values.begin(), b.values.end(), v.begin() + 1);
    boards.add(row("indicatori_vmax", v),
               b.under_station ? "overwritten by a station stop: its other values stay" : "");
  }
  section(out, "[cartelli]", boards);

  Table mountains({"-", "da", "a", "tipo"});
  for (const MountainRecord& m : r.mountains) {
    mountains.add(row("montagna", std::array<int64_t, 3>{m.inizio, m.fine, m.tipo}),
                  m.separator ? "no cell: keeps the next span apart from the one before" : "");
  }
  section(out, "[montagne]", mountains);

  Table signs({"-", "pos.", "testo"});
  for (const SignBoardRecord& s : r.sign_boards) {
    signs.add({"cartello indicatore", num(s.position), *text_value(s.text)},
              s.under_station ? "overwritten by a station stop: its text stays" : "");
  }
  section(out, "[indicazioni]", signs, true);
  out.append("[fine]").append(kLineEnd);
  return out;
}

std::string render_train(const TrainRecords& r, const std::vector<std::string>& summary) {
  std::string out;
  preamble(out, summary);
  out.append("[generale]").append(kLineEnd);
  Table general({});
  general.add({"numero vetture", num(r.vetture)});
  general.add({"percentuale massa frenata", num(r.massa)});
  general.add({"sabbia", num(r.sabbia)});
  general.add({"orologio", num(r.ore), num(r.minuti), num(r.secondi)});
  general.write(out, false);

  Table adhesion({"-", "pos.", "valore"});
  for (const ValueAt& a : r.adhesion) adhesion.add({"aderenza", num(a.position), num(a.value)});
  section(out, "[aderenze]", adhesion);

  Table speeds({"-", "pos.", "km/h"});
  for (const ValueAt& s : r.speeds) speeds.add({"velocita", num(s.position), num(s.value)});
  section(out, "[vel_limite]", speeds);

  // Slowdowns a station stop overwrote in part stand before every station.
  const std::vector<std::string> slowdown_caption = {"-",    "inizio", "km/h", "lung.",
                                                     "f_tt", "f_ta",   "d_v"};
  Table early_slowdowns(slowdown_caption);
  for (const SlowdownRecord& s : r.slowdowns) {
    if (s.under_station) {
      early_slowdowns.add(row("rallentamento", s.values),
                          "a station stop written after it overwrote one of its cells");
    }
  }
  if (!early_slowdowns.empty()) section(out, "[rallentamenti]", early_slowdowns);

  // Stations and signals in their common order, a section for each run of one kind.
  const std::vector<std::string> station_caption = {"-",   "pos.", "tipo", "lung.", "tps", "tab",
                                                    "mar", "d2",   "d3",   "rap",   "d1",  "d2",
                                                    "d3",  "ac",   "ore",  "min",   "sec", "nome"};
  const std::vector<std::string> signal_caption = {"-",    "pos.", "sx", "s1", "s2", "s3",
                                                   "rapp", "dx",   "d1", "d2", "d3", "tempo"};
  size_t i = 0;
  while (i < r.order.size()) {
    const bool station = r.order[i].station;
    Table table(station ? station_caption : signal_caption);
    for (; i < r.order.size() && r.order[i].station == station; ++i) {
      if (station) {
        const StationRecord& s = r.stations[r.order[i].index];
        std::vector<std::string> cells = row("stazione", s.values);
        cells.push_back(*text_value(s.name));
        table.add(std::move(cells));
      } else {
        const SignalRecord& s = r.signals[r.order[i].index];
        table.add(
            row("segnale", s.values),
            s.under_station
                ? "overwritten by the stop of a station written after it: its other values stay"
                : "");
      }
    }
    section(out, station ? "[stazioni]" : "[segnali]", table, station);
  }

  Table slowdowns(slowdown_caption);
  for (const SlowdownRecord& s : r.slowdowns) {
    if (!s.under_station) slowdowns.add(row("rallentamento", s.values));
  }
  section(out, "[rallentamenti]", slowdowns);

  Table codes({"-", "pos.", "valore"});
  for (const ValueAt& c : r.code_points) {
    codes.add({"abbattimento", num(c.position), num(c.value)});
  }
  section(out, "[codici]", codes);
  out.append("[fine]").append(kLineEnd);
  return out;
}

}  // namespace binario
