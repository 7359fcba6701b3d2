// Navigation by cell: from a record to every record that touches the same
// cells in the line and its trains — the occupant of a taken cell and the
// record that clashes with it, a signal and the code points in front of it,
// a code point and the signal it serves. Cells come from what the compile
// read (each record's cells by its cell rule) and what its model holds.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compiler/records.h"
#include "compiler/track_model.h"
#include "lsp/document_read.h"
#include "lsp/protocol.h"

namespace binario {

// A document of the pair as the compile read it.
struct CellDocument {
  std::string uri;
  DescriptionFile file;
  std::shared_ptr<const DocumentRead> read;
};

// The protocol's Location array for the record at 0-based `line` and UTF-16
// `column` of `documents[0]`, or nothing where no record with cells is. With
// `occupants_only`, only the records that placed what `model` holds in the
// record's cells (go to definition); otherwise every record touching them
// (references). `model` is the compile's model of `documents[0]`, or null.
std::optional<std::vector<lsp::Location>> cell_locations(const std::vector<CellDocument>& documents,
                                                         int line, int column,
                                                         const TrackModel* model,
                                                         bool occupants_only);

}  // namespace binario
