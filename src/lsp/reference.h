// The format reference's entry of a record keyword, for hover texts.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace binario {

// The entry of a record's `keyword` in the format reference: its heading
// and everything up to the next heading, as Markdown; nothing when the
// reference has no such entry. The reference is the one built into the
// program, the same bytes `binario explain` prints.
std::optional<std::string> reference_entry(std::string_view keyword);

// The row of `entry`'s field table whose Position is `position` (1-based).
std::optional<std::string> reference_field(const std::string& entry, int position);

}  // namespace binario
