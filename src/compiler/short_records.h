// A record that runs short of values on its line: the reading goes on into
// the next line (or to the end of the text) for the values it lacks, so the
// fault shows at a line that may be correct. These tell the author at the
// record's own line, and have the fault that follows point back at it.
#pragma once

#include <optional>
#include <string>

#include "compiler/diagnostics.h"
#include "compiler/field_reader.h"
#include "compiler/records_read.h"

namespace binario {

// How many comments in a row a section passes over (for the hint on a
// comment read as a keyword).
struct ShortRecordContext {
  const std::string& file;
  const LineIndex& lines;
  int comments_passed;
};

// Warns "short-record" when `r`, read in full, took some of its values from
// a line after its keyword's.
void warn_values_run_on(const RecordRead& r, const ShortRecordContext& at, Status& status);

// When `failure` was met while `read`'s last record was being read
// (it is left incomplete) and the failed read lies past the line of the
// record's last value, warns "short-record" at the record and returns where
// it stands, for the fault that follows to name. Nothing otherwise.
std::optional<RelatedLocation> warn_record_ran_short(const DescriptionRead& read,
                                                     const ReadFailure& failure,
                                                     const ShortRecordContext& at, Status& status);

}  // namespace binario
