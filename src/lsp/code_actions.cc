#include "lsp/code_actions.h"

#include <algorithm>

namespace binario {
namespace {

using nlohmann::json;

bool is_position(const json& p) {
  return p.is_object() && p.contains("line") && p["line"].is_number_integer() &&
         p.contains("character") && p["character"].is_number_integer();
}

bool is_range(const json& r) {
  return r.is_object() && r.contains("start") && is_position(r["start"]) && r.contains("end") &&
         is_position(r["end"]);
}

// Whether `only`, when given, asks for quick fixes: "quickfix" itself or the
// empty kind every kind refines.
bool wants_quick_fixes(const json& context) {
  if (!context.contains("only") || !context["only"].is_array()) return true;
  return std::any_of(context["only"].begin(), context["only"].end(),
                     [](const json& kind) { return kind == "quickfix" || kind == ""; });
}

}  // namespace

json quick_fixes(const std::string& uri, const json& context) {
  json actions = json::array();
  if (!context.is_object() || !wants_quick_fixes(context) || !context.contains("diagnostics") ||
      !context["diagnostics"].is_array()) {
    return actions;
  }
  for (const json& d : context["diagnostics"]) {
    if (!d.is_object() || !d.contains("data") || !d["data"].is_object()) continue;
    const json& data = d["data"];
    if (!data.contains("fix") || !data["fix"].is_object()) continue;
    const json& fix = data["fix"];
    if (!fix.contains("range") || !is_range(fix["range"]) || !fix.contains("newText") ||
        !fix["newText"].is_string()) {
      continue;
    }
    const std::string text = fix["newText"].get<std::string>();
    actions.push_back(
        {{"title", "Replace with '" + text + "'"},
         {"kind", "quickfix"},
         {"diagnostics", json::array({d})},
         {"isPreferred", true},
         {"edit",
          {{"changes", {{uri, json::array({{{"range", fix["range"]}, {"newText", text}}})}}}}}});
  }
  return actions;
}

}  // namespace binario
