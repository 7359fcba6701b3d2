// Descriptions shaped to make a compile as slow as a text of their size can:
// each repeats one record, or one byte, as often as it fits. They once made
// a check take minutes (a diagnostic's line found by reading the text from
// its start, a mountain span written into every cell again); the benchmarks
// time them at the largest size a description may have and a test checks
// that they stay fast.
#pragma once

#include <cstddef>
#include <string>

namespace binario {

enum class WorstShape {
  kIgnoredFields,  // a line of a field no record takes, again and again
  kOneCellAgain,   // speed boards on one cell: each after the first clashes
  kSignBoards,     // sign boards on ten cells, again and again
  kCodePoints,     // speed-code points (in the train) on one cell
  kMountains,      // mountain spans with markers over the whole line
  kCommas,         // one line of commas
  kLineEnds,       // nothing but line ends
  kOneLine,        // one line of fields no record takes: a diagnostic keeps its line
  kLongNumber,     // one number as long as the description: a message quotes it
  kLinesFirst,     // line ends before "[generale]", which no record reads
};

struct WorstShapeName {
  WorstShape shape;
  const char* name;
};
inline constexpr WorstShapeName kWorstShapes[] = {
    {WorstShape::kIgnoredFields, "ignored_fields"}, {WorstShape::kOneCellAgain, "one_cell_again"},
    {WorstShape::kSignBoards, "sign_boards"},       {WorstShape::kCodePoints, "code_points"},
    {WorstShape::kMountains, "mountains"},          {WorstShape::kCommas, "commas"},
    {WorstShape::kLineEnds, "line_ends"},           {WorstShape::kOneLine, "one_line"},
    {WorstShape::kLongNumber, "long_number"},       {WorstShape::kLinesFirst, "lines_first"},
};

// A pair with a 1,000,000 m line whose description of the shape (the train
// for kCodePoints, the line otherwise) holds as many repeated pieces as fit in
// `bytes` bytes; the other description is a few lines.
struct ShapedPair {
  std::string line;
  std::string train;
};
ShapedPair worst_shape_pair(WorstShape shape, size_t bytes);

}  // namespace binario
