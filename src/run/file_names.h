// Every file of a run in its folder, named by output/file_naming.h.
#pragma once

#include <optional>
#include <string>

#include "output/file_naming.h"

namespace binario {

// The names of scenario_file_names() inside `dir`, joined with the
// platform's directory separator.
ScenarioFileNames file_names(const std::string& dir, const std::string& nome_percorso,
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
