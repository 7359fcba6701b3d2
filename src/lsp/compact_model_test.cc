// The compacted model gives back, cell for cell, what the compile built, and
// holds a few runs per line of text however long the line it describes.
#include "lsp/compact_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>

#include "compiler/compile.h"
#include "test_support/model_fields.h"
#include "test_support/random_pair.h"

namespace binario {
namespace {

void expect_same(const TrackModel& expanded, const TrackModel& model, uint64_t seed) {
  ASSERT_EQ(expanded.percorso.size(), model.percorso.size()) << seed;
  ASSERT_EQ(expanded.origins.size(), std::min(model.origins.size(), model.percorso.size())) << seed;
  for (size_t j = 0; j < model.percorso.size(); ++j) {
    ASSERT_EQ(test::fields(expanded.percorso[j]), test::fields(model.percorso[j]))
        << "seed " << seed << ", cell " << j;
  }
  for (size_t j = 0; j < expanded.origins.size(); ++j) {
    const CellOrigin& a = expanded.origins[j];
    const CellOrigin& b = model.origins[j];
    ASSERT_TRUE(a.by == b.by && a.line == b.line && a.cause == b.cause && a.column == b.column &&
                a.last_column == b.last_column)
        << "seed " << seed << ", origin of cell " << j;
  }
  for (int i = 0; i < kTrenoEntries; ++i) {
    ASSERT_EQ(test::fields(expanded.treno[i]), test::fields(model.treno[i]))
        << "seed " << seed << ", entry " << i;
  }
  EXPECT_EQ(expanded.lunghezza_totale, model.lunghezza_totale);
  EXPECT_EQ(expanded.numero_cartelli, model.numero_cartelli);
  EXPECT_EQ(expanded.linea.points(), 0u);
}

size_t lines_of(const std::string& text) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
}

// Every record kind, near the limits of its fields, on lines of every
// length the generator picks and on the longest line there is.
TEST(CompactModel, GivesBackEveryCellAndEntryInAFewRunsPerLineOfText) {
  int compared = 0;
  for (uint64_t seed = 1; seed <= 60; ++seed) {
    test::RandomPair pair = test::RandomPairMaker(seed).make(false);
    if (seed % 3 == 0) {
      pair.line =
          std::regex_replace(pair.line, std::regex("(lunghezza percorso,\\s*)\\d+"), "$011000000");
    }
    CompileInput input;
    input.line = {"l.txt", pair.line, std::nullopt, false};
    input.train = {"t.txt", pair.train, std::nullopt, false};
    const CompileResult r = compile(input);
    if (!r.model.built()) continue;
    ++compared;
    const CompactModel compact(r.model);
    expect_same(compact.expand(), r.model, seed);
    // Objects, spans and the marks before them: a handful of runs a record.
    EXPECT_LE(compact.runs(), 8 * (lines_of(pair.line) + lines_of(pair.train))) << seed;
  }
  EXPECT_GE(compared, 40);
}

// A model built cell by cell may hold fewer origins than cells, or none,
// and a lone cell that differs in one field only is a run of its own.
TEST(CompactModel, KeepsShortOriginsAndSingleFieldDifferences) {
  TrackModel model;
  model.percorso.resize(100);
  for (Cella& c : model.percorso) c.velocita = 12;
  model.percorso[50].aderenza = 3;
  model.percorso[99].tempo = 1;
  expect_same(CompactModel(model).expand(), model, 0);
  EXPECT_EQ(CompactModel(model).runs(), 4u);

  model.origins.resize(60);
  model.origins[50] = {Placer::kTrainText, 7, -1, 1, 8};
  expect_same(CompactModel(model).expand(), model, 0);

  const TrackModel unbuilt;
  EXPECT_FALSE(CompactModel(unbuilt).expand().built());
}

}  // namespace
}  // namespace binario
