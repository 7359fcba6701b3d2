#include "compiler/short_records.h"

#include <string_view>

#include "compiler/records.h"

namespace binario {

namespace {

std::string str(size_t n) {
  return std::to_string(n);
}

// "1st", "2nd", "3rd", "11th", "22nd".
std::string ordinal(size_t n) {
  const size_t tens = n % 100, units = n % 10;
  const char* suffix = "th";
  if (tens < 11 || tens > 13) {
    if (units == 1) suffix = "st";
    if (units == 2) suffix = "nd";
    if (units == 3) suffix = "rd";
  }
  return str(n) + suffix;
}

// What every message starts with: the record's keyword, how many values it
// takes and how many the line holds ("'KEYWORD' takes 11 values; this line
// holds 10, ").
std::string takes_holds(const RecordRead& r, size_t held) {
  const RecordSpec& table_row = record_spec(r.kind);
  const size_t wanted = table_row.values.size();
  return "'" + std::string(table_row.written[0]) + "' takes " + str(wanted) +
         (wanted == 1 ? " value" : " values") + "; this line holds " +
         (held == 0 ? std::string("none of them") : str(held)) + ", ";
}

// Why the record ran short, and how to mend it: "; …". A keyword field
// holding "-" is a comment the section did not pass over (the author most
// likely meant one more comment line); a keyword field that ends in a number
// lacks the comma after the keyword; otherwise values are missing.
std::string cause_and_fix(const RecordRead& r, int comments_passed, bool complete) {
  const std::string_view k = r.keyword.text;
  if (k.find('-') != std::string_view::npos) {
    return "; this line is read as a record although it holds '-': only " +
           str(static_cast<size_t>(comments_passed)) + " comment lines in a row are passed " +
           "over, and the next field is read as a keyword; keep to " +
           str(static_cast<size_t>(comments_passed)) + " comment lines in a row";
  }
  const size_t blank = k.find_last_of(" \t");
  if (blank != std::string_view::npos && k.size() - blank > 2 &&
      k.find_first_not_of("0123456789", blank + 1) == std::string_view::npos) {
    return "; the keyword's field '" + std::string(k) + "' ends in the number " +
           std::string(k.substr(blank + 1)) + ": put a comma between the keyword and its values";
  }
  return complete ? "; write every value of the record on its line"
                  : "; give the record all its values on its line";
}

void warn_at_keyword(const RecordRead& r, const ShortRecordContext& at, std::string message,
                     Status& status) {
  const TextSpan& k = r.keyword.span;
  status.warn("short-record", SourceLocation{at.file, k.line, k.first_column}, std::move(message),
              at.lines);
  status.extend_last({k.first_column, k.last_line, k.last_column});
}

// The line the field before value `i` ends on (the keyword's for the first).
int line_before(const RecordRead& r, size_t i) {
  return i == 0 ? r.keyword.span.last_line : r.values[i - 1].span.last_line;
}

}  // namespace

void warn_values_run_on(const RecordRead& r, const ShortRecordContext& at, Status& status) {
  if (!status.keeps_next_extra()) return;
  for (size_t i = 0; i < r.values.size(); ++i) {
    const int from = r.values[i].span.line;
    if (from <= line_before(r, i)) continue;
    warn_at_keyword(r, at,
                    takes_holds(r, i) + "the " + ordinal(i + 1) + " was read from line " +
                        std::to_string(from) + ": the start of that line became part of this " +
                        "record" + cause_and_fix(r, at.comments_passed, true),
                    status);
    return;
  }
}

std::optional<RelatedLocation> warn_record_ran_short(const DescriptionRead& read,
                                                     const ReadFailure& failure,
                                                     const ShortRecordContext& at, Status& status) {
  if (!status.extras() || read.records.empty()) return std::nullopt;
  const RecordRead& r = read.records.back();
  if (r.complete) return std::nullopt;
  const size_t held = r.values.size();
  if (held >= record_spec(r.kind).values.size()) return std::nullopt;
  if (failure.where().line <= line_before(r, held)) return std::nullopt;
  // A read that failed at the end of the text has no field.
  const std::string where = failure.last()
                                ? "was to be read from line " + std::to_string(failure.where().line)
                                : "was to be read after the end of the text";
  warn_at_keyword(r, at,
                  takes_holds(r, held) + "the " + ordinal(held + 1) + " " + where +
                      cause_and_fix(r, at.comments_passed, false),
                  status);
  const TextSpan& k = r.keyword.span;
  return RelatedLocation{SourceLocation{at.file, k.line, k.first_column},
                         "the '" + std::string(record_spec(r.kind).written[0]) +
                             "' record that runs short of values on its line"};
}

}  // namespace binario
