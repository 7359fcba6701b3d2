#include "run/file_names.h"
#include "platform/paths.h"

#include "platform/file_system.h"

namespace binario {

FileNames file_names(const std::string& dir, const std::string& nome_percorso,
                     const std::string& numero_treno) {
  const std::string train = nome_percorso + "_" + numero_treno;
  FileNames n;
  n.line_text = join_path(dir, nome_percorso + "_linea.txt");
  n.train_text = join_path(dir, train + "-.txt");
  n.train_sheet = join_path(dir, train + "_scheda_treno.txt");
  n.slowdown_order = join_path(dir, train + "_rallentamenti.txt");
  n.notes = join_path(dir, train + "_note.txt");
  n.geometry = join_path(dir, nome_percorso + "_linea.dat");
  n.train_table = join_path(dir, train + ".sim");
  n.cells = join_path(dir, train + ".dat");
  return n;
}

}  // namespace binario
