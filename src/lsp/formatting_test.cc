// Formatting in the editor: one edit per record line the layout changes, in
// the editor's own characters; a line holding a character the compile could
// not be given is left alone.
#include "lsp/formatting.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "compiler/compile.h"
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
  in.nome_percorso = "Valdoria";
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
  const nlohmann::json edits = formatting_edits(read_of(line));
  ASSERT_TRUE(edits.is_array());

  const DocumentLines lines(line);
  bool gradient = false;
  for (const nlohmann::json& edit : edits) {
    const int at = edit["range"]["start"]["line"];
    EXPECT_EQ(edit["range"]["start"]["character"], 0);
    EXPECT_EQ(edit["range"]["end"]["line"], at);
    EXPECT_EQ(edit["range"]["end"]["character"], utf16_column(lines.line(at), 1 << 30));
    EXPECT_NE(std::string(lines.line(at)), edit["newText"].get<std::string>());
    EXPECT_EQ(std::string(lines.line(at)).find("cartello"), std::string::npos);
    if (lines.line(at) == "pendenza  , 2100   , 3") {
      EXPECT_EQ(edit["newText"], "pendenza, 2100,  3");
      gradient = true;
    }
  }
  EXPECT_TRUE(gradient) << edits.dump();

  // The laid-out text gives no edit.
  std::string laid = line;
  for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
    const int at = (*it)["range"]["start"]["line"];
    const std::string_view old_line = DocumentLines(laid).line(at);
    laid.replace(static_cast<size_t>(old_line.data() - laid.data()), old_line.size(),
                 (*it)["newText"].get<std::string>());
  }
  EXPECT_EQ(formatting_edits(read_of(laid)), nlohmann::json::array());
}

}  // namespace
}  // namespace binario
