// The changes of open documents that are too costly for the thread that
// takes the messages in order: a didChange of a megabyte and more takes
// tens of milliseconds to parse and apply. Each is put here with the
// document it changes and applied by a thread of its own, in the order put;
// the handling thread goes on at once to the next message. Whoever reads a
// document waits for the changes of that document put before it (a request
// for the changes before its own message), and for no other: a hover on a
// train is not held up by a large edit of its line.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace binario {

class ChangeQueue {
 public:
  // Applies one change; runs on the queue's thread.
  using Job = std::function<void()>;

  // `threaded` false: no thread; every job runs at once inside put() (tests
  // and fuzzing see every change applied before the call returns).
  explicit ChangeQueue(bool threaded);
  ~ChangeQueue();  // stop()
  ChangeQueue(const ChangeQueue&) = delete;
  ChangeQueue& operator=(const ChangeQueue&) = delete;

  // Runs `job`, a change of the document `key`, after every job put before
  // it, and returns its ticket: 1 for the first job put, then counting up.
  // Once stopped, the job is dropped.
  uint64_t put(const std::string& key, Job job);
  // The ticket of the last job put; 0 before the first.
  uint64_t last() const;
  // True while a job of `key` waits or runs.
  bool pending(const std::string& key) const;
  // Returns once every job of `key` with a ticket up to `through` has run,
  // or once the queue is stopped.
  void wait(const std::string& key, uint64_t through);
  // Returns once every job with a ticket up to `through` has run, or once
  // the queue is stopped.
  void wait_all(uint64_t through);
  // Drops the jobs still waiting, lets every wait return and waits for the
  // running job to end. Nothing runs afterwards.
  void stop();

 private:
  void work();

  const bool threaded_;
  std::mutex join_mutex_;     // one stop() joins the thread at a time
  mutable std::mutex mutex_;  // guards what follows
  std::condition_variable changed_;
  struct Waiting {
    uint64_t ticket;
    std::string key;
    Job job;
  };
  std::deque<Waiting> waiting_;
  uint64_t last_ = 0;  // the ticket of the last job put
  uint64_t done_ = 0;  // every job up to this ticket has run
  // The ticket of the last job put of each document with a job waiting or
  // running.
  std::map<std::string, uint64_t> last_of_;
  bool stopping_ = false;
  std::thread worker_;  // started with the first job
};

}  // namespace binario
