#include "timing/run_checks.h"

#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "compiler/cell_meaning.h"
#include "compiler/fixed_width.h"
#include "compiler/line_index.h"
#include "compiler/records.h"
#include "compiler/time_of_day.h"
#include "timing/run_profile.h"
#include "timing/run_text.h"

namespace binario {

namespace {

bool counts(const RecordRead& r) {
  return r.complete && !r.after_stop;
}

std::vector<const RecordRead*> of_kind(const DescriptionRead& d, RecordKind kind) {
  std::vector<const RecordRead*> out;
  for (const RecordRead& r : d.records) {
    if (r.kind == kind && counts(r)) out.push_back(&r);
  }
  return out;
}

int64_t seconds_up(double t) {
  return static_cast<int64_t>(std::ceil(t - 1e-9));
}

class RunChecker {
 public:
  RunChecker(const TrackModel& model, Status& status, DescriptionText train)
      : model_(model), status_(status), train_(train), lines_(train.text) {}

  void check(const DescriptionRead& read);

 private:
  SourceLocation at(const TextSpan& span) const {
    return SourceLocation{std::string(train_.name), span.line, span.first_column};
  }
  // A warning at the keyword of `r`.
  void warn(const RecordRead& r, std::string_view name, std::string message) {
    status_.warn(name, at(r.keyword.span), std::move(message), lines_);
    status_.extend_last(
        {r.keyword.span.first_column, r.keyword.span.last_line, r.keyword.span.last_column});
  }
  // A warning at the time of the station record `r`: from its hours to its
  // seconds when they stand on one line.
  void warn_time(const RecordRead& r, std::string_view name, std::string message) {
    if (r.values.size() <= kStationSecondsValue) return warn(r, name, std::move(message));
    const TextSpan& from = r.values[kStationHoursValue].span;
    const TextSpan& to = r.values[kStationSecondsValue].span;
    status_.warn(name, at(from), std::move(message), lines_);
    if (to.line == from.line)
      status_.extend_last({from.first_column, to.last_line, to.last_column});
  }
  void relate(const RecordRead& r, std::string message) {
    status_.relate_last({at(r.keyword.span), std::move(message)});
  }

  void clocks(const std::vector<const RecordRead*>& clocks);
  void stations(const std::vector<const RecordRead*>& records);
  std::string rates() const;

