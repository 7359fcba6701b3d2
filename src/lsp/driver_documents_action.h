// The driver's documents from the editor: a code action on an open pair
// offers to write them, and the command it carries writes the three beside
// the line description, as `binario documents` does by default — never over
// documents that are there already.
#pragma once

#include <atomic>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/pair_compile.h"
#include "lsp/protocol.h"
#include "platform/file_system.h"

namespace binario {

// The command's name, as the server lists it and the action carries it.
inline constexpr std::string_view kWriteDocumentsCommand = "binario.writeDriverDocuments";

// The protocol's CodeAction that writes the documents of the pair of the
// train description `train_uri`; its title names the train `number` when
// `name_train` (a line description with more trains than one).
lsp::CodeAction write_documents_action(const std::string& train_uri, const std::string& number,
                                       bool name_train);

// Compiles `pair` as the editor holds it and writes its three documents into
// `folder` as one set, the boxes no description fills left blank. Returns the
// paths written. Throws rpc::Error (kRequestFailed) saying why nothing was
// written: the pair has errors, its name or number is not Windows-1252, a
// document is there already, or a file cannot be written.
std::vector<std::string> write_driver_documents(PairTexts pair, const std::string& folder,
                                                FileSystem& fs, const std::atomic<bool>* cancel);

}  // namespace binario
