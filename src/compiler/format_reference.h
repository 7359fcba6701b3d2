// The format reference, docs/format.md, as built into the program, and its
// entries: a record keyword, a status code or a warning name, each under a
// "### `NAME`" heading. `binario explain` prints them and the language
// server's hover shows them, both from these same bytes.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

namespace binario {

// The whole of docs/format.md (generated at build time).
std::string_view format_reference_text();

struct ReferenceEntry {
  std::string_view section;  // the "## " heading it stands under
  std::string_view name;     // between the backquotes of its heading
  std::string_view text;     // from its heading up to the next heading
};

// Every "### `NAME`" entry of `document`, in order.
std::vector<ReferenceEntry> reference_entries(std::string_view document);

// The first entry of the built-in reference named `name`, if there is one.
std::optional<ReferenceEntry> find_reference_entry(std::string_view name);

}  // namespace binario
