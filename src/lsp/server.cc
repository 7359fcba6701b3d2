#include "lsp/server.h"

#include <algorithm>
#include <climits>
#include <ctime>
#include <optional>
#include <thread>

#include "compiler/field_reader.h"
#include "lsp/cell_navigation.h"
#include "lsp/code_actions.h"
#include "lsp/completion.h"
#include "lsp/document_symbols.h"
#include "lsp/document_sync.h"
#include "lsp/driver_documents_action.h"
#include "lsp/formatting.h"
#include "lsp/hover.h"
#include "lsp/inbox.h"
#include "lsp/inlay_hints.h"
#include "lsp/message_reader.h"
#include "lsp/pair_compile.h"
#include "lsp/sections_and_tokens.h"
#include "lsp/signature_help.h"
#include "platform/paths.h"
#include "platform/process.h"

namespace binario {
namespace {

using nlohmann::json;

std::string document_uri(const json& params) {
  return params.at("textDocument").at("uri").get<std::string>();
}

// The 0-based line and UTF-16 column of a request's "position".
std::pair<int, int> position_of(const json& params) {
  const json& position = params.at("position");
  return {rpc::uinteger_field(position, "line"), rpc::uinteger_field(position, "character")};
}

// The most requests answered at once; more wait for the first to end.
constexpr size_t kRequestWorkers = 4;

// The scheduler's key of the job that hands freed memory back to the system
// (every check's key is a line's URI, never empty), and how long after the
// last check it runs.
const std::string kReleaseMemory;
constexpr std::chrono::milliseconds kReleaseMemoryAfter{500};

// The key of a request's id in the pool.
std::string request_key(const json& id) {
  return id.dump();
}

}  // namespace

Server::Server(FileSystem& fs, std::ostream& out, ServerOptions options)
    : fs_(fs),
      outbox_(out),
      options_(options),
      scheduler_(
          [this](const std::string& key, const std::atomic<bool>& cancelled) {
            if (key == kReleaseMemory) {
              release_free_memory();
            } else {
              check(key, cancelled);
            }
          },
          options.worker),
      changes_(options.worker),
      requests_(options.worker ? kRequestWorkers : 0) {}

Server::~Server() {
  changes_.stop();
}

namespace {

// A body this short is looked at by the reading thread, for "shutdown" and
// "exit"; a longer one is a document's text, and once the server is shut
// down it is dropped unread (a shut-down server ignores every notification,
// and no request carries a text).
constexpr size_t kShortBody = 4096;

// The bodies waiting for the handling thread may take this much together.
constexpr size_t kInboxBytes = 2 * kMaxMessageBytes;

// A didChange longer than this is parsed and applied off the handling
// thread: at 64 kB its parse takes about a millisecond, at 1.5 MB (the
// formatting edits of a large line sent back) tens of them.
constexpr size_t kLargeChange = 64 * 1024;

}  // namespace

int Server::run(std::istream& in) {
  std::string body;
  std::string why;
  Inbox inbox(kInboxBytes);
  std::thread handling;
  if (options_.worker) {
    handling = std::thread([&] {
      std::string next;
      while (inbox.take(&next)) {
        if (shutdown_ && next.size() > kShortBody) continue;
        handle(next);
      }
    });
  }
  int status = -1;
  while (!exited_ && status < 0) {
    const ReadResult read = read_message(in, &body, kMaxMessageBytes, &why);
    if (read == ReadResult::kEnd) {
      status = 1;
    } else if (read != ReadResult::kMessage) {
      if (options_.log) {
        *options_.log << "binario lsp: cannot read the next message: " << why
                      << "; the connection is closed\n"
                      << std::flush;
      }
      status = 1;
    } else if (!options_.worker) {
      handle(body);
    } else if (!handled_on_arrival(body)) {
      inbox.put(std::move(body));
      body.clear();
    }
  }
  // What was read before the end is handled (a shut-down server drops the
  // texts unread), then the changes not yet applied are dropped, and the
  // requests and the check in progress are cancelled.
  inbox.close();
  if (handling.joinable()) handling.join();
  changes_.stop();
  requests_.stop();
  scheduler_.stop();
  return status < 0 ? exit_status() : status;
}

bool Server::handled_on_arrival(std::string_view body) {
  if (body.size() > kShortBody) return false;
  rpc::Parsed parsed = rpc::parse_message(body);
  if (!parsed.message) return false;
  const rpc::Message& message = *parsed.message;
  if (message.method == "exit") {
    exited_ = true;
    return true;
  }
  if (message.method == "$/cancelRequest" && message.kind == rpc::Message::Kind::kNotification) {
    if (message.params.contains("id")) requests_.cancel(request_key(message.params["id"]));
    return true;
  }
  if (message.method != "shutdown" || message.kind != rpc::Message::Kind::kRequest ||
      !initialized_ || shutdown_) {
    return false;
  }
  shutdown_ = true;
  // The check and the requests in progress are cancelled, not waited for:
  // this thread goes back to reading at once, for the "exit" that follows.
  scheduler_.halt();
  requests_.cancel_all();
  outbox_.reply(message.id, nullptr);
  return true;
}

void Server::handle(std::string_view body) {
  if (options_.worker && body.size() > kLargeChange && initialized_ && !shutdown_) {
    if (std::optional<std::string> uri = rpc::document_of(body, "textDocument/didChange")) {
      put_change(*uri, std::string(body));
      return;
    }
  }
  dispatch(rpc::parse_message(body));
}

void Server::dispatch(rpc::Parsed parsed) {
  if (parsed.error) {
    outbox_.reply_error(parsed.error_id, *parsed.error);
    return;
  }
  rpc::Message& message = *parsed.message;
  using Kind = rpc::Message::Kind;
  if (message.kind == Kind::kResponse) return;
  const bool is_request = message.kind == Kind::kRequest;
  if (message.method == "exit") {
    exited_ = true;
    scheduler_.stop();
    return;
  }
  if (!initialized_ && message.method != "initialize") {
    if (is_request) {
      outbox_.reply_error(message.id,
                          rpc::Error(lsp::kServerNotInitialized, "the server is not initialized"));
    }
    return;
  }
  if (shutdown_) {
    if (is_request) {
      outbox_.reply_error(message.id, rpc::Error(lsp::kInvalidRequest, "the server is shut down"));
    }
    return;
  }
  if (is_request && message.method != "initialize" && message.method != "shutdown") {
    // Taken in order, answered in parallel: what the request reads is the
    // state every message before it has left.
    const std::string key = request_key(message.id);
    requests_.run(key, [this, id = std::move(message.id), method = std::move(message.method),
                        params = std::move(message.params),
                        after = changes_.last()](const std::atomic<bool>& cancelled) {
      answer(id, method, params, Asked{cancelled, after});
    });
    return;
  }
  if (is_request) {
    const std::atomic<bool> never{false};
    answer(message.id, message.method, message.params, Asked{never, changes_.last()});
    return;
  }
  try {
    notification(message.method, message.params);
  } catch (const rpc::Error&) {
  } catch (const json::exception&) {
    // Parameters that lack a field or hold the wrong type: a notification
    // has no answer to say so in.
  }
}

void Server::answer(const json& id, const std::string& method, const json& params,
                    const Asked& asked) {
  const std::atomic<bool>& cancelled = asked.cancelled;
  try {
    if (cancelled) throw CompileCancelled();
    if (method == "textDocument/formatting") {
      const std::string edits = formatting(params, asked);
      if (cancelled) throw CompileCancelled();
      outbox_.reply_written(id, edits);
    } else {
      const json result = request(method, params, asked);
      // A command that got as far as writing its files says so, cancelled
      // meanwhile or not.
      if (cancelled && method != "workspace/executeCommand") throw CompileCancelled();
      outbox_.reply(id, result);
    }
  } catch (const CompileCancelled&) {
    outbox_.reply_error(id, rpc::Error(lsp::kRequestCancelled, "the request was cancelled"));
  } catch (const rpc::Error& e) {
    outbox_.reply_error(id, e);
  } catch (const json::exception& e) {
    // Parameters that lack a field or hold the wrong type.
    outbox_.reply_error(id, rpc::Error(lsp::kInvalidParams, e.what()));
  }
  // The edits of a large document take tens of megabytes while they are
  // built and written; they go back to the system, not to the heap. Not at
  // once: the editor sends them back right away, and applying them and
  // compiling the text they make would take the memory again, page by page.
  if (method == "textDocument/formatting") scheduler_.schedule(kReleaseMemory, kReleaseMemoryAfter);
}

std::string Server::formatting(const json& params, const Asked& asked) {
  const std::shared_ptr<const DocumentRead> read = text_reading(document_uri(params), asked);
  if (!read) return "[]";
  const std::vector<LineEdit> edits = formatting_edits(*read, &asked.cancelled);
  // The protocol's TextEdit[], each member as dump() would write it.
  std::string out = "[";
  for (const LineEdit& edit : edits) {
    if (out.size() > 1) out += ',';
    const std::string line = std::to_string(edit.line);
    out += R"({"newText":)";
    out += json(edit.text).dump(-1, ' ', false, json::error_handler_t::replace);
    out += R"(,"range":{"end":{"character":)";
    out += std::to_string(edit.end);
    out += R"(,"line":)" + line + R"(},"start":{"character":0,"line":)" + line + "}}}";
  }
  out += ']';
  return out;
}

json Server::request(const std::string& method, const json& params, const Asked& asked) {
  if (method == "initialize") {
    if (initialized_) throw rpc::Error(lsp::kInvalidRequest, "the server is already initialized");
    initialized_ = true;
    client_ = read_client_capabilities(params);
    client_watches_ = can_register_file_watching(params);
    return {{"capabilities",
             lsp::server_capabilities(semantic_tokens_legend(), kWriteDocumentsCommand)},
            {"serverInfo", {{"name", "binario"}, {"version", BINARIO_VERSION}}}};
  }
  if (method == "shutdown") {
    shutdown_ = true;
    // A compile in progress is cancelled, not waited for.
    scheduler_.halt();
    requests_.cancel_all();
    return nullptr;
  }
  if (method == "textDocument/documentSymbol") {
    const std::shared_ptr<const DocumentRead> read = text_reading(document_uri(params), asked);
    return read ? json(document_symbols(*read)) : json(nullptr);
  }
  if (method == "textDocument/codeAction") {
    const std::string uri = document_uri(params);
    const lsp::CodeActionContext context =
        lsp::read_code_action_context(params.value("context", json::object()));
    std::vector<lsp::CodeAction> actions = quick_fixes(uri, context);
    if (context.wants(lsp::kSourceAction)) {
      for (lsp::CodeAction& action : documents_actions(uri)) actions.push_back(std::move(action));
    }
    return actions;
  }
  if (method == "workspace/executeCommand") {
    if (params.at("command").get<std::string>() != kWriteDocumentsCommand) {
      throw rpc::Error(lsp::kInvalidParams, "unknown command");
    }
    const std::vector<std::string> written =
        write_documents(params.at("arguments").at(0).get<std::string>(), asked);
    return {{"written", written}};
  }
  if (method == "completionItem/resolve") {
    // The item as the client sent it, with the documentation its data names.
    json item = params;
    if (const std::optional<std::string> reference = lsp::completion_reference(item)) {
      if (std::optional<lsp::MarkupContent> entry = completion_documentation(*reference, client_)) {
        item["documentation"] = *entry;
      }
    }
    return item;
  }
  // What the compile read of the request's document, and which file it is.
  const auto read_at =
      [&]() -> std::pair<std::shared_ptr<const DocumentRead>, std::optional<DescriptionFile>> {
    const std::string uri = document_uri(params);
    return {text_reading(uri, asked), description_file(uri)};
  };
  if (method == "textDocument/completion") {
    const auto [read, file] = read_at();
    if (!read || !file) return json::array();
    const auto [line, character] = position_of(params);
    return keyword_completions(*read, *file, line, character, client_);
  }
  if (method == "textDocument/signatureHelp") {
    const auto [read, file] = read_at();
    if (!read || !file) return nullptr;
    const auto [line, character] = position_of(params);
    return lsp::or_null(signature_help(*read, *file, line, character, client_.signature_markdown));
  }
  if (method == "textDocument/inlayHint") {
    const Reading now = reading(document_uri(params), asked);
    const json& range = params.at("range");
    if (!now.read) return json::array();
    return inlay_hints(*now.read, rpc::uinteger_field(range.at("start"), "line"),
                       rpc::uinteger_field(range.at("end"), "line"), now.model.get());
  }
  if (method == "textDocument/definition" || method == "textDocument/references") {
    const std::string uri = document_uri(params);
    const auto [line, character] = position_of(params);
    const Reading own = reading(uri, asked);
    const std::optional<DescriptionFile> file = description_file(uri);
    if (!own.read || !file) return nullptr;
    std::vector<CellDocument> documents{{uri, *file, own.read}};
    for (const std::string& partner : open_partners(uri)) {
      const std::optional<DescriptionFile> partner_file = description_file(partner);
      const Reading read = reading(partner, asked);
      if (read.read && partner_file) documents.push_back({partner, *partner_file, read.read});
    }
    return lsp::or_null(cell_locations(documents, line, character, own.model.get(),
                                       method == "textDocument/definition"));
  }
  if (method == "textDocument/foldingRange") {
    const std::shared_ptr<const DocumentRead> read = text_reading(document_uri(params), asked);
    return read ? json(folding_ranges(*read)) : json::array();
  }
  if (method == "textDocument/semanticTokens/full") {
    const std::shared_ptr<const DocumentRead> read = text_reading(document_uri(params), asked);
    return read ? json(semantic_tokens(*read)) : json(nullptr);
  }
  if (method == "textDocument/hover") {
    const std::string uri = document_uri(params);
    const auto [line, character] = position_of(params);
    // On a keyword or most values the hover says what was read, and only
    // the cells of a position or the run to a station need the model: the
    // answer from the reading is taken when it never asked for one.
    const int through = line < INT_MAX ? line + 1 : line;  // 1-based
    if (const std::shared_ptr<const DocumentRead> read = text_reading(uri, asked, through)) {
      bool model_asked = false;
      const ModelOfRead no_model = [&model_asked]() -> const TrackModel* {
        model_asked = true;
        return nullptr;
      };
      std::optional<lsp::Hover> said =
          hover(*read, line, character, no_model, client_.hover_markdown);
      if (!model_asked) return lsp::or_null(said);
    }
    const Reading now = reading(uri, asked);
    if (!now.read) return nullptr;
    return lsp::or_null(hover(*now.read, line, character, now.model.get(), client_.hover_markdown));
  }
  throw rpc::Error(lsp::kMethodNotFound, "unknown method " + method);
}

void Server::notification(const std::string& method, const json& params) {
  if (method == "initialized") {
    if (client_watches_) {
      outbox_.request("binario-watch", "client/registerCapability",
                      lsp::registration_params({file_watching_registration()}));
    }
    return;
  }
  if (method == "workspace/didChangeWatchedFiles") {
    for (const json& change : params.at("changes")) {
      const std::string uri = change.at("uri").get<std::string>();
      forget_seen(uri);
      bool open = false;
      {
        std::lock_guard lock(mutex_);
        open = documents_.is_open(uri);
      }
      // An open document's text is the editor's, whatever the disk holds.
      if (!open) schedule_line_of(uri, std::chrono::milliseconds(0));
    }
    return;
  }
  if (method == "textDocument/didOpen" || method == "textDocument/didChange" ||
      method == "textDocument/didSave") {
    look_at_partners();
  }
  // A document opened, closed or saved: the pairing looks at its folder
  // again (a save may have made the file).
  if (method == "textDocument/didOpen" || method == "textDocument/didClose" ||
      method == "textDocument/didSave") {
    const json& document = params.at("textDocument");
    forget_seen(document.at("uri").get<std::string>());
  }
  if (method == "textDocument/didOpen") {
    const json& doc = params.at("textDocument");
    const std::string uri = doc.at("uri").get<std::string>();
    in_order(uri, [this, uri, text = doc.at("text").get<std::string>()]() mutable {
      std::lock_guard lock(mutex_);
      documents_.open(uri, std::move(text));
    });
    schedule_line_of(uri, std::chrono::milliseconds(0));
  } else if (method == "textDocument/didChange") {
    const std::string uri = document_uri(params);
    const json& changes = params.at("contentChanges");
    if (changes.empty()) return;
    if (changes_.pending(percent_decode(uri))) {
      in_order(uri, [this, uri, changes] { change_document(uri, changes); });
    } else if (!change_document(uri, changes)) {
      return;
    }
    schedule_after_change(uri);
  } else if (method == "textDocument/didSave") {
    schedule_line_of(document_uri(params), std::chrono::milliseconds(0));
  } else if (method == "textDocument/didClose") {
    const std::string uri = document_uri(params);
    in_order(uri, [this, uri] {
      std::string spelt = uri;
      {
        std::lock_guard lock(mutex_);
        spelt = documents_.open_uri(uri).value_or(uri);
        documents_.close(uri);
        models_.erase(percent_decode(uri));
        reads_.erase(percent_decode(uri));
        lone_reads_.erase(percent_decode(uri));
        has_errors_.erase(percent_decode(uri));
      }
      publish(spelt, {});
    });
    // What is still open of its line is checked again: an open partner now
    // compiles against the file on disk.
    schedule_line_of(uri, std::chrono::milliseconds(0));
  }
  if (method == "$/cancelRequest") requests_.cancel(request_key(params.at("id")));
  // Other notifications need nothing.
}

void Server::put_change(const std::string& uri, std::string body) {
  look_at_partners();
  changes_.put(percent_decode(uri), [this, body = std::move(body)] { apply_put_change(body); });
  schedule_after_change(uri);
}

void Server::apply_put_change(const std::string& body) {
  // Read straight into its changes: building the message as JSON values
  // takes several times as long (ten thousand objects for a formatting's
  // edits), and a request on this document waits for it.
  if (std::optional<DidChange> change = read_did_change(body)) {
    std::lock_guard lock(mutex_);
    if (documents_.is_open(change->uri)) apply_changes(documents_, change->uri, change->changes);
    return;
  }
  rpc::Parsed parsed = rpc::parse_message(body);
  const rpc::Message* message = parsed.message ? &*parsed.message : nullptr;
  if (!message || message->kind != rpc::Message::Kind::kNotification ||
      message->method != "textDocument/didChange") {
    // Not JSON after all, or a request: answered as any message is.
    dispatch(std::move(parsed));
    return;
  }
  try {
    change_document(document_uri(message->params), message->params.at("contentChanges"));
  } catch (const rpc::Error&) {
  } catch (const json::exception&) {
    // As for any notification: nothing to answer with.
  }
}

void Server::in_order(const std::string& uri, ChangeQueue::Job change) {
  if (!changes_.pending(percent_decode(uri))) {
    change();
    return;
  }
  changes_.put(percent_decode(uri), [change = std::move(change)] {
    try {
      change();
    } catch (const rpc::Error&) {
    } catch (const json::exception&) {
    }
  });
}

bool Server::change_document(const std::string& uri, const json& changes) {
  std::lock_guard lock(mutex_);
  if (!documents_.is_open(uri)) return false;
  apply_content_changes(documents_, uri, changes);
  return true;
}

void Server::schedule_after_change(const std::string& uri) {
  const auto now = std::chrono::steady_clock::now();
  const auto since_last_edit = now - last_edit_;
  last_edit_ = now;
  schedule_line_of(uri, adaptive_debounce(std::chrono::microseconds(last_check_us_.load()),
                                          options_.debounce, since_last_edit));
}

void Server::schedule_line_of(const std::string& uri, std::chrono::milliseconds delay) {
  const std::optional<LineOf> line = line_of(uri);
  if (!line) return;
  const std::string key = percent_decode(line->line_uri);
  {
    std::lock_guard lock(mutex_);
    lines_[key] = line->line_uri;
  }
  scheduler_.schedule(key, delay);
}

void Server::check(const std::string& key, const std::atomic<bool>& cancelled) {
  LineTexts texts;
  // The revision of every document the check reads: the editor's, or 0 for
  // one read from disk (opened meanwhile, the editor's text replaces it).
  std::vector<std::pair<std::string, uint64_t>> revisions;
  // The changes put before the check began are applied first: a check
  // follows the change that scheduled it.
  changes_.wait_all(changes_.last());
  if (cancelled) return;
  std::string line_uri;
  {
    std::lock_guard lock(mutex_);
    auto line = lines_.find(key);
    if (line == lines_.end()) return;
    line_uri = line->second;
  }
  // The check looks at the folder again: the stamps it records below are
  // of what it saw.
  const LineGroup group = group_of(line_uri, true);
  {
    std::lock_guard lock(mutex_);
    auto line = lines_.find(key);
    if (line == lines_.end()) return;
    bool any_open = false;
    std::vector<std::string> on_disk;
    auto document = [&](const std::string& uri) {
      const std::shared_ptr<const std::string> text = documents_.text(uri);
      any_open = any_open || text;
      revisions.emplace_back(uri, documents_.revision(uri));
      if (!text) on_disk.push_back(uri_to_path(uri).value_or(""));
      return PairDocument{uri, text ? std::optional<std::string>(*text) : std::nullopt};
    };
    texts.line = document(group.line_uri);
    texts.name = group.name;
    for (const LineGroup::Train& train : group.trains) {
      texts.trains.push_back({document(train.uri), train.number});
    }
    // A line nothing of which is open any more is forgotten.
    if (!any_open) {
      partners_.forget(key);
      lines_.erase(line);
      return;
    }
    partners_.record(key, path_parent(uri_to_path(group.line_uri).value_or("")), on_disk, fs_);
  }
  LineChecked checked;
  const std::clock_t started = std::clock();
  try {
    checked = check_line(texts, fs_, &cancelled, &compiles_);
  } catch (const CompileCancelled&) {
    return;
  }
  last_check_us_ = static_cast<int64_t>(std::clock() - started) * 1'000'000 / CLOCKS_PER_SEC;
  // The compile's model of a long line (megabytes of cells and geometry) is
  // gone by now: once no check has run for a while, the allocator gives it
  // back to the system. Not at once: the next check of a text being edited
  // would take it again, page by page.
  scheduler_.schedule(kReleaseMemory, kReleaseMemoryAfter);
  std::lock_guard lock(mutex_);
  // Cancelled after its last step (the server shut down, or the line is to
  // be checked again): the newer check, if any, has the word.
  if (cancelled) return;
  // A text changed, opened, opened again or closed while it was being
  // checked: the result is of a text the editor no longer holds, and the
  // change has scheduled a check of its own. Nothing stale is published.
  for (const auto& [uri, revision] : revisions) {
    if (documents_.revision(uri) != revision || changes_.pending(percent_decode(uri))) return;
  }
  for (auto& [uri, model] : checked.models) {
    if (documents_.is_open(uri)) models_[percent_decode(uri)] = std::move(model);
  }
  for (auto& [uri, read] : checked.reads) {
    if (!documents_.is_open(uri)) continue;
    reads_[percent_decode(uri)] = std::move(read);
    lone_reads_.erase(percent_decode(uri));
  }
  for (const auto& [target, list] : checked.diagnostics) {
    if (!documents_.is_open(target)) continue;
    has_errors_[percent_decode(target)] =
        std::any_of(list.begin(), list.end(),
                    [](const lsp::Diagnostic& d) { return d.severity == lsp::kSeverityError; });
    publish(target, list);
  }
}

std::vector<std::string> Server::open_partners(const std::string& uri) {
  const std::optional<LineOf> line = line_of(uri);
  if (!line) return {};
  const LineGroup group = group_of(line->line_uri);
  std::lock_guard lock(mutex_);
  std::vector<std::string> uris{group.line_uri};
  for (const LineGroup::Train& train : group.trains) uris.push_back(train.uri);
  std::vector<std::string> open;
  for (const std::string& partner : uris) {
    if (percent_decode(partner) == percent_decode(uri)) continue;
    if (std::optional<std::string> spelt = documents_.open_uri(partner)) open.push_back(*spelt);
  }
  return open;
}

std::vector<lsp::CodeAction> Server::documents_actions(const std::string& uri) {
  const std::optional<LineOf> line = line_of(uri);
  if (!line) return {};
  const LineGroup group = group_of(line->line_uri);
  std::lock_guard lock(mutex_);
  if (!documents_.is_open(uri)) return {};
  // The pair's last check found no error in what of it is open (and a
  // document not checked yet is not offered the action). The command
  // compiles the pair again and refuses one with errors.
  const auto clean = [&](const std::string& of) {
    if (!documents_.is_open(of)) return true;
    const auto it = has_errors_.find(percent_decode(of));
    return it != has_errors_.end() && !it->second;
  };
  std::vector<lsp::CodeAction> actions;
  for (const LineGroup::Train& train : group.trains) {
    const bool asked_for = percent_decode(train.uri) == percent_decode(uri);
    if (!line->number.empty() && !asked_for) continue;
    if (!clean(uri) || !clean(group.line_uri) || !clean(train.uri)) continue;
    actions.push_back(write_documents_action(train.uri, train.number,
                                             line->number.empty() && group.trains.size() > 1));
  }
  return actions;
}

std::vector<std::string> Server::write_documents(const std::string& train_uri, const Asked& asked) {
  // Every change sent before the command: the documents are of the texts
  // the editor shows.
  changes_.wait_all(asked.after);
  PairTexts pair;
  std::string folder;
  const std::optional<LineOf> line = line_of(train_uri);
  if (!line || line->number.empty()) {
    throw rpc::Error(lsp::kInvalidParams, "not a train description: " + train_uri);
  }
  const std::optional<std::string> line_path = uri_to_path(line->line_uri);
  if (!line_path) throw rpc::Error(lsp::kInvalidParams, "not a file: " + line->line_uri);
  folder = path_parent(*line_path);
  {
    std::lock_guard lock(mutex_);
    auto document = [&](const std::string& of) {
      const std::shared_ptr<const std::string> open = documents_.text(of);
      return PairDocument{of, open ? std::optional<std::string>(*open) : std::nullopt};
    };
    pair.line = document(line->line_uri);
    pair.train = document(train_uri);
    pair.name = line->name;
    pair.number = line->number;
  }
  std::vector<std::string> paths = write_driver_documents(pair, folder, fs_, &asked.cancelled);
  std::string said = "Wrote the driver's documents:";
  for (const std::string& path : paths) said += " " + path;
  outbox_.notify("window/showMessage", {{"type", lsp::kMessageInfo}, {"message", said}});
  return paths;
}

Server::Reading Server::reading(const std::string& uri, const Asked& asked) {
  const std::string key = percent_decode(uri);
  // The document's own changes sent before the request: what the last
  // check read may be this very text.
  changes_.wait(key, asked.after);
  {
    std::shared_ptr<const DocumentRead> read;
    std::shared_ptr<const CompactModel> model;
    {
      std::lock_guard lock(mutex_);
      const std::shared_ptr<const std::string> text = documents_.text(uri);
      if (!text) return {};
      const auto kept_read = reads_.find(key);
      const auto kept_model = models_.find(key);
      if (kept_read != reads_.end() && kept_read->second->utf8_text == *text &&
          kept_model != models_.end()) {
        read = kept_read->second;
        model = kept_model->second;
      }
    }
    // Expanded for this request alone, outside the lock.
    if (read) return {read, std::make_shared<const TrackModel>(model->expand())};
  }
  // A compile of the pair: its partner's changes too.
  changes_.wait_all(asked.after);
  const std::optional<LineOf> line = line_of(uri);
  if (!line) return {};
  const LineGroup group = group_of(line->line_uri);
  PairTexts pair;
  {
    std::lock_guard lock(mutex_);
    if (!documents_.is_open(uri)) return {};
    auto document = [&](const std::string& of) {
      const std::shared_ptr<const std::string> open = documents_.text(of);
      return PairDocument{of, open ? std::optional<std::string>(*open) : std::nullopt};
    };
    pair.line = document(group.line_uri);
    pair.name = group.name;
    if (description_file(uri) == DescriptionFile::kTrain) {
      pair.train = document(documents_.open_uri(uri).value_or(uri));
      pair.number = line->number;
    } else if (!group.trains.empty()) {
      pair.train = document(group.trains.front().uri);
      pair.number = group.trains.front().number;
    }
  }
  // Asked for as the check asks for it (a diagnostic with no place goes to
  // the open train), so that the two share one compile of the same texts.
  const std::string asked_for = pair.train.open_text ? pair.train.uri : pair.line.uri;
  const std::shared_ptr<const PairCompiled> compiled =
      compiles_.compile(pair, asked_for, fs_, &asked.cancelled);
  for (const auto& [compiled_uri, read] : compiled->reads) {
    if (percent_decode(compiled_uri) == key) return {read, compiled->model};
  }
  return {};
}

std::shared_ptr<const DocumentRead> Server::text_reading(const std::string& uri, const Asked& asked,
                                                         int through) {
  const std::string key = percent_decode(uri);
  changes_.wait(key, asked.after);
  const bool line_description = description_file(uri) == DescriptionFile::kLine;
  std::shared_ptr<const std::string> text;
  {
    std::lock_guard lock(mutex_);
    text = documents_.text(uri);
    if (!text) return nullptr;
    for (const auto* kept : {&reads_, &lone_reads_}) {
      const auto it = kept->find(key);
      if (it != kept->end() && it->second->utf8_text == *text) return it->second;
    }
  }
  if (!line_description) return reading(uri, asked).read;
  const std::optional<LineOf> line = line_of(uri);
  if (!line) return nullptr;
  if (through > 0) {
    // Read up to the place asked about: in a long text, a small share of it.
    std::shared_ptr<const DocumentRead> start =
        read_line_through(PairDocument{uri, *text}, line->name, through, &asked.cancelled);
    if (start) return start;
  }
  std::shared_ptr<const DocumentRead> read =
      read_line_alone(PairDocument{uri, *text}, line->name, &asked.cancelled);
  std::lock_guard lock(mutex_);
  // Kept while the document holds this text.
  if (std::shared_ptr<const std::string> now = documents_.text(uri); now && *now == *text) {
    lone_reads_[key] = read;
  }
  return read;
}

Server::PairingStart Server::pairing_start(const std::string* fresh_folder_of) {
  std::lock_guard lock(mutex_);
  if (fresh_folder_of) {
    seen_.forget_folder_of(*fresh_folder_of);
    ++seen_generation_;
  }
  return {documents_.open_uris(), seen_, seen_generation_};
}

void Server::keep_seen(const PairingStart& start) {
  std::lock_guard lock(mutex_);
  if (start.generation == seen_generation_) seen_.add(start.seen);
}

void Server::forget_seen(const std::string& uri) {
  std::lock_guard lock(mutex_);
  seen_.forget_folder_of(uri);
  ++seen_generation_;
}

std::optional<LineOf> Server::line_of(const std::string& uri) {
  PairingStart start = pairing_start(nullptr);
  std::optional<LineOf> line = line_of_document(uri, start.open, start.seen);
  keep_seen(start);
  return line;
}

LineGroup Server::group_of(const std::string& line_uri, bool fresh) {
  PairingStart start = pairing_start(fresh ? &line_uri : nullptr);
  LineGroup group = line_group(line_uri, start.open, start.seen);
  keep_seen(start);
  return group;
}

void Server::look_at_partners() {
  if (client_watches_) return;
  std::vector<std::string> changed;
  {
    std::lock_guard lock(mutex_);
    changed = partners_.changed(fs_);
    for (const std::string& key : changed) {
      const auto line = lines_.find(key);
      if (line != lines_.end()) seen_.forget_folder_of(line->second);
    }
    if (!changed.empty()) ++seen_generation_;
  }
  for (const std::string& key : changed) scheduler_.schedule(key, std::chrono::milliseconds(0));
}

void Server::publish(const std::string& uri, const std::vector<lsp::Diagnostic>& diagnostics) {
  if (uri.empty()) return;
  outbox_.notify("textDocument/publishDiagnostics", {{"uri", uri}, {"diagnostics", diagnostics}});
}

}  // namespace binario
