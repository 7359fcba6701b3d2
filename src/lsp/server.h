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
#include "lsp/change_queue.h"
#include "lsp/client_capabilities.h"
#include "lsp/compact_model.h"
#include "lsp/document_read.h"
#include "lsp/documents.h"
#include "lsp/json_rpc.h"
#include "lsp/pair_compile.h"
#include "lsp/partner_watch.h"
#include "lsp/protocol.h"
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
  // Stops the changes first: a change being applied may still hand a
  // request to the workers, and those may still wait for changes.
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Handles messages from `in` until "exit" or the end of the input, and
  // returns the exit status: 0 after "shutdown" then "exit", 1 otherwise
  // (exit without shutdown, the client gone, a stream that cannot be read).
  // With the worker, one thread reads and another handles what was read, in
  // order; requests are answered by workers of their own (request_pool.h),
  // so none waits for another. The reading thread answers "shutdown", takes
  // "exit" and cancels requests itself: a large message still being parsed
  // never holds them up. A large change of a document is parsed and applied
  // by a thread of its own (change_queue.h): the handling thread goes on to
  // the next message at once, and a request waits for the changes of the
  // documents it reads, not for others.
  int run(std::istream& in);

  // Handles one message body.
  void handle(std::string_view body);
  bool exited() const { return exited_; }
  int exit_status() const { return shutdown_ ? 0 : 1; }

 private:
  // The reading thread's share of run(): true when `body` was "shutdown"
  // or "exit" and has been dealt with here.
  bool handled_on_arrival(std::string_view body);
  // handle() once the body is read.
  void dispatch(rpc::Parsed parsed);
  // What a request is answered from: the texts as the changes put before it
  // (up to that ticket of changes_) left them, at least.
  struct Asked {
    const std::atomic<bool>& cancelled;
    uint64_t after = 0;
  };
  // Answers a request with its result, its error, or -32800 once it was
  // cancelled.
  void answer(const nlohmann::json& id, const std::string& method, const nlohmann::json& params,
              const Asked& asked);
  nlohmann::json request(const std::string& method, const nlohmann::json& params,
                         const Asked& asked);
  // The edits that lay the document out, as the protocol's TextEdit[]
  // written out: a large document has hundreds of thousands.
  std::string formatting(const nlohmann::json& params, const Asked& asked);
  void notification(const std::string& method, const nlohmann::json& params);

  // Hands the didChange `body` of the document `uri` to changes_, to be
  // parsed and applied there, and schedules the check it causes.
  void put_change(const std::string& uri, std::string body);
  // changes_'s job for put_change().
  void apply_put_change(const std::string& body);
  // Runs `change` of the open document `uri` now, or after the changes of
  // that document still in changes_.
  void in_order(const std::string& uri, ChangeQueue::Job change);
  // Applies a didChange's contentChanges; false when the document is not
  // open.
  bool change_document(const std::string& uri, const nlohmann::json& changes);
  // Schedules the check a change of `uri` causes, after the debounce.
  void schedule_after_change(const std::string& uri);
  // Schedules the check of the line `uri` belongs to.
  void schedule_line_of(const std::string& uri, std::chrono::milliseconds delay);
  // The scheduler's job: checks the open documents of a line and publishes.
  void check(const std::string& key, const std::atomic<bool>& cancelled);
  void publish(const std::string& uri, const std::vector<lsp::Diagnostic>& diagnostics);
  // What the compile read of the open document `uri` as it stands now, with
  // that compile's model: the last check's when it read this very text,
  // otherwise a compile made now (its diagnostics are left to the check
  // that is scheduled). Null when the document is not open or of no line.
  struct Reading {
    std::shared_ptr<const DocumentRead> read;
    std::shared_ptr<const TrackModel> model;
  };
  Reading reading(const std::string& uri, const Asked& asked);
  // What the compile read of the open document `uri` as it stands now, for
  // a request that needs no model: the last check's reading of this very
  // text, or of a line description its text read alone (read_line_alone:
  // no train, no compile of the pair to wait for), or else reading()'s.
  // Null when the document is not open or of no line. With `through` (a
  // 1-based line), a line description's reading may end a few lines after
  // that line (read_line_through): for a request on a place up to there.
  std::shared_ptr<const DocumentRead> text_reading(const std::string& uri, const Asked& asked,
                                                   int through = 0);
  // The source actions that write the driver's documents of the pairs of
  // the open description `uri` (of its train, or of each train of a line).
  std::vector<lsp::CodeAction> documents_actions(const std::string& uri);
  // Writes the documents of the train description `train_uri` and its line,
  // beside the line description; returns the paths written.
  std::vector<std::string> write_documents(const std::string& train_uri, const Asked& asked);
  // The line description `uri` belongs to, and the line description
  // `line_uri` with its trains: worked out from the open documents' URIs
  // and what seen_ holds of the disk, both taken under the lock; what is
  // not there yet is looked at without it and kept. With `fresh`, the
  // line's folder is looked at again (a check).
  std::optional<LineOf> line_of(const std::string& uri);
  LineGroup group_of(const std::string& line_uri, bool fresh = false);
  struct PairingStart {
    OpenUris open;
    DiskSeen seen;
    uint64_t generation = 0;
  };
  PairingStart pairing_start(const std::string* fresh_folder_of);
  void keep_seen(const PairingStart& start);
  // Forgets what seen_ holds of the folder `uri` is in: something there
  // was opened, closed, saved, created, changed or deleted.
  void forget_seen(const std::string& uri);
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
  // The last compile's model of each open document, compacted, by decoded
  // URI, for hover texts: a request expands it (reading()).
  std::map<std::string, std::shared_ptr<const CompactModel>> models_;
  // What the last compile read of each open document, by decoded URI.
  std::map<std::string, std::shared_ptr<const DocumentRead>> reads_;
  // The last reading of each open line description read alone, by decoded
  // URI: the requests on one text share it until a check reads that text.
  std::map<std::string, std::shared_ptr<const DocumentRead>> lone_reads_;
  // Whether the last check of each open document published an error, by
  // decoded URI.
  std::map<std::string, bool> has_errors_;
  // The line description of each scheduled check, by its key.
  std::map<std::string, std::string> lines_;
  DiskPartners partners_;
  // What the pairing saw on disk, kept between requests; the generation
  // changes whenever some of it is forgotten, and a look that started
  // before is not kept.
  DiskSeen seen_{fs_};
  uint64_t seen_generation_ = 0;
  // The pair compiles of the checks and of the requests, one for each pair
  // of texts: a request on a document just changed takes the compile of the
  // check the change scheduled, or the check takes the request's.
  SharedCompiles compiles_;

  Scheduler scheduler_;   // its worker starts once everything above exists
  ChangeQueue changes_;   // its jobs change documents_
  RequestPool requests_;  // last: stopped first, before anything its requests read
};

}  // namespace binario
