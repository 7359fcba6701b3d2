#include "lsp/pair_compile.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <set>
#include <type_traits>
#include <vector>

#include "compiler/cancellable_compile.h"
#include "lsp/documents.h"
#include "lsp/lsp_diagnostic.h"
#include "lsp/text_position.h"
#include "output/text_encoding.h"
#include "platform/description_file.h"
#include "timing/run_checks.h"

namespace binario {
namespace {

// One description as the compile gets it, with the UTF-8 text its
// diagnostics are placed on.
struct Part {
  std::string uri;
  std::optional<std::string> utf8;  // nothing: neither open nor readable
  SourceText source;
  std::vector<ReplacedCharacter> replaced;
  std::optional<DocumentLines> lines;  // of utf8, once it is final
};

void prepare(const PairDocument& document, bool is_line, FileSystem& fs,
             const std::atomic<bool>* cancel, Part* part) {
  part->uri = document.uri;
  part->source.name = document.uri;
  if (document.open_text) {
    part->utf8 = *document.open_text;
    CompileText text = to_compile_text(*part->utf8, cancel);
    part->source.text = std::move(text.bytes);
    part->replaced = std::move(text.replaced);
    return;
  }
  std::optional<std::string> path = document.uri.empty() ? std::nullopt : uri_to_path(document.uri);
  if (!path) {
    if (is_line) {
      part->source.missing = true;
    } else {
      part->source.unreadable = "no train description";
    }
    return;
  }
  // The partner is read as the command line reads it: the same cap, and the
  // same verdict on a folder, a FIFO or a file that is not there.
  DescriptionOnDisk file = read_description_on_disk(fs, *path);
  if (file.state == DescriptionOnDisk::State::kRead) {
    part->source.text = std::move(file.bytes);
    part->utf8 = windows1252_to_utf8(part->source.text);
  } else if (file.state == DescriptionOnDisk::State::kMissing && is_line) {
    part->source.missing = true;
  } else {
    part->source.unreadable = file.reason;
  }
}

// Where the partner was looked for: its path, or the URI of another scheme.
std::string looked_for(const std::string& uri) {
  return uri_to_path(uri).value_or(uri);
}

lsp::Diagnostic missing_partner(const std::string& message) {
  lsp::Diagnostic out;
  out.severity = lsp::kSeverityWarning;
  out.code = std::string("missing-partner");
  out.message = message;
  return out;
}

lsp::Diagnostic replaced_character(const ReplacedCharacter& r) {
  lsp::Diagnostic out;
  out.range = {{r.line, r.start}, {r.line, r.end}};
  out.message = "Windows-1252 has no such character; it is compiled as '?'";
  return out;
}

// The text after the line where the compile stopped, marked unnecessary
// (the editor fades it): none of it reached the model.
void add_not_compiled(int stopped_at_line, const DocumentLines& lines,
                      std::vector<lsp::Diagnostic>* list) {
  const int last = lines.size() - 1;
  if (stopped_at_line > last) return;
  const int end = utf16_column(lines.line(last), INT_MAX);
  if (stopped_at_line == last && end == 0) return;
  lsp::Diagnostic out;
  out.range = {{stopped_at_line, 0}, {last, end}};
  out.severity = lsp::kSeverityHint;
  out.tags = {lsp::kTagUnnecessary};
  out.message = "not compiled: the compile stopped at line " + std::to_string(stopped_at_line);
  list->push_back(std::move(out));
}

// Orders diagnostics held by pointer by their values.
struct Less {
  bool operator()(const lsp::Diagnostic* a, const lsp::Diagnostic* b) const { return *a < *b; }
};

}  // namespace

PairCompiled compile_pair(const PairTexts& texts, const std::string& asked_for, FileSystem& fs,
                          const std::atomic<bool>* cancel) {
  Part line;
  Part train;
  prepare(texts.line, true, fs, cancel, &line);
  prepare(texts.train, false, fs, cancel, &train);
  CompileInput input;
  // The texts are lent to the compile, not copied (a large one takes a
  // while to copy), and taken back once it is done.
  input.line = std::move(line.source);
  input.train = std::move(train.source);
  input.model_name = utf8_to_windows1252(texts.name).value_or("?");
  input.model_number = utf8_to_windows1252(texts.number).value_or("?");
  // The curves are read (hover, the outline and formatting show them) but
  // the plan is never shown here: its million points are not computed.
  input.with_geometry = true;
  input.geometry_points = false;
  input.records_read = true;
  input.more_checks = check_run;  // the warnings of the train's run
  // Converting a large text takes a while: a compile cancelled meanwhile is
  // not started, and one cancelled at its end is not placed.
  const auto stop_if_cancelled = [cancel] {
    if (cancel && cancel->load(std::memory_order_relaxed)) throw CompileCancelled();
  };
  stop_if_cancelled();
  CompileResult result = cancel ? compile(input, *cancel) : compile(input);
  line.source = std::move(input.line);
  train.source = std::move(input.train);
  stop_if_cancelled();

  PairCompiled out;
  for (Part* part : {&line, &train}) {
    if (part->utf8) out.diagnostics[part->uri] = {};
  }
  // A partner that does not exist is a warning, not the compile's fault: a
  // line alone is checked as far as it goes, a train alone not at all.
  const bool no_train = texts.train.uri.empty();
  if (no_train && line.utf8) {
    const std::string folder = looked_for(texts.line.uri.substr(0, texts.line.uri.rfind('/') + 1));
    out.diagnostics[line.uri].push_back(missing_partner("no train description " + folder +
                                                        texts.name +
                                                        "_NUM-.txt beside this line "
                                                        "description: the line is checked alone"));
  }
  if (line.source.missing && train.utf8) {
    out.diagnostics[train.uri].push_back(
        missing_partner("the line description " + looked_for(texts.line.uri) +
                        " is missing: the train cannot be checked without it"));
  }
  for (Part* part : {&line, &train}) {
    if (!part->utf8) continue;
    part->lines.emplace(*part->utf8);
    std::vector<lsp::Diagnostic>& list = out.diagnostics[part->uri];
    for (const ReplacedCharacter& r : part->replaced) {
      if (list.size() >= kMaxDiagnostics) break;
      list.push_back(replaced_character(r));
    }
  }
  Part* const asked = asked_for == train.uri ? &train : &line;
  for (const Diagnostic& d : result.status.diagnostics()) {
    const bool partner_fault =
        (no_train && d.code == 25 && d.location && d.location->file == train.source.name) ||
        (line.source.missing && d.code == 101);
    if (partner_fault) continue;
    // A diagnostic without a place in a text goes to the document that
    // was compiled for.
    const std::string file = d.location ? d.location->file : std::string();
    Part* part = !train.uri.empty() && file == train.uri ? &train
                 : file == line.uri                      ? &line
                                                         : asked;
    if (!part->utf8) part = asked;
    if (!part->utf8) continue;
    Diagnostic placed = d;
    if (part->source.name != file) placed.location.reset();
    std::vector<lsp::Diagnostic>& list = out.diagnostics[part->uri];
    if (list.size() >= kMaxDiagnostics) continue;
    list.push_back(lsp_diagnostic(placed, *part->lines));
    if (placed.stopped_at_line > 0) add_not_compiled(placed.stopped_at_line, *part->lines, &list);
  }
  out.faultless = !no_train && !line.source.missing && result.end == CompileEnd::kCompiled &&
                  result.status.codice_errore() == 0;
  for (const auto& [uri, list] : out.diagnostics) {
    for (const lsp::Diagnostic& d : list) {
      out.faultless = out.faultless && d.severity != lsp::kSeverityError;
    }
  }
  if (texts.keep_records) {
    out.records = std::make_shared<const RecordsRead>(std::move(*result.records));
  } else {
    const PairDocument* documents[] = {&texts.line, &texts.train};
    DescriptionRead* reads[] = {&result.records->line, &result.records->train};
    for (int i = 0; i < 2; ++i) {
      if (!documents[i]->open_text) continue;
      out.reads[documents[i]->uri] = std::make_shared<const DocumentRead>(
          DocumentRead{*documents[i]->open_text, std::move(*reads[i])});
    }
  }
  out.model = std::make_shared<const TrackModel>(std::move(result.model));
  return out;
}

namespace {

// The line read alone from `utf8`, the whole of its text or its start.
std::shared_ptr<const DocumentRead> read_alone(const PairDocument& line, std::string utf8,
                                               const std::string& name,
                                               const std::atomic<bool>* cancel) {
  CompileText text = to_compile_text(utf8, cancel);
  CompileInput input;
  input.line.name = line.uri;
  input.line.text = std::move(text.bytes);
  // The compile stops where the train would be read.
  input.train.unreadable = "not read";
  input.model_name = utf8_to_windows1252(name).value_or("?");
  // Asked for as compile_pair asks, so that the line is read the same way.
  input.with_geometry = true;
  input.geometry_points = false;
  input.records_read = true;
  if (cancel && cancel->load(std::memory_order_relaxed)) throw CompileCancelled();
  CompileResult result = cancel ? compile(input, *cancel) : compile(input);
  if (cancel && cancel->load(std::memory_order_relaxed)) throw CompileCancelled();
  return std::make_shared<const DocumentRead>(
      DocumentRead{std::move(utf8), std::move(result.records->line)});
}

// How many lines past the one asked for are read: enough for a record with
// a quoted text over a few lines.
constexpr int kLinesPast = 8;

// The length of the first `lines` lines of `text`, with their line ends
// (CR LF, CR or LF, as the field reader counts them); nothing when the text
// holds no more.
std::optional<size_t> length_of_lines(std::string_view text, int lines) {
  size_t at = 0;
  for (int i = 0; i < lines; ++i) {
    const size_t end = text.find_first_of("\r\n", at);
    if (end == std::string_view::npos) return std::nullopt;
    at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return at < text.size() ? std::optional<size_t>(at) : std::nullopt;
}

}  // namespace

std::shared_ptr<const DocumentRead> read_line_alone(const PairDocument& line,
                                                    const std::string& name,
                                                    const std::atomic<bool>* cancel) {
  if (!line.open_text) return nullptr;
  return read_alone(line, *line.open_text, name, cancel);
}

std::shared_ptr<const DocumentRead> read_line_through(const PairDocument& line,
                                                      const std::string& name, int through,
                                                      const std::atomic<bool>* cancel) {
  if (!line.open_text) return nullptr;
  through = std::max(through, 0);
  if (through > INT_MAX - kLinesPast) return read_line_alone(line, name, cancel);
  const int cut = through + kLinesPast;
  const std::optional<size_t> length = length_of_lines(*line.open_text, cut);
  if (!length) return read_line_alone(line, name, cancel);
  std::shared_ptr<const DocumentRead> read =
      read_alone(line, line.open_text->substr(0, *length), name, cancel);
  // Every record up to `through` ended at least a whole line before the
  // cut: its reading never reached the cut.
  for (const RecordRead& record : read->read.records) {
    if (record.keyword.span.line > through) break;
    const int last_line =
        record.values.empty() ? record.keyword.span.last_line : record.values.back().span.last_line;
    if (!record.complete || last_line >= cut - 1) return nullptr;
  }
  return read;
}

namespace {

bool same_document(const PairDocument& a, const PairDocument& b) {
  return a.uri == b.uri && a.open_text == b.open_text;
}

bool same_pair(const PairTexts& a, const PairTexts& b) {
  return a.name == b.name && a.number == b.number && a.keep_records == b.keep_records &&
         same_document(a.line, b.line) && same_document(a.train, b.train);
}

// The compiles done that are kept for those who come after.
constexpr size_t kKeptCompiles = 2;

}  // namespace

std::shared_ptr<const PairCompiled> SharedCompiles::compile(const PairTexts& texts,
                                                            const std::string& asked_for,
                                                            FileSystem& fs,
                                                            const std::atomic<bool>* cancel) {
  const auto cancelled = [cancel] { return cancel && cancel->load(); };
  std::unique_lock lock(mutex_);
  for (;;) {
    if (cancelled()) throw CompileCancelled();
    std::shared_ptr<Entry> same;
    for (const std::shared_ptr<Entry>& entry : entries_) {
      if (entry->asked_for == asked_for && same_pair(entry->texts, texts)) same = entry;
    }
    if (!same) break;
    // In progress: its end, its cancelling or ours, whichever comes first.
    while (!same->result && !same->failed) {
      done_.wait_for(lock, std::chrono::milliseconds(5));
      if (cancelled()) throw CompileCancelled();
    }
    if (same->result) return same->result;
  }
  auto entry = std::make_shared<Entry>(Entry{texts, asked_for, nullptr, false});
  entries_.push_back(entry);
  lock.unlock();
  std::shared_ptr<const PairCompiled> result;
  try {
    result = std::make_shared<const PairCompiled>(compile_pair(texts, asked_for, fs, cancel));
  } catch (...) {
    lock.lock();
    entry->failed = true;
    entries_.remove(entry);
    done_.notify_all();
    throw;
  }
  lock.lock();
  entry->result = result;  // for those waiting for it
  // A partner read from disk may change there unseen: such a compile is
  // shared while it is in progress only.
  if (texts.line.open_text && (texts.train.uri.empty() || texts.train.open_text)) {
    // The newest last: the oldest done go first.
    entries_.remove(entry);
    entries_.push_back(entry);
    size_t done = 0;
    for (const std::shared_ptr<Entry>& e : entries_) done += e->result ? 1 : 0;
    for (auto it = entries_.begin(); it != entries_.end() && done > kKeptCompiles;) {
      if ((*it)->result) {
        it = entries_.erase(it);
        --done;
      } else {
        ++it;
      }
    }
  } else {
    entries_.remove(entry);
  }
  done_.notify_all();
  return result;
}

LineChecked check_line(const LineTexts& texts, FileSystem& fs, const std::atomic<bool>* cancel,
                       SharedCompiles* shared) {
  LineChecked out;
  const bool line_open = texts.line.open_text.has_value();
  // The line's diagnostics from each train it was compiled with.
  std::vector<std::pair<std::string, std::vector<lsp::Diagnostic>>> line_lists;
  auto compile_with = [&](const PairDocument& train, const std::string& number) {
    PairTexts pair{texts.line, train, texts.name, number};
    const bool train_open = train.open_text.has_value();
    const std::string asked_for = train_open ? train.uri : texts.line.uri;
    std::shared_ptr<const PairCompiled> compiled =
        shared ? shared->compile(pair, asked_for, fs, cancel)
               : std::make_shared<const PairCompiled>(compile_pair(pair, asked_for, fs, cancel));
    // What the documents keep of the model follows their texts; the whole
    // model goes with the last who reads it.
    const auto model = std::make_shared<const CompactModel>(*compiled->model);
    const auto of = [&](const auto& map, const std::string& uri) {
      const auto it = map.find(uri);
      return it == map.end() ? typename std::decay_t<decltype(map)>::mapped_type{} : it->second;
    };
    if (train_open) {
      out.diagnostics[train.uri] = of(compiled->diagnostics, train.uri);
      out.models[train.uri] = model;
      out.reads[train.uri] = of(compiled->reads, train.uri);
    }
    if (line_open) {
      line_lists.emplace_back(number, of(compiled->diagnostics, texts.line.uri));
      out.models.emplace(texts.line.uri, model);
      out.reads.emplace(texts.line.uri, of(compiled->reads, texts.line.uri));
    }
  };
  if (line_open && texts.trains.empty()) compile_with(PairDocument{}, "");
  for (const LineTexts::Train& train : texts.trains) {
    if (line_open || train.document.open_text) compile_with(train.document, train.number);
  }
  if (!line_open) return out;
  // Each diagnostic once; one that not every train gives names its trains.
  // Diagnostics are the same when they are equal in every field.
  std::map<lsp::Diagnostic, size_t> given_by;
  for (const auto& [number, list] : line_lists) {
    std::set<const lsp::Diagnostic*, Less> seen;
    for (const lsp::Diagnostic& d : list) {
      if (seen.insert(&d).second) ++given_by[d];
    }
  }
  std::vector<lsp::Diagnostic>& merged = out.diagnostics[texts.line.uri] = {};
  std::set<const lsp::Diagnostic*, Less> shown;
  for (const auto& [number, list] : line_lists) {
    for (const lsp::Diagnostic& d : list) {
      if (given_by[d] == line_lists.size()) {
        if (!shown.insert(&d).second) continue;
        merged.push_back(d);
      } else {
        lsp::Diagnostic own = d;
        own.message += " (with train " + number + ")";
        merged.push_back(std::move(own));
      }
      if (merged.size() >= kMaxDiagnostics) return out;
    }
  }
  return out;
}

}  // namespace binario
