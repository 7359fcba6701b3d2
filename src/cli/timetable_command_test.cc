// binario timetable: the run of the built-in pair and of the example reads
// as a timetable an author can trust (no negative margin, totals within the
// scheduled run), the rates given change it the right way, and the exit
// statuses are those of check.
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/commands.h"
#include "run/exit_status.h"
#include "sources/builtin_texts.h"
#include "sources/line_list.h"
#include "test_support/memory_file_system.h"
#include "test_support/program.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;

struct Pair {
  const char* what;
  std::string line_path;
  std::string train_path;
  std::string line;
  std::string train;
};

Pair example() {
  const stdfs::path dir = stdfs::path(BINARIO_SOURCE_DIR) / "examples";
  return {"the example", "w/Valdoria_linea.txt", "w/Valdoria_42-.txt",
          slurp(dir / "Valdoria_linea.txt"), slurp(dir / "Valdoria_42-.txt")};
}

Pair builtin() {
  return {"the built-in pair", "w/Zorvane_Pelk_linea.txt", "w/Zorvane_Pelk_728-.txt",
          line_list_text(builtin_line_list()), line_list_text(builtin_train_list())};
}

struct Outcome {
  int status;
  std::string out;
  std::string err;
};

Outcome timetable(const Pair& pair, TimetableArgs args) {
  MemoryFileSystem fs;
  fs.files[pair.line_path] = pair.line;
  fs.files[pair.train_path] = pair.train;
  args.pair.line = pair.line_path;
  args.pair.train = pair.train_path;
  std::ostringstream out, err;
  const int status = timetable_command(args, fs, out, err);
  return {status, out.str(), err.str()};
}

nlohmann::json run_of(const Pair& pair, TimetableArgs args = {}) {
  args.pair.json = true;
  const Outcome o = timetable(pair, args);
  EXPECT_EQ(o.status, kExitClean) << o.err;
  return nlohmann::json::parse(o.out)["timetable"];
}

TEST(TimetableCommand, TheShippedPairsHaveSensibleTimetables) {
  for (const Pair& pair : {builtin(), example()}) {
    SCOPED_TRACE(pair.what);
    TimetableArgs strict;
    strict.pair.strict = true;
    const Outcome text = timetable(pair, strict);
    EXPECT_EQ(text.status, kExitClean) << text.err;
    EXPECT_NE(text.out.find("stops"), std::string::npos);
    EXPECT_NE(text.out.find("run from "), std::string::npos);

    const nlohmann::json run = run_of(pair);
    int timed = 0;
    for (const nlohmann::json& s : run["stations"]) {
      if (!s.contains("running")) continue;
      ++timed;
      const nlohmann::json& r = s["running"];
      EXPECT_GE(r["margin"].get<double>(), 0) << s["name"];
      EXPECT_LE(r["lower_bound"].get<double>(), r["fastest"].get<double>()) << s["name"];
      EXPECT_TRUE(s["stops"].get<bool>()) << s["name"];
    }
    EXPECT_GE(timed, 2);
    const nlohmann::json& totals = run["totals"];
    EXPECT_LE(totals["fastest"].get<double>(), totals["scheduled"].get<double>());
    EXPECT_LE(totals["lower_bound"].get<double>(), totals["fastest"].get<double>());
    EXPECT_GT(totals["lower_bound"].get<double>(), 0);
  }
}

TEST(TimetableCommand, RatesGivenChangeTheFastestRunOnly) {
  const nlohmann::json own = run_of(builtin());
  TimetableArgs brisk;
  brisk.acceleration = 1.0;
  brisk.braking = 1.2;
  const nlohmann::json quicker = run_of(builtin(), brisk);
  EXPECT_EQ(quicker["acceleration"], 1.0);
  EXPECT_FALSE(quicker["braking_from_braked_mass"].get<bool>());
  EXPECT_LT(quicker["totals"]["fastest"].get<double>(), own["totals"]["fastest"].get<double>());
  EXPECT_EQ(quicker["totals"]["lower_bound"], own["totals"]["lower_bound"]);

  TimetableArgs zero;
  zero.braking = 0;
  EXPECT_EQ(timetable(builtin(), zero).status, kExitUsage);
}

TEST(TimetableCommand, ExitStatusesAreThoseOfCheck) {
  Pair fast = example();
  // Pian del Rio at 7:30:30: 2.75 km in half a minute.
  const std::string at = "7,34,30";
  fast.train.replace(fast.train.find(at), at.size(), "7,30,30");
  const Outcome lenient = timetable(fast, {});
  EXPECT_EQ(lenient.status, kExitClean);
  EXPECT_NE(lenient.err.find("[impossible-time]"), std::string::npos) << lenient.err;
  TimetableArgs strict;
  strict.pair.strict = true;
  EXPECT_EQ(timetable(fast, strict).status, kExitFault);

  Pair missing = example();
  missing.train_path = "w/other.txt";
  EXPECT_EQ(timetable(missing, {}).status, kExitUsage);
}

}  // namespace
}  // namespace binario
