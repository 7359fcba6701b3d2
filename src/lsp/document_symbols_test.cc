#include "lsp/document_symbols.h"

#include <gtest/gtest.h>

namespace binario {
namespace {

TEST(DocumentSymbols, SectionsHoldTheirRecords) {
  const nlohmann::json symbols = document_symbols(
      "Treno 1\r\ninizio_dati\r\n[generale]\r\nnumero vetture, 5\r\n[stazioni]\r\n"
      "- pos. tipo\r\n"
      "stazione,    2750,  2,  600,  0, 0, 1,  1,1,0,  4,1,1,    0,   7,34,30, PIAN DEL RIO\r\n"
      "Stazione, -50, 2, 600, 0, 0, 1, 1,1,0, 4,1,1, 0, 7,34,30, \xC3\x88 BASSA\r\n"
      "[segnali]\r\nrallentamento,    4000,    50,  200, 0,  1,  0\r\n"
      "segnale,   1000, 1, 4, 1, 0, 0,     0, 0, 0, 0, 0\r\n[fine]");
  ASSERT_EQ(symbols.size(), 4u);
  EXPECT_EQ(symbols[0]["name"], "[generale]");
  EXPECT_TRUE(symbols[0]["children"].empty());
  const nlohmann::json& stations = symbols[1];
  EXPECT_EQ(stations["range"]["start"]["line"], 4);
  EXPECT_EQ(stations["range"]["end"]["line"], 7);
  ASSERT_EQ(stations["children"].size(), 2u);
  EXPECT_EQ(stations["children"][0]["name"], "PIAN DEL RIO");
  EXPECT_EQ(stations["children"][0]["detail"], "km 2.750");
  EXPECT_EQ(stations["children"][1]["name"], "\xC3\x88 BASSA");
  EXPECT_EQ(stations["children"][1]["detail"], "km -0.050");
  // The range ends in UTF-16 units: È is one.
  EXPECT_EQ(stations["children"][1]["range"]["end"]["character"], 65);
  const nlohmann::json& signals = symbols[2]["children"];
  ASSERT_EQ(signals.size(), 2u);
  EXPECT_EQ(signals[0]["name"], "rallentamento 50 km/h");
  EXPECT_EQ(signals[1]["detail"], "km 1.000");
}

}  // namespace
}  // namespace binario
