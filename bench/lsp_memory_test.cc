// The memory a language server holds: `binario lsp` itself, started as a
// child process, is sent texts to open, and once it has published their
// diagnostics its resident set is read from /proc (Linux only). With both
// texts of the large pair open its peak (VmHWM) must stay under 64 MiB; with
// many small pairs open, some of them declaring the longest line there is,
// what it holds (VmRSS) must stay within the budget per open document.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <sstream>
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

// A field of /proc/PID/status of process `pid` in kB ("VmHWM:", the peak
// resident set, or "VmRSS:", the resident set now), or -1.
long status_kb(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stol(line.substr(field.size()));
  }
  return -1;
}

long peak_kb(pid_t pid) {
  return status_kb(pid, "VmHWM:");
}

std::string did_open(const std::string& path, const std::string& text) {
  return framed({{"jsonrpc", "2.0"},
                 {"method", "textDocument/didOpen"},
                 {"params",
                  {{"textDocument",
                    {{"uri", "file://" + path},
                     {"languageId", "binario"},
                     {"version", 1},
                     {"text", text}}}}}});
}

// `binario lsp` started as a child process, with pipes to its standard
// input and from its standard output.
struct Child {
  pid_t pid = -1;
  int to = -1;
  int from = -1;
};

Child start_server() {
  int to_server[2];
  int from_server[2];
  if (::pipe(to_server) != 0 || ::pipe(from_server) != 0) return {};
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(to_server[0], 0);
    ::dup2(from_server[1], 1);
    for (int fd : {to_server[0], to_server[1], from_server[0], from_server[1]}) ::close(fd);
    ::execl(BINARIO_EXE, BINARIO_EXE, "lsp", static_cast<char*>(nullptr));
    ::_exit(127);
  }
  ::close(to_server[0]);
  ::close(from_server[1]);
  return {pid, to_server[1], from_server[0]};
}

// Reads what the server writes into `output` until `done(output)` or
// `seconds` have passed; false when the server closed its output.
template <typename Done>
bool read_until(int fd, std::string& output, Done done, int seconds) {
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(seconds);
  while (!done(output) && Clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 100) <= 0) continue;
    char buffer[65536];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    output.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

// Asks the server to shut down and exit; true when it exited with 0.
bool stop_server(const Child& child) {
  write_all(child.to, framed({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}}) +
                          framed({{"jsonrpc", "2.0"}, {"method", "exit"}}));
  ::close(child.to);
  int raw = 0;
  ::waitpid(child.pid, &raw, 0);
  ::close(child.from);
  return WIFEXITED(raw) && WEXITSTATUS(raw) == 0;
}

