// The requests of the editor, answered off the thread that reads and orders
// the messages: each runs on a worker of its own (up to a bound), so a long
// one (formatting a large document) never holds up a short one (a hover),
// and each can be cancelled by its id, before it starts or while it runs.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace binario {

class RequestPool {
 public:
  // Answers the request; it should return soon after `cancelled` is set.
  using Job = std::function<void(const std::atomic<bool>& cancelled)>;

  // `max_workers` 0: no worker; every job runs at once inside run() (tests
  // and fuzzing see every answer before the call returns).
  explicit RequestPool(size_t max_workers);
  ~RequestPool();  // stop()
  RequestPool(const RequestPool&) = delete;
  RequestPool& operator=(const RequestPool&) = delete;

  // Runs `job` for the request with id `key` on an idle worker, a new one,
  // or the first to be free once `max_workers` are busy. A job whose key was
  // cancelled before it arrived runs with its flag already set.
  void run(const std::string& key, Job job);
  // Sets the flag of the request `key`, waiting or running; a key not yet
  // run is remembered (the last few only) for when it comes.
  void cancel(const std::string& key);
  // Sets the flag of every request waiting or running.
  void cancel_all();
  // Cancels every request, waits for the workers to end; nothing runs
  // afterwards.
  void stop();

 private:
  struct Waiting {
    std::string key;
    Job job;
    std::shared_ptr<std::atomic<bool>> cancelled;
  };
  void work();

  const size_t max_workers_;
  std::mutex join_mutex_;  // one stop() joins the workers at a time
  std::mutex mutex_;       // guards what follows
  std::condition_variable wake_;
  std::deque<Waiting> waiting_;
  // The flag of each request waiting or running, by key.
  std::multimap<std::string, std::shared_ptr<std::atomic<bool>>> flags_;
  std::deque<std::string> cancelled_early_;  // keys cancelled before they came
  size_t idle_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace binario
