// Every file of a run in its folder, named by output/file_naming.h.
#pragma once

#include <optional>
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

// Why the files of scenario `nome_percorso` and train `numero_treno` could
// not be made on Windows, or nothing when they can. Every build refuses such
// a name, so a scenario made anywhere opens on Windows: a character Windows
// keeps out of names (`<>:"/\|?*`, a control character) or a file name
// Windows takes for a device (CON, PRN, AUX, NUL, COM1-9, LPT1-9, with any
// extension).
std::optional<std::string> windows_name_refusal(const std::string& nome_percorso,
                                                const std::string& numero_treno);

}  // namespace binario
