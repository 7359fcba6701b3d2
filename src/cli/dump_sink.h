// Where dump's printers write: the records of a file as an aligned text
// table or as JSON, chosen once by the command. A printer says what the file
// is and hands over its records column by column; the sink alone knows how
// each form lays them out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "output/binary_decoders.h"

namespace binario {

// What the file is, for the title line ("PATH: track cells, 1781 cells
// (26715 bytes)") and the opening members of the JSON object
// ({"kind":"cells","file":PATH,"count":1781).
struct DumpTitle {
  std::string path;
  const char* kind;         // JSON "kind"
  const char* kind_words;   // the title's words for it
  const char* count_key;    // JSON member of the record count
  const char* count_words;  // the title's word for the records
  size_t count = 0;
  size_t bytes = 0;  // the file's size, shown on the title line
};

// A name as the model stores it (Windows-1252 bytes); the table shows it in
// UTF-8 with control characters escaped, JSON as a UTF-8 string.
struct DumpName {
  std::string_view windows1252;
};

// One value of a record.
using DumpValue = std::variant<int64_t, DumpName, GeometryValue>;

struct DumpColumn {
  const char* key;     // its JSON member; null: shown in the table only
  std::string header;  // its table header; empty: JSON only
  size_t width = 0;    // the table: at least this wide; 0: as wide as its widest entry
};

// Records with the same columns. The table shows a record a row (a name
// column last, so the numbers stay aligned); JSON holds one list of objects
// under `key`, or, `by_column`, each column as a list of its own under the
// column's key.
struct DumpRecords {
  const char* key = nullptr;
  bool by_column = false;
  std::vector<DumpColumn> columns;
  size_t count = 0;
  // Fills `values` (one per column, in column order) with record `index`.
  std::function<void(size_t index, std::vector<DumpValue>* values)> record;
};

class DumpSink {
 public:
  virtual ~DumpSink() = default;
  virtual void begin(const DumpTitle& title) = 0;
  // Facts about the part of the file shown: `line` under the title in the
  // table (nothing when empty), `members` in the JSON object.
  virtual void facts(std::string_view line,
                     const std::vector<std::pair<const char*, int64_t>>& members) = 0;
  virtual void records(const DumpRecords& records) = 0;
  virtual void end() = 0;
};

// The table, its rows wrapped to fit 80 columns: the columns that would run
// past column 79 continue on the next line, indented under the first column's
// values.
std::unique_ptr<DumpSink> make_text_sink(std::ostream& out);
// One JSON object. `indented`: indented by two, as a few cells are shown;
// otherwise one record a line, as whole files are.
std::unique_ptr<DumpSink> make_json_sink(std::ostream& out, bool indented);

}  // namespace binario
