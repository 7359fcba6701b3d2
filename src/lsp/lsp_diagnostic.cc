#include "lsp/lsp_diagnostic.h"

#include <climits>

#include "compiler/metre_suffix.h"
#include "lsp/text_position.h"
#include "output/text_encoding.h"

namespace binario {
lsp::Diagnostic lsp_diagnostic(const Diagnostic& d, const DocumentLines& lines) {
  int line = 0;
  int start = 0;
  int end_line = 0;
  int end = 0;
  std::string_view text_line;
  if (d.location && d.location->line > 0) {
    line = end_line = d.location->line - 1;
    text_line = lines.line(line);
    // Characters and Windows-1252 bytes are one to one: byte columns are
    // character indexes on the editor's lines.
    const int first = d.location->column > 0 ? d.location->column - 1 : 0;
    start = utf16_column(text_line, first);
    end = utf16_column(text_line, first + 1);
    if (d.field && d.field->first_column == d.location->column &&
        d.field->last_line >= d.location->line &&
        (d.field->last_line > d.location->line || d.field->last_column > first)) {
      end_line = d.field->last_line - 1;
      end = utf16_column(lines.line(end_line), d.field->last_column);
    }
  } else if (d.stopped_at_line > 0 && d.stopped_at_line <= lines.size()) {
    // Where the compile stopped: that whole line.
    line = end_line = d.stopped_at_line - 1;
    end = utf16_column(lines.line(line), INT_MAX);
  }
  std::string message = windows1252_to_utf8(d.message);
  message += metre_suffix(d);
  lsp::Diagnostic out;
  out.range = {{line, start}, {end_line, end}};
  out.severity = d.severity == Severity::kWarning ? lsp::kSeverityWarning
                 : d.severity == Severity::kNote  ? lsp::kSeverityInformation
                                                  : lsp::kSeverityError;
  out.message = std::move(message);
  if (d.severity == Severity::kWarning) {
    out.code = d.name;
  } else if (d.severity == Severity::kError) {
    out.code = static_cast<int>(d.code);
  }
  // Where the occupant of a taken cell was placed, in this text or the other
  // one (the texts are named by their URIs).
  for (const RelatedLocation& r : d.related) {
    if (r.location.file.empty() || r.location.line <= 0) continue;
    const int at = r.location.column > 0 ? r.location.column - 1 : 0;
    const int related_line = r.location.line - 1;
    out.related.push_back({{r.location.file, {{related_line, at}, {related_line, at + 1}}},
                           windows1252_to_utf8(r.message)});
  }
  // The edit that mends it, for the quick fix the client asks for with this
  // diagnostic: the field's characters, one to one with its bytes.
  if (d.fix && d.location && d.location->line > 0) {
    const int first = d.location->column > 0 ? d.location->column - 1 : 0;
    out.fix = lsp::TextEdit{{{line, utf16_column(text_line, first)},
                             {line, utf16_column(text_line, first + d.fix->length)}},
                            windows1252_to_utf8(d.fix->replacement)};
  }
  return out;
}

}  // namespace binario
