// Formatting in the editor: one edit per record line the layout changes, in
// the editor's own characters; a line holding a character the compile could
// not be given is left alone.
#include "lsp/formatting.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "compiler/compile.h"
#include "compiler/field_reader.h"
#include "lsp/text_position.h"
#include "output/text_encoding.h"
#include "test_support/program.h"

namespace binario {
namespace {

DocumentRead read_of(const std::string& utf8_line) {
  CompileInput in;
  in.line.name = "line";
  in.line.text = to_compile_text(utf8_line).bytes;
  in.train.name = "train";
  in.train.unreadable = "not open";
  in.model_name = "Valdoria";
  in.records_read = true;
  const CompileResult result = compile(in);
  return {utf8_line, result.records->line};
}

TEST(Formatting, EditsEachChangedRecordLineInTheEditorsCharacters) {
  std::string line = windows1252_to_utf8(
      slurp(std::filesystem::path(BINARIO_SOURCE_DIR) / "examples" / "Valdoria_linea.txt"));
  // A sign text with a character Windows-1252 lacks: the compile reads '?'.
  const std::string sign = "cartello indicatore,  2950,    (  Km. ) (3.000)";
  line.replace(line.find(sign), sign.size(), sign + " \u2192");
  const std::vector<LineEdit> edits = formatting_edits(read_of(line));
  ASSERT_FALSE(edits.empty());

  const DocumentLines lines(line);
  bool gradient = false;
  for (const LineEdit& edit : edits) {
    EXPECT_EQ(edit.end, utf16_column(lines.line(edit.line), 1 << 30));
    EXPECT_NE(std::string(lines.line(edit.line)), edit.text);
    EXPECT_EQ(std::string(lines.line(edit.line)).find("cartello"), std::string::npos);
    if (lines.line(edit.line) == "pendenza  , 2100   , 3") {
      EXPECT_EQ(edit.text, "pendenza, 2100,  3");
      gradient = true;
    }
  }
  EXPECT_TRUE(gradient);

  // The laid-out text gives no edit.
  std::string laid = line;
  for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
    const std::string_view old_line = DocumentLines(laid).line(it->line);
    laid.replace(static_cast<size_t>(old_line.data() - laid.data()), old_line.size(), it->text);
  }
  EXPECT_TRUE(formatting_edits(read_of(laid)).empty());

  // A formatting cancelled stops.
  const std::atomic<bool> cancelled{true};
  EXPECT_THROW(formatting_edits(read_of(line), &cancelled), CompileCancelled);
}

}  // namespace
}  // namespace binario
