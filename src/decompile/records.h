// The records a decompile recovers from the binary files: one struct per
// record kind of the two descriptions, with its values as the text writes
// them. Records of many values keep them in the records table's order
// (values_of names the positions), so rendering writes them as they stand.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/records.h"
#include "compiler/track_model.h"
#include "output/binary_decoders.h"

namespace binario {

// A chainage reference's values (values_of::Chainage).
using ChainageLine = std::array<int64_t, values_of::kChainageValues>;

// A record of two values: a position and what holds from it on (gradient,
// adhesion, speed) or sits there (a speed-code point).
struct ValueAt {
  int64_t position = 0;
  int64_t value = 0;
};

struct CurveRecord {
  int64_t start = 0;
  int64_t length = 0;
  int klass = 1;  // 1 … 6
  bool left = false;
};

struct MountainRecord {
  std::array<int64_t, values_of::kMountainValues> values{};
  // A span that covers no cell and only keeps the next span from joining
  // the one before it.
  bool separator = false;
};

struct SpeedBoardRecord {
  std::array<int64_t, values_of::kStrisced + 1> values{};
  bool under_station = false;  // a station stop overwrote it
};

struct SignBoardRecord {
  int64_t position = 0;
  std::string text;  // Windows-1252
  bool under_station = false;
};

struct LineRecords {
  int64_t length = 0;
  ChainageLine uno{}, due{}, tre{};
  int64_t sfondo_uno = 0, sfondo_due = 0, sfondo_tre = 0;
  std::array<int64_t, values_of::kRepetitionValues> repetition{};
  int repetition_codes = 4;  // the digit of the keyword
  std::vector<ValueAt> gradients;
  std::vector<CurveRecord> curves;
  std::vector<SpeedBoardRecord> speed_boards;
  std::vector<MountainRecord> mountains;
  std::vector<SignBoardRecord> sign_boards;  // in the order of their table entries, 80 down
};

struct StationRecord {
  std::array<int64_t, values_of::kStationName> values{};  // the numbers; the name last
  std::string name;                                       // Windows-1252
};

struct SignalRecord {
  std::array<int64_t, values_of::kSignalValues> values{};
  bool under_station = false;
};

struct SlowdownRecord {
  std::array<int64_t, values_of::kSlowdownValues> values{};
  bool under_station = false;  // a station stop overwrote one of its cells
};

// Stations and signals share one order in the text: a later record's
// approach marks overwrite an earlier one's.
struct StationOrSignal {
  bool station = false;
  size_t index = 0;  // into stations or signals
};

struct TrainRecords {
  int64_t vetture = 0, massa = 0, sabbia = 0;
  std::array<int64_t, values_of::kClockValues> clock{};
  std::vector<ValueAt> adhesion;
  std::vector<ValueAt> speeds;
  std::vector<StationRecord> stations;
  std::vector<SignalRecord> signals;
  std::vector<StationOrSignal> order;
  std::vector<SlowdownRecord> slowdowns;
  std::vector<ValueAt> code_points;  // only those the author wrote
  size_t pass_code_points = 0;       // those the signal-code pass places again
};

// Recovers every record from the decoded files. Returns the reason when the
// files hold something no description can give; the records are then
// unspecified. `geometry` is null when there is no geometry file.
std::optional<std::string> recover_records(const std::vector<Cella>& cells,
                                           const std::array<VoceTreno, kTrenoEntries>& treno,
                                           const DecodedGeometry* geometry, LineRecords* line,
                                           TrainRecords* train);

}  // namespace binario
