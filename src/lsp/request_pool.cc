#include "lsp/request_pool.h"

#include <algorithm>

namespace binario {
namespace {

// How many cancelled keys of requests not yet come are remembered: a client
// cancels what it sent last, so a few are plenty.
constexpr size_t kEarlyCancels = 64;

}  // namespace

RequestPool::RequestPool(size_t max_workers) : max_workers_(max_workers) {}

RequestPool::~RequestPool() {
  stop();
}

void RequestPool::run(const std::string& key, Job job) {
  auto cancelled = std::make_shared<std::atomic<bool>>(false);
  std::unique_lock lock(mutex_);
  const auto early = std::find(cancelled_early_.begin(), cancelled_early_.end(), key);
  if (early != cancelled_early_.end()) {
    cancelled_early_.erase(early);
    *cancelled = true;
  }
  if (max_workers_ == 0) {
    lock.unlock();
    job(*cancelled);
    return;
  }
  if (stopping_) return;
  flags_.emplace(key, cancelled);
  waiting_.push_back({key, std::move(job), std::move(cancelled)});
  if (idle_ == 0 && workers_.size() < max_workers_) {
    workers_.emplace_back([this] { work(); });
  } else {
    wake_.notify_one();
  }
}

void RequestPool::cancel(const std::string& key) {
  std::lock_guard lock(mutex_);
  const auto [first, last] = flags_.equal_range(key);
  if (first != last) {
    for (auto it = first; it != last; ++it) *it->second = true;
    return;
  }
  cancelled_early_.push_back(key);
  if (cancelled_early_.size() > kEarlyCancels) cancelled_early_.pop_front();
}

void RequestPool::cancel_all() {
  std::lock_guard lock(mutex_);
  for (auto& [key, flag] : flags_) *flag = true;
}

void RequestPool::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    for (auto& [key, flag] : flags_) *flag = true;
  }
  wake_.notify_all();
  std::lock_guard join_lock(join_mutex_);
  for (std::thread& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
}

void RequestPool::work() {
  std::unique_lock lock(mutex_);
  for (;;) {
    // Once stopping, what still waits runs with its flag set: each request
    // is answered, if only to say it was cancelled.
    if (waiting_.empty()) {
      if (stopping_) return;
      ++idle_;
      wake_.wait(lock, [&] { return stopping_ || !waiting_.empty(); });
      --idle_;
      continue;
    }
    Waiting next = std::move(waiting_.front());
    waiting_.pop_front();
    lock.unlock();
    next.job(*next.cancelled);
    lock.lock();
    const auto [first, last] = flags_.equal_range(next.key);
    for (auto it = first; it != last; ++it) {
      if (it->second == next.cancelled) {
        flags_.erase(it);
        break;
      }
    }
  }
}

}  // namespace binario
