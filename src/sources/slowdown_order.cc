// The slowdown order: the form that tells the driver of train 728 which
// temporary speed restrictions to expect. Its two rows are the two slowdowns
// of the train description (19000 m, 30 km/h, 300 m; 64700 m, 70 km/h,
// 400 m, to be held by the whole train).
#include <string_view>

#include "sources/builtin_texts.h"

namespace binario {

LineList slowdown_order_list() {
  // clang-format off
  LineList list{
      "",
      "                               Modulo M. 3",
      "                           ORDINE DI RALLENTAMENTO",
      " ________________________________________________________________________________",
      "  Linea ZORVANE - PELK",
      "",
      "  Si ordina al macchinista del treno 728 di effettuare i seguenti rallentamenti",
      "  _______________________________________________________________________________",
      " |   |                            |Inizio dopo |          |         |            |",
      " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|",
      " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |",
      " |___|____________________________|____________|__________|_________|____________|",
      " | 1 |     SIGNA - MONTELUPO      |     19     |    30    |   300   |     -      |",
      " | 2 |    PONTEDERA - CASCINA     |     64     |    70    |   400   |     A      |",
  };
  // The rest of the table is left blank for further restrictions.
  constexpr std::string_view kEmptyRow =
      " |   |                            |            |          |         |            |";
  for (int row = 0; row < 24; ++row) list.add(kEmptyRow);
  for (std::string_view line : {
      " |___|____________________________|____________|__________|_________|____________|",
      "",
      "              Prescrizioni specifiche",
      " A - Da rispettare con tutto il treno (per i treni viaggiatori)",
      " B - Interessa anche la stazione di.......",
      " D - Rallentamneto N. ... e N. ...  sono contigui",
      " C - Da rispettare dalle ore ....  alle ore ..... di tutti",
      "     i giorni esclusi i seguenti:.........",
  }) {
    list.add(line);
  }
  // clang-format on
  return list;
}

}  // namespace binario
