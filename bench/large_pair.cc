#include "bench/large_pair.h"

#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace binario {

namespace {

// The line is laid out in one-kilometre blocks. Block k covers metres
// B = 1000k .. B + 999, that is cells 20k .. 20k + 19; an object placed at
// metre B + 50(c - 1) lands in cell 20k + c ("offset c"). Every block holds
// the same objects at the same offsets, except around a slowdown, whose
// cells would otherwise meet them:
//
//   offset  1      speed-code point (train)
//   offset  3      speed board, but not in a warning block (countdown there)
//   offset  7      signal; in a warning block at offset 9 (warning board there)
//   offset 10      speed board
//   offset 11      stop cell of a station (station blocks)
//   offset 13      speed board, but not in a warning block (look-back window)
//   offset 15      sign board (sign-board blocks)
//   offset 17      signal
//   offset 19      speed board, but not in a slowdown block (slowdown end)
//
// A slowdown block starts a 400 m slowdown at B + 500: start at offset 11,
// end at offset 19, warning board at offset 7 of the block before (the
// warning block) and the countdown at offsets 3 to 6 there. The signal-code
// pass then finds a free cell in each of its look-back windows (offsets 6,
// 0 and 13 of the block before), inside the slowdown (offset 18), in front of
// the first signal after it (offset 6 of the next block) and in front of the
// signals it looks back on from the warning board (offsets 6 and 16 two
// blocks before). So the pair compiles with status 0.
constexpr int kBlocks = kLargePairLength / 1000;

bool slowdown_block(int k) {
  return k % 10 == 5;
}
bool warning_block(int k) {
  return k % 10 == 4;
}
bool station_block(int k) {
  return k % 20 == 10;
}
bool sign_board_block(int k) {
  return k % 50 == 20;
}

// Lines of a description text, each ended by CR LF.
class Text {
 public:
  void line(std::string_view s) {
    text_.append(s);
    text_.append("\r\n");
  }
  // "keyword, v1, v2, …" with `tail` (", text") after the numbers.
  void record(std::string_view keyword, std::initializer_list<long> values,
              std::string_view tail = {}) {
    text_.append(keyword);
    for (long v : values) {
      text_.append(", ");
      text_.append(std::to_string(v));
    }
    text_.append(tail);
    text_.append("\r\n");
  }
  std::string take() { return std::move(text_); }

