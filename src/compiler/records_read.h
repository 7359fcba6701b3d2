// What the compile read from the two descriptions, field by field, for the
// tools that show an author their own text: hover, the outline, semantic
// tokens, inlay hints, the warnings about meaning. It is the compiler's own
// reading — the same fields, the same comments, the same records — so a tool
// that reads this list never splits the text again and never disagrees with
// the compile.
//
// Asked for with CompileInput::records_read; CompileResult::records holds it.
// The default run does not ask, and the list changes nothing else: the model,
// the status pair and the diagnostics are the same with or without it.
//
// Places are 1-based lines and 1-based byte columns of the description's own
// bytes (Windows-1252 as the compile read them), counted the way the field
// reader counts lines (a line ends at CR LF, CR or LF).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/records.h"

namespace binario {

// Where a field stands: from its first byte to its last, blanks around it
// left out. A quoted field includes both quotes (or runs to the end of the
// text when its quote is never closed) and may end on a later line than it
// starts. An empty field has last_column == first_column - 1.
struct TextSpan {
  int line = 0;
  int first_column = 0;
  int last_line = 0;
  int last_column = 0;
};

// A field with its text as read (the bytes between the quotes for a quoted
// field; no blanks around it).
struct TextField {
  TextSpan span;
  std::string text;
};

// One value of a record, in the order of the records table's values for its
// kind (records_table()[kind].values[i] names value i).
struct ValueRead {
  TextSpan span;
  std::string text;
  // The number read, for a numeric value; nothing for a text value (the name
  // of a station, the text of a sign board).
  std::optional<int64_t> number;
};

// One record as the compile read it.
struct RecordRead {
  RecordKind kind;
  TextField keyword;  // the field that named the record
  // The values read, in order. Fewer than the table lists when the reading
  // stopped inside the record (complete is false then).
  std::vector<ValueRead> values;
  // Every value of the record was read.
  bool complete = false;
  // Read after the compile stopped the description: the model does not
  // reflect it (the compile read on only to report faults).
  bool after_stop = false;
  // The cells the record's position lands on, by its cell rule (see
  // record_cells in records.h); empty for a record without a position or one
  // whose values were not all read. The cells are what the rule gives: they
  // may lie outside the model when the position does (the compile then
  // refused the record).
  std::vector<int64_t> cells;
};

// Everything read from one description, each list in text order.
struct DescriptionRead {
  // False when the compile never read this description (the line was
  // refused, or the text could not be read); the lists are empty then.
  bool read = false;
  std::vector<RecordRead> records;
  // Fields in keyword position passed over as comments (they hold "-").
  std::vector<TextField> comments;
  // Fields in keyword position that no record read: misspelt keywords, the
  // values after them, a curve when the geometry is not built, a comment
  // beyond the ones a section passes over, the headers inside the line's
  // body and the train's records (the compile reads them as keywords). The compile warns about some
  // of them (see the "ignored-field" warning). Of a run of empty fields only
  // the last is kept.
  std::vector<TextField> ignored;
  // The section headers: "[generale]", and in the line description the
  // header that closes its general section.
  std::vector<TextField> headers;
  // The fields before "[generale]", which are never read as records.
  std::vector<TextField> before_section;
};

struct RecordsRead {
  DescriptionRead line;
  DescriptionRead train;
};

}  // namespace binario
