// The language server's quick reader of large edits over arbitrary bytes.
// Where it reads a text itself it gives the events nlohmann's parser gives
// and ends as that ends; a didChange it reads straight into its changes is
// one the parser reads too, for the same document, and its changes leave
// the document as the parsed message's do.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "fuzz_check.h"
#include "lsp/document_sync.h"
#include "lsp/documents.h"
#include "test_support/json_events.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using binario::QuickParse;
  using nlohmann::json;
  const std::string text(reinterpret_cast<const char*>(data), size);
  binario::test::JsonEventRecorder whole;
  const bool whole_parsed = json::sax_parse(text, &whole);
  binario::test::JsonEventRecorder quick;
  const QuickParse read = binario::quick_sax_parse(text, &quick);
  if (read != QuickParse::kUnsure) {
    FUZZ_CHECK((read == QuickParse::kParsed) == whole_parsed);
    FUZZ_CHECK(quick.events == whole.events);
  }

  std::optional<binario::DidChange> change = binario::read_did_change(text);
  if (!change) return 0;
  FUZZ_CHECK(whole_parsed);
  const json message = json::parse(text);
  FUZZ_CHECK(message.at("method") == "textDocument/didChange");
  FUZZ_CHECK(message.at("params").at("textDocument").at("uri") == change->uri);
  const std::string before = "[generale]\r\nlunghezza percorso, 5000\r\n\xC3\xA0 b\r\n";
  binario::DocumentStore fast;
  fast.open(change->uri, before);
  binario::apply_changes(fast, change->uri, change->changes);
  binario::DocumentStore parsed;
  parsed.open(change->uri, before);
  binario::apply_content_changes(parsed, change->uri, message["params"]["contentChanges"]);
  FUZZ_CHECK(*fast.text(change->uri) == *parsed.text(change->uri));
  return 0;
}
