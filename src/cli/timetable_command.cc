// binario timetable: the run of the train of an author's pair, station by
// station — where it stops and where it passes, the scheduled time, the
// lower bound the speed limits allow, the fastest run this train can make
// and the margin the timetable leaves — with the totals of the run.
#include <cmath>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "cli/commands.h"
#include "cli/report.h"
#include "cli/subcommands.h"
#include "compiler/time_of_day.h"
#include "output/kilometres.h"
#include "output/text_encoding.h"
#include "run/run_report.h"
#include "timing/run_profile.h"
#include "timing/run_text.h"

namespace binario {

namespace {

std::string fixed(double v, int decimals) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.*f", decimals, v);
  return buffer;
}

// "12 min 5 s" for a duration, "-" for none.
std::string duration_or_dash(std::optional<double> seconds) {
  if (!seconds || !std::isfinite(*seconds)) return "-";
  return duration_text(static_cast<int64_t>(std::lround(*seconds)));
}

std::string pad(std::string text, size_t width, bool right) {
  // Widths count characters: the names are UTF-8 by now.
  size_t shown = 0;
  for (unsigned char c : text) shown += (c & 0xC0) != 0x80;
  if (shown >= width) return text;
  const std::string blanks(width - shown, ' ');
  return right ? blanks + text : text + blanks;
}

std::string station_name(const StationRun& s) {
  return windows1252_to_utf8(s.name);
}

void print_text(const RunProfile& run, std::ostream& out) {
  out << "rates: speeding up at " << rate_text(run.acceleration) << " m/s\xC2\xB2, braking at "
      << rate_text(run.braking) << " m/s\xC2\xB2"
      << (run.braking_from_mass ? " (from the braked mass)" : "") << '\n';
  out << pad("km", 9, true) << "  " << pad("station", 24, false) << "  " << pad("", 7, false)
      << "  " << pad("time", 8, true) << "  " << pad("running", 12, true) << "  "
      << pad("lower bound", 12, true) << "  " << pad("fastest", 12, true) << "  "
      << pad("margin", 12, true) << "  " << pad("%", 6, true) << '\n';
  for (const StationRun& s : run.stations) {
    const bool timed = s.scheduled.has_value();
    const bool compared = timed && s.previous_timed && s.fastest;
    out << pad(kilometres(s.position), 9, true) << "  " << pad(station_name(s), 24, false) << "  "
        << pad(s.stops ? "stops" : "passes", 7, false) << "  "
        << pad(timed ? clock_text(*s.scheduled % kDaySeconds) : "-", 8, true) << "  "
        << pad(compared ? duration_or_dash(s.scheduled_running) : "-", 12, true) << "  "
        << pad(compared ? duration_or_dash(s.lower_bound_running) : "-", 12, true) << "  "
        << pad(compared ? duration_or_dash(s.fastest_running)
                        : (s.fastest && !timed ? "(" + duration_or_dash(s.fastest) + ")" : "-"),
               12, true)
        << "  " << pad(compared ? duration_or_dash(s.margin) : "-", 12, true) << "  "
        << pad(compared ? fixed(s.margin_percent, 1) : "-", 6, true) << '\n';
  }
  if (run.first_timed && run.last_timed && *run.last_timed > *run.first_timed) {
    const StationRun& a = run.stations[static_cast<size_t>(*run.first_timed)];
    const StationRun& b = run.stations[static_cast<size_t>(*run.last_timed)];
    const double scheduled = static_cast<double>(*b.scheduled_run - *a.scheduled_run);
    out << "run from " << station_name(a) << " to " << station_name(b) << ": "
        << kilometres((b.cell - a.cell) * 50) << " km, scheduled " << duration_or_dash(scheduled);
    if (a.fastest && b.fastest && a.lower_bound && b.lower_bound) {
      const double fastest = *b.fastest - *a.fastest;
      out << ", lower bound " << duration_or_dash(*b.lower_bound - *a.lower_bound) << ", fastest "
          << duration_or_dash(fastest) << ", margin " << duration_or_dash(scheduled - fastest)
          << " (" << fixed(fastest > 0 ? 100 * (scheduled - fastest) / fastest : 0, 1) << " %)";
    } else {
      out << "; the train cannot run the whole way (a speed limit of 0)";
    }
    out << '\n';
  }
}

nlohmann::json json_run(const RunProfile& run) {
  nlohmann::json stations = nlohmann::json::array();
  auto number = [](std::optional<double> v) -> nlohmann::json {
    if (!v || !std::isfinite(*v)) return nullptr;
    return std::round(*v * 10) / 10;
  };
  for (const StationRun& s : run.stations) {
    nlohmann::json row = {{"entry", s.entry},
                          {"name", station_name(s)},
                          {"position", s.position},
                          {"km", kilometres(s.position)},
                          {"kind", s.kind},
                          {"cell", s.cell},
                          {"stops", s.stops},
                          {"scheduled", nullptr},
                          {"lower_bound", number(s.lower_bound)},
                          {"fastest", number(s.fastest)}};
    if (s.scheduled) row["scheduled"] = clock_text(*s.scheduled % kDaySeconds);
    if (s.previous_timed && s.fastest) {
      row["running"] = {{"scheduled", s.scheduled_running},
                        {"lower_bound", number(s.lower_bound_running)},
                        {"fastest", number(s.fastest_running)},
                        {"margin", number(s.margin)},
                        {"margin_percent", number(s.margin_percent)}};
    }
    stations.push_back(std::move(row));
  }
  nlohmann::json out = {{"acceleration", run.acceleration},
                        {"braking", run.braking},
                        {"braking_from_braked_mass", run.braking_from_mass},
                        {"blocked", run.blocked},
                        {"stations", std::move(stations)}};
  if (run.first_timed && run.last_timed && *run.last_timed > *run.first_timed) {
    const StationRun& a = run.stations[static_cast<size_t>(*run.first_timed)];
    const StationRun& b = run.stations[static_cast<size_t>(*run.last_timed)];
    const double scheduled = static_cast<double>(*b.scheduled_run - *a.scheduled_run);
    nlohmann::json totals = {{"from", station_name(a)},
                             {"to", station_name(b)},
                             {"metres", (b.cell - a.cell) * 50},
                             {"scheduled", scheduled}};
    if (a.fastest && b.fastest && a.lower_bound && b.lower_bound) {
      totals["lower_bound"] = number(*b.lower_bound - *a.lower_bound);
      totals["fastest"] = number(*b.fastest - *a.fastest);
      totals["margin"] = number(scheduled - (*b.fastest - *a.fastest));
    }
    out["totals"] = std::move(totals);
  }
  return out;
}

}  // namespace

