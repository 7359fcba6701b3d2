#include "lsp/inbox.h"

namespace binario {

bool Inbox::put(std::string body) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock,
                [&] { return closed_ || bodies_.empty() || bytes_ + body.size() <= max_bytes_; });
  if (closed_) return false;
  bytes_ += body.size();
  bodies_.push_back(std::move(body));
  changed_.notify_all();
  return true;
}

bool Inbox::take(std::string* body) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return closed_ || !bodies_.empty(); });
  if (bodies_.empty()) return false;
  *body = std::move(bodies_.front());
  bodies_.pop_front();
  bytes_ -= body->size();
  changed_.notify_all();
  return true;
}

void Inbox::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  changed_.notify_all();
}

}  // namespace binario
