// The names of a scenario's files: built from the scenario name and the train
// number exactly as the simulator expects them, and told apart by their
// endings. An ending is recognised in any letter case, since a Windows folder
// may hold "rimini_LINEA.TXT" for "rimini_linea.txt"; names are always built
// with the endings as written here.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace binario {

// The files of scenario NAME with train NUM, as base names (no folder).
struct ScenarioFileNames {
  std::string line_text;       // NAME_linea.txt
  std::string train_text;      // NAME_NUM-.txt
  std::string train_sheet;     // NAME_NUM_scheda_treno.txt
  std::string slowdown_order;  // NAME_NUM_rallentamenti.txt
  std::string notes;           // NAME_NUM_note.txt
  std::string geometry;        // NAME_linea.dat
  std::string train_table;     // NAME_NUM.sim
  std::string cells;           // NAME_NUM.dat
};
ScenarioFileNames scenario_file_names(std::string_view name, std::string_view number);

// The most bytes a file's name (without its folder) may have: the least
// the systems binario runs on allow, so that a scenario made on one can be
// written on the others.
inline constexpr size_t kLongestFileName = 255;

// Why a file named `base` (a name without folder) cannot be made, or
// nothing: it has more than kLongestFileName bytes. Every command that
// writes a set of files asks this of each before it writes any of them.
std::optional<std::string> file_name_length_refusal(std::string_view base);

// NAME_linea.txt, the line description of scenario NAME.
std::string line_text_name(std::string_view name);

// The endings of a line description's and a train description's name, for
// a caller that matches names by pattern (a file watcher).
std::string_view line_text_ending();   // "_linea.txt"
std::string_view train_text_ending();  // "-.txt"

// `base` without `ending` when it ends so, in any letter case.
std::optional<std::string_view> without_ending(std::string_view base, std::string_view ending);

// NAME of a line description's base name NAME_linea.txt (NAME not empty).
std::optional<std::string> name_from_line_text(std::string_view base);
// NUM of a train description's base name NAME_NUM-.txt for the given NAME
// (NUM not empty).
std::optional<std::string> number_from_train_text(std::string_view base, std::string_view name);
// NAME_NUM of a base name NAME_NUM-.txt, when it has the shape of a train
// description: an underscore with text on both sides. NAME may itself hold
// '_', so which underscore parts NAME from NUM is for the caller to find.
std::optional<std::string_view> train_text_stem(std::string_view base);

// The three binary files of a scenario, in the order a compile writes them.
enum class BinaryImage {
  kGeometry,    // the plan geometry, NAME_linea.dat (only when it was built)
  kTrainTable,  // NAME_NUM.sim
  kCells,       // NAME_NUM.dat
};

// Which binary file a name is, by its ending: "_linea.dat" plan geometry,
// ".sim" train table, any other ".dat" track cells; nothing for any other.
std::optional<BinaryImage> binary_image_from_name(std::string_view path);

}  // namespace binario
