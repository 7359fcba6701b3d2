// The debounce between an edit and the compile it causes: a job per key,
// run once its delay has passed, a later request for a key replacing an
// earlier one that has not started. One worker thread runs the jobs, the
// earliest due first. A job is told through its flag that the scheduler is
// stopping, so an exit never waits for a long compile, or that its key was
// scheduled again while it ran, so a check of a text already changed stops
// and the newer one follows.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace binario {

class Scheduler {
 public:
  // Runs the job for `key`; it should return soon after `cancelled` is set.
  using Job = std::function<void(const std::string& key, const std::atomic<bool>& cancelled)>;

  // `threaded` false: no worker; every job runs at once inside schedule()
  // (tests and fuzzing see every result before the call returns).
  Scheduler(Job job, bool threaded);
  ~Scheduler();  // stop()
  Scheduler(const Scheduler&) = delete;
  Scheduler& operator=(const Scheduler&) = delete;

  // Runs the job for `key` once `delay` has passed, unless it is scheduled
  // again first; the job running for `key`, if any, is cancelled. Does
  // nothing once stopped.
  void schedule(const std::string& key, std::chrono::milliseconds delay);
  // Forgets the pending job for `key`, if any.
  void drop(const std::string& key);
  // Drops every pending job and cancels the running one, without waiting
  // for it to return. Nothing starts afterwards.
  void halt();
  // halt(), then waits for the running job to return.
  void stop();

 private:
  void work();

  Job job_;
  std::mutex join_mutex_;  // one stop() joins the worker at a time
  std::mutex mutex_;       // guards what follows
  std::condition_variable wake_;
  std::map<std::string, std::chrono::steady_clock::time_point> due_;
  bool stopping_ = false;
  std::string running_;  // the key of the running job
  bool is_running_ = false;
  std::atomic<bool> cancelled_{false};  // the running job's: stop() or its key scheduled again
  std::thread worker_;                  // last: starts once everything above exists
};

}  // namespace binario
