#include "compiler/signal_codes.h"

#include <optional>
#include <string>

#include "compiler/cell_meaning.h"
#include "compiler/fixed_width.h"
#include "compiler/line_index.h"

namespace binario {

namespace {

constexpr int kWarningLookBack = 20;        // cells examined before a warning board
constexpr int32_t kLowestLookBackCell = 3;  // ... but none below this one
constexpr int16_t kWalkSpeedLimit = 110;    // slowdowns below this get code points inside
constexpr int kWalkStep = 8;                // cells between code points inside a slowdown
constexpr int32_t kSignalSearchCells = 13;  // cells e .. e + 12 searched after a slowdown

// The three look-back windows before a slowdown start: each applies when the
// start lies beyond `after`, and its cells are tried nearest to the start first.
struct Window {
  int32_t after;
  int32_t back[3];
};
constexpr Window kWindows[] = {{7, {5, 6, 7}}, {13, {11, 12, 13}}, {20, {18, 19, 20}}};

class Pass {
 public:
  Pass(TrackModel& model, Status& status, DescriptionText line, DescriptionText train)
      : model_(model),
        cells_(model.percorso),
        status_(status),
        last_(static_cast<int32_t>(model.percorso.size()) - 1),
        line_(line),
        train_(train),
        line_lines_(line.text),
        train_lines_(train.text) {}

  void run() {
    for (int32_t i = 1; i <= last_ - 2; ++i) {
      switch (cells_[static_cast<size_t>(i)].tipo) {
        case kSlowdownWarning:
          warning_board(i);
          break;
        case kSlowdownStart:
          slowdown_start(i);
          break;
        default:
          break;
      }
    }
  }

 private:
  bool exists(int32_t j) const { return j >= 0 && j <= last_; }
  Cella& cell(int32_t j) { return cells_[static_cast<size_t>(j)]; }
  // A cell outside the track is never free, so nothing is placed there.
  bool free(int32_t j) { return exists(j) && is_free(cell(j)); }
  bool code_point(int32_t j) { return exists(j) && cell(j).tipo == kCodePoint; }
  // A code point in cell j, placed because of the slowdown object in cell
  // `cause`.
  void place(int32_t j, int32_t cause) {
    write_code_point(cell(j), kPassCodePointValue);
    model_.set_origin(j, {Placer::kSignalCodePass, 0, cause});
  }
  // Places a code point on the first free cell of `candidates`; the index of
  // the one used, or nothing when none was free.
  template <size_t N>
  std::optional<size_t> place_first_free(const int32_t (&candidates)[N], int32_t cause) {
    for (size_t c = 0; c < N; ++c) {
      if (free(candidates[c])) {
        place(candidates[c], cause);
        return c;
      }
    }
    return std::nullopt;
  }
  // Where the record that placed the object of cell j stands, with its
  // keyword's extent and the lines of its text.
  struct Placed {
    SourceLocation where;
    FieldExtent keyword;
    const LineIndex* lines;
  };
  // Records fault `code` at metre 50 * cell_index, located at the record
  // that placed the object of cell `at`; `also` is another cell whose record
  // explains the fault, said in a related location as `also_role`.
  void fault(int32_t code, int32_t cell_index, int32_t at, const std::string& detail,
             int32_t also = -1, const char* also_role = "") {
    const int32_t position = cell_index * static_cast<int32_t>(kCellLength);
    const std::optional<Placed> placed = record_of(at);
    if (!placed) {
      status_.fault(code, position, std::nullopt, detail);
      return;
    }
    status_.fault(code, position, placed->where, detail, *placed->lines);
    status_.extend_last(placed->keyword);
    if (const std::optional<Placed> other = record_of(also)) {
      status_.relate_last({other->where, also_role + object_named(also)});
    }
  }
  std::optional<Placed> record_of(int32_t j) const {
    if (!exists(j)) return std::nullopt;
    const CellOrigin o = model_.origin(j);
    if (o.line <= 0 || o.column <= 0) return std::nullopt;
    const bool in_line = o.by == Placer::kLineText;
    if (!in_line && o.by != Placer::kTrainText) return std::nullopt;
    const DescriptionText& text = in_line ? line_ : train_;
    if (text.name.empty()) return std::nullopt;
    return Placed{SourceLocation{std::string(text.name), o.line, o.column},
                  FieldExtent{o.column, o.line, o.last_column},
                  in_line ? &line_lines_ : &train_lines_};
  }
  static std::string cell_list(const int32_t* cells, size_t n, int32_t last) {
    std::string out;
    for (size_t c = 0; c < n; ++c) {
      if (c > 0) out += c + 1 == n ? " and " : ", ";
      out += std::to_string(cells[c]);
      if (cells[c] > last) out += " (beyond the last cell)";
    }
    return out;
  }
  // What each of `cells` inside the track holds and where it came from:
  // "found cell 49 holding the signal from line 12 of the train description; …".
  std::string found(const int32_t* cells, size_t n) const {
    std::string out;
    for (size_t c = 0; c < n; ++c) {
      if (!exists(cells[c])) continue;
      out += out.empty() ? "found cell " : "; cell ";
      out += std::to_string(cells[c]) + " holding " +
             model_.occupant(cells[c], Placer::kSignalCodePass);
    }
    return out.empty() ? "found none of them inside the track" : out;
  }
  // "the slowdown start in cell 381".
  std::string object_named(int32_t j) const {
    return "the " + cell_kind_noun(cells_[static_cast<size_t>(j)].tipo) + " in cell " +
           std::to_string(j);
  }
  // "the slowdown start in cell 381 (from line 23 of the train description)".
  std::string object_in(int32_t j) const {
    std::string out = object_named(j);
    const std::string from = model_.origin_text(j, Placer::kSignalCodePass);
    if (!from.empty()) out += " (" + from + ")";
    return out;
  }

