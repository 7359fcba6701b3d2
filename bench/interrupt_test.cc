// The large pair's compile, run as the program itself, ended by a signal at
// many points of its run, and two such compiles into one folder at once:
// afterwards every binary file is the old one or the new one, whole, the
// three always from the same compile, and no temporary file is left.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "bench/large_pair.h"
#include "test_support/scratch_folder.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string slurp(const stdfs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::map<std::string, std::string> folder_contents(const stdfs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : stdfs::directory_iterator(dir)) {
    files[e.path().filename().string()] = slurp(e.path());
  }
  return files;
}

const std::vector<std::string> kOutputs = {"Grande_linea.dat", "Grande_1.sim", "Grande_1.dat"};

class InterruptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const LargePair pair = make_large_pair();
    line_ = (scratch_.path() / kLargePairLineFile).string();
    train_ = (scratch_.path() / kLargePairTrainFile).string();
    std::ofstream(line_, std::ios::binary) << pair.line;
    std::ofstream(train_, std::ios::binary) << pair.train;
    // The new set, from one compile that runs to its end.
    const stdfs::path fresh = scratch_.path() / "fresh";
    stdfs::create_directory(fresh);
    const Clock::time_point start = Clock::now();
    ASSERT_EQ(wait_for(start_compile(fresh)), 0);
    run_time_ = Clock::now() - start;
    new_ = folder_contents(fresh);
    ASSERT_EQ(new_.size(), 3u);
    for (const std::string& name : kOutputs) old_[name] = "old " + name;
  }

  // `binario compile` of the pair into `out`, started and not waited for.
  pid_t start_compile(const stdfs::path& out) { return start_compile(out, line_, train_); }
  static pid_t start_compile(const stdfs::path& out, const std::string& line,
                             const std::string& train) {
    const std::string out_dir = out.string();
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::execl(BINARIO_EXE, BINARIO_EXE, "compile", line.c_str(), train.c_str(), "-o",
              out_dir.c_str(), static_cast<char*>(nullptr));
      ::_exit(127);
    }
    return pid;
  }
  // The exit status, or 128 + the signal that ended it.
  static int wait_for(pid_t pid) {
    int raw = 0;
    ::waitpid(pid, &raw, 0);
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  }

  stdfs::path fill_with_old_set(const std::string& name) {
    const stdfs::path out = scratch_.path() / name;
    stdfs::create_directory(out);
    for (const auto& [file, text] : old_) std::ofstream(out / file, std::ios::binary) << text;
    return out;
  }

  // True when `out` holds exactly the old set or exactly the new one.
  ::testing::AssertionResult whole_set(const stdfs::path& out) {
    const std::map<std::string, std::string> found = folder_contents(out);
    if (found == old_ || found == new_) return ::testing::AssertionSuccess();
    auto failure = ::testing::AssertionFailure();
    for (const auto& [file, text] : found) {
      failure << file << ": "
              << (old_.count(file) && old_.at(file) == text   ? "old"
                  : new_.count(file) && new_.at(file) == text ? "new"
                                                              : "neither old nor new")
              << "; ";
    }
    return failure;
  }

  test::ScratchFolder scratch_{"binario-interrupt"};
  std::string line_, train_;
  Clock::duration run_time_{};
  std::map<std::string, std::string> old_, new_;
};

TEST_F(InterruptTest, EndedAtAnyMomentTheFolderHoldsTheOldSetOrTheNewOneAndNoTemporary) {
  constexpr int kPoints = 20;
  const int signals[] = {SIGINT, SIGTERM, SIGHUP};
  std::set<std::string> seen;
  for (int i = 0; i < kPoints; ++i) {
    const stdfs::path out = fill_with_old_set("run" + std::to_string(i));
    // From the very start to a little past the usual end of the run.
    const auto delay = run_time_ * (i + 1) / kPoints * 11 / 10;
    const pid_t pid = start_compile(out);
    std::this_thread::sleep_for(delay);
    const int sig = signals[i % 3];
    ::kill(pid, sig);
    const int status = wait_for(pid);
    EXPECT_TRUE(status == 0 || status == 128 + sig) << "point " << i << ": status " << status;
    EXPECT_TRUE(whole_set(out)) << "point " << i;
    seen.insert(folder_contents(out) == new_ ? "new" : "old");
  }
  // The points spread over the run: some ended it before the renames.
  EXPECT_TRUE(seen.count("old"));
}

TEST_F(InterruptTest, TwoCompilesIntoOneFolderAtOnceLeaveEachFileWholeFromOneOfThem) {
  // The other compile: the same line with a one-record train, so its train
  // table and cells differ from the pair's.
  const stdfs::path other = scratch_.path() / "other";
  stdfs::create_directory(other);
  stdfs::copy_file(line_, other / kLargePairLineFile);
  std::ofstream(other / kLargePairTrainFile, std::ios::binary)
      << "[generale]\r\nnumero vetture, 4\r\nvelocita, 0, 30\r\n[fine]\r\n";
  const std::string other_line = (other / kLargePairLineFile).string();
  const std::string other_train = (other / kLargePairTrainFile).string();
  const stdfs::path other_fresh = fill_with_old_set("other_fresh");
  ASSERT_EQ(wait_for(start_compile(other_fresh, other_line, other_train)), 0);
  const std::map<std::string, std::string> other_set = folder_contents(other_fresh);
  ASSERT_NE(other_set.at("Grande_1.dat"), new_.at("Grande_1.dat"));

  for (int round = 0; round < 5; ++round) {
    const stdfs::path out = fill_with_old_set("both" + std::to_string(round));
    const pid_t a = start_compile(out);
    const pid_t b = start_compile(out, other_line, other_train);
    EXPECT_EQ(wait_for(a), 0);
    EXPECT_EQ(wait_for(b), 0);
    const std::map<std::string, std::string> found = folder_contents(out);
    EXPECT_EQ(found.size(), 3u) << "round " << round;  // no temporary left
    for (const auto& [file, text] : found) {
      EXPECT_TRUE(text == new_.at(file) || text == other_set.at(file))
          << "round " << round << ": " << file << " is neither compile's";
    }
  }
}

}  // namespace
}  // namespace binario
