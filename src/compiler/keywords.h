// The record keywords of the two descriptions, as an author writes them: the
// parsers suggest the closest one for a misspelt field, the editor offers
// them for completion.
#pragma once

#include <string_view>

namespace binario {

// The rows of the line description's general section.
inline constexpr std::string_view kLineGeneralKeywords[] = {"lunghezza percorso",
                                                            "progressiva chilometrica uno",
                                                            "progressiva chilometrica due",
                                                            "progressiva chilometrica tre",
                                                            "sfondo uno",
                                                            "sfondo due",
                                                            "sfondo tre",
                                                            "ripetizione segnali"};

// The records of the line description's body (a curve's keyword is followed
// by its class digit).
inline constexpr std::string_view kLineBodyKeywords[] = {
    "pendenza", "curvas", "curvad", "montagna", "indicatori_vmax", "cartello indicatore"};

// The records of the train description.
inline constexpr std::string_view kTrainKeywords[] = {"percentuale massa frenata",
                                                      "numero vetture",
                                                      "velocita",
                                                      "aderenza",
                                                      "orologio",
                                                      "sabbia",
                                                      "segnale",
                                                      "rallentamento",
                                                      "abbattimento",
                                                      "stazione"};

}  // namespace binario
