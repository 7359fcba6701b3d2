// The language server: reads framed JSON-RPC messages, keeps the open
// descriptions, compiles each pair as it changes and publishes the
// diagnostics.
#pragma once

#include <chrono>
#include <condition_variable>
#include <istream>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>

#include "compiler/track_model.h"
#include "lsp/documents.h"
#include "platform/file_system.h"

namespace binario {

struct ServerOptions {
  // How long a change waits for the next one before the pair is compiled.
  std::chrono::milliseconds debounce{150};
  // False: every compile runs at once inside `handle`, for tests.
  bool worker = true;
};

class Server {
 public:
  // Reads partner descriptions from `fs` (never writes) and writes framed
  // messages to `out`.
  Server(FileSystem& fs, std::ostream& out, ServerOptions options = {});
  ~Server();
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;

  // Handles messages from `in` until "exit" or the end of the input, and
  // returns the exit status: 0 after "shutdown" then "exit", 1 otherwise
  // (exit without shutdown, the client gone, a stream that cannot be read).
  int run(std::istream& in);

  // Handles one message body.
  void handle(std::string_view body);
  bool exited() const { return exited_; }
  int exit_status() const { return shutdown_ ? 0 : 1; }

 private:
  void handle_request(const std::string& method, const nlohmann::json& id,
                      const nlohmann::json& params);
  void handle_notification(const std::string& method, const nlohmann::json& params);
  void send(const nlohmann::json& message);
  void reply(const nlohmann::json& id, const nlohmann::json& result);
  void reply_error(const nlohmann::json& id, int code, const std::string& message);

  // Compiles the pair of `uri` after `delay` (at once without a worker).
  void schedule(const std::string& uri, std::chrono::milliseconds delay);
  void compile_and_publish(const std::string& uri);
  void publish(const std::string& uri, const nlohmann::json& diagnostics);
  void work();

  FileSystem& fs_;
  std::ostream& out_;
  ServerOptions options_;
  std::mutex out_mutex_;

  bool initialized_ = false;
  bool shutdown_ = false;
  bool exited_ = false;

  std::mutex mutex_;  // guards everything below
  std::condition_variable wake_;
  DocumentStore documents_;
  std::map<std::string, std::chrono::steady_clock::time_point> due_;
  // The last compile's model of each document's pair, for hover texts.
  std::map<std::string, std::shared_ptr<const TrackModel>> models_;
  bool stopping_ = false;
  std::thread worker_;  // last: starts once everything above exists
};

}  // namespace binario
