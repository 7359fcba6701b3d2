// The driver's three documents for any compiled pair: the train sheet, the
// slowdown order and the notes, in the layout of the built-in ones (CR LF,
// Windows-1252, the same boxes, rules and column formats).
//
// Every value comes from the compiled model: the stations and their times
// from the station table, the speed limits from the cells, the braked mass,
// the cars and the clock from the train's entries. The slowdowns come from
// the records the compile read, since their cells keep the start and the
// length only to the nearest cell. What no description holds (the speed
// class, the category, the mass) is the caller's to give, and stays blank
// when not given. The train sheet's running-speed and recovery columns come
// from the run of the train (timing/run_profile.h).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "compiler/records_read.h"
#include "compiler/track_model.h"
#include "timing/run_profile.h"

namespace binario {

// What no description holds, as Windows-1252 text; empty: left blank.
struct DocumentChoices {
  std::string speed_class;  // the right box of the identity box ("V200 C")
  std::string category;     // the classification box ("IC")
  std::string mass;         // the mass box, tonnes as written ("600")
  RunOptions run;           // the rates of the run the two run columns read
};

// The widest text each choice may be, so that it fits its box.
inline constexpr size_t kSpeedClassRoom = 12;
inline constexpr size_t kCategoryRoom = 17;
inline constexpr size_t kMassRoom = 12;  // the box adds "T"

struct DriverDocuments {
  std::string train_sheet;     // the bytes of NAME_NUM_scheda_treno.txt
  std::string slowdown_order;  // NAME_NUM_rallentamenti.txt
  std::string notes;           // NAME_NUM_note.txt
  // What had to be cut to fit a column, one sentence each (UTF-8).
  std::vector<std::string> notices;
};

// The documents of a model compiled without a fault, with the records the
// compile read (the train description's slowdowns are taken from them).
DriverDocuments driver_documents(const TrackModel& model, const RecordsRead& records,
                                 const DocumentChoices& choices);

// The timetable rows of the train sheet as plain values, in kilometre order,
// for the tests and for anyone who wants the rows without the layout.
struct SheetRow {
  int64_t metre = 0;
  std::optional<int> speed_limit;  // where the limit changes
  std::string place;               // as stored (Windows-1252)
  bool station = false;
  int entry = 0;  // the station's `treno` entry; 0 for a change of the limit
};
std::vector<SheetRow> sheet_rows(const TrackModel& model, const RecordsRead& records);

}  // namespace binario
