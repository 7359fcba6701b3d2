// Every file of a run in its folder, named by output/file_naming.h.
#pragma once

#include <string>

namespace binario {

struct FileNames {
  std::string line_text;       // <nome>_linea.txt
  std::string train_text;      // <nome>_<numero>-.txt
  std::string train_sheet;     // <nome>_<numero>_scheda_treno.txt
  std::string slowdown_order;  // <nome>_<numero>_rallentamenti.txt
  std::string notes;           // <nome>_<numero>_note.txt
  std::string geometry;        // <nome>_linea.dat
  std::string train_table;     // <nome>_<numero>.sim
  std::string cells;           // <nome>_<numero>.dat
};

// The names inside `dir`, joined with the platform's directory separator.
FileNames file_names(const std::string& dir, const std::string& nome_percorso,
                     const std::string& numero_treno);

}  // namespace binario
