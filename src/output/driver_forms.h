// The fixed parts of the driver's two forms, the train sheet and the slowdown
// order: their boxes, rules, column heads and key, and the widths of their
// columns. The built-in documents and the documents computed for an author's
// pair are both drawn from here, so their boxes cannot drift apart.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace binario::forms {

// Text in a cell of `width` characters: left-aligned after `indent` blanks,
// right-aligned before `trailing` blanks, or centred (an odd blank goes to
// the right). A text longer than its room is cut at the room's end.
std::string left(std::string_view text, size_t width, size_t indent = 0);
std::string right(std::string_view text, size_t width, size_t trailing = 0);
std::string centred(std::string_view text, size_t width);

// A table line: " |" then every cell followed by "|".
template <size_t N>
std::string table_line(const std::array<std::string, N>& cells) {
  std::string line = " |";
  for (const std::string& c : cells) line += c + "|";
  return line;
}

// ---- The train sheet ----

// The identity box: the train number on the left, the title and the two end
// stations in the middle, the speed class and the braked mass on the right.
inline constexpr size_t kIdentityLeft = 19;
inline constexpr size_t kIdentityMiddle = 45;
inline constexpr size_t kIdentityRight = 14;
inline constexpr std::string_view kIdentityTop =
    "  ___________________                                               ______________";
inline constexpr std::string_view kIdentityTitle =
    " |                   |                    SCHEDA                   |              |";
inline constexpr std::string_view kIdentityLeftClosed = "|___________________|";
inline constexpr std::string_view kIdentityRightClosed =
    "                                                                   |______________|";
// Where the from and to stations stand in the middle area, and their room.
inline constexpr size_t kFromIndent = 19;  // "da: NAME"
inline constexpr size_t kToIndent = 20;    // "a: NAME"
inline constexpr size_t kEndStationRoom = 22;

// The classification and mass boxes.
inline constexpr size_t kClassBox = 19;
inline constexpr size_t kMassIndent = 6;
inline constexpr std::string_view kClassTop =
    "  ___________________                ___________________";
inline constexpr std::string_view kClassHead =
    " |  CLASSIFICAZIONE  |              |  MASSA BLOCCATA   |       ";
inline constexpr std::string_view kClassGap = "              ";
inline constexpr std::string_view kClassBottom =
    " |___________________|              |___________________|";

// The timetable: speed limit, running speed, kilometre point, second speed
// column, place, time, recovery minutes.
inline constexpr std::array<size_t, 7> kTimetableColumns = {5, 5, 10, 5, 28, 16, 5};
inline constexpr std::string_view kTimetableTop =
    "  ________________________________________________________________________________";
inline constexpr std::string_view kTimetableHead1 =
    " | Vel.| Vel.| Progr Km |  No |   Localita' di  Servizio   |     Orario     | Rec |";
inline constexpr std::string_view kTimetableHead2 =
    " | Lim.|Marc.|          |  Rs |                            |                |     |";
inline constexpr std::string_view kTimetableRule =
    " |_____|_____|__________|_____|____________________________|________________|_____|";

// ---- The slowdown order ----

inline constexpr std::string_view kOrderForm = "                               Modulo M. 3";
inline constexpr std::string_view kOrderTitle =
    "                           ORDINE DI RALLENTAMENTO";
inline constexpr std::string_view kOrderTitleRule =
    " ________________________________________________________________________________";
inline constexpr std::string_view kOrderLinePrefix = "  Linea ";
inline constexpr std::string_view kOrderSentenceBefore = "  Si ordina al macchinista del treno ";
inline constexpr std::string_view kOrderSentenceAfter = " di effettuare i seguenti rallentamenti";
// Number, stations, kilometre post, speed, length, prescription.
inline constexpr std::array<size_t, 6> kOrderColumns = {3, 28, 12, 10, 9, 12};
// Rows of one form's table.
inline constexpr size_t kOrderRows = 26;
inline constexpr std::array<std::string_view, 5> kOrderHead = {
    "  _______________________________________________________________________________",
    " |   |                            |Inizio dopo |          |         |            |",
    " | N.|      FRA LE STAZIONI       | il cippo   | Velocita'|Lunghezza|Prescrizioni|",
    " |   |   (o nelle Stazioni di)    |chilometrico|          |   metri | specifiche |",
    " |___|____________________________|____________|__________|_________|____________|",
};
inline constexpr std::string_view kOrderEmptyRow =
    " |   |                            |            |          |         |            |";
inline constexpr std::string_view kOrderRule =
    " |___|____________________________|____________|__________|_________|____________|";
inline constexpr std::array<std::string_view, 7> kOrderKey = {
    "",
    "              Prescrizioni specifiche",
    " A - Da rispettare con tutto il treno (per i treni viaggiatori)",
    " B - Interessa anche la stazione di.......",
    " D - Rallentamneto N. ... e N. ...  sono contigui",
    " C - Da rispettare dalle ore ....  alle ore ..... di tutti",
    "     i giorni esclusi i seguenti:.........",
};

}  // namespace binario::forms
