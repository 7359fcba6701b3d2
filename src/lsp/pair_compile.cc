#include "lsp/pair_compile.h"

#include <vector>

#include "compiler/compile.h"
#include "lsp/documents.h"
#include "lsp/lsp_diagnostic.h"
#include "lsp/text_position.h"
#include "output/text_encoding.h"

namespace binario {
namespace {

using nlohmann::json;

// The start of every line of a text, as line_of counts them.
std::vector<size_t> line_starts(std::string_view text) {
  std::vector<size_t> starts = {0};
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      starts.push_back(i + 1);
    }
  }
  return starts;
}

std::string_view indexed_line(std::string_view text, const std::vector<size_t>& starts, int line) {
  if (line < 0 || static_cast<size_t>(line) >= starts.size()) return {};
  return line_of(text.substr(starts[static_cast<size_t>(line)]), 0);
}

// One description as the compile gets it, with the UTF-8 text its
// diagnostics are placed on.
struct Part {
  std::string uri;
  std::optional<std::string> utf8;  // nothing: neither open nor readable
  SourceText source;
  std::vector<ReplacedCharacter> replaced;
  std::vector<size_t> starts;
};

void prepare(const PairDocument& document, bool is_line, FileSystem& fs, Part* part) {
  part->uri = document.uri;
  part->source.name = document.uri;
  if (document.open_text) {
    part->utf8 = *document.open_text;
    CompileText text = to_compile_text(*part->utf8);
    part->source.text = std::move(text.bytes);
    part->replaced = std::move(text.replaced);
    return;
  }
  std::optional<std::string> path = document.uri.empty() ? std::nullopt : uri_to_path(document.uri);
  if (!path) {
    if (is_line) {
      part->source.missing = true;
    } else {
      part->source.unreadable = "no train description NAME_NUM-.txt beside the line description";
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

json replaced_character(const ReplacedCharacter& r) {
  return {{"range",
           {{"start", {{"line", r.line}, {"character", r.start}}},
            {"end", {{"line", r.line}, {"character", r.end}}}}},
          {"severity", 1},
          {"source", "binario"},
          {"message", "Windows-1252 has no such character; it is compiled as '?'"}};
}

}  // namespace

PairCompiled compile_pair(const PairTexts& texts, const std::string& asked_for, FileSystem& fs,
                          const std::atomic<bool>* cancel) {
  Part line;
  Part train;
  prepare(texts.line, true, fs, &line);
  prepare(texts.train, false, fs, &train);
  CompileInput input;
  input.line = line.source;
  input.train = train.source;
  input.nome_percorso = utf8_to_windows1252(texts.name).value_or("?");
  input.numero_treno = utf8_to_windows1252(texts.number).value_or("?");
  input.calcola_linea = true;
  input.cancel = cancel;
  CompileResult result = compile(input);

  PairCompiled out;
  for (Part* part : {&line, &train}) {
    if (!part->utf8) continue;
    part->starts = line_starts(*part->utf8);
    json& list = out.diagnostics[part->uri] = json::array();
    for (const ReplacedCharacter& r : part->replaced) {
      if (list.size() >= kMaxDiagnostics) break;
      list.push_back(replaced_character(r));
    }
  }
  Part* const asked = asked_for == train.uri ? &train : &line;
  for (const Diagnostic& d : result.status.diagnostics()) {
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
    json& list = out.diagnostics[part->uri];
    if (list.size() >= kMaxDiagnostics) continue;
    const int at = placed.location ? placed.location->line - 1 : -1;
    list.push_back(lsp_diagnostic(placed, indexed_line(*part->utf8, part->starts, at)));
  }
  out.model = std::make_shared<const TrackModel>(std::move(result.model));
  return out;
}

}  // namespace binario
