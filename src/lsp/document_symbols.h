// The outline of a description: its sections, and inside them the stations
// (name and km), signals, slowdowns and boards, one record per line.
#pragma once

#include <nlohmann/json.hpp>
#include <string_view>

namespace binario {

// The protocol's DocumentSymbol array for a UTF-8 description.
nlohmann::json document_symbols(std::string_view utf8_text);

}  // namespace binario
