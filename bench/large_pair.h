// A large valid scenario pair for measuring the compiler: a line of the
// largest accepted length, 1,000,000 m, with more than 20,000 body records,
// and a train description with more than 5,000 records. The texts are made in
// memory, the same every time, and compile without a single fault.
#pragma once

#include <string>

namespace binario {

// Names that `binario compile` reads from the files' own names.
inline constexpr char kLargePairName[] = "Grande";
inline constexpr char kLargePairNumber[] = "1";
inline constexpr char kLargePairLineFile[] = "Grande_linea.txt";
inline constexpr char kLargePairTrainFile[] = "Grande_1-.txt";

// How many records of each kind the texts hold.
struct LargePairCounts {
  // Line description body.
  int gradients = 0;
  int curves = 0;
  int mountains = 0;
  int speed_boards = 0;
  int sign_boards = 0;
  // Train description.
  int speed_limits = 0;
  int stations = 0;
  int slowdowns = 0;
  int signals = 0;
  int code_points = 0;

  int body_records() const { return gradients + curves + mountains + speed_boards + sign_boards; }
  int train_records() const { return speed_limits + stations + slowdowns + signals + code_points; }
};

struct LargePair {
  std::string line;   // the line description, CR LF lines, ASCII
  std::string train;  // the train description
  LargePairCounts counts;
};

// The line length of the pair, in metres.
inline constexpr int kLargePairLength = 1'000'000;

LargePair make_large_pair();

}  // namespace binario