TEST(LspMemory, BothLargeTextsOpenStayUnder64MiB) {
  ::signal(SIGPIPE, SIG_IGN);  // a server that died is reported, not fatal
  test::ScratchFolder scratch("binario-lsp-memory");
  const LargePair pair = make_large_pair();
  const std::string line_path = (scratch.path() / kLargePairLineFile).string();
  const std::string train_path = (scratch.path() / kLargePairTrainFile).string();
  std::ofstream(line_path, std::ios::binary) << pair.line;
  std::ofstream(train_path, std::ios::binary) << pair.train;

  const Child child = start_server();
  ASSERT_GT(child.pid, 0);

  // The texts are ASCII: the same in UTF-8.
  std::string input =
      framed({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", json::object()}});
  for (const auto& [path, text] :
       {std::pair(line_path, &pair.line), std::pair(train_path, &pair.train)}) {
    input += did_open(path, *text);
  }
  EXPECT_TRUE(write_all(child.to, input));

  // Only open texts get diagnostics: the line once it is open, both once
  // the train is (the two opens may be checked together). Every publication
  // is clean, and the train's comes from a compile of both texts.
  std::string output;
  const std::string train_clean = R"("diagnostics":[],"uri":"file://)" + train_path + "\"";
  read_until(
      child.from, output, [&](const std::string& out) { return count(out, train_clean) >= 1; }, 60);
  EXPECT_EQ(count(output, train_clean), 1u) << output.substr(0, 2000);
  EXPECT_EQ(count(output, R"("diagnostics":[],"uri")"),
            count(output, "textDocument/publishDiagnostics"))
      << output.substr(0, 2000);

  const long peak = peak_kb(child.pid);
  EXPECT_GT(peak, 0);
  EXPECT_LT(peak, kMostPeakKb) << "peak resident set " << peak << " kB";
  std::cout << "peak resident set of binario lsp: " << peak << " kB\n";

  EXPECT_TRUE(stop_server(child));
}

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// What the server may hold for each open document: a constant (the table
// of the compiled model, the structures of the document and of its line)
// and a share of its text (the text as the editor sent it, as the last check
// read it, what that check read of its records, and the runs of cells those
// records made). The length the line declares costs nothing.
constexpr long kDocumentBytes = 64 * 1024;
constexpr long kBytesPerTextByte = 64;

TEST(LspMemory, OpenDocumentsStayWithinTheirBudget) {
  ::signal(SIGPIPE, SIG_IGN);
  test::ScratchFolder scratch("binario-lsp-documents");
  const std::string line = slurp(BINARIO_EXAMPLES "/Valdoria_linea.txt");
  const std::string train = slurp(BINARIO_EXAMPLES "/Valdoria_42-.txt");
  const std::string longest =
      std::regex_replace(line, std::regex("(lunghezza percorso,\\s*)\\d+"), "$011000000");
  ASSERT_NE(longest, line);

  const Child child = start_server();
  ASSERT_GT(child.pid, 0);
  std::string output;
  write_all(
      child.to,
      framed(
          {{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}, {"params", json::object()}}));
  read_until(
      child.from, output, [](const std::string& out) { return count(out, "\"id\":1") > 0; }, 30);
  const long empty_kb = status_kb(child.pid, "VmRSS:");

  // Every fourth pair declares a 1,000,000 m line.
  constexpr int kPairs = 100;
  std::set<std::string> uris;
  long text_bytes = 0;
  std::string input;
  for (int i = 0; i < kPairs; ++i) {
    const std::string name = (scratch.path() / ("Valle" + std::to_string(i))).string();
    for (const auto& [path, text] : {std::pair(name + "_linea.txt", i % 4 == 0 ? &longest : &line),
                                     std::pair(name + "_42-.txt", &train)}) {
      std::ofstream(path, std::ios::binary) << *text;
      input += did_open(path, *text);
      uris.insert("\"uri\":\"file://" + path + "\"");
      text_bytes += static_cast<long>(text->size());
    }
  }
  EXPECT_TRUE(write_all(child.to, input));
  const auto all_published = [&](const std::string& out) {
    for (const std::string& uri : uris) {
      if (out.find(uri) == std::string::npos) return false;
    }
    return true;
  };
  EXPECT_TRUE(read_until(child.from, output, all_published, 90));
  EXPECT_TRUE(all_published(output));
  // Checks of a pair whose partner opened after it may still run: what the
  // server holds is read once it has said nothing for a second.
  for (size_t before = 0; before != output.size();) {
    before = output.size();
    read_until(
        child.from, output, [](const std::string&) { return false; }, 1);
  }

  const long held = (status_kb(child.pid, "VmRSS:") - empty_kb) * 1024;
  const long budget =
      static_cast<long>(uris.size()) * kDocumentBytes + kBytesPerTextByte * text_bytes;
  EXPECT_GT(held, 0);
  EXPECT_LE(held, budget) << uris.size() << " documents, " << text_bytes << " bytes of text";
  std::cout << "binario lsp with " << uris.size() << " documents open holds " << held
            << " bytes more than with none; budget " << budget << "\n";
  EXPECT_TRUE(stop_server(child));
}

}  // namespace
}  // namespace binario
