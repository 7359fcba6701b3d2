#include "compiler/competition_codes.h"

#include <array>
#include <string>

namespace binario {

namespace {

constexpr int16_t kScenarioMarker = 610;  // treno entry 85, dato1
constexpr int16_t kCellMarker = 5121;     // cell 1, valore1
constexpr size_t kCodedCharacters = 25;
constexpr char kFiller[] = "aabbccddeeffgghhiillmmnnoo";

// Lower case of one Windows-1252 byte.
unsigned char lower_1252(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 0x20);
  // À..Þ except the multiplication sign ×.
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 0x20);
  // Š, Œ, Ž and Ÿ sit apart from their small letters.
  if (c == 0x8A || c == 0x8C || c == 0x8E) return static_cast<unsigned char>(c + 0x10);
  if (c == 0x9F) return 0xFF;
  return c;
}

// The codes of the first 25 characters of the working string: train number
// and scenario name lower-cased, then the filler, which makes it long enough.
std::array<unsigned char, kCodedCharacters> coded_characters(const TrackModel& model) {
  std::string w = model.treno[kTrainEntry].nome + model.treno[kScenarioEntry].nome + kFiller;
  std::array<unsigned char, kCodedCharacters> codes{};
  for (size_t i = 0; i < kCodedCharacters; ++i) {
    codes[i] = lower_1252(static_cast<unsigned char>(w[i]));
  }
  return codes;
}

}  // namespace

int16_t codice_gara_og(const TrackModel& model) {
  int32_t og = 0;
  for (unsigned char c : coded_characters(model)) og += c;
  return static_cast<int16_t>(og);  // at most 25 * 255 = 6375
}

int32_t codice_gara_st(const TrackModel& model) {
  int32_t st = 0;
  const auto codes = coded_characters(model);
  for (size_t i = 0; i < codes.size(); ++i) st += codes[i] * static_cast<int32_t>(i + 1);
  return st;  // at most 255 * (1 + ... + 25) = 82,875
}

StampResult stamp_reserved_slots(TrackModel& model) {
  VoceTreno& scenario = model.treno[kScenarioEntry];
  // A track without a cell 1 has no cell slots: only the table's are checked and stamped.
  Cella* cell = model.in_cells(1) ? &model.percorso[1] : nullptr;

  if (scenario.dato1 != 0 || (cell && cell->valore1 != 0)) return StampResult::kFirstSlotTaken;
  scenario.dato1 = kScenarioMarker;
  if (cell) cell->valore1 = kCellMarker;

  if (scenario.orario != 0 || (cell && cell->valore2 != 0)) return StampResult::kSecondSlotTaken;
  scenario.orario = codice_gara_st(model);
  if (cell) cell->valore2 = codice_gara_og(model);
  return StampResult::kStamped;
}

}  // namespace binario
