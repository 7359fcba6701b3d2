// The protocol's types and constants as plain structures, and their JSON.
// The features build these; only the server turns them into JSON, at the
// edge, through the to_json functions here (nlohmann's ADL hook). A field
// the protocol leaves optional is a std::optional here and is left out of
// the JSON when empty, so the JSON is exactly what the client is sent.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace binario::lsp {

// Error codes of a response.
inline constexpr int kParseError = -32700;
inline constexpr int kInvalidRequest = -32600;
inline constexpr int kMethodNotFound = -32601;
inline constexpr int kInvalidParams = -32602;
inline constexpr int kServerNotInitialized = -32002;
inline constexpr int kRequestCancelled = -32800;
inline constexpr int kRequestFailed = -32803;  // understood, but it could not be done

// DiagnosticSeverity.
inline constexpr int kSeverityError = 1;
inline constexpr int kSeverityWarning = 2;
inline constexpr int kSeverityInformation = 3;
inline constexpr int kSeverityHint = 4;
// DiagnosticTag: the editor fades the text.
inline constexpr int kTagUnnecessary = 1;

// SymbolKind, those used.
inline constexpr int kSymbolNamespace = 3;
inline constexpr int kSymbolConstant = 14;
inline constexpr int kSymbolStruct = 23;
inline constexpr int kSymbolEvent = 24;

// CompletionItemKind and InsertTextFormat.
inline constexpr int kCompletionKeyword = 14;
inline constexpr int kInsertPlainText = 1;
inline constexpr int kInsertSnippet = 2;

// MessageType of window/showMessage.
inline constexpr int kMessageInfo = 3;

// TextDocumentSyncKind.
inline constexpr int kSyncIncremental = 2;

// CodeActionKind and FoldingRangeKind.
inline constexpr std::string_view kQuickFix = "quickfix";
inline constexpr std::string_view kSourceAction = "source";
inline constexpr std::string_view kRegion = "region";

struct Position {
  int line = 0;
  int character = 0;  // UTF-16 code units
  auto operator<=>(const Position&) const = default;
};

struct Range {
  Position start;
  Position end;
  auto operator<=>(const Range&) const = default;
};

struct Location {
  std::string uri;
  Range range;
  auto operator<=>(const Location&) const = default;
};

struct TextEdit {
  Range range;
  std::string new_text;
  auto operator<=>(const TextEdit&) const = default;
};

// MarkupContent: Markdown, or plain text.
struct MarkupContent {
  bool markdown = false;
  std::string value;
};

struct DiagnosticRelatedInformation {
  Location location;
  std::string message;
  auto operator<=>(const DiagnosticRelatedInformation&) const = default;
};

struct Diagnostic {
  Range range;
  int severity = kSeverityError;
  // A status number, a warning's name, or none.
  std::variant<std::monostate, int, std::string> code;
  std::string source = "binario";
  std::string message;
  std::vector<int> tags;
  std::vector<DiagnosticRelatedInformation> related;
  // The edit that mends it, carried as `data.fix` for the quick fix.
  std::optional<TextEdit> fix;
  // Diagnostics are merged and deduplicated by value.
  auto operator<=>(const Diagnostic&) const = default;
};

struct Hover {
  MarkupContent contents;
  Range range;
};

struct CompletionItem {
  std::string label;
  int kind = kCompletionKeyword;
  std::string detail;
  std::string insert_text;
  int insert_text_format = kInsertPlainText;
  // `data.reference`: the reference entry completionItem/resolve adds.
  std::string reference;
};

struct DocumentSymbol {
  std::string name;
  std::optional<std::string> detail;
  int kind = kSymbolNamespace;
  Range range;
  Range selection_range;
  std::optional<std::vector<DocumentSymbol>> children;
};

struct InlayHint {
  Position position;
  std::string label;
  bool padding_left = true;
};

struct FoldingRange {
  int start_line = 0;
  int end_line = 0;
  std::string_view kind = kRegion;
};

