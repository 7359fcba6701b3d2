#include "lsp/document_sync.h"

#include <algorithm>

#include "lsp/json_rpc.h"

namespace binario {

void apply_content_changes(DocumentStore& documents, const std::string& uri,
                           const nlohmann::json& changes) {
  for (const nlohmann::json& change : changes) {
    std::string text = change.at("text").get<std::string>();
    if (!change.contains("range")) {
      documents.change(uri, std::move(text));
      continue;
    }
    const nlohmann::json& range = change.at("range");
    const nlohmann::json& start = range.at("start");
    const nlohmann::json& end = range.at("end");
    documents.edit(uri,
                   {rpc::uinteger_field(start, "line"), rpc::uinteger_field(start, "character")},
                   {rpc::uinteger_field(end, "line"), rpc::uinteger_field(end, "character")}, text);
  }
}

std::chrono::milliseconds adaptive_debounce(std::chrono::microseconds last_check,
                                            std::chrono::milliseconds longest,
                                            std::chrono::steady_clock::duration since_last_edit) {
  using std::chrono::milliseconds;
  const milliseconds shortest = std::min(milliseconds(5), longest);
  if (since_last_edit >= longest) return shortest;
  const milliseconds twice = std::chrono::ceil<milliseconds>(2 * last_check);
  return std::clamp(twice, shortest, longest);
}

}  // namespace binario
