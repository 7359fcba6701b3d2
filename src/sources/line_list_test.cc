#include "sources/line_list.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace binario {
namespace {

TEST(LineListTest, WritesEachLineAsStoredWithCrLf) {
  LineList list{"inizio_dati  ", "", "  x ,y", "[fine]"};
  // Leading and trailing blanks stay, the empty slot is an empty line, the
  // last line ends in CR LF too, and the end marker is not written.
  EXPECT_EQ(line_list_text(list), "inizio_dati  \r\n\r\n  x ,y\r\n[fine]\r\n");
}

TEST(LineListTest, EmptyListGivesAnEmptyFile) {
  EXPECT_EQ(line_list_text(LineList{}), "");
}

TEST(LineListTest, MarkerFollowsTheLastLine) {
  LineList list;
  EXPECT_EQ(list.slot(0), kEndMarker);
  list.add("a");
  list.add("");
  EXPECT_EQ(list.size(), 2u);
  EXPECT_EQ(list.slot(1), "");
  EXPECT_EQ(list.slot(2), kEndMarker);
  EXPECT_EQ(list.slot(3), "");
}

TEST(LineListTest, HoldsAThousandLinesAndTheMarker) {
  LineList list;
  for (size_t i = 0; i < LineList::kMaxLines; ++i) list.add("x");
  EXPECT_EQ(list.slot(1000), kEndMarker);
  EXPECT_THROW(list.add("x"), std::length_error);
  EXPECT_EQ(list.size(), 1000u);
  EXPECT_EQ(line_list_text(list).size(), 3000u);
}

TEST(LineListTest, RefusesTheMarkerAsALine) {
  // A line equal to the marker would silently end the file there.
  LineList list{"a"};
  EXPECT_THROW(list.add(kEndMarker), std::invalid_argument);
  list.add("riferimento fine del file ");  // not the marker: one blank more
  EXPECT_EQ(list.size(), 2u);
}

}  // namespace
}  // namespace binario
