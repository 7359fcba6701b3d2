#include "lsp/protocol.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace binario::lsp {

using nlohmann::json;

void to_json(json& j, const Position& p) {
  j = {{"line", p.line}, {"character", p.character}};
}

void to_json(json& j, const Range& r) {
  j = {{"start", r.start}, {"end", r.end}};
}

void to_json(json& j, const Location& l) {
  j = {{"uri", l.uri}, {"range", l.range}};
}

void to_json(json& j, const TextEdit& e) {
  j = {{"range", e.range}, {"newText", e.new_text}};
}

void to_json(json& j, const MarkupContent& m) {
  j = {{"kind", m.markdown ? "markdown" : "plaintext"}, {"value", m.value}};
}

void to_json(json& j, const DiagnosticRelatedInformation& r) {
  j = {{"location", r.location}, {"message", r.message}};
}

void to_json(json& j, const Diagnostic& d) {
  j = {{"range", d.range}, {"severity", d.severity}, {"source", d.source}, {"message", d.message}};
  if (const int* number = std::get_if<int>(&d.code)) j["code"] = *number;
  if (const std::string* name = std::get_if<std::string>(&d.code)) j["code"] = *name;
  if (!d.tags.empty()) j["tags"] = d.tags;
  if (!d.related.empty()) j["relatedInformation"] = d.related;
  if (d.fix) j["data"] = {{"fix", *d.fix}};
}

void to_json(json& j, const Hover& h) {
  j = {{"contents", h.contents}, {"range", h.range}};
}

void to_json(json& j, const CompletionItem& c) {
  j = {{"label", c.label},
       {"kind", c.kind},
       {"detail", c.detail},
       {"data", {{"reference", c.reference}}},
       {"insertText", c.insert_text},
       {"insertTextFormat", c.insert_text_format}};
}

void to_json(json& j, const DocumentSymbol& s) {
  j = {{"name", s.name},
       {"kind", s.kind},
       {"range", s.range},
       {"selectionRange", s.selection_range}};
  if (s.detail) j["detail"] = *s.detail;
  if (s.children) j["children"] = *s.children;
}

void to_json(json& j, const InlayHint& h) {
  j = {{"position", h.position}, {"label", h.label}, {"paddingLeft", h.padding_left}};
}

void to_json(json& j, const FoldingRange& f) {
  j = {{"startLine", f.start_line}, {"endLine", f.end_line}, {"kind", f.kind}};
}

void to_json(json& j, const SemanticTokensLegend& l) {
  j = {{"tokenTypes", l.token_types}, {"tokenModifiers", l.token_modifiers}};
}

void to_json(json& j, const SemanticTokens& t) {
  j = {{"data", t.data}};
}

void to_json(json& j, const ParameterInformation& p) {
  j = {{"label", {p.label.first, p.label.second}}, {"documentation", p.documentation}};
}

void to_json(json& j, const SignatureInformation& s) {
  j = {{"label", s.label},
       {"documentation", s.documentation},
       {"parameters", s.parameters},
       {"activeParameter", s.active_parameter}};
}

void to_json(json& j, const SignatureHelp& s) {
  j = {{"signatures", s.signatures},
       {"activeSignature", s.active_signature},
       {"activeParameter", s.active_parameter}};
}

void to_json(json& j, const Command& c) {
  j = {{"title", c.title}, {"command", c.command}, {"arguments", c.arguments}};
}

void to_json(json& j, const CodeAction& a) {
  j = {{"title", a.title}, {"kind", a.kind}};
  if (!a.diagnostics.empty()) j["diagnostics"] = a.diagnostics;
  if (a.is_preferred) j["isPreferred"] = true;
  if (a.edit) j["edit"] = {{"changes", {{a.edit->first, a.edit->second}}}};
  if (a.command) j["command"] = *a.command;
}

void to_json(json& j, const Registration& r) {
  json watchers = json::array();
  for (const std::string& pattern : r.glob_patterns) watchers.push_back({{"globPattern", pattern}});
  j = {
      {"id", r.id}, {"method", r.method}, {"registerOptions", {{"watchers", std::move(watchers)}}}};
}

