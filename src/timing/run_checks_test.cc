// The warnings of the run: each mistake of a timetable an author makes is
// reported at the record at fault with its figures, a run across midnight
// and the shipped scenarios are clean, and nothing changes the status pair.
#include "timing/run_checks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "compiler/compile.h"
#include "sources/builtin_texts.h"
#include "sources/line_list.h"
#include "test_support/program.h"

namespace binario {
namespace {

const char* const kLine =
    "[generale]\n"
    "lunghezza percorso, 48000\n"
    "[pendenze]\n"
    "pendenza, 400, 2\n"
    "[fine]\n"
    "[fine]\n";

// Line 3 the clock, line 4 the limit, line 5 the first station at 14:00:00;
// `records` from line 6 on.
std::string train(const std::string& records, const std::string& clock = "13, 59, 0") {
  return "[generale]\n"
         "percentuale massa frenata, 130\n"
         "orologio, " +
         clock +
         "\n"
         "velocita, 0, 150, aderenza, 0, 80\n"
         "stazione, 0, 8, 400, 1, 0, 0, 4, 1, 0, 2, 1, 1, 1, 14, 0, 0, ALFA\n" +
         records + "[fine]\n[fine]\n";
}

// A station of kind `kind` at `position` with the time `time` ("h, m, s").
std::string station(int position, const std::string& time, const char* name, int kind = 4) {
  return "stazione, " + std::to_string(position) + ", " + std::to_string(kind) +
         ", 400, 0, 0, 0, 1, 1, 0, 4, 1, 1, 60, " + time + ", " + name + "\n";
}

CompileResult compile_pair(const std::string& line, const std::string& train_text) {
  CompileInput input;
  input.line = {"l.txt", line, std::nullopt, false};
  input.train = {"t.txt", train_text, std::nullopt, false};
  input.more_checks = check_run;
  return compile(input);
}

// "NAME@LINE" for every warning.
std::vector<std::string> warnings(const Status& status) {
  std::vector<std::string> out;
  for (const Diagnostic& d : status.diagnostics()) {
    if (d.severity != Severity::kWarning) continue;
    out.push_back(d.name + "@" + std::to_string(d.location ? d.location->line : -1));
  }
  return out;
}

struct Mistake {
  const char* what;
  std::string train;
  std::vector<std::string> expected;
  const char* says;  // a part of the first warning's message
};

TEST(RunChecks, EachMistakeOfATimetableIsReportedAtItsRecord) {
  const Mistake mistakes[] = {
      {"7.7 km in 30 s",
       train(station(7700, "14, 0, 30", "VALMARNA")),
       {"impossible-time@6"},
       "14:00:30 at VALMARNA leaves 30 s for 7,500 m from ALFA; the speed limits alone need at "
       "least 3 min"},
      {"249 km/h where no limit passes 150",
       train(station(8300, "14, 2, 0", "BETA")),
       {"impossible-time@6"},
       "leaves 2 min for 8,100 m"},
      {"two stations at the same minute",
       train(station(5000, "14, 10, 0", "BETA") + station(12000, "14, 10, 0", "GAMMA")),
       {"no-running-time@7"},
       "14:10:00 at GAMMA is the time of BETA before it"},
      {"every station one minute apart",
       train(station(2000, "14, 1, 0", "BETA") + station(4000, "14, 2, 0", "GAMMA") +
             station(6000, "14, 3, 0", "DELTA")),
       {"undrivable-time@6", "undrivable-time@7", "undrivable-time@8"},
       "the fastest run of this train takes"},
      {"a timed stop without a stop cell",
       train(station(5000, "14, 20, 0", "NOSTOP", 28)),
       {"stop-without-cell@6"},
       "a station of kind 28 (25 and up) gets no stop cell"},
      {"a second clock",
       train(station(9000, "14, 20, 0", "BETA") + "orologio, 13, 58, 0\n"),
       {"repeated-clock@7"},
       "a second clock"},
      {"a clock hours before the departure",
       train(station(9000, "14, 20, 0", "BETA"), "9, 0, 0"),
       {"clock-far@3"},
       "the clock starts the run at 9:00:00, 5 h before the first departure"},
  };
  for (const Mistake& m : mistakes) {
    SCOPED_TRACE(m.what);
    const CompileResult r = compile_pair(kLine, m.train);
    EXPECT_EQ(r.status.codice_errore(), 0);
    EXPECT_EQ(warnings(r.status), m.expected);
    ASSERT_FALSE(r.status.diagnostics().empty());
    const Diagnostic& d = r.status.diagnostics().front();
    EXPECT_NE(d.message.find(m.says), std::string::npos) << d.message;
  }
  // The second clock points back at the first, a time at the one before it.
  const CompileResult clocks =
      compile_pair(kLine, train(station(9000, "14, 20, 0", "BETA") + "orologio, 13, 58, 0\n"));
  ASSERT_EQ(clocks.status.diagnostics().front().related.size(), 1u);
  EXPECT_EQ(clocks.status.diagnostics().front().related[0].location.line, 3);
  const CompileResult fast = compile_pair(kLine, train(station(7700, "14, 0, 30", "VALMARNA")));
  ASSERT_EQ(fast.status.diagnostics().front().related.size(), 1u);
  EXPECT_EQ(fast.status.diagnostics().front().related[0].location.line, 5);
  // At the time itself: from its hours to its seconds.
  EXPECT_EQ(fast.status.diagnostics().front().location->column, 56);
}

TEST(RunChecks, ARunAcrossMidnightIsClean) {
  const std::string text =
      "[generale]\n"
      "percentuale massa frenata, 130\n"
      "orologio, 23, 49, 0\n"
      "velocita, 0, 150, aderenza, 0, 80\n"
      "stazione, 0, 8, 400, 1, 0, 0, 4, 1, 0, 2, 1, 1, 1, 23, 50, 0, ALFA\n" +
      station(10000, "0, 5, 0", "BETA") + station(20000, "0, 29, 0", "GAMMA") + "[fine]\n[fine]\n";
  const CompileResult r = compile_pair(kLine, text);
  EXPECT_EQ(r.status.codice_errore(), 0);
  EXPECT_TRUE(warnings(r.status).empty()) << ::testing::PrintToString(warnings(r.status));
  // A time that goes back a little is still out of order.
  const CompileResult back = compile_pair(
      kLine, train(station(9000, "14, 20, 0", "BETA") + station(18000, "14, 10, 0", "GAMMA")));
  EXPECT_EQ(warnings(back.status), std::vector<std::string>{"timetable-order@7"});
}

TEST(RunChecks, TheShippedScenariosAreClean) {
  const CompileResult builtin =
      compile_pair(line_list_text(builtin_line_list()), line_list_text(builtin_train_list()));
  EXPECT_EQ(builtin.status.codice_errore(), 0);
  EXPECT_TRUE(warnings(builtin.status).empty())
      << ::testing::PrintToString(warnings(builtin.status));
  const std::string examples = std::string(BINARIO_SOURCE_DIR) + "/examples/";
  const CompileResult example =
      compile_pair(slurp(examples + "Valdoria_linea.txt"), slurp(examples + "Valdoria_42-.txt"));
  EXPECT_EQ(example.status.codice_errore(), 0);
  EXPECT_TRUE(warnings(example.status).empty())
      << ::testing::PrintToString(warnings(example.status));
}

}  // namespace
}  // namespace binario