int timetable_command(const TimetableArgs& args, FileSystem& fs, std::ostream& out,
                      std::ostream& err) {
  if (std::optional<int> usage = refuse_run_rates(args.acceleration, args.braking, err)) {
    return *usage;
  }
  AuthorPairNames names;
  if (std::optional<int> usage = author_pair_names(args.pair, &names, err)) return *usage;
  RunReport report;
  const CompileResult result = compile_author_pair(args.pair, names, fs, &report);
  const ExitStatus exit = exit_status(report, result.status);
  const int status = args.pair.strict ? strict_exit_status(exit, result.status) : exit;
  const bool has_run = report.end == RunEnd::kCompiled && result.model.built();
  RunProfile run;
  if (has_run) run = run_profile(result.model, {args.acceleration, args.braking});
  if (args.pair.json) {
    nlohmann::json report_json = nlohmann::json::parse(json_report(result.status, report));
    report_json["timetable"] = has_run ? json_run(run) : nlohmann::json(nullptr);
    out << report_json.dump(2) << '\n';
    return status;
  }
  print_text_report(err, result.status, report);
  if (has_run) print_text(run, out);
  return status;
}

Subcommand add_timetable_command(Command& program) {
  struct State {
    std::function<CompileOptions()> pair;
    TimetableArgs args;
  };
  auto state = std::make_shared<State>();
  Command* cmd = &program.add_subcommand(
      "timetable",
      "Compile an author's pair in memory and print the run of its train: per station the "
      "scheduled time, the lower bound of the speed limits, the fastest run and the margin");
  state->pair = add_author_pair_arguments(cmd);
  add_run_rate_options(cmd, &state->args.acceleration, &state->args.braking);
  return {cmd, [state] {
            TimetableArgs args = state->args;
            args.pair = state->pair();
            RealFileSystem fs;
            return timetable_command(args, fs, std::cout, std::cerr);
          }};
}

}  // namespace binario
