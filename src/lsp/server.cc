#include "lsp/server.h"

#include <optional>
#include <vector>

#include "compiler/compile.h"
#include "lsp/code_actions.h"
#include "lsp/completion.h"
#include "lsp/document_symbols.h"
#include "lsp/hover.h"
#include "lsp/lsp_diagnostic.h"
#include "lsp/message_reader.h"
#include "lsp/text_position.h"
#include "output/text_encoding.h"

namespace binario {
namespace {

using nlohmann::json;

// JSON-RPC and protocol error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kServerNotInitialized = -32002;

// A document gets at most this many diagnostics, so that a text that is
// wrong on every line costs the editor and the server a bounded amount.
constexpr size_t kMaxDiagnostics = 1000;

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

json capabilities() {
  return {{"textDocumentSync",
           {{"openClose", true}, {"change", 1}, {"save", {{"includeText", false}}}}},
          {"documentSymbolProvider", true},
          {"hoverProvider", true},
          {"completionProvider", json::object()},
          {"codeActionProvider", {{"codeActionKinds", json::array({"quickfix"})}}}};
}

// One description as the compile gets it, with the UTF-8 text its
// diagnostics are placed on.
struct PairText {
  std::string uri;
  std::optional<std::string> utf8;  // nothing: neither open nor readable
  SourceText source;
  std::vector<ReplacedCharacter> replaced;
};

}  // namespace

Server::Server(FileSystem& fs, std::ostream& out, ServerOptions options)
    : fs_(fs), out_(out), options_(options) {
  if (options_.worker) worker_ = std::thread([this] { work(); });
}

Server::~Server() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
}

int Server::run(std::istream& in) {
  std::string body;
  while (!exited_) {
    const ReadResult read = read_message(in, &body);
    if (read != ReadResult::kMessage) return 1;
    handle(body);
  }
  return exit_status();
}

void Server::send(const json& message) {
  // Text that is not UTF-8 is replaced rather than thrown on.
  const std::string body = message.dump(-1, ' ', false, json::error_handler_t::replace);
  std::lock_guard lock(out_mutex_);
  write_message(out_, body);
}