json server_capabilities(const SemanticTokensLegend& legend, std::string_view command) {
  return {{"textDocumentSync",
           {{"openClose", true}, {"change", kSyncIncremental}, {"save", {{"includeText", false}}}}},
          {"documentSymbolProvider", true},
          {"hoverProvider", true},
          {"documentFormattingProvider", true},
          {"completionProvider", {{"resolveProvider", true}}},
          {"signatureHelpProvider", {{"triggerCharacters", {","}}}},
          {"inlayHintProvider", true},
          {"definitionProvider", true},
          {"referencesProvider", true},
          {"foldingRangeProvider", true},
          {"semanticTokensProvider", {{"legend", legend}, {"full", true}}},
          {"codeActionProvider", {{"codeActionKinds", json::array({kQuickFix, kSourceAction})}}},
          {"executeCommandProvider", {{"commands", json::array({command})}}}};
}

json registration_params(const std::vector<Registration>& registrations) {
  return {{"registrations", registrations}};
}

namespace {

// The integer `key` of `object` when it fits an int.
std::optional<int> read_int(const json& object, const char* key) {
  const auto it = object.find(key);
  if (it == object.end() || !it->is_number_integer()) return std::nullopt;
  if (it->is_number_unsigned()) {
    const uint64_t value = it->get<uint64_t>();
    if (value > static_cast<uint64_t>(INT_MAX)) return std::nullopt;
    return static_cast<int>(value);
  }
  const int64_t value = it->get<int64_t>();
  if (value < INT_MIN || value > INT_MAX) return std::nullopt;
  return static_cast<int>(value);
}

std::optional<Position> read_position(const json& p) {
  if (!p.is_object()) return std::nullopt;
  const std::optional<int> line = read_int(p, "line");
  const std::optional<int> character = read_int(p, "character");
  if (!line || !character) return std::nullopt;
  return Position{*line, *character};
}

std::optional<Range> read_range(const json& r) {
  if (!r.is_object() || !r.contains("start") || !r.contains("end")) return std::nullopt;
  const std::optional<Position> start = read_position(r["start"]);
  const std::optional<Position> end = read_position(r["end"]);
  if (!start || !end) return std::nullopt;
  return Range{*start, *end};
}

// A diagnostic's `data.fix` as lsp_diagnostic writes it.
std::optional<TextEdit> read_fix(const json& d) {
  if (!d.is_object() || !d.contains("data") || !d["data"].is_object()) return std::nullopt;
  const json& data = d["data"];
  if (!data.contains("fix") || !data["fix"].is_object()) return std::nullopt;
  const json& fix = data["fix"];
  if (!fix.contains("range") || !fix.contains("newText") || !fix["newText"].is_string()) {
    return std::nullopt;
  }
  const std::optional<Range> range = read_range(fix["range"]);
  if (!range) return std::nullopt;
  return TextEdit{*range, fix["newText"].get<std::string>()};
}

}  // namespace

bool CodeActionContext::wants(std::string_view kind) const {
  return !only || std::any_of(only->begin(), only->end(),
                              [&](const std::string& k) { return k == kind || k.empty(); });
}

CodeActionContext read_code_action_context(const json& context) {
  CodeActionContext out;
  if (!context.is_object()) return out;
  if (context.contains("only") && context["only"].is_array()) {
    out.only.emplace();
    for (const json& kind : context["only"]) {
      // A kind that is no string matches none.
      if (kind.is_string()) out.only->push_back(kind.get<std::string>());
    }
  }
  if (context.contains("diagnostics") && context["diagnostics"].is_array()) {
    for (const json& d : context["diagnostics"]) out.diagnostics.push_back({d, read_fix(d)});
  }
  return out;
}

std::optional<std::string> completion_reference(const json& item) {
  if (!item.is_object()) return std::nullopt;
  const auto data = item.find("data");
  if (data == item.end() || !data->is_object() || !data->contains("reference") ||
      !(*data)["reference"].is_string()) {
    return std::nullopt;
  }
  return (*data)["reference"].get<std::string>();
}

}  // namespace binario::lsp
