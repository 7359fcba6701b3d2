// The slowdown order: the form that tells the driver of train 728 which
// temporary speed restrictions to expect. Its two rows are the two slowdowns
// of the train description (19000 m, 30 km/h, 300 m; 64700 m, 70 km/h,
// 400 m, to be held by the whole train).
#include <string_view>

#include "output/driver_forms.h"
#include "sources/builtin_texts.h"

namespace binario {

LineList slowdown_order_list() {
  LineList list{
      "",
      forms::kOrderForm,
      forms::kOrderTitle,
      forms::kOrderTitleRule,
      "  Linea ZORVANE - PELK",
      "",
      "  Si ordina al macchinista del treno 728 di effettuare i seguenti rallentamenti",
  };
  for (std::string_view line : forms::kOrderHead) list.add(line);
  // clang-format off
  list.add(" | 1 |     SIGNA - MONTELUPO      |     19     |    30    |   300   |     -      |");
  list.add(" | 2 |    PONTEDERA - CASCINA     |     64     |    70    |   400   |     A      |");
  // clang-format on
  // The rest of the table is left blank for further restrictions.
  for (size_t row = 2; row < forms::kOrderRows; ++row) list.add(forms::kOrderEmptyRow);
  list.add(forms::kOrderRule);
  for (std::string_view line : forms::kOrderKey) list.add(line);
  return list;
}

}  // namespace binario
