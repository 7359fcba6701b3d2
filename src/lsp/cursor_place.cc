#include "lsp/cursor_place.h"

#include <algorithm>

namespace binario {
namespace {

// A place as (1-based line, 0-based character) for comparisons.
struct Place {
  int line;
  int character;
  auto operator<=>(const Place&) const = default;
};

Place first_of(const TextSpan& span) {
  return {span.line, span.first_column - 1};
}
// Right after the last character.
Place end_of(const TextSpan& span) {
  return {span.last_line, span.last_column};
}

}  // namespace

bool starts_before(const TextSpan& a, const TextSpan& b) {
  return first_of(a) < first_of(b);
}

std::vector<const TextField*> section_headers(const DescriptionRead& read) {
  std::vector<const TextField*> sections;
  for (const TextField& header : read.headers) sections.push_back(&header);
  for (const TextField& field : read.ignored) {
    if (names_section(field.text)) sections.push_back(&field);
  }
  std::sort(sections.begin(), sections.end(),
            [](const TextField* a, const TextField* b) { return starts_before(a->span, b->span); });
  return sections;
}

CursorPlace cursor_place(const DescriptionRead& read, DescriptionFile file, int line,
                         int character) {
  const Place at{line + 1, character};
  CursorPlace out;
  // The headers the compile took as such: "[generale]" opens the general
  // section; in the line description the next one opens its body.
  size_t passed = 0;
  for (const TextField& header : read.headers) {
    if (first_of(header.span) < at) ++passed;
  }
  if (passed > 0) {
    if (file == DescriptionFile::kTrain) {
      out.section = RecordSection::kTrain;
    } else {
      out.section = passed == 1 ? RecordSection::kLineGeneral : RecordSection::kLineBody;
    }
  }
  for (const TextField& comment : read.comments) {
    if (first_of(comment.span) < at && at <= end_of(comment.span)) out.comment = true;
  }
  // Records never overlap: only the last one whose keyword ends before the
  // place can hold it among its values.
  const RecordRead* record = nullptr;
  for (const RecordRead& r : read.records) {
    if (at <= end_of(r.keyword.span)) break;
    record = &r;
  }
  if (!record) return out;
  // Among the values up to the end of the last one read, and, for a record
  // still missing values, up to the next field read.
  const TextSpan& last = record->values.empty() ? record->keyword.span : record->values.back().span;
  if (end_of(last) < at) {
    if (record->complete) return out;
    const auto between = [&](const TextField& field) {
      return end_of(last) < first_of(field.span) && first_of(field.span) < at;
    };
    if (std::any_of(read.ignored.begin(), read.ignored.end(), between) ||
        std::any_of(read.comments.begin(), read.comments.end(), between) ||
        std::any_of(read.headers.begin(), read.headers.end(), between)) {
      return out;
    }
  }
  out.record = record;
  out.value = record->values.size();
  for (size_t i = 0; i < record->values.size(); ++i) {
    if (at <= end_of(record->values[i].span)) {
      out.value = i;
      break;
    }
  }
  return out;
}

}  // namespace binario
