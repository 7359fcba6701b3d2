// Where a cursor stands in what the compile read of a description: in which
// section, and whether among the values of a record (which one is being
// typed) or where the compile reads a keyword. Completion and signature
// help ask this; neither looks at the text itself.
#pragma once

#include <optional>
#include <vector>

#include "compiler/records.h"
#include "compiler/records_read.h"

namespace binario {

struct CursorPlace {
  // The section the compile reads the place in; nothing before "[generale]".
  std::optional<RecordSection> section;
  // The record whose values the place lies among (null: keyword position).
  const RecordRead* record = nullptr;
  // The index of the value being typed there (may be the number of values
  // read, for an incomplete record).
  size_t value = 0;
  // Inside a field passed over as a comment, past its first character.
  bool comment = false;
};

// The place of the character with 0-based index `character` on 0-based
// `line` of a description of `file`.
CursorPlace cursor_place(const DescriptionRead& read, DescriptionFile file, int line,
                         int character);

// The section headers the compile read, and the fields in the line's body
// and the train description that look like headers (the compile reads those
// as keywords no record takes), in text order.
std::vector<const TextField*> section_headers(const DescriptionRead& read);

// True when `a` starts before `b`.
bool starts_before(const TextSpan& a, const TextSpan& b);

}  // namespace binario
