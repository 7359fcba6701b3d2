#include "lsp/scheduler.h"

#include "lsp/document_sync.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace binario {
namespace {

using std::chrono::milliseconds;

// Later requests for a key replace earlier ones; the earliest due runs first.
TEST(Scheduler, DebouncesByKeyAndRunsTheEarliestFirst) {
  std::mutex mutex;
  std::vector<std::string> ran;
  std::condition_variable done;
  Scheduler scheduler(
      [&](const std::string& key, const std::atomic<bool>&) {
        std::lock_guard lock(mutex);
        ran.push_back(key);
        done.notify_all();
      },
      true);
  scheduler.schedule("a", milliseconds(200));
  scheduler.schedule("b", milliseconds(100));
  scheduler.schedule("a", milliseconds(150));
  scheduler.schedule("c", milliseconds(120));
  scheduler.drop("c");
  std::unique_lock lock(mutex);
  ASSERT_TRUE(done.wait_for(lock, std::chrono::seconds(5), [&] { return ran.size() == 2; }));
  EXPECT_EQ(ran, (std::vector<std::string>{"b", "a"}));
}

// stop() cancels the job in progress and waits only for it to notice.
TEST(Scheduler, StopCancelsTheRunningJob) {
  std::atomic<bool> started{false};
  std::atomic<int> runs{0};
  Scheduler scheduler(
      [&](const std::string&, const std::atomic<bool>& cancelled) {
        ++runs;
        started = true;
        const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!cancelled && std::chrono::steady_clock::now() < give_up) {
          std::this_thread::sleep_for(milliseconds(1));
        }
      },
      true);
  scheduler.schedule("a", milliseconds(0));
  scheduler.schedule("b", milliseconds(10000));
  while (!started) std::this_thread::sleep_for(milliseconds(1));
  const auto start = std::chrono::steady_clock::now();
  scheduler.stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
  scheduler.schedule("c", milliseconds(0));
  EXPECT_EQ(runs, 1);
}

// halt() cancels the running job and returns while it still runs; nothing
// starts afterwards, and stop() then waits for the job.
TEST(Scheduler, HaltCancelsWithoutWaiting) {
  std::mutex mutex;
  std::condition_variable changed;
  bool started = false;
  bool released = false;  // set by the test once halt() has returned
  bool released_in_time = false;
  bool saw_cancel = false;
  int runs = 0;
  Scheduler scheduler(
      [&](const std::string&, const std::atomic<bool>& cancelled) {
        std::unique_lock lock(mutex);
        ++runs;
        started = true;
        changed.notify_all();
        released_in_time =
            changed.wait_for(lock, std::chrono::seconds(10), [&] { return released; });
        saw_cancel = cancelled;
      },
      true);
  scheduler.schedule("a", milliseconds(0));
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return started; }));
  }
  scheduler.halt();  // would wait 10 s for the job, were it to wait
  scheduler.schedule("b", milliseconds(0));
  {
    std::lock_guard lock(mutex);
    released = true;
  }
  changed.notify_all();
  scheduler.stop();
  EXPECT_TRUE(released_in_time) << "halt() waited for the job";
  EXPECT_TRUE(saw_cancel);
  EXPECT_EQ(runs, 1);
}

// A key scheduled again while its job runs cancels that run, and the job
// runs again afresh; another key's request leaves the running job alone.
TEST(Scheduler, AKeyScheduledAgainCancelsItsRunningJob) {
  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::string> ran;  // "KEY" for each run, "KEY cancelled" when told to stop
  bool started = false;
  Scheduler scheduler(
      [&](const std::string& key, const std::atomic<bool>& cancelled) {
        std::unique_lock lock(mutex);
        if (key == "a" && ran.empty()) {
          // The first run of "a" waits until it is cancelled (or 30 s pass).
          started = true;
          changed.notify_all();
          changed.wait_for(lock, std::chrono::seconds(30), [&] { return cancelled.load(); });
        }
        ran.push_back(cancelled ? key + " cancelled" : key);
        changed.notify_all();
      },
      true);
  scheduler.schedule("a", milliseconds(0));
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return started; }));
  }
  scheduler.schedule("b", milliseconds(0));  // another key: the running job goes on
  {
    std::unique_lock lock(mutex);
    changed.notify_all();  // the waiting job looks at its flag again
    EXPECT_FALSE(changed.wait_for(lock, milliseconds(100), [&] { return !ran.empty(); }));
  }
  scheduler.schedule("a", milliseconds(0));
  {
    std::unique_lock lock(mutex);
    changed.notify_all();  // the waiting job looks at its flag again
  }
  std::unique_lock lock(mutex);
  ASSERT_TRUE(changed.wait_for(lock, std::chrono::seconds(5), [&] { return ran.size() == 3; }));
  EXPECT_EQ(ran[0], "a cancelled");
  EXPECT_EQ(std::count(ran.begin(), ran.end(), "a"), 1);
  EXPECT_EQ(std::count(ran.begin(), ran.end(), "b"), 1);
}

// The wait after an edit in a burst follows the cost of the last check,
// within its bounds; the first edit after a pause waits the least; a server
// asked for no wait (tests) never waits.
TEST(Debounce, FollowsTheCostOfTheLastCheck) {
  using std::chrono::microseconds;
  const milliseconds soon(20);
  EXPECT_EQ(adaptive_debounce(microseconds(0), milliseconds(150), soon), milliseconds(5));
  EXPECT_EQ(adaptive_debounce(microseconds(16'400), milliseconds(150), soon), milliseconds(33));
  EXPECT_EQ(adaptive_debounce(microseconds(900'000), milliseconds(150), soon), milliseconds(150));
  EXPECT_EQ(adaptive_debounce(microseconds(900'000), milliseconds(150), milliseconds(150)),
            milliseconds(5));
  EXPECT_EQ(adaptive_debounce(microseconds(16'400), milliseconds(0), soon), milliseconds(0));
}

}  // namespace
}  // namespace binario
