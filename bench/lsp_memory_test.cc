// The memory a language server holds with both texts of the large pair open
// in the editor: `binario lsp` itself, started as a child process, is sent the
// two texts, and once it has published the diagnostics of both compiles its
// peak resident set (VmHWM in /proc, Linux only) must stay under 64 MiB.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>

#include "bench/large_pair.h"
#include "test_support/scratch_folder.h"

namespace binario {
namespace {

using nlohmann::json;
using Clock = std::chrono::steady_clock;

constexpr long kMostPeakKb = 64 * 1024;

std::string framed(const json& message) {
  const std::string body = message.dump();
  return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

bool write_all(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

size_t count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// The peak resident set of process `pid` in kB, or -1.
long peak_kb(pid_t pid) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return -1;
}

TEST(LspMemory, BothLargeTextsOpenStayUnder64MiB) {
  ::signal(SIGPIPE, SIG_IGN);  // a server that died is reported, not fatal
  test::ScratchFolder scratch("binario-lsp-memory");
  const LargePair pair = make_large_pair();
  const std::string line_path = (scratch.path() / kLargePairLineFile).string();
  const std::string train_path = (scratch.path() / kLargePairTrainFile).string();
  std::ofstream(line_path, std::ios::binary) << pair.line;
  std::ofstream(train_path, std::ios::binary) << pair.train;

  int to_server[2];
  int from_server[2];
  ASSERT_EQ(::pipe(to_server), 0);
  ASSERT_EQ(::pipe(from_server), 0);
  const pid_t pid = ::fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    ::dup2(to_server[0], 0);
    ::dup2(from_server[1], 1);
    for (int fd : {to_server[0], to_server[1], from_server[0], from_server[1]}) ::close(fd);
    ::execl(BINARIO_EXE, BINARIO_EXE, "lsp", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(to_server[0]);
  ::close(from_server[1]);

  // The texts are ASCII: the same in UTF-8.
  std::string input =
      framed({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", json::object()}});
  for (const auto& [path, text] :
       {std::pair(line_path, &pair.line), std::pair(train_path, &pair.train)}) {
    input += framed({{"jsonrpc", "2.0"},
                     {"method", "textDocument/didOpen"},
                     {"params",
                      {{"textDocument",
                        {{"uri", "file://" + path},
                         {"languageId", "binario"},
                         {"version", 1},
                         {"text", *text}}}}}});
  }
  EXPECT_TRUE(write_all(to_server[1], input));

  // Only open texts get diagnostics: the line once it is open, both once
  // the train is (the two opens may be checked together). Every publication
  // is clean, and the train's comes from a compile of both texts.
  std::string output;
  const std::string train_clean = R"("diagnostics":[],"uri":"file://)" + train_path + "\"";
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(60);
  while (count(output, train_clean) < 1 && Clock::now() < deadline) {
    pollfd p{from_server[0], POLLIN, 0};
    if (::poll(&p, 1, 1000) <= 0) continue;
    char buffer[65536];
    const ssize_t n = ::read(from_server[0], buffer, sizeof buffer);
    if (n <= 0) break;
    output.append(buffer, static_cast<size_t>(n));
  }
  EXPECT_EQ(count(output, train_clean), 1u) << output.substr(0, 2000);
  EXPECT_EQ(count(output, R"("diagnostics":[],"uri")"),
            count(output, "textDocument/publishDiagnostics"))
      << output.substr(0, 2000);

  const long peak = peak_kb(pid);
  EXPECT_GT(peak, 0);
  EXPECT_LT(peak, kMostPeakKb) << "peak resident set " << peak << " kB";
  std::cout << "peak resident set of binario lsp: " << peak << " kB\n";

  write_all(to_server[1], framed({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}}) +
                              framed({{"jsonrpc", "2.0"}, {"method", "exit"}}));
  ::close(to_server[1]);
  int raw = 0;
  ::waitpid(pid, &raw, 0);
  ::close(from_server[0]);
  EXPECT_TRUE(WIFEXITED(raw) && WEXITSTATUS(raw) == 0);
}

}  // namespace
}  // namespace binario
