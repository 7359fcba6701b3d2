// The language server: the dispatch of the protocol's methods to the
// features, over the JSON-RPC envelope (json_rpc.h), with every compile run
// by the scheduler (scheduler.h) through the pair compile (pair_compile.h).
#pragma once

#include <atomic>
#include <chrono>
#include <istream>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/track_model.h"
#include "lsp/client_capabilities.h"
#include "lsp/document_read.h"
#include "lsp/documents.h"
#include "lsp/json_rpc.h"
#include "lsp/partner_watch.h"
#include "lsp/request_pool.h"
#include "lsp/scheduler.h"
#include "platform/file_system.h"

namespace binario {

struct ServerOptions {
  // The longest a change waits for the next one before the line is checked;
  // the wait follows the cost of the last check and how soon the change
  // came after the one before (adaptive_debounce).
  std::chrono::milliseconds debounce{150};
  // False: every compile runs at once inside `handle`, for tests.
  bool worker = true;
  // Where `run` says why it gave up on a stream it cannot read (standard
  // error); nothing is said when null.
  std::ostream* log = nullptr;
};

class Server {
 public:
  // Reads partner descriptions from `fs`, writes there only the driver's
  // documents the client asks for, and writes framed messages to `out`.
  Server(FileSystem& fs, std::ostream& out, ServerOptions options = {});
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Handles messages from `in` until "exit" or the end of the input, and
  // returns the exit status: 0 after "shutdown" then "exit", 1 otherwise
  // (exit without shutdown, the client gone, a stream that cannot be read).
  // With the worker, one thread reads and another handles what was read, in
  // order; requests are answered by workers of their own (request_pool.h),
  // so none waits for another. The reading thread answers "shutdown", takes
  // "exit" and cancels requests itself: a large message still being parsed
  // never holds them up.
  int run(std::istream& in);

  // Handles one message body.
  void handle(std::string_view body);
  bool exited() const { return exited_; }
  int exit_status() const { return shutdown_ ? 0 : 1; }

 private:
  // The reading thread's share of run(): true when `body` was "shutdown"
  // or "exit" and has been dealt with here.
  bool handled_on_arrival(std::string_view body);
  // Answers a request with its result, its error, or -32800 once it was
  // cancelled.
  void answer(const nlohmann::json& id, const std::string& method, const nlohmann::json& params,
              const std::atomic<bool>& cancelled);
  nlohmann::json request(const std::string& method, const nlohmann::json& params,
                         const std::atomic<bool>& cancelled);
  // The edits that lay the document out, as the protocol's TextEdit[]
  // written out: a large document has hundreds of thousands.
  std::string formatting(const nlohmann::json& params, const std::atomic<bool>& cancelled);
  void notification(const std::string& method, const nlohmann::json& params);

  // Schedules the check of the line `uri` belongs to.
  void schedule_line_of(const std::string& uri, std::chrono::milliseconds delay);
  // The scheduler's job: checks the open documents of a line and publishes.
  void check(const std::string& key, const std::atomic<bool>& cancelled);
  void publish(const std::string& uri, const nlohmann::json& diagnostics);
  // What the compile read of the open document `uri` as it stands now, with
  // that compile's model: the last check's when it read this very text,
  // otherwise a compile made now (its diagnostics are left to the check
  // that is scheduled). Null when the document is not open or of no line.
  struct Reading {
    std::shared_ptr<const DocumentRead> read;
    std::shared_ptr<const TrackModel> model;
  };
  Reading reading(const std::string& uri, const std::atomic<bool>* cancel = nullptr);
  // The source actions that write the driver's documents of the pairs of
  // the open description `uri` (of its train, or of each train of a line).
  nlohmann::json documents_actions(const std::string& uri);
  // Writes the documents of the train description `train_uri` and its line,
  // beside the line description; the result lists the paths written.
  nlohmann::json write_documents(const std::string& train_uri, const std::atomic<bool>& cancelled);
  // The other open documents of the line `uri` belongs to, as the editor
  // spelt their URIs.
  std::vector<std::string> open_partners(const std::string& uri);

  FileSystem& fs_;
  rpc::Outbox outbox_;
  ServerOptions options_;

  // Schedules a check of every line whose partners on disk changed, when
  // the client does not watch them for the server.
  void look_at_partners();

  ClientCapabilities client_;
  // Written by the handling thread or the reading one, read by both.
  std::atomic<bool> initialized_{false};
  std::atomic<bool> shutdown_{false};
  std::atomic<bool> exited_{false};
  bool client_watches_ = false;  // the client reports changed descriptions
  // The processor time the last check took, for the debounce of the next
  // edit: on a busy machine its wall time tells how busy the machine is
  // more than what the check costs.
  std::atomic<int64_t> last_check_us_{0};
  std::chrono::steady_clock::time_point last_edit_{};  // of any document

  std::mutex mutex_;  // guards what follows
  DocumentStore documents_;
  // The last compile's model of each open document, by decoded URI, for
  // hover texts.
  std::map<std::string, std::shared_ptr<const TrackModel>> models_;
  // What the last compile read of each open document, by decoded URI.
  std::map<std::string, std::shared_ptr<const DocumentRead>> reads_;
  // Whether the last check of each open document published an error, by
  // decoded URI.
  std::map<std::string, bool> has_errors_;
  // The line description of each scheduled check, by its key.
  std::map<std::string, std::string> lines_;
  DiskPartners partners_;

  Scheduler scheduler_;   // its worker starts once everything above exists
  RequestPool requests_;  // last: stopped first, before anything its requests read
};

}  // namespace binario