  // Every signal up to 20 cells before a warning board gets a code point in front of it.
  void warning_board(int32_t i) {
    for (int32_t k = 1; k <= kWarningLookBack; ++k) {
      const int32_t d = i - k;
      if (d < kLowestLookBackCell) break;
      if (cell(d).tipo == kSignal) rule_s(d, i);
    }
  }

  // A code point in front of the signal in cell d, for the warning board in
  // cell i: a free cell one or two cells before it, else an existing code
  // point there lowered to 180.
  void rule_s(int32_t d, int32_t i) {
    if (free(d - 1)) {
      place(d - 1, i);
    } else if (free(d - 2)) {
      place(d - 2, i);
    } else if (code_point(d - 1)) {
      set_code_point_value(cell(d - 1), minimo(kPassCodePointValue, code_point_value(cell(d - 1))));
    } else if (code_point(d - 2)) {
      set_code_point_value(cell(d - 2), minimo(kPassCodePointValue, code_point_value(cell(d - 2))));
    } else {
      const int32_t cells[2] = {d - 1, d - 2};
      fault(11, d, d,
            "expected a free cell or a code point among cells " + cell_list(cells, 2, last_) +
                " before " + object_in(d) + ", " + found(cells, 2),
            i, "the code point is asked for by ");
    }
  }

  void slowdown_start(int32_t i) {
    for (const Window& w : kWindows) {
      if (i <= w.after) continue;
      const int32_t cells[3] = {i - w.back[0], i - w.back[1], i - w.back[2]};
      if (!place_first_free(cells, i)) {
        fault(12, i, i,
              "expected a free cell among cells " + cell_list(cells, 3, last_) + " before " +
                  object_in(i) + ", " + found(cells, 3));
      }
    }
    if (slowdown_speed_kmh(cell(i)) >= kWalkSpeedLimit) return;
    if (std::optional<int32_t> e = walk(i)) after_slowdown(*e);
  }

  // Walks from the start to the slowdown's end, placing a code point every
  // 8 cells. Returns the end cell, or nothing when the track ends first.
  std::optional<int32_t> walk(int32_t i) {
    int32_t n = 0;
    int32_t k = i;
    while (k < last_) {
      ++k;
      ++n;
      if (n == kWalkStep) {
        const int32_t cells[3] = {k, k - 1, k + 1};
        // Counting restarts from the cell actually used.
        constexpr int32_t kRestart[3] = {0, 1, -1};
        if (std::optional<size_t> used = place_first_free(cells, i)) {
          n = kRestart[*used];
        } else {
          fault(13, k, i,
                "expected a free cell among cells " + cell_list(cells, 3, last_) +
                    " inside the slowdown that begins with " + object_in(i) + ", " +
                    found(cells, 3));
        }
      }
      if (ends_slowdown(cell(k))) return k;
    }
    return std::nullopt;
  }

  // The first signal in cells e .. e + 12 gets a code point in front of it.
  void after_slowdown(int32_t e) {
    for (int32_t m = e; m < e + kSignalSearchCells && m <= last_; ++m) {
      if (cell(m).tipo != kSignal) continue;
      const int32_t s = m - 1;
      const int32_t cells[2] = {s, s - 1};
      if (!place_first_free(cells, e)) {
        fault(13, e, e,
              "expected a free cell among cells " + cell_list(cells, 2, last_) + " before " +
                  object_in(m) + " after " + object_in(e) + ", " + found(cells, 2),
              m, "the code point is for ");
      }
      return;
    }
  }

  TrackModel& model_;
  std::vector<Cella>& cells_;
  Status& status_;
  const int32_t last_;
  const DescriptionText line_;
  const DescriptionText train_;
  const LineIndex line_lines_;
  const LineIndex train_lines_;
};

}  // namespace

int16_t minimo(int16_t x, int16_t y) {
  return x > y ? y : x;
}

void place_signal_codes(TrackModel& model, Status& status, DescriptionText line,
                        DescriptionText train) {
  Pass(model, status, line, train).run();
}

}  // namespace binario