  const TrackModel& model_;
  Status& status_;
  DescriptionText train_;
  LineIndex lines_;
  RunProfile run_;
};

std::string RunChecker::rates() const {
  return "speeding up at " + rate_text(run_.acceleration) + " m/s\xB2 and braking at " +
         rate_text(run_.braking) + " m/s\xB2" +
         (run_.braking_from_mass
              ? " (from its braked mass of " + std::to_string(braked_mass_percent(model_)) + " %)"
              : std::string());
}

void RunChecker::clocks(const std::vector<const RecordRead*>& clocks) {
  for (size_t i = 1; i < clocks.size(); ++i) {
    warn(*clocks[i], "repeated-clock",
         "a second clock: it replaces the one set before it, and the train runs by the last "
         "one read; keep one clock per train");
    relate(*clocks[0], "the first clock");
  }
}

void RunChecker::stations(const std::vector<const RecordRead*>& records) {
  const size_t n = std::min(records.size(), run_.stations.size());
  for (size_t i = 0; i < n; ++i) {
    const StationRun& s = run_.stations[i];
    const RecordRead& r = *records[i];
    if (!s.scheduled) continue;
    const std::string name = s.name.empty() ? "station " + std::to_string(s.entry) : s.name;
    const std::string when = clock_text(*s.scheduled % kDaySeconds);
    if (!s.has_stop_cell && i > 0) {
      const int64_t stop = station_stop_cell(model_.treno[static_cast<size_t>(s.entry)]);
      warn_time(
          r, "stop-without-cell",
          when + " at " + name + " is a timed stop, but the train cannot stop there: " +
              (stop < 0 ? "a station of kind " + std::to_string(s.kind) +
                              " (25 and up) gets no stop cell"
                        : "its stop cell " + std::to_string(stop) + " no longer holds its stop") +
              "; give the time at a station of a kind below 25, or 0, 0, 0 for a "
              "station the train passes");
    }
    if (!s.previous_timed) continue;
    const StationRun& p = run_.stations[static_cast<size_t>(*s.previous_timed)];
    const RecordRead& before = *records[static_cast<size_t>(*s.previous_timed)];
    const std::string before_name = p.name.empty() ? "station " + std::to_string(p.entry) : p.name;
    const int64_t distance = (s.cell - p.cell) * kCellLength;
    const int64_t given = static_cast<int64_t>(s.scheduled_running);
    if (given < 0) continue;  // the order of the run is warned on its own
    const std::string related = "the timed station before it, " + before_name + " at " +
                                clock_text(*p.scheduled % kDaySeconds);
    if (given == 0) {
      warn_time(r, "no-running-time",
                when + " at " + name + " is the time of " + before_name +
                    " before it: it leaves no time to run the " + metres_text(distance) +
                    " between them; give each timed station its own time");
      relate(before, related);
      continue;
    }
    if (!s.fastest || !p.fastest) continue;  // the run never gets there
    if (s.scheduled_running < s.lower_bound_running - 1e-6) {
      warn_time(r, "impossible-time",
                when + " at " + name + " leaves " + duration_text(given) + " for " +
                    metres_text(distance) + " from " + before_name +
                    "; the speed limits alone need at least " +
                    duration_text(seconds_up(s.lower_bound_running)) +
                    ", whatever the train: no train can keep this time");
      relate(before, related);
    } else if (s.scheduled_running < s.fastest_running - 1e-6) {
      warn_time(r, "undrivable-time",
                when + " at " + name + " leaves " + duration_text(given) + " for " +
                    metres_text(distance) + " from " + before_name +
                    "; the fastest run of this train takes " +
                    duration_text(seconds_up(s.fastest_running)) + ", " + rates() +
                    ": the time cannot be kept; give at least that");
      relate(before, related);
    }
  }
}

void RunChecker::check(const DescriptionRead& read) {
  const std::vector<const RecordRead*> clock_records = of_kind(read, RecordKind::kClock);
  clocks(clock_records);
  run_ = run_profile(model_);
  const std::vector<const RecordRead*> records = of_kind(read, RecordKind::kStation);
  stations(records);

  // The clock of the run (the last read) against the first departure.
  if (clock_records.empty() || !run_.first_timed) return;
  const RecordRead& clock = *clock_records.back();
  const auto clock_value = [&](size_t i) {
    return general_value(model_.treno, RecordKind::kClock, i);
  };
  const int64_t h = clock_value(values_of::kHours), m = clock_value(values_of::kMinutes),
                s = clock_value(values_of::kSeconds);
  if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
    return;  // no time of day: warned as such
  const int64_t c = clock_seconds(model_);
  const StationRun& first = run_.stations[static_cast<size_t>(*run_.first_timed)];
  const int64_t departure = *first.scheduled;
  if (departure < c && c - departure <= kHalfDaySeconds) return;  // warned as out of order
  const int64_t wait = time_after(c, departure) - c;
  if (wait <= kLongestWaitBeforeDeparture) return;
  const std::string name =
      first.name.empty() ? "station " + std::to_string(first.entry) : first.name;
  warn(clock, "clock-far",
       "the clock starts the run at " + clock_text(c) + ", " + duration_text(wait) +
           " before the first departure, " + clock_text(departure) + " from " + name +
           ": the train waits that long before it may leave; set the clock a little before the "
           "departure");
  if (static_cast<size_t>(*run_.first_timed) < records.size()) {
    relate(*records[static_cast<size_t>(*run_.first_timed)], "the first station with a time");
  }
}

}  // namespace

void check_run(const TrackModel& model, const RecordsRead& read, DescriptionText,
               DescriptionText train, Status& status) {
  // A model the compile refused holds the records up to the fault only.
  if (!model.built() || !read.train.read || status.codice_errore() != 0) return;
  RunChecker(model, status, train).check(read.train);
}

}  // namespace binario
