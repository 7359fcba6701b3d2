#include "lsp/scheduler.h"

namespace binario {

Scheduler::Scheduler(Job job, bool threaded) : job_(std::move(job)) {
  if (threaded) worker_ = std::thread([this] { work(); });
}

Scheduler::~Scheduler() {
  stop();
}

void Scheduler::schedule(const std::string& key, std::chrono::milliseconds delay) {
  if (!worker_.joinable()) {
    if (!stopping_) job_(key, cancelled_);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    if (stopping_) return;
    due_[key] = std::chrono::steady_clock::now() + delay;
    if (is_running_ && running_ == key) cancelled_ = true;
  }
  wake_.notify_all();
}

void Scheduler::drop(const std::string& key) {
  std::lock_guard lock(mutex_);
  due_.erase(key);
}

void Scheduler::halt() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    due_.clear();
    cancelled_ = true;
  }
  wake_.notify_all();
}

void Scheduler::stop() {
  halt();
  // The reading and the handling thread of the server may both stop it.
  std::lock_guard join_lock(join_mutex_);
  if (worker_.joinable()) worker_.join();
}

void Scheduler::work() {
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
    // A copy: wait_until reads its deadline again after waking, and by then
    // the entry may be gone (scheduled anew, dropped or cleared by stop()).
    const std::chrono::steady_clock::time_point when = next->second;
    if (when > std::chrono::steady_clock::now()) {
      wake_.wait_until(lock, when);
      continue;
    }
    const std::string key = next->first;
    due_.erase(next);
    running_ = key;
    is_running_ = true;
    cancelled_ = false;
    lock.unlock();
    job_(key, cancelled_);
    lock.lock();
    is_running_ = false;
  }
}

}  // namespace binario
