// Generated pairs written as an author would write them compile without a
// single warning, the run's included: a warning on one of them is a false
// alarm.
#include <gtest/gtest.h>

#include <string>

#include "compiler/compile.h"
#include "test_support/random_pair.h"
#include "timing/run_checks.h"

namespace binario {
namespace {

TEST(GeneratedPairs, AuthoredPairsCompileWithoutAWarning) {
  int compiled = 0, slowdowns = 0, passing = 0, curves = 0;
  for (uint64_t seed = 1; seed <= 400; ++seed) {
    const test::RandomPair pair = test::RandomPairMaker(seed).make_authored(seed % 2 == 0);
    CompileInput input;
    input.line = {"l.txt", pair.line, std::nullopt, false};
    input.train = {"t.txt", pair.train, std::nullopt, false};
    input.with_geometry = pair.geometry;
    input.more_checks = check_run;
    const CompileResult r = compile(input);
    if (r.end != CompileEnd::kCompiled || r.status.codice_errore() != 0) continue;
    ++compiled;
    slowdowns += pair.train.find("\nrallentamento") != std::string::npos ? 1 : 0;
    passing += pair.train.find(", 28, ") != std::string::npos ? 1 : 0;
    curves += pair.line.find("\ncurva") != std::string::npos ? 1 : 0;
    for (const Diagnostic& d : r.status.diagnostics()) {
      ASSERT_NE(d.severity, Severity::kWarning)
          << "seed " << seed << ": " << d.name << " at line "
          << (d.location ? d.location->line : -1) << ": " << d.message << "\n--- line\n"
          << pair.line << "--- train\n"
          << pair.train;
    }
  }
  EXPECT_GE(compiled, 380);
  // The pairs hold what the checks read one record against another for.
  EXPECT_GE(slowdowns, 100);
  EXPECT_GE(passing, 100);
  EXPECT_GE(curves, 100);
}

}  // namespace
}  // namespace binario
