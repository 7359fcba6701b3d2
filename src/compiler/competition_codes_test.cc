#include "compiler/competition_codes.h"

#include <gtest/gtest.h>

#include <string>

namespace binario {
namespace {

TrackModel named(const std::string& numero_treno, const std::string& nome_percorso) {
  TrackModel m;
  m.percorso.assign(10, Cella{});
  m.treno[kTrainEntry].nome = numero_treno;
  m.treno[kScenarioEntry].nome = nome_percorso;
  return m;
}

TEST(CompetitionCodes, KnownValues) {
  const TrackModel abc = named("abc", "");
  EXPECT_EQ(codice_gara_og(abc), 2546);
  EXPECT_EQ(codice_gara_st(abc), 33756);

  const TrackModel empty = named("", "");
  EXPECT_EQ(codice_gara_og(empty), 2583);
  EXPECT_EQ(codice_gara_st(empty), 34355);
}

TEST(CompetitionCodes, TrainNumberComesFirst) {
  const TrackModel a = named("728", "Zorvane_Pelk");
  const TrackModel b = named("Zorvane_Pelk", "728");
  EXPECT_EQ(codice_gara_og(a), codice_gara_og(b));  // same characters, same sum
  EXPECT_NE(codice_gara_st(a), codice_gara_st(b));  // but weighted by place
  const TrackModel joined = named("728Zorvane_Pelk", "");
  EXPECT_EQ(codice_gara_st(a), codice_gara_st(joined));
}

TEST(CompetitionCodes, OnlyTheFirstTwentyFiveCharactersCount) {
  const std::string first25 = "abcdefghijklmnopqrstuvwxy";
  const TrackModel a = named(first25, "");
  const TrackModel b = named(first25.substr(0, 20), first25.substr(20) + "zzzzzz");
  EXPECT_EQ(codice_gara_og(a), codice_gara_og(b));
  EXPECT_EQ(codice_gara_st(a), codice_gara_st(b));
}

TEST(CompetitionCodes, LetterCaseDoesNotMatter) {
  EXPECT_EQ(codice_gara_st(named("ABC", "Zorvane_Pelk")),
            codice_gara_st(named("abc", "zorvane_pelk")));
  // Windows-1252 capitals: À Þ Š Œ Ž Ÿ and their small letters.
  const TrackModel upper = named("\xC0\xDE\x8A\x8C\x8E\x9F", "");
  const TrackModel lower = named("\xE0\xFE\x9A\x9C\x9E\xFF", "");
  EXPECT_EQ(codice_gara_og(upper), codice_gara_og(lower));
  EXPECT_EQ(codice_gara_st(upper), codice_gara_st(lower));
  // × and ÷ are not letters; nor is '@' next to 'A'.
  EXPECT_NE(codice_gara_st(named("\xD7", "")), codice_gara_st(named("\xF7", "")));
  EXPECT_NE(codice_gara_st(named("@", "")), codice_gara_st(named("`", "")));
}

TEST(CompetitionCodes, HighBytesCountAsUnsigned) {
  const TrackModel top = named(std::string(25, '\xFF'), "");
  EXPECT_EQ(codice_gara_og(top), 6375);
  EXPECT_EQ(codice_gara_st(top), 82875);
}

TEST(ReservedSlots, StampsMarkersAndCodes) {
  TrackModel m = named("abc", "");
  ASSERT_EQ(stamp_reserved_slots(m), StampResult::kStamped);
  EXPECT_EQ(m.treno[kScenarioEntry].dato1, 610);
  EXPECT_EQ(m.treno[kScenarioEntry].orario, 33756);
  EXPECT_EQ(m.percorso[1].valore1, 5121);
  EXPECT_EQ(m.percorso[1].valore2, 2546);
  // Nothing else is touched.
  EXPECT_EQ(m.percorso[0].valore1, 0);
  EXPECT_EQ(m.percorso[2].valore1, 0);
  EXPECT_EQ(m.treno[kTrainEntry].dato1, 0);
}

TEST(ReservedSlots, FirstSlotTakenStampsNothing) {
  TrackModel table = named("abc", "");
  table.treno[kScenarioEntry].dato1 = 1;
  EXPECT_EQ(stamp_reserved_slots(table), StampResult::kFirstSlotTaken);
  EXPECT_EQ(table.treno[kScenarioEntry].dato1, 1);
  EXPECT_EQ(table.percorso[1].valore1, 0);

  TrackModel cell = named("abc", "");
  cell.percorso[1].valore1 = -3;
  EXPECT_EQ(stamp_reserved_slots(cell), StampResult::kFirstSlotTaken);
  EXPECT_EQ(cell.treno[kScenarioEntry].dato1, 0);
  EXPECT_EQ(cell.percorso[1].valore1, -3);
}

TEST(ReservedSlots, SecondSlotCheckedAfterTheMarkersAreSet) {
  TrackModel table = named("abc", "");
  table.treno[kScenarioEntry].orario = 7;
  EXPECT_EQ(stamp_reserved_slots(table), StampResult::kSecondSlotTaken);
  EXPECT_EQ(table.treno[kScenarioEntry].dato1, 610);
  EXPECT_EQ(table.percorso[1].valore1, 5121);
  EXPECT_EQ(table.treno[kScenarioEntry].orario, 7);
  EXPECT_EQ(table.percorso[1].valore2, 0);

  TrackModel cell = named("abc", "");
  cell.percorso[1].valore2 = 5;
  EXPECT_EQ(stamp_reserved_slots(cell), StampResult::kSecondSlotTaken);
  EXPECT_EQ(cell.treno[kScenarioEntry].orario, 0);
  EXPECT_EQ(cell.percorso[1].valore2, 5);
}

TEST(ReservedSlots, TrackWithoutCellOneStampsOnlyTheTable) {
  TrackModel m = named("abc", "");
  m.percorso.assign(1, Cella{});
  EXPECT_EQ(stamp_reserved_slots(m), StampResult::kStamped);
  EXPECT_EQ(m.treno[kScenarioEntry].dato1, 610);
  EXPECT_EQ(m.treno[kScenarioEntry].orario, 33756);
  EXPECT_EQ(m.percorso.size(), 1u);
  EXPECT_EQ(m.percorso[0].valore1, 0);
}

}  // namespace
}  // namespace binario
