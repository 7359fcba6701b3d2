// The notes for the driver: what the train is, where its times come from and
// what to expect on the run, one paragraph per line, in Windows-1252. The
// accented letters are written as their single bytes: \xE8 is e grave, \xE0
// a grave and \xF2 o grave; each escape ends its literal so that a following
// letter cannot be read as part of the hex number.
#include "sources/builtin_texts.h"

namespace binario {

LineList notes_list() {
  // clang-format off
  return LineList{
      "Scenario preparato con binario, il compilatore di scenari ferroviari: grazie a chi ha "
      "raccolto i dati della linea, dei segnali e dell'orario.",

      "Il treno \xE8" " l'IC 728 da Zorvane S.M.N. a Pelk Centrale, l'unico treno della sua "
      "categoria su questa linea, ed \xE8" " ammesso al rango di velocit\xE0" " C.",

      "Di solito \xE8" " composto da dieci carrozze idonee ai 200 km/h ed \xE8" " trainato da una "
      "locomotiva elettrica del gruppo ZP.200, quella assegnata a questo servizio.",

      "Gli orari della scheda treno sono presi dall'orario di servizio della ferrovia.",

      "Il percorso non presenta particolari difficolt\xE0" ", a parte qualche piccolo intralcio "
      "dovuto alla circolazione degli altri treni. Arrivare a Pelk in perfetto orario \xE8"
      " possibile, ma richiede un certo impegno. Al mattino la brina sulle rotaie rende scarsa "
      "l'aderenza: in avviamento e in frenatura le ruote possono slittare, e un uso accorto "
      "della sabbiera pu\xF2" " fare la differenza. ",

      "Buona simulazione.",

      "",

      "Il gruppo di sviluppo di binario",

      "scenari@example.org",
  };
  // clang-format on
}

}  // namespace binario