struct SemanticTokensLegend {
  std::vector<std::string> token_types;
  std::vector<std::string> token_modifiers;
};

struct SemanticTokens {
  std::vector<int> data;  // five numbers a token, relative to the one before
};

struct ParameterInformation {
  std::pair<size_t, size_t> label;  // offsets into the signature's label
  MarkupContent documentation;
};

struct SignatureInformation {
  std::string label;
  MarkupContent documentation;
  std::vector<ParameterInformation> parameters;
  size_t active_parameter = 0;
};

struct SignatureHelp {
  std::vector<SignatureInformation> signatures;
  size_t active_signature = 0;
  size_t active_parameter = 0;
};

struct Command {
  std::string title;
  std::string command;
  std::vector<std::string> arguments;
};

struct CodeAction {
  std::string title;
  std::string_view kind;
  // The diagnostics it mends, as the client sent them: echoed unchanged.
  std::vector<nlohmann::json> diagnostics;
  bool is_preferred = false;
  // A WorkspaceEdit of one document: its URI and its edits.
  std::optional<std::pair<std::string, std::vector<TextEdit>>> edit;
  std::optional<Command> command;
};

// The part of a codeAction request's context the server reads.
struct CodeActionContext {
  struct Given {
    nlohmann::json diagnostic;    // as the client sent it
    std::optional<TextEdit> fix;  // its well-formed `data.fix`
  };
  std::vector<Given> diagnostics;
  // The kinds asked for; none given: every kind.
  std::optional<std::vector<std::string>> only;
  // Whether `only` lets actions of `kind` through ("" refines every kind).
  bool wants(std::string_view kind) const;
};

// A file watcher of a client/registerCapability request.
struct Registration {
  std::string id;
  std::string method;
  std::vector<std::string> glob_patterns;  // registerOptions.watchers
};

void to_json(nlohmann::json& j, const Position& p);
void to_json(nlohmann::json& j, const Range& r);
void to_json(nlohmann::json& j, const Location& l);
void to_json(nlohmann::json& j, const TextEdit& e);
void to_json(nlohmann::json& j, const MarkupContent& m);
void to_json(nlohmann::json& j, const DiagnosticRelatedInformation& r);
void to_json(nlohmann::json& j, const Diagnostic& d);
void to_json(nlohmann::json& j, const Hover& h);
void to_json(nlohmann::json& j, const CompletionItem& c);
void to_json(nlohmann::json& j, const DocumentSymbol& s);
void to_json(nlohmann::json& j, const InlayHint& h);
void to_json(nlohmann::json& j, const FoldingRange& f);
void to_json(nlohmann::json& j, const SemanticTokensLegend& l);
void to_json(nlohmann::json& j, const SemanticTokens& t);
void to_json(nlohmann::json& j, const ParameterInformation& p);
void to_json(nlohmann::json& j, const SignatureInformation& s);
void to_json(nlohmann::json& j, const SignatureHelp& s);
void to_json(nlohmann::json& j, const Command& c);
void to_json(nlohmann::json& j, const CodeAction& a);
void to_json(nlohmann::json& j, const Registration& r);

// An optional answer: null when there is none.
template <typename T>
nlohmann::json or_null(const std::optional<T>& value) {
  return value ? nlohmann::json(*value) : nlohmann::json(nullptr);
}

// A codeAction request's context; what is missing or of another shape is
// left out (a diagnostic without a well-formed fix has none).
CodeActionContext read_code_action_context(const nlohmann::json& context);

// The `data.reference` of a completion item the client sent back, if it is
// a string.
std::optional<std::string> completion_reference(const nlohmann::json& item);

// The capabilities the server announces in its answer to "initialize": the
// semantic tokens of `legend`, and the one command `command`.
nlohmann::json server_capabilities(const SemanticTokensLegend& legend, std::string_view command);

// The params of client/registerCapability for `registrations`.
nlohmann::json registration_params(const std::vector<Registration>& registrations);

}  // namespace binario::lsp
