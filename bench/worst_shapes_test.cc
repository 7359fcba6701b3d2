// The worst shapes compile in time proportional to their size, report each
// kept diagnostic with its own line, and keep the status pair of a compile
// without diagnostics.
#include "bench/worst_shapes.h"

#include <gtest/gtest.h>

#include <chrono>

#include "compiler/compile.h"
#include "compiler/field_reader.h"

namespace binario {
namespace {

CompileResult compile_shape(const ShapedPair& pair, bool extras) {
  CompileInput input;
  input.line = {"Prova_linea.txt", pair.line, std::nullopt, false};
  input.train = {"Prova_1-.txt", pair.train, std::nullopt, false};
  input.model_name = "Prova";
  input.model_number = "1";
  input.extra_diagnostics = extras;
  return compile(input);
}

TEST(WorstShapes, CompileFastWithEveryLineRight) {
  // 1.5 MB: reading the text from its start for each diagnostic took
  // minutes at this size, the whole compile now takes a fraction of a
  // second (the limit leaves room for a loaded machine and the sanitizers).
  constexpr size_t kBytes = 1'500'000;
  for (const WorstShapeName& s : kWorstShapes) {
    SCOPED_TRACE(s.name);
    const ShapedPair pair = worst_shape_pair(s.shape, kBytes);
    ASSERT_LE(std::max(pair.line.size(), pair.train.size()), kBytes);
    ASSERT_GT(std::max(pair.line.size(), pair.train.size()), kBytes - 1000);

    const auto start = std::chrono::steady_clock::now();
    const CompileResult checked = compile_shape(pair, true);
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(20));

    const CompileResult plain = compile_shape(pair, false);
    EXPECT_EQ(checked.status.codice_errore(), plain.status.codice_errore());
    EXPECT_EQ(checked.status.posizione_errore(), plain.status.posizione_errore());
    // Past the cap nothing more is kept: a few faults before the stop, the
    // notes and at most the cap of each description.
    EXPECT_LE(checked.status.diagnostics().size(), size_t{2 * Status::kMostExtra + 10});
    for (const Diagnostic& d : checked.status.diagnostics()) {
      if (!d.location || d.location->line <= 0) continue;
      const std::string& text = d.location->file == "Prova_linea.txt" ? pair.line : pair.train;
      // The line, or of a long line the piece around the column.
      const std::optional<std::string_view> line = text_line(text, d.location->line);
      ASSERT_TRUE(line && d.source_line) << format_diagnostic(d);
      EXPECT_EQ(d.source_line_length, line->size());
      EXPECT_EQ(*d.source_line,
                line->substr(static_cast<size_t>(d.source_line_column - 1), d.source_line->size()))
          << format_diagnostic(d);
      EXPECT_LE(d.source_line->size(), kKeptLine);
      EXPECT_LE(d.message.size(), kLongestMessage);
    }
  }
}

}  // namespace
}  // namespace binario