void Server::reply(const json& id, const json& result) {
  send({{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
}

void Server::reply_error(const json& id, int code, const std::string& message) {
  send({{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}});
}

void Server::handle(std::string_view body) {
  json message = json::parse(body, nullptr, false);
  if (message.is_discarded()) {
    reply_error(nullptr, kParseError, "the message is not JSON");
    return;
  }
  if (!message.is_object()) {
    reply_error(nullptr, kInvalidRequest, "the message is not a JSON object");
    return;
  }
  const bool is_request = message.contains("id");
  const json id = is_request ? message["id"] : json();
  if (!message.contains("method")) return;  // a response: the server asks nothing
  if (!message["method"].is_string() ||
      (is_request && !id.is_number_integer() && !id.is_string())) {
    reply_error(is_request && (id.is_number_integer() || id.is_string()) ? id : json(),
                kInvalidRequest, "the message has no valid method or id");
    return;
  }
  const std::string method = message["method"].get<std::string>();
  const json params = message.contains("params") ? message["params"] : json::object();
  if (method == "exit") {
    exited_ = true;
    return;
  }
  if (!initialized_ && method != "initialize") {
    if (is_request) reply_error(id, kServerNotInitialized, "the server is not initialized");
    return;
  }
  if (shutdown_) {
    if (is_request) reply_error(id, kInvalidRequest, "the server is shut down");
    return;
  }
  try {
    if (is_request) {
      handle_request(method, id, params);
    } else {
      handle_notification(method, params);
    }
  } catch (const json::exception& e) {
    // A message whose parameters lack a field or hold the wrong type.
    if (is_request) reply_error(id, kInvalidParams, e.what());
  }
}

void Server::handle_request(const std::string& method, const json& id, const json& params) {
  if (method == "textDocument/documentSymbol") {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    json symbols;
    {
      std::lock_guard lock(mutex_);
      const std::string* text = documents_.text(uri);
      symbols = text ? document_symbols(*text) : json(nullptr);
    }
    reply(id, symbols);
  } else if (method == "textDocument/codeAction") {
    reply(id, quick_fixes(params.at("textDocument").at("uri").get<std::string>(),
                          params.value("context", json::object())));
  } else if (method == "textDocument/completion") {
    reply(id, keyword_completions());
  } else if (method == "textDocument/hover") {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    const int line = params.at("position").at("line").get<int>();
    const int character = params.at("position").at("character").get<int>();
    std::string text;
    std::shared_ptr<const TrackModel> model;
    {
      std::lock_guard lock(mutex_);
      const std::string* open = documents_.text(uri);
      if (!open) {
        reply(id, nullptr);
        return;
      }
      text = *open;
      auto it = models_.find(uri);
      if (it != models_.end()) model = it->second;
    }
    reply(id, hover(text, line, character, model.get()));
  } else if (method == "initialize") {
    if (initialized_) {
      reply_error(id, kInvalidRequest, "the server is already initialized");
      return;
    }
    initialized_ = true;
    reply(id, {{"capabilities", capabilities()},
               {"serverInfo", {{"name", "binario"}, {"version", BINARIO_VERSION}}}});
  } else if (method == "shutdown") {
    shutdown_ = true;
    reply(id, nullptr);
  } else {
    reply_error(id, kMethodNotFound, "unknown method " + method);
  }
}

void Server::handle_notification(const std::string& method, const json& params) {
  if (method == "textDocument/didOpen") {
    const json& doc = params.at("textDocument");
    const std::string uri = doc.at("uri").get<std::string>();
    {
      std::lock_guard lock(mutex_);
      documents_.open(uri, doc.at("text").get<std::string>());
    }
    schedule(uri, std::chrono::milliseconds(0));
  } else if (method == "textDocument/didChange") {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    const json& changes = params.at("contentChanges");
    if (changes.empty()) return;
    {
      std::lock_guard lock(mutex_);
      if (!documents_.text(uri)) return;
      // Whole-text sync: the last change is the document.
      documents_.change(uri, changes.back().at("text").get<std::string>());
    }
    schedule(uri, options_.debounce);
  } else if (method == "textDocument/didSave") {
    schedule(params.at("textDocument").at("uri").get<std::string>(), std::chrono::milliseconds(0));
  } else if (method == "textDocument/didClose") {
    const std::string uri = params.at("textDocument").at("uri").get<std::string>();
    std::optional<DocumentPair> pair;
    {
      std::lock_guard lock(mutex_);
      documents_.close(uri);
      due_.erase(uri);
      models_.erase(uri);
      pair = find_pair(uri, documents_, fs_);
    }
    publish(uri, json::array());
    // The partner, if still open, now compiles against the file on disk.
    if (pair) {
      const std::string& partner = pair->line_uri == uri ? pair->train_uri : pair->line_uri;
      bool open = false;
      {
        std::lock_guard lock(mutex_);
        open = documents_.text(partner) != nullptr;
      }
      if (open) schedule(partner, std::chrono::milliseconds(0));
    }
  }
  // Other notifications, $/cancelRequest among them, need nothing.
}

void Server::schedule(const std::string& uri, std::chrono::milliseconds delay) {
  if (!options_.worker) {
    compile_and_publish(uri);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    due_[uri] = std::chrono::steady_clock::now() + delay;
  }
  wake_.notify_all();
}

void Server::work() {
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (due_.empty()) {
      wake_.wait(lock);
      continue;
    }
    auto next = due_.begin();
    for (auto it = due_.begin(); it != due_.end(); ++it) {
      if (it->second < next->second) next = it;
    }
    if (next->second > std::chrono::steady_clock::now()) {
      wake_.wait_until(lock, next->second);
      continue;
    }
    const std::string uri = next->first;
    due_.erase(next);
    lock.unlock();
    compile_and_publish(uri);
    lock.lock();
  }
}

void Server::compile_and_publish(const std::string& uri) {
  PairText line;
  PairText train;
  std::optional<DocumentPair> pair;
  {
    std::lock_guard lock(mutex_);
    if (!documents_.text(uri)) return;  // closed before its turn
    pair = find_pair(uri, documents_, fs_);
    if (!pair) return;
    line.uri = pair->line_uri;
    train.uri = pair->train_uri;
    for (PairText* part : {&line, &train}) {
      if (const std::string* open = documents_.text(part->uri)) part->utf8 = *open;
    }
  }
  for (PairText* part : {&line, &train}) {
    part->source.name = part->uri;
    if (part->utf8) {
      CompileText text = to_compile_text(*part->utf8);
      part->source.text = std::move(text.bytes);
      part->replaced = std::move(text.replaced);
      continue;
    }
    std::optional<std::string> path = part->uri.empty() ? std::nullopt : uri_to_path(part->uri);
    std::string error;
    if (part == &line && (!path || !fs_.exists(*path))) {
      part->source.missing = true;
    } else if (!path) {
      part->source.unreadable = "no train description NAME_NUM-.txt beside the line description";
    } else if (fs_.read_file(*path, &part->source.text, &error)) {
      part->utf8 = windows1252_to_utf8(part->source.text);
    } else {
      part->source.unreadable = error;
    }
  }
  CompileInput input;
  input.line = line.source;
  input.train = train.source;
  input.nome_percorso = utf8_to_windows1252(pair->name).value_or("?");
  input.numero_treno = utf8_to_windows1252(pair->number).value_or("?");
  input.calcola_linea = true;
  CompileResult result = compile(input);

  std::map<std::string, json> published;
  for (const PairText* part : {&line, &train}) {
    if (!part->utf8) continue;
    json& list = published[part->uri] = json::array();
    for (const ReplacedCharacter& r : part->replaced) {
      if (list.size() >= kMaxDiagnostics) break;
      list.push_back({{"range",
                       {{"start", {{"line", r.line}, {"character", r.start}}},
                        {"end", {{"line", r.line}, {"character", r.end}}}}},
                      {"severity", 1},
                      {"source", "binario"},
                      {"message", "Windows-1252 has no such character; it is compiled as '?'"}});
    }
  }
  std::map<const PairText*, std::vector<size_t>> starts;
  for (const PairText* part : {&line, &train}) {
    if (part->utf8) starts[part] = line_starts(*part->utf8);
  }
  for (const Diagnostic& d : result.status.diagnostics()) {
    // A diagnostic without a place in a text goes to the document that
    // was compiled for.
    const PairText* part = &line;
    if (d.location && d.location->file == train.uri && !train.uri.empty()) {
      part = &train;
    } else if (!d.location || d.location->file != line.uri) {
      part = uri == train.uri ? &train : &line;
    }
    if (!part->utf8) part = uri == train.uri ? &train : &line;
    Diagnostic placed = d;
    if (part->source.name != (d.location ? d.location->file : "")) placed.location.reset();
    json& list = published[part->uri];
    if (list.size() >= kMaxDiagnostics) continue;
    const int at = placed.location ? placed.location->line - 1 : -1;
    list.push_back(lsp_diagnostic(placed, indexed_line(*part->utf8, starts[part], at)));
  }
  {
    auto model = std::make_shared<const TrackModel>(std::move(result.model));
    std::lock_guard lock(mutex_);
    for (const PairText* part : {&line, &train}) {
      if (!part->uri.empty()) models_[part->uri] = model;
    }
  }
  for (const auto& [target, list] : published) publish(target, list);
}

void Server::publish(const std::string& uri, const json& diagnostics) {
  if (uri.empty()) return;
  send({{"jsonrpc", "2.0"},
        {"method", "textDocument/publishDiagnostics"},
        {"params", {{"uri", uri}, {"diagnostics", diagnostics}}}});
}

}  // namespace binario
