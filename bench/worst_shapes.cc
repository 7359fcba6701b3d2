#include "bench/worst_shapes.h"

#include <string_view>

namespace binario {

namespace {

constexpr std::string_view kLineHead =
    "Percorso di prova\r\ninizio_dati\r\n[generale]\r\nlunghezza percorso, 1000000\r\n";
constexpr std::string_view kTrainHead =
    "Treno di prova\r\ninizio_dati\r\n[generale]\r\nnumero vetture, 5\r\n[vel_limite]\r\n"
    "velocita, 0, 60\r\n[stazioni]\r\n"
    "stazione, 0, 8, 400, 1, 0, 0, 4, 1, 0, 2, 1, 1, 1, 7, 30, 0, A\r\n";
constexpr std::string_view kEnd = "[fine]\r\n";

// `head`, then `section`, then `piece` as often as fits in `bytes`, then the end.
std::string repeated(std::string_view head, std::string_view section, std::string_view piece,
                     size_t bytes) {
  std::string text(head);
  text += section;
  const size_t fixed = text.size() + kEnd.size();
  const size_t count = bytes > fixed ? (bytes - fixed) / piece.size() : 0;
  text.reserve(fixed + count * piece.size());
  for (size_t i = 0; i < count; ++i) text += piece;
  text += kEnd;
  return text;
}

}  // namespace

ShapedPair worst_shape_pair(WorstShape shape, size_t bytes) {
  ShapedPair pair{std::string(kLineHead) + std::string(kEnd),
                  std::string(kTrainHead) + std::string(kEnd)};
  switch (shape) {
    case WorstShape::kIgnoredFields:
      pair.line = repeated(kLineHead, "[pendenze]\r\n", "ignorato, 1\r\n", bytes);
      break;
    case WorstShape::kOneCellAgain:
      pair.line = repeated(kLineHead, "[cartelli]\r\n",
                           "indicatori_vmax, 600, 90, 100, 100, 0, 0, 0, 0, 0\r\n", bytes);
      break;
    case WorstShape::kSignBoards: {
      std::string ten;
      for (int i = 0; i < 10; ++i) {
        ten += "cartello indicatore, " + std::to_string(1000 + 50 * i) + ", (Km) (1.000)\r\n";
      }
      pair.line = repeated(kLineHead, "[indicazioni]\r\n", ten, bytes);
      break;
    }
    case WorstShape::kCodePoints:
      pair.train = repeated(kTrainHead, "[codici]\r\n", "abbattimento, 1500, 60\r\n", bytes);
      break;
    case WorstShape::kMountains:
      pair.line = repeated(kLineHead, "[montagne]\r\n", "montagna, 0, 1000000, 12\r\n", bytes);
      break;
    case WorstShape::kCommas:
      pair.line = repeated(kLineHead, "[pendenze]\r\n", ",", bytes);
      break;
    case WorstShape::kLineEnds:
      pair.line = repeated(kLineHead, "[pendenze]\r\n", "\r\n", bytes);
      break;
    case WorstShape::kOneLine:
      pair.line = repeated(kLineHead, "[pendenze]\r\n", "ignorato, 1, ", bytes);
      break;
    case WorstShape::kLongNumber:
      pair.line = repeated(kLineHead, "[montagne]\r\nmontagna, ", "9", bytes);
      break;
    case WorstShape::kLinesFirst: {
      const std::string rest = pair.line;
      pair.line = repeated("", "", "\r\n", bytes - rest.size() + kEnd.size());
      pair.line.resize(pair.line.size() - kEnd.size());
      pair.line += rest;
      break;
    }
  }
  return pair;
}

}  // namespace binario
