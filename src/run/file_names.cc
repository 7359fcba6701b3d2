#include "run/file_names.h"

#include <string_view>

#include "output/file_naming.h"
#include "output/text_encoding.h"
#include "platform/paths.h"

namespace binario {

ScenarioFileNames file_names(const std::string& dir, const std::string& nome_percorso,
                             const std::string& numero_treno) {
  ScenarioFileNames n = scenario_file_names(nome_percorso, numero_treno);
  for (std::string* name : {&n.line_text, &n.train_text, &n.train_sheet, &n.slowdown_order,
                            &n.notes, &n.geometry, &n.train_table, &n.cells}) {
    *name = join_path(dir, *name);
  }
  return n;
}

namespace {

std::optional<std::string> character_refusal(const std::string& what, const std::string& value) {
  for (char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20) {
      return what + " holds the control character " + escaped_controls(std::string(1, c)) +
             ", which no file name on Windows may hold";
    }
    if (std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
      return what + " '" + escaped_utf8(value) + "' holds '" + c +
             "', which no file name on Windows may hold";
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> windows_name_refusal(const std::string& nome_percorso,
                                                const std::string& numero_treno) {
  if (auto refusal = character_refusal("the scenario name", nome_percorso)) return refusal;
  if (auto refusal = character_refusal("the train number", numero_treno)) return refusal;
  const ScenarioFileNames n = file_names("", nome_percorso, numero_treno);
  for (const std::string* name : {&n.line_text, &n.train_text, &n.train_sheet, &n.slowdown_order,
                                  &n.notes, &n.geometry, &n.train_table, &n.cells}) {
    const std::string device = windows_device_name(*name);
    if (!device.empty()) {
      return "the file name '" + *name + "' names the device " + device + " on Windows";
    }
  }
  return std::nullopt;
}

}  // namespace binario
