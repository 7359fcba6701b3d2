#include "lsp/change_queue.h"

#include <algorithm>

namespace binario {

ChangeQueue::ChangeQueue(bool threaded) : threaded_(threaded) {}

ChangeQueue::~ChangeQueue() {
  stop();
}

uint64_t ChangeQueue::put(const std::string& key, Job job) {
  std::unique_lock lock(mutex_);
  if (stopping_) return last_;
  const uint64_t ticket = ++last_;
  if (!threaded_) {
    lock.unlock();
    job();
    lock.lock();
    done_ = ticket;
    return ticket;
  }
  last_of_[key] = ticket;
  waiting_.push_back({ticket, key, std::move(job)});
  if (!worker_.joinable()) worker_ = std::thread([this] { work(); });
  changed_.notify_all();
  return ticket;
}

uint64_t ChangeQueue::last() const {
  std::lock_guard lock(mutex_);
  return last_;
}

bool ChangeQueue::pending(const std::string& key) const {
  std::lock_guard lock(mutex_);
  return last_of_.count(key) != 0;
}

void ChangeQueue::wait(const std::string& key, uint64_t through) {
  std::unique_lock lock(mutex_);
  const auto last = last_of_.find(key);
  if (last == last_of_.end()) return;
  // The jobs run in the order of their tickets: once the last of `key` up
  // to `through` has run, so has every one before it. Which that is is not
  // kept when a later one came; waiting up to `through` covers it.
  const uint64_t until = std::min(last->second, through);
  changed_.wait(lock, [&] { return stopping_ || done_ >= until; });
}

void ChangeQueue::wait_all(uint64_t through) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return stopping_ || done_ >= std::min(through, last_); });
}

void ChangeQueue::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    waiting_.clear();
  }
  changed_.notify_all();
  std::lock_guard join_lock(join_mutex_);
  if (worker_.joinable()) worker_.join();
}

void ChangeQueue::work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
    if (stopping_) return;
    Waiting next = std::move(waiting_.front());
    waiting_.pop_front();
    lock.unlock();
    next.job();
    next.job = nullptr;  // what it held goes before the next job runs
    lock.lock();
    done_ = next.ticket;
    const auto last = last_of_.find(next.key);
    if (last != last_of_.end() && last->second == next.ticket) last_of_.erase(last);
    changed_.notify_all();
  }
}

}  // namespace binario
