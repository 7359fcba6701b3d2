// Message bodies read from the client and not yet handled. The thread that
// reads the input puts them in and the thread that handles them takes them
// out, so that the reading thread stays free to see a shutdown or an exit
// behind a large message that is still being parsed.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <string>

namespace binario {

class Inbox {
 public:
  // `max_bytes`: the most the bodies held may take together before put()
  // waits for take() (one body larger than that is still taken in).
  explicit Inbox(size_t max_bytes) : max_bytes_(max_bytes) {}

  // Holds `body`; false, and nothing held, once closed.
  bool put(std::string body);
  // The oldest body; false once the inbox is closed and empty.
  bool take(std::string* body);
  // No more bodies come; those held are still taken.
  void close();

 private:
  const size_t max_bytes_;
  std::mutex mutex_;  // guards what follows
  std::condition_variable changed_;
  std::deque<std::string> bodies_;
  size_t bytes_ = 0;
  bool closed_ = false;
};

}  // namespace binario
