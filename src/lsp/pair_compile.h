// The pair compile: a line description and its train description, each open
// in the editor or read from disk, compiled together into the diagnostics
// of each document and the model hover reads.
#pragma once

#include <atomic>
#include <condition_variable>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "compiler/track_model.h"
#include "lsp/compact_model.h"
#include "lsp/document_read.h"
#include "lsp/protocol.h"
#include "platform/file_system.h"

namespace binario {

// One description of a pair.
struct PairDocument {
  std::string uri;                       // empty: there is no such description
  std::optional<std::string> open_text;  // the UTF-8 text the editor holds; nothing: on disk
};

struct PairTexts {
  PairDocument line;
  PairDocument train;
  std::string name;    // NAME, UTF-8
  std::string number;  // NUM, UTF-8
  // Keep what the compile read of both descriptions in `records` (for the
  // driver's documents) instead of the readings of the open documents.
  bool keep_records = false;
};

struct PairCompiled {
  // The diagnostics of each document whose text was compiled, by URI.
  std::map<std::string, std::vector<lsp::Diagnostic>> diagnostics;
  std::shared_ptr<const TrackModel> model;
  // What the compile read of each open document, by URI.
  std::map<std::string, std::shared_ptr<const DocumentRead>> reads;
  // With keep_records: what the compile read of the two descriptions.
  std::shared_ptr<const RecordsRead> records;
  // Both descriptions were there and compiled, and no diagnostic is an error.
  bool faultless = false;
};

// A document gets at most this many diagnostics, so that a text that is
// wrong on every line costs the editor and the server a bounded amount.
inline constexpr size_t kMaxDiagnostics = 1000;

// A line description and the train descriptions beside it.
struct LineTexts {
  PairDocument line;
  std::string name;  // NAME, UTF-8
  struct Train {
    PairDocument document;
    std::string number;  // NUM, UTF-8
  };
  std::vector<Train> trains;
};

struct LineChecked {
  // The diagnostics of each open document of the line, by URI.
  std::map<std::string, std::vector<lsp::Diagnostic>> diagnostics;
  // The model each open document's hover reads, compacted: one per compile,
  // shared by the documents of that compile.
  std::map<std::string, std::shared_ptr<const CompactModel>> models;
  // What the compile read of each open document.
  std::map<std::string, std::shared_ptr<const DocumentRead>> reads;
};

// The pair compiles in progress, and the last few done of texts all open in
// the editor, shared by whoever asks for the same pair: a request on a
// document just changed and the check the change scheduled want the same
// compile at the same moment; one makes it, the other waits for it.
class SharedCompiles {
 public:
  // compile_pair(texts, asked_for, fs, cancel), or its result taken from a
  // compile of equal texts in progress or kept. A compile in progress that
  // is cancelled is made again by those waiting for it. Throws
  // CompileCancelled once `*cancel` is set, waiting or compiling.
  std::shared_ptr<const PairCompiled> compile(const PairTexts& texts, const std::string& asked_for,
                                              FileSystem& fs, const std::atomic<bool>* cancel);

 private:
  struct Entry {
    PairTexts texts;
    std::string asked_for;
    std::shared_ptr<const PairCompiled> result;  // null while in progress
    bool failed = false;                         // cancelled: those waiting compile again
  };
  std::mutex mutex_;  // guards what follows
  std::condition_variable done_;
  std::list<std::shared_ptr<Entry>> entries_;  // oldest first
};

// Checks what of a line is open in the editor. An open line description is
// compiled with each train beside it (open or on disk; alone when there is
// none) and shows its own diagnostics once: one that only some trains give
// says "(with train NUM)". Each open train is compiled with the line (open
// or on disk). Documents that are not open get nothing. The compiles are
// made through `shared` when it is given. Throws CompileCancelled once
// `*cancel` is set.
LineChecked check_line(const LineTexts& texts, FileSystem& fs, const std::atomic<bool>* cancel,
                       SharedCompiles* shared = nullptr);

// Compiles the pair. A partner that is not open is read from `fs` as the
// command line reads it; a partner that does not exist (a line with no
// train beside it, a train whose line is nowhere) is a warning that names
// the path looked for. A diagnostic with no place in a text goes to
// `asked_for`, the document the compile was made for. Throws
// CompileCancelled once `*cancel` is set.
PairCompiled compile_pair(const PairTexts& texts, const std::string& asked_for, FileSystem& fs,
                          const std::atomic<bool>* cancel);

// What a compile of a pair reads of the line description `line`, open in the
// editor, made without its train: the compile reads the line before the
// train and nothing of the train changes how the line is read, so the
// records, their places and where the compile stopped are those of every
// pair the line is in. It costs the line's reading without the train's, the
// signal codes or the checks of the run; its model is left out (a train is
// missing from it). Throws CompileCancelled once `*cancel` is set.
std::shared_ptr<const DocumentRead> read_line_alone(const PairDocument& line,
                                                    const std::string& name,
                                                    const std::atomic<bool>* cancel);

// What read_line_alone reads of the records that start on or before the
// 1-based line `through`, read from the text up to a few lines after it:
// the compile reads a text in order, so a record read to its last value
// before the cut is read as in the whole text, the stop before it too. Its
// text and its lists end at the cut: it answers a request on a place up to
// `through`, nothing else. Nothing when a record that starts there was not
// read to its last value well before the cut (it runs on, or is short of
// values): only the whole text tells how it is read then.
std::shared_ptr<const DocumentRead> read_line_through(const PairDocument& line,
                                                      const std::string& name, int through,
                                                      const std::atomic<bool>* cancel);

}  // namespace binario
