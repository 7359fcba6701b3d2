// The driver's documents of an author's pair on disk, as `documents` and
// `compile --documents` write them: the options that fill what no description
// holds, the three file names, and the writing of the three as one set.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "documents/driver_documents.h"
#include "platform/file_system.h"

namespace binario {

struct DocumentOptions {
  bool force = false;  // replace documents that exist
  // UTF-8 as given; nothing: the box stays blank.
  std::optional<std::string> speed_class;
  std::optional<std::string> category;
  std::optional<std::string> mass;
  // The rates of the run the train sheet's running-speed and recovery
  // columns read (m/s²); nothing: as timetable's defaults.
  std::optional<double> acceleration;
  std::optional<double> braking;
};

// --speed-class, --category, --mass, --acceleration and --braking, and
// --force with `force_help`.
void add_document_options(Command* cmd, DocumentOptions* options, const std::string& force_help);

// The options as the documents hold them (Windows-1252). Returns the usage
// exit status, after saying why on `err`, for a value Windows-1252 cannot
// hold, one wider than its box, a mass that is not a whole number, or a rate
// out of range.
std::optional<int> document_choices(const DocumentOptions& options, DocumentChoices* choices,
                                    std::ostream& err);

// NAME_NUM_scheda_treno.txt, NAME_NUM_rallentamenti.txt, NAME_NUM_note.txt in
// `dir`, in that order.
std::vector<std::string> document_paths(const std::string& dir, const std::string& name,
                                        const std::string& number);

// Returns the usage exit status, after saying why on `err`, when a document
// would replace one of `inputs`, or one exists and `force` is not given.
std::optional<int> refuse_document_paths(FileSystem& fs, const std::vector<std::string>& paths,
                                         bool force, const std::vector<std::string>& inputs,
                                         std::ostream& err);

// Writes the three documents to `paths` as one set (all or none), after
// saying on `err` what had to be cut. Returns kExitClean, or kExitFileError
// after saying why.
int write_document_files(FileSystem& fs, const std::vector<std::string>& paths,
                         const DriverDocuments& documents, std::ostream& err);

}  // namespace binario
