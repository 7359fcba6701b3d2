#include "lsp/change_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <vector>

namespace binario {
namespace {

using std::chrono::seconds;

// A job that runs once `release` is set, after saying it started.
ChangeQueue::Job held(std::promise<void>& started, const std::shared_future<void>& release) {
  return [&started, release] {
    started.set_value();
    release.wait();
  };
}

// While a change of one document runs, a reader of another goes on, a
// reader of the same one waits for it, and a reader that came before it
// does not; the jobs run in the order put.
TEST(ChangeQueue, AReaderWaitsForTheChangesOfItsDocumentBeforeIt) {
  ChangeQueue queue(true);
  std::promise<void> started;
  std::promise<void> release;
  std::vector<std::string> ran;  // written by the queue's thread only
  EXPECT_EQ(queue.last(), 0u);
  const uint64_t before = queue.last();
  const uint64_t first = queue.put("line", held(started, release.get_future().share()));
  queue.put("line", [&] { ran.emplace_back("line 2"); });
  queue.put("train", [&] { ran.emplace_back("train"); });
  EXPECT_EQ(first, 1u);
  EXPECT_EQ(queue.last(), 3u);
  started.get_future().wait();
  EXPECT_TRUE(queue.pending("line"));
  EXPECT_FALSE(queue.pending("other"));

  queue.wait("other", queue.last());  // returns at once
  queue.wait("line", before);         // asked before the change: returns at once
  auto reader = std::async(std::launch::async, [&] { queue.wait("line", first); });
  EXPECT_EQ(reader.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
  release.set_value();
  ASSERT_EQ(reader.wait_for(seconds(10)), std::future_status::ready);
  queue.wait_all(queue.last());
  EXPECT_EQ(ran, (std::vector<std::string>{"line 2", "train"}));
  EXPECT_FALSE(queue.pending("line"));
  EXPECT_FALSE(queue.pending("train"));
}

// stop() drops what waits, lets every reader go and runs nothing more.
TEST(ChangeQueue, StopDropsWhatWaitsAndReleasesTheReaders) {
  ChangeQueue queue(true);
  std::promise<void> started;
  std::promise<void> release;
  std::atomic<int> ran{0};
  queue.put("line", held(started, release.get_future().share()));
  queue.put("line", [&] { ++ran; });
  started.get_future().wait();
  auto reader = std::async(std::launch::async, [&] { queue.wait("line", queue.last()); });
  auto all = std::async(std::launch::async, [&] { queue.wait_all(queue.last()); });
  auto stopping = std::async(std::launch::async, [&] { queue.stop(); });
  ASSERT_EQ(reader.wait_for(seconds(10)), std::future_status::ready);
  ASSERT_EQ(all.wait_for(seconds(10)), std::future_status::ready);
  release.set_value();
  ASSERT_EQ(stopping.wait_for(seconds(10)), std::future_status::ready);
  queue.put("line", [&] { ++ran; });
  EXPECT_EQ(ran, 0);
}

TEST(ChangeQueue, WithoutAThreadAJobRunsInsidePut) {
  ChangeQueue queue(false);
  int ran = 0;
  EXPECT_EQ(queue.put("line", [&] { ++ran; }), 1u);
  EXPECT_EQ(ran, 1);
  EXPECT_FALSE(queue.pending("line"));
  queue.wait("line", 1);
  queue.wait_all(1);
}

}  // namespace
}  // namespace binario
