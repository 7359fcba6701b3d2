// The line description of the built-in scenario: 82 km from Zorvane S.M.N.
// to Pelk C.le, written line for line as the line parser reads it back.
#include "sources/builtin_texts.h"

namespace binario {

LineList builtin_line_list() {
  // clang-format off
  return LineList{
      // Preamble: the reader skips everything before the general section.
      "Percorso Zorvane S.M.N. Pelk C.le",
      "",
      "",
      "inizio_dati  ",
      // General section: length, chainage references, backgrounds and the stretch
      // fitted with cab-signal repetition (from 4650 m, before the first block
      // signal of the open line, to the protection signal of Pelk).
      "[generale]                          ",
      "lunghezza percorso,    82000",
      "progressiva chilometrica uno,    0,    0,    0",
      "progressiva chilometrica due,    0,    0,    0",
      "progressiva chilometrica tre,    0,    0,    0",
      "sfondo uno,    1",
      "sfondo due,    0",
      "sfondo tre,    0",
      "ripetizione segnali 4 codici,    4650,    79150",
      // Gradients in per mille: a climb out of Zorvane, the descent to the Arno
      // plain, gentle undulations along the valley and level track from 61000 to
      // the end.
      "[pendenze]",
      "pendenza  , 300    , 4",
      "pendenza  , 2200   , 2",
      "pendenza  , 4000   , -4",
      "pendenza  , 6500   , -1",
      "pendenza  , 9000   , 0",
      "pendenza  , 11800   , 3",
      "pendenza  , 14500   , 1",
      "pendenza  , 17600   , -2",
      "pendenza  , 20500   , -3",
      "pendenza  , 23800   , 0",
      "pendenza  , 27000   , 2",
      "pendenza  , 30200   , 4",
      "pendenza  , 33000   , 1",
      "pendenza  , 36500   , -1",
      "pendenza  , 40200   , -3",
      "pendenza  , 44000   , 0",
      "pendenza  , 48500   , 2",
      "pendenza  , 52300   , -2",
      "pendenza  , 56800   , 3",
      "pendenza  , 61000   , 0",
      // Curves, by class: gentle classes 2 and 3 where the line runs at 140 to
      // 160 km/h, class 4 where it runs at 130 to 140, the sharp classes 5 and 6
      // only in the 100 and 120 km/h stretches (station throats, the Arno
      // bridge). Positions ascend and no curve begins before the previous one
      // ends. The comment lines name the place reached next; they hold no comma
      // and no keyword.
      "[curve]",
      "",
      "curvas2,   700,  100",
      "curvad4,  1300,  400",
      "curvas5,  2000,  300",
      "curvas6,  2750,  150",
      "curvad5,  3100,  300",
      "- cascine",
      "curvas3,  4300,  600",
      "curvad2,  5400,  600",
      "curvas4,  6500,  300",
      "curvad4,  7300,  400",
      "curvad3,  8500,  700",
      "curvas2,  10000,  700",
      "curvas4,  11400,  400",
      "- signa",
      "curvad3,  12400,  500",
      "curvas4,  13800,  400",
      "curvas5,  15100,  300",
      "curvad5,  15800,  300",
      "curvas4,  16500,  400",
      "curvad3,  17700,  500",
      "curvas4,  18900,  400",
      "curvad4,  19700,  400",
      "curvad6,  20900,  200",
      "curvas5,  21300,  300",
      "curvad6,  21750,  150",
      "-montelupo",
      "curvas3,  22600,  600",
      "curvad4,  24000,  500",
      "curvas4,  25400,  600",
      "curvad3,  26500,  400",
      "- empoli",
      "curvad4,  28000,  500",
      "curvas4,  29000,  400",
      "curvad2,  31000,  800",
      "curvas5,  33100,  300",
      "curvad6,  33700,  200",
      "curvas3,  35600,  600",
      "curvad3,  37500,  800",
      "curvas2,  40000,  900",
      "curvad3,  42200,  600",
      "curvas2,  44500, 1000",
      "curvas3,  47000,  700",
      "curvad3,  52000,  700",
      "curvad4,  56400, 1400",
      "- pontedera",
      "curvas4,  58600,  500",
      "curvas5,  60700,  300",
      "curvad5,  61400,  300",
      "curvas4,  63000,  400",
      "curvad2,  64500,  800",
      "curvad3,  67000,  600",
      "- pelk",
      "curvad4,  75000,  600",
      "curvas4,  79700, 200",
      // Speed-indicator boards: one for each change of the line speed after the
      // start. The third speed of the left-hand board is the train's rank C and
      // equals the limit of the train description that the board announces; a
      // board stands just before a reduction and just after an increase. Every
      // board has a cell of its own, clear of signals, stations, sign boards and
      // slowdown cells.
      "[cartelli]",
      "",
      "indicatori_vmax, 800, 105, 115, 120, 0, 0, 0, 0, 0",
      "indicatori_vmax, 2650, 85, 95, 100, 0, 85, 95, 100, 0",
      "indicatori_vmax, 3550, 125, 135, 140, 0, 0, 0, 0, 0",
      "indicatori_vmax, 14950, 105, 115, 120, 0, 0, 0, 0, 0",
      "indicatori_vmax, 17050, 125, 135, 140, 0, 0, 0, 0, 0",
      "indicatori_vmax, 18500, 115, 125, 130, 0, 0, 0, 0, 0",
      "indicatori_vmax, 20700, 85, 95, 100, 0, 0, 0, 0, 0",
      "indicatori_vmax, 22200, 125, 135, 140, 0, 0, 0, 0, 0",
      "indicatori_vmax, 27450, 115, 125, 130, 0, 0, 0, 0, 0",
      "indicatori_vmax, 30050, 140, 150, 160, 0, 0, 0, 0, 0",
      "indicatori_vmax,  32050,  140,  150,  150,  0,  140,  150,  150,  0",
      "indicatori_vmax, 32850, 85, 95, 100, 0, 85, 95, 100, 0",
      "indicatori_vmax, 34550, 140, 150, 150, 0, 0, 0, 0, 0",
      "indicatori_vmax, 49350, 140, 150, 160, 0, 0, 0, 0, 0",
      "indicatori_vmax, 55750, 115, 125, 130, 0, 0, 0, 0, 0",
      "indicatori_vmax, 60450, 85, 95, 100, 0, 85, 95, 100, 0",
      "indicatori_vmax, 62250, 125, 135, 140, 0, 0, 0, 0, 0",
      "indicatori_vmax, 66200, 140, 150, 150, 0, 120, 130, 135, 0",
      "indicatori_vmax, 69650, 120, 130, 135, 0,   0,   0,   0, 0",
      "",
      // Mountain spans.
      "[montagne]",
      "montagna, 29100,29200,2",
      "montagna, 57050,57350,1",
      // Sign boards: two kilometre boards and the Arno bridge.
      "[indicazioni]",
      "",
      "cartello indicatore,  18550,    (  Km. ) (18.600)",
      "cartello indicatore,  20750,    (  Km. ) (20.800)",
      "cartello indicatore,  22100,    ( Ponte  ) (su fiume) (  Arno  )",
      "[fine]",
  };
  // clang-format on
}

}  // namespace binario
