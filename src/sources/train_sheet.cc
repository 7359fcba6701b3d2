// The train sheet: the card the driver keeps in the cab, with the train's
// identity and the timetable of the run. The speed-limit column shows the
// twenty line speeds of the train description in the same order; the
// kilometre column follows the station positions; the sixteen timed rows are
// the sixteen stations.
#include "output/driver_forms.h"
#include "sources/builtin_texts.h"

namespace binario {

LineList train_sheet_list() {
  // clang-format off
  return LineList{
      "",
      "",
      // Identity box.
      forms::kIdentityTop,
      forms::kIdentityTitle,
      " |   TRENO n.728     |                   da: ZORVANE S.M.N.        |    V200 C    |",
      " |___________________|                    a: PELK CENTRALE         |     130%     |",
      forms::kIdentityRightClosed,
      // Classification and mass.
      forms::kClassTop,
      forms::kClassHead,
      " |        IC         |              |      600T         |",
      forms::kClassBottom,
      "",
      // Timetable: speed limit, running speed, kilometre point, second speed
      // column, place, time, recovery minutes.
      forms::kTimetableTop,
      forms::kTimetableHead1,
      forms::kTimetableHead2,
      forms::kTimetableRule,
      " |  30 |     |    0     |  30 | ZORVANE S.M.N.             |          5.50  |     |",
      " | 120 |     |    0.600 | 120 | Deviatoio di uscita        |        -       |     |",
      " | 100 |     |    2.760 | 100 | ZORVANE RIFREDI            |       5.57     |  2  |",
      " | 140 |     |    3.500 | 140 | Deviatoio di uscita        |        -       |     |",
      " |     |     |    7.410 |     | ZORVANE CASCINE            |       6.00     |     |",
      " |     |     |   11.970 |     | S.DONNINO                  |       6.03     |     |",
      " | 120 |     |   15.000 | 120 | Cippo chilometro 15.000    |        -       |     |",
      " |     |     |     -    |     | SIGNA                      |       6.06     |     |",
      " | 140 |     |   17.000 | 140 | Cippo chilometro 17.000    |        -       |     |",
      " | 130 |     |   18.600 | 130 | Km 18.600                  |        -       |     |",
      " |     |     |   19.160 |     | CARMIGNANO                 |       6.09     |     |",
      " | 100 |     |   20.800 | 100 | Km 20.800                  |        -       |     |",
      " | 140 |     |   22.150 | 140 | P.te fiume Arno Km 22.15   |        -       |     |",
      " | 130 |     |   27.560 | 130 | MONTELUPO                  |       6.13     |     |",
      " | 160 |     |   30.000 |     | Cippo chilometro 30.000    |        -       |     |",
      " | 150 |     |   32.000 |     | Cippo chilometro 32.000    |        -       |     |",
      " | 100 |     |   32.950 |     | Seg. protezione Empoli     |        -       |     |",
      " |     |     |   33.780 |     | EMPOLI                     |  6.17     6.19 | 2.5 |",
      " | 150 |     |   34.500 |     | Deviatoio di uscita        |        -       |     |",
      " |     |     |   43.390 |     | S.MINIATO                  |       6.24     |     |",
      " | 160 |     |   49.310 |     | S.ROMANO                   |       6.27     |     |",
      " | 130 |     |   55.800 |     | Cippo chilometro 55.800    |        -       |     |",
      " |     |     |   56.790 |     | LA ROTTA                   |       6.31     |     |",
      " | 100 |     |   60.550 |     | Seg. protezione Pontedera  |        -       |     |",
      " |     |     |   61.410 |     | PONTEDERA                  |  6.34     6.36 | 2   |",
      " | 140 |     |   62.200 |     | Deviatoio di uscita        |        -       |     |",
      " | 150 |     |   66.200 |     | Cippo chilometro 66.200    |        -       |     |",
      " |     |     |   68.290 |     | CASCINA                    |       6.41     |     |",
      " | 135 |     |   70.640 |     | S.FREDIANO                 |       6.43     |     |",
      " |     |     |   73.210 |     | NAVACCHIO                  |       6.45     |     |",
      " |     |     |   80.840 |     | PELK CENTRALE              |  6.50          |     |",
      forms::kTimetableRule,
      "",
  };
  // clang-format on
}

}  // namespace binario