 private:
  std::string text_;
};

std::string make_line(LargePairCounts& n) {
  Text t;
  t.line("Percorso di prova da un milione di metri");
  t.line("");
  t.line("inizio_dati");
  t.line("[generale]");
  t.record("lunghezza percorso", {kLargePairLength});
  t.record("progressiva chilometrica uno", {0, 0, 0});
  t.record("progressiva chilometrica due", {0, 0, 0});
  t.record("progressiva chilometrica tre", {0, 0, 0});
  t.record("sfondo uno", {1});
  t.record("sfondo due", {0});
  t.record("sfondo tre", {0});
  t.record("ripetizione segnali 4 codici", {4650, kLargePairLength - 4850});

  t.line("[pendenze]");
  for (long k = 0; k < kBlocks; ++k) {
    for (long i = 0; i < 10; ++i) {
      t.record("pendenza", {1000 * k + 100 * i, (k * 10 + i) * 7 % 9 - 4});
      ++n.gradients;
    }
  }

  // Six curves of 120 m per kilometre, every class and both hands; the last
  // ends at metre 999,940, before the geometry's limit for curves.
  t.line("[curve]");
  for (long k = 0; k < kBlocks; ++k) {
    for (long i = 0; i < 6; ++i) {
      std::string keyword = "curva";
      keyword += (k * 6 + i) % 2 == 0 ? 's' : 'd';
      keyword += static_cast<char>('1' + (k + i) % 6);
      t.record(keyword, {1000 * k + 20 + 160 * i, 120});
      ++n.curves;
    }
  }

  t.line("[cartelli]");
  for (int k = 0; k < kBlocks; ++k) {
    for (long metre : {100, 450, 600, 900}) {
      if (warning_block(k) && (metre == 100 || metre == 600)) continue;
      if (slowdown_block(k) && metre == 900) continue;
      const long left = 80 + 10 * (k % 5);
      const long right = k % 2 == 0 ? 0 : left;
      t.record("indicatori_vmax",
               {1000L * k + metre, left, left + 10, left + 20, k % 3, right, right, right, 0});
      ++n.speed_boards;
    }
  }

  // Two mountain spans per kilometre, the second with markers (kind 12).
  t.line("[montagne]");
  t.line("- gallerie");
  for (long k = 0; k < kBlocks; ++k) {
    t.record("montagna", {1000 * k + 100, 1000 * k + 300, 1});
    t.record("montagna", {1000 * k + 600, 1000 * k + 900, 12});
    n.mountains += 2;
  }

  t.line("[indicazioni]");
  for (int k = 0; k < kBlocks; ++k) {
    if (!sign_board_block(k)) continue;
    t.record("cartello indicatore", {1000L * k + 700},
             ",    (  Km. ) (" + std::to_string(k) + ".700)");
    ++n.sign_boards;
  }

  t.line("[fine]");
  t.line("riferimento fine del file");
  return t.take();
}

std::string make_train(LargePairCounts& n) {
  Text t;
  t.line("                  Treno 1 percorso di prova da un milione di metri");
  t.line("");
  t.line("inizio_dati");
  t.line("[generale]");
  t.record("numero vetture", {12});
  t.record("percentuale massa frenata", {140});
  t.record("sabbia", {200});
  t.line("orologio,    6               0            0 ");
  t.line("[aderenze] ");
  t.record("aderenza", {0, 80});

  t.line("[vel_limite]");
  for (long k = 0; k < kBlocks; ++k) {
    t.record("velocita", {1000 * k, 100 + 10 * (k % 5)});
    t.record("velocita' limite ", {1000 * k + 500, 150 + 10 * (k % 2)});
    n.speed_limits += 2;
  }

  // A station every 20 km, 400 m long, the timetable at 60 km/h from 6.00:
  // a run the train can keep, the slowdowns and the stops included.
  t.line("[stazioni]");
  t.line("-           pos. tipo lung. t  t  m    d d r   d d d   a   o  o  o   nome");
  // The run starts at a station at metre 0, as a scenario's does.
  t.record("stazione", {0, 5, 400, 1, 0, 0, 4, 1, 0, 2, 1, 1, 0, 6, 0, 0}, ", POSTO 0");
  ++n.stations;
  for (long k = 0; k < kBlocks; ++k) {
    if (!station_block(static_cast<int>(k))) continue;
    const long at = 6 * 3600 + 60 * k;
    t.record(
        "stazione",
        {1000 * k + 400, 2, 400, 1, 0, 0, 4, 1, 0, 2, 1, 1, 0, at / 3600, at % 3600 / 60, at % 60},
        ", POSTO " + std::to_string(k));
    ++n.stations;
  }

  t.line("[rallentamenti]");
  for (long k = 0; k < kBlocks; ++k) {
    if (!slowdown_block(static_cast<int>(k))) continue;
    t.record("rallentamento", {1000 * k + 500, 30 + 10 * (k / 10 % 8), 400, k / 10 % 2, 1, 0});
    ++n.slowdowns;
  }

  t.line("[segnali]");
  for (long k = 0; k < kBlocks; ++k) {
    const long sx = 1 + k % 2;
    const long dx = sx == 2 ? 2 : 0;
    const long tempo = sx == 2 && k % 4 == 1 ? 160 : 0;
    const long first = warning_block(static_cast<int>(k)) ? 400 : 300;
    for (long metre : {first, 800L}) {
      t.record("segnale",
               {1000 * k + metre, sx, 2 + k % 4, k % 7, k % 2, 0, dx, k % 3, k / 3 % 2, 0, tempo});
      ++n.signals;
    }
  }

  t.line("[codici]");
  for (long k = 0; k < kBlocks; ++k) {
    t.record("abbattimento", {1000 * k + 50, k % 3 == 0 ? 0 : 60 + 10 * (k % 4)});
    ++n.code_points;
  }
  t.line("[fine]");
  return t.take();
}

}  // namespace

LargePair make_large_pair() {
  LargePair pair;
  pair.line = make_line(pair.counts);
  pair.train = make_train(pair.counts);
  return pair;
}

}  // namespace binario
