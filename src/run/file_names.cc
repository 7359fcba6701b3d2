#include "run/file_names.h"

#include "output/file_naming.h"
#include "platform/paths.h"

namespace binario {

FileNames file_names(const std::string& dir, const std::string& nome_percorso,
                     const std::string& numero_treno) {
  const ScenarioFileNames base = scenario_file_names(nome_percorso, numero_treno);
  FileNames n;
  n.line_text = join_path(dir, base.line_text);
  n.train_text = join_path(dir, base.train_text);
  n.train_sheet = join_path(dir, base.train_sheet);
  n.slowdown_order = join_path(dir, base.slowdown_order);
  n.notes = join_path(dir, base.notes);
  n.geometry = join_path(dir, base.geometry);
  n.train_table = join_path(dir, base.train_table);
  n.cells = join_path(dir, base.cells);
  return n;
}

}  // namespace binario
