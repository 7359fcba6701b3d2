// The format reference's entry of a record keyword, for hover texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace binario {

// The entry of `keyword` ("segnale") in the format reference: its heading
// and everything up to the next heading, as Markdown; nothing when the
// reference or the entry cannot be found. The reference is read from the
// source tree the program was built from.
std::optional<std::string> reference_entry(std::string_view keyword);

// The row of `entry`'s field table whose Position is `position` (1-based).
std::optional<std::string> reference_field(const std::string& entry, int position);

}  // namespace binario
