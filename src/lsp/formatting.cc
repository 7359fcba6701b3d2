#include "lsp/formatting.h"

#include <climits>
#include <set>
#include <string>
#include <string_view>

#include "compiler/field_reader.h"
#include "format/lay_out.h"
#include "lsp/text_position.h"
#include "output/text_encoding.h"

namespace binario {

std::vector<LineEdit> formatting_edits(const DocumentRead& document,
                                       const std::atomic<bool>* cancel) {
  std::vector<LineEdit> edits;
  const auto stop_if_cancelled = [cancel] {
    if (cancel && cancel->load(std::memory_order_relaxed)) throw CompileCancelled();
  };
  const CompileText read = to_compile_text(document.utf8_text, cancel);
  stop_if_cancelled();
  const std::string laid_out = lay_out_text(read.bytes, document.read);
  stop_if_cancelled();
  if (laid_out == read.bytes) return edits;

  std::set<int> replaced;
  for (const ReplacedCharacter& r : read.replaced) replaced.insert(r.line);
  const DocumentLines before(read.bytes);
  const DocumentLines after(laid_out);
  const DocumentLines shown(document.utf8_text);
  // The layout keeps every line end: both texts have as many lines.
  int lines = 1;
  for (size_t i = 0; i < laid_out.size(); ++i) {
    if (laid_out[i] == '\n' ||
        (laid_out[i] == '\r' && (i + 1 == laid_out.size() || laid_out[i + 1] != '\n'))) {
      ++lines;
    }
  }
  for (int line = 0; line < lines; ++line) {
    if ((line & 0xFFF) == 0) stop_if_cancelled();
    const std::string_view old_line = before.line(line);
    const std::string_view new_line = after.line(line);
    if (old_line == new_line || replaced.count(line) != 0) continue;
    edits.push_back({line, utf16_column(shown.line(line), INT_MAX),
                     windows1252_to_utf8(std::string(new_line))});
  }
  return edits;
}

}  // namespace binario
