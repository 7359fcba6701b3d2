#include "lsp/document_read.h"

#include "output/text_encoding.h"

namespace binario {

lsp::Range span_range(const DocumentLines& lines, const TextSpan& span) {
  const int first = span.line - 1;
  const int last = span.last_line - 1;
  return {{first, utf16_column(lines.line(first), span.first_column - 1)},
          {last, utf16_column(lines.line(last), span.last_column)}};
}

bool span_holds(const TextSpan& span, int line, int character) {
  const int at = line + 1;
  if (at < span.line || at > span.last_line) return false;
  if (at == span.line && character < span.first_column - 1) return false;
  return at != span.last_line || character <= span.last_column;
}

std::string shown_text(std::string_view read_text) {
  return windows1252_to_utf8(read_text);
}

}  // namespace binario
