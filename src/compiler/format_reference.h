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

// A topic of the reference that is no entry: a "### TITLE" section about the
// descriptions as a whole, under a short name.
struct ReferenceTopic {
  std::string_view name;   // what `binario explain` takes: "cells"
  std::string_view title;  // the section's heading: "Cells and positions"
};
inline constexpr ReferenceTopic kReferenceTopics[] = {
    {"fields", "How a file is cut into fields"},
    {"keywords", "Keywords"},
    {"comments", "Comments"},
    {"sections", "Sections and the end of the file"},
    {"units", "Units"},
    {"cells", "Cells and positions"},
    {"timetable", "The clock and the timetable"},
    {"documents", "The driver's documents"},
};

// The text of the built-in reference's section `title` ("### TITLE" up to the
// next heading), if there is one.
std::optional<std::string_view> find_reference_section(std::string_view title);

}  // namespace binario
