#include "lsp/server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <fstream>
#include <functional>
#include <mutex>
#include <sstream>
#include <thread>
#include <utility>

#include "compiler/field_reader.h"
#include "compiler/format_reference.h"
#include "lsp/message_reader.h"
#include "lsp/pair_compile.h"
#include "output/text_encoding.h"
#include "test_support/memory_file_system.h"

namespace binario {
namespace {

using nlohmann::json;

const char kLineUri[] = "file:///d/Valdoria_linea.txt";
const char kTrainUri[] = "file:///d/Valdoria_42-.txt";
// A second record on the cell of the first maximum-speed indicator.
const char kClash[] = "indicatori_vmax, 600, 90, 100, 100, 0, 0, 0, 0, 0\r\n";

std::string example(const std::string& name) {
  std::ifstream in(std::string(BINARIO_SOURCE_DIR) + "/examples/" + name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return windows1252_to_utf8(text.str());
}

// The example line with `record` inserted after its first maximum-speed
// indicator, and the 0-based line it lands on.
std::string line_with(const std::string& record, int* at = nullptr) {
  std::string text = example("Valdoria_linea.txt");
  const size_t first = text.find("indicatori_vmax");
  const size_t next = text.find('\n', first) + 1;
  if (at) *at = static_cast<int>(std::count(text.begin(), text.begin() + next, '\n'));
  return text.insert(next, record);
}

// A file system in memory that can act while a file is read: a test makes
// the editor's next message arrive in the middle of a compile.
class HookedFileSystem : public MemoryFileSystem {
 public:
  using MemoryFileSystem::read_file;
  bool read_file(const std::string& path, const ReadCap& cap, std::string* contents,
                 std::string* error) override {
    if (on_read) std::exchange(on_read, nullptr)();
    return MemoryFileSystem::read_file(path, cap, contents, error);
  }
  bool missing(const std::string& path) override {
    if (on_access) std::exchange(on_access, nullptr)();
    return MemoryFileSystem::missing(path);
  }
  std::function<void()> on_read;    // called once, at the next read
  std::function<void()> on_access;  // called once, when next asked whether a path is missing
};

class Session {
 public:
  Session() : server_(fs, out_, ServerOptions{std::chrono::milliseconds(0), false}) {}

  void send(const json& message) { server_.handle(message.dump()); }
  void request(int id, const std::string& method, const json& params = json::object()) {
    send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
  }
  void notify(const std::string& method, const json& params = json::object()) {
    send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
  }
  void open(const std::string& uri, const std::string& text) {
    notify("textDocument/didOpen",
           {{"textDocument",
             {{"uri", uri}, {"languageId", "binario"}, {"version", 1}, {"text", text}}}});
  }
  void change(const std::string& uri, const std::string& text) {
    notify("textDocument/didChange", {{"textDocument", {{"uri", uri}, {"version", 2}}},
                                      {"contentChanges", {{{"text", text}}}}});
  }
  // The messages the server wrote since the last call.
  std::vector<json> received() {
    std::istringstream in(out_.str());
    out_.str("");
    std::vector<json> messages;
    std::string body;
    while (read_message(in, &body) == ReadResult::kMessage) messages.push_back(json::parse(body));
    return messages;
  }
  // The diagnostics last published for each document since the last call.
  std::map<std::string, json> published() {
    std::map<std::string, json> out;
    for (const json& m : received()) {
      if (m.value("method", "") == "textDocument/publishDiagnostics") {
        out[m["params"]["uri"]] = m["params"]["diagnostics"];
      }
    }
    return out;
  }
  Server& server() { return server_; }

  HookedFileSystem fs;

 private:
  std::ostringstream out_;
  Server server_;
};

int error_code(const json& reply) {
  return reply.at("error").at("code").get<int>();
}

TEST(Server, Lifecycle) {
  Session s;
  s.request(1, "textDocument/hover");
  s.notify("textDocument/didOpen", {{"textDocument", {{"uri", kLineUri}, {"text", ""}}}});
  std::vector<json> replies = s.received();
  ASSERT_EQ(replies.size(), 1u);  // the notification is dropped
  EXPECT_EQ(error_code(replies[0]), -32002);

  s.request(2, "initialize", {{"capabilities", json::object()}});
  replies = s.received();
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0]["id"], 2);
  EXPECT_EQ(replies[0]["result"]["capabilities"]["textDocumentSync"]["change"], 2);
  s.notify("initialized");
  s.request(3, "initialize");
  s.request(4, "no/suchMethod");
  s.notify("no/suchNotification");
  s.notify("$/cancelRequest", {{"id", 4}});
  s.request(5, "shutdown");
  s.request(6, "textDocument/hover");
  replies = s.received();
  ASSERT_EQ(replies.size(), 4u);
  EXPECT_EQ(error_code(replies[0]), -32600);
  EXPECT_EQ(error_code(replies[1]), -32601);
  EXPECT_TRUE(replies[2]["result"].is_null());
  EXPECT_EQ(error_code(replies[3]), -32600);
  EXPECT_FALSE(s.server().exited());
  s.notify("exit");
  EXPECT_TRUE(s.server().exited());
  EXPECT_EQ(s.server().exit_status(), 0);
}

TEST(Server, RunEndsWithTheStatusOfHowTheClientLeft) {
  MemoryFileSystem fs;
  auto run = [&](const std::string& input) {
    std::ostringstream out;
    std::istringstream in(input);
    Server server(fs, out);
    return server.run(in);
  };
  auto frame = [](const std::string& body) {
    std::ostringstream out;
    write_message(out, body);
    return out.str();
  };
  const std::string exit = frame(R"({"jsonrpc":"2.0","method":"exit"})");
  EXPECT_EQ(run(exit), 1);  // exit without shutdown
  EXPECT_EQ(run(""), 1);    // the client is gone
  EXPECT_EQ(run("Content-Length: x\r\n\r\n"), 1);
  EXPECT_EQ(run("Content-Length: 999999999999\r\n\r\n"), 1);
  // A framing error is said on the log before the server gives up.
  std::ostringstream out, log;
  std::istringstream in(exit + "Content-Length: 5\n\n");
  ServerOptions options;
  options.log = &log;
  EXPECT_EQ(Server(fs, out, options).run(in), 1);
  EXPECT_EQ(log.str(), "");
  std::istringstream broken("Content-Length: 5\n\n");
  EXPECT_EQ(Server(fs, out, options).run(broken), 1);
  EXPECT_EQ(log.str(),
            "binario lsp: cannot read the next message: a header line is not ended by CR LF; "
            "the connection is closed\n");
  const std::string initialize = frame(R"({"jsonrpc":"2.0","id":1,"method":"initialize"})");
  const std::string shutdown = frame(R"({"jsonrpc":"2.0","id":2,"method":"shutdown"})");
  EXPECT_EQ(run(initialize + shutdown + exit), 0);
}

TEST(Server, AnswersBadMessagesWithErrors) {
  Session s;
  s.request(1, "initialize");
  s.received();
  s.server().handle("{\"jsonrpc\":");
  s.server().handle("[1,2]");
  s.server().handle("{\"jsonrpc\":\"2.0\",\"id\":{},\"method\":\"x\"}");
  s.server().handle("{\"jsonrpc\":\"2.0\",\"id\":7,\"method\":3}");
  // Parameters of the wrong shape: the request gets an error, the
  // notification is dropped.
  s.notify("textDocument/didOpen", {{"textDocument", {{"uri", 3}}}});
  s.notify("textDocument/didChange", json::array());
  std::vector<json> replies = s.received();
  ASSERT_EQ(replies.size(), 4u);
  EXPECT_EQ(error_code(replies[0]), -32700);
  EXPECT_EQ(error_code(replies[1]), -32600);
  EXPECT_EQ(error_code(replies[2]), -32600);
  EXPECT_TRUE(replies[2]["id"].is_null());
  EXPECT_EQ(error_code(replies[3]), -32600);
  EXPECT_EQ(replies[3]["id"], 7);
}

// Messages built to break the server get errors, and the server goes on.
TEST(Server, SurvivesHostileMessages) {
  Session s;
  const std::string deep = std::string(60000, '[') + std::string(60000, ']');
  s.server().handle(deep);  // even as the first message
  s.server().handle(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{"x":)" + deep +
                    "}}");
  std::vector<json> replies = s.received();
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(error_code(replies[0]), -32600);
  EXPECT_TRUE(replies[0]["id"].is_null());
  EXPECT_EQ(error_code(replies[1]), -32600);
  EXPECT_EQ(replies[1]["id"], 1);  // the client's wait for it ends

  s.request(2, "initialize");
  s.open(kLineUri, "pendenza, 100, 1\r\n");
  s.received();
  // Positions that are not integers from 0 to 2^31 - 1 are invalid params.
  for (const json& line : {json(1e20), json(-1), json(2.5), json("3"), json(4294967296)}) {
    s.request(
        3, "textDocument/hover",
        {{"textDocument", {{"uri", kLineUri}}}, {"position", {{"line", line}, {"character", 0}}}});
    replies = s.received();
    ASSERT_EQ(replies.size(), 1u) << line;
    EXPECT_EQ(error_code(replies[0]), -32602) << line;
  }
  s.request(4, "textDocument/hover",
            {{"textDocument", {{"uri", kLineUri}}},
             {"position", {{"line", 2147483647}, {"character", 2147483647}}}});
  EXPECT_TRUE(s.received().at(0)["result"].is_null());
  s.request(5, "shutdown");
  EXPECT_TRUE(s.received().at(0)["result"].is_null());
}

// A compile is cancelled by its flag: shutdown and exit never wait for the
// compile of a large document (bench/README.md has the time it takes).
TEST(PairCompile, ThrowsOnceCancelled) {
  MemoryFileSystem fs;
  PairTexts texts;
  texts.line = {kLineUri, line_with("")};
  texts.train = {kTrainUri, example("Valdoria_42-.txt")};
  texts.name = "Valdoria";
  texts.number = "42";
  std::atomic<bool> cancel{false};
  EXPECT_EQ(compile_pair(texts, kLineUri, fs, &cancel).diagnostics.at(kLineUri), json::array());
  cancel = true;
  EXPECT_THROW(compile_pair(texts, kLineUri, fs, &cancel), CompileCancelled);
}

// One compile for equal texts asked for at once or one after the other; a
// partner read from disk is read again by the next compile, which sees it
// changed.
TEST(PairCompile, SharedCompilesAreOfEqualTextsOnly) {
  MemoryFileSystem fs;
  PairTexts texts;
  texts.line = {kLineUri, line_with("")};
  texts.train = {kTrainUri, example("Valdoria_42-.txt")};
  texts.name = "Valdoria";
  texts.number = "42";
  SharedCompiles shared;
  const std::atomic<bool> go_on{false};
  std::shared_ptr<const PairCompiled> first, second;
  std::thread other([&] { second = shared.compile(texts, kTrainUri, fs, &go_on); });
  first = shared.compile(texts, kTrainUri, fs, &go_on);
  other.join();
  EXPECT_EQ(first, second);
  EXPECT_EQ(shared.compile(texts, kTrainUri, fs, &go_on), first);
  // Another text, another place for what has none, another number.
  PairTexts clash = texts;
  clash.line.open_text = line_with(kClash);
  const auto with_clash = shared.compile(clash, kTrainUri, fs, &go_on);
  EXPECT_NE(with_clash, first);
  EXPECT_NE(with_clash->diagnostics.at(kLineUri), json::array());
  EXPECT_NE(shared.compile(texts, kLineUri, fs, &go_on), first);
  PairTexts other_number = texts;
  other_number.number = "43";
  EXPECT_NE(shared.compile(other_number, kTrainUri, fs, &go_on), first);

  PairTexts on_disk = texts;
  on_disk.line = {"file:///d/Valdoria_linea.txt", std::nullopt};
  fs.files["/d/Valdoria_linea.txt"] = utf8_to_windows1252(line_with("")).value();
  const auto clean = shared.compile(on_disk, kTrainUri, fs, &go_on);
  EXPECT_EQ(clean->diagnostics.at(kLineUri), json::array());
  fs.files["/d/Valdoria_linea.txt"] = "[generale]\r\n";
  const auto changed = shared.compile(on_disk, kTrainUri, fs, &go_on);
  EXPECT_NE(changed->diagnostics.at(kLineUri), json::array());

  const std::atomic<bool> cancelled{true};
  EXPECT_THROW(shared.compile(texts, kTrainUri, fs, &cancelled), CompileCancelled);
}

TEST(Server, PublishesTheClashAndClearsItOnceFixed) {
  Session s;
  s.request(1, "initialize");
  s.received();
  int clash_line = 0;
  s.open(kTrainUri, example("Valdoria_42-.txt"));
  s.open(kLineUri, line_with(kClash, &clash_line));
  std::map<std::string, json> published = s.published();
  ASSERT_EQ(published.size(), 2u);
  EXPECT_EQ(published[kTrainUri], json::array());
  ASSERT_EQ(published[kLineUri].size(), 1u) << published[kLineUri];
  const json& d = published[kLineUri][0];
  EXPECT_EQ(d["code"], 21);
  // The compile places the clash at the record's keyword: the range is that field.
  EXPECT_EQ(d["range"]["start"], json({{"line", clash_line}, {"character", 0}}));
  EXPECT_EQ(d["range"]["end"], json({{"line", clash_line}, {"character", 15}}));

  s.change(kLineUri, line_with(""));
  published = s.published();
  EXPECT_EQ(published[kLineUri], json::array());
  EXPECT_EQ(published[kTrainUri], json::array());
}

// A misspelt keyword is a warning named by its code; the clash points at
// the record that holds the cell.
TEST(Server, PublishesWarningsByNameAndTheOccupantOfATakenCell) {
  Session s;
  s.request(1, "initialize");
  s.received();
  int at = 0;
  s.open(kTrainUri, example("Valdoria_42-.txt"));
  s.open(kLineUri, line_with(std::string("pendnza, 900, 1\r\n") + kClash, &at));
  const json list = s.published()[kLineUri];
  const json* warning = nullptr;
  const json* clash = nullptr;
  for (const json& d : list) {
    if (d["severity"] == 2 && d["code"] == "ignored-field") warning = &d;
    if (d["severity"] == 1 && d["code"] == 21) clash = &d;
  }
  ASSERT_NE(warning, nullptr) << list;
  EXPECT_EQ((*warning)["range"]["start"]["line"], at);
  ASSERT_NE(clash, nullptr) << list;
  ASSERT_TRUE(clash->contains("relatedInformation")) << *clash;
  const json& related = (*clash)["relatedInformation"][0]["location"];
  EXPECT_EQ(related["uri"], kLineUri);
  EXPECT_EQ(related["range"]["start"]["line"], at - 1);  // the first indicator
}

// A cell the signal-code pass cannot place is shown at the slowdown record
// it was placing for, in the train, not at the top of a document.
TEST(Server, AFaultOfTheSignalCodePassStandsAtItsRecord) {
  Session s;
  s.request(1, "initialize");
  s.received();
  // Cells 75 and 76 hold signals and 74 a code point: the window before the
  // slowdown start of line 26 (cell 81) is full.
  std::string train = example("Valdoria_42-.txt");
  const std::string signal_2400 = "segnale,   2400, 2, 3, 1, 0, 0,     2, 2, 1, 0, 0\r\n";
  train.insert(train.find(signal_2400) + signal_2400.size(),
               "segnale, 3700, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\r\n"
               "segnale, 3750, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\r\n");
  train.insert(train.find("[fine]"), "abbattimento, 3700, 60\r\n");
  s.open(kLineUri, example("Valdoria_linea.txt"));
  s.open(kTrainUri, train);
  std::map<std::string, json> published = s.published();
  EXPECT_EQ(published[kLineUri], json::array());
  // The fault, and the two signals packed closer than a block section.
  ASSERT_EQ(published[kTrainUri].size(), 3u) << published[kTrainUri];
  EXPECT_EQ(published[kTrainUri][1]["code"], "signals-too-close");
  EXPECT_EQ(published[kTrainUri][2]["code"], "signals-too-close");
  const json& d = published[kTrainUri][0];
  EXPECT_EQ(d["code"], 12);
  EXPECT_EQ(d["range"]["start"], json({{"line", 25}, {"character", 0}}));
  EXPECT_EQ(d["range"]["end"], json({{"line", 25}, {"character", 13}}));
}

// The range is the field as the compile read it: a quoted text runs past
// its comma and onto the next line, counted in UTF-16 units there.
TEST(Server, ADiagnosticMarksTheWholeFieldTheCompileRead) {
  Session s;
  s.request(1, "initialize");
  s.received();
  int at = 0;
  s.open(kLineUri, line_with("cartello indicatore, 950, \"Km. 1,\r\nb\xC3\xACs\"\r\n", &at));
  const json list = s.published()[kLineUri];
  const auto quote = std::find_if(list.begin(), list.end(), [](const json& d) {
    return d.value("code", json()) == "multiline-quote";
  });
  ASSERT_NE(quote, list.end()) << list;
  EXPECT_EQ((*quote)["range"]["start"], json({{"line", at}, {"character", 26}}));
  EXPECT_EQ((*quote)["range"]["end"], json({{"line", at + 1}, {"character", 4}}));
}

TEST(Server, ReadsThePartnerFromDiskAndMarksCharactersWindows1252Lacks) {
  Session s;
  s.fs.directories.insert("/d");
  std::string train = example("Valdoria_42-.txt");
  s.fs.files["/d/Valdoria_42-.txt"] = *utf8_to_windows1252(train);
  s.request(1, "initialize");
  s.received();
  // "Ω" in the title line: replaced, reported, and the compile goes on.
  s.open(kLineUri, "\xCE\xA9" + line_with(""));
  std::map<std::string, json> published = s.published();
  ASSERT_EQ(published[kLineUri].size(), 1u);
  EXPECT_EQ(published[kLineUri][0]["range"]["end"], json({{"line", 0}, {"character", 1}}));
  EXPECT_EQ(published.count(kTrainUri), 0u);  // nothing for a file nobody opened

  // Closing the line clears its diagnostics.
  s.notify("textDocument/didClose", {{"textDocument", {{"uri", kLineUri}}}});
  published = s.published();
  EXPECT_EQ(published[kLineUri], json::array());
}

// The output of a server run with its worker, as it is written, watched
// for the answers.
class WatchedOutput : public std::stringbuf {
 public:
  bool wait_for(const std::string& text, std::chrono::seconds limit) {
    std::unique_lock lock(mutex_);
    return written_.wait_for(lock, limit, [&] { return str().find(text) != std::string::npos; });
  }

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    std::lock_guard lock(mutex_);
    const std::streamsize put = std::stringbuf::xsputn(s, n);
    written_.notify_all();
    return put;
  }
  int_type overflow(int_type c) override {
    std::lock_guard lock(mutex_);
    const int_type put = std::stringbuf::overflow(c);
    written_.notify_all();
    return put;
  }

 private:
  std::recursive_mutex mutex_;  // xsputn holds it when it calls overflow
  std::condition_variable_any written_;
};

// The input in parts, each given once its gate has opened: the server
// reads them one after the other, as they come from an editor.
class PartsInput : public std::stringbuf {
 public:
  void add(std::string part, std::function<void()> gate) {
    parts_.push_back({std::move(part), std::move(gate)});
  }

 protected:
  int_type underflow() override {
    const int_type c = std::stringbuf::underflow();
    if (c != traits_type::eof() || parts_.empty()) return c;
    Part next = std::move(parts_.front());
    parts_.pop_front();
    if (next.gate) next.gate();
    str(next.text);
    return std::stringbuf::underflow();
  }

 private:
  struct Part {
    std::string text;
    std::function<void()> gate;
  };
  std::deque<Part> parts_;
};

std::string frame(const json& message) {
  std::ostringstream framed;
  write_message(framed, message.dump());
  return framed.str();
}

// An edit that arrives while the line is being checked: the check of the
// old text publishes nothing, the check of the new one has the last word.
TEST(Server, ACheckOfATextChangedMeanwhilePublishesNothing) {
  Session s;
  s.fs.directories.insert("/d");
  s.fs.files["/d/Valdoria_42-.txt"] = *utf8_to_windows1252(example("Valdoria_42-.txt"));
  s.request(1, "initialize");
  s.received();
  s.open(kLineUri, line_with(kClash));
  ASSERT_EQ(s.published()[kLineUri].size(), 1u);

  // The check of this text reads the train from disk; meanwhile the author
  // removes the clash (the check of that runs at once, as the server here
  // runs its checks inside the call).
  s.fs.on_read = [&] { s.change(kLineUri, line_with("")); };
  s.change(kLineUri, line_with(std::string(kClash) + kClash));
  std::vector<json> lists;
  for (const json& m : s.received()) {
    if (m.value("method", "") == "textDocument/publishDiagnostics" &&
        m["params"]["uri"] == kLineUri) {
      lists.push_back(m["params"]["diagnostics"]);
    }
  }
  EXPECT_EQ(lists, std::vector<json>{json::array()}) << "published of the text no longer held";
}

// A partner the check read from disk and the editor opened meanwhile: the
// line's diagnostics from the file on disk are not published over those
// from the text the editor now holds.
TEST(Server, ACheckOfAPartnerOpenedMeanwhilePublishesNothing) {
  Session s;
  s.fs.directories.insert("/d");
  s.fs.others.insert("/d/Valdoria_42-.txt");  // on disk a train that cannot be read
  s.request(1, "initialize");
  s.received();
  s.fs.on_read = [&] { s.open(kTrainUri, example("Valdoria_42-.txt")); };
  s.open(kLineUri, line_with(""));
  std::vector<json> lists;
  for (const json& m : s.received()) {
    if (m.value("method", "") == "textDocument/publishDiagnostics" &&
        m["params"]["uri"] == kLineUri) {
      lists.push_back(m["params"]["diagnostics"]);
    }
  }
  EXPECT_EQ(lists, std::vector<json>{json::array()}) << "published of the file on disk";
}

// With the worker, "shutdown" is answered while the handling of a message
// before it is still busy, and "exit" ends the run once that is done.
TEST(Server, ShutdownIsAnsweredWhileAnEarlierMessageIsStillHandled) {
  WatchedOutput watched;
  std::ostream out(&watched);
  PartsInput parts;
  const std::chrono::seconds limit(10);
  parts.add(frame({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}}) +
                frame({{"jsonrpc", "2.0"}, {"method", "initialized"}}),
            nullptr);
  // A train reported changed on disk, once the server is initialized: the
  // handling thread looks on disk for its line, and the file system holds
  // it there until "shutdown", sent meanwhile, has been answered.
  std::mutex mutex;
  std::condition_variable busy_changed;
  bool busy = false;
  bool answered_while_busy = false;
  HookedFileSystem fs;
  fs.on_access = [&] {
    {
      std::lock_guard lock(mutex);
      busy = true;
    }
    busy_changed.notify_all();
    answered_while_busy = watched.wait_for(R"("id":2)", limit);
  };
  parts.add(frame({{"jsonrpc", "2.0"},
                   {"method", "workspace/didChangeWatchedFiles"},
                   {"params", {{"changes", json::array({{{"uri", kTrainUri}, {"type", 2}}})}}}}),
            [&] { watched.wait_for(R"("id":1)", limit); });
  parts.add(frame({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}}) +
                frame({{"jsonrpc", "2.0"}, {"method", "exit"}}),
            [&] {
              std::unique_lock lock(mutex);
              busy_changed.wait_for(lock, limit, [&] { return busy; });
            });
  std::istream in(&parts);

  ServerOptions options;
  options.debounce = std::chrono::milliseconds(0);
  Server server(fs, out, options);
  EXPECT_EQ(server.run(in), 0);
  EXPECT_TRUE(busy) << "the handling thread never looked on disk";
  EXPECT_TRUE(answered_while_busy) << watched.str();
}

// "shutdown" in the middle of a check: answered, and the reading thread
// goes on to read "exit" while the check is still in its step; the check
// then stops at its flag and publishes nothing.
TEST(Server, ShutdownNeverWaitsForTheCheckInProgress) {
  WatchedOutput watched;
  std::ostream out(&watched);
  PartsInput parts;
  const std::chrono::seconds limit(10);
  std::mutex mutex;
  std::condition_variable changed;
  bool checking = false;   // the check is reading the train from disk
  bool exit_read = false;  // the reading thread has asked for "exit"
  bool read_while_checking = false;
  HookedFileSystem fs;
  fs.directories.insert("/d");
  fs.files["/d/Valdoria_42-.txt"] = *utf8_to_windows1252(example("Valdoria_42-.txt"));
  fs.on_read = [&] {
    std::unique_lock lock(mutex);
    checking = true;
    changed.notify_all();
    read_while_checking = changed.wait_for(lock, limit, [&] { return exit_read; });
  };
  parts.add(
      frame({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}}) +
          frame({{"jsonrpc", "2.0"}, {"method", "initialized"}}) +
          frame({{"jsonrpc", "2.0"},
                 {"method", "textDocument/didOpen"},
                 {"params", {{"textDocument", {{"uri", kLineUri}, {"text", line_with("")}}}}}}),
      nullptr);
  parts.add(frame({{"jsonrpc", "2.0"}, {"id", 2}, {"method", "shutdown"}}), [&] {
    std::unique_lock lock(mutex);
    changed.wait_for(lock, limit, [&] { return checking; });
  });
  parts.add(frame({{"jsonrpc", "2.0"}, {"method", "exit"}}), [&] {
    watched.wait_for(R"("id":2)", limit);
    std::lock_guard lock(mutex);
    exit_read = true;
    changed.notify_all();
  });
  std::istream in(&parts);

  ServerOptions options;
  options.debounce = std::chrono::milliseconds(0);
  Server server(fs, out, options);
  EXPECT_EQ(server.run(in), 0);
  EXPECT_TRUE(checking) << "the check never read the train";
  EXPECT_TRUE(read_while_checking) << "the reading thread waited for the check";
  EXPECT_NE(watched.str().find(R"("id":2,"jsonrpc":"2.0","result":null)"), std::string::npos)
      << watched.str();
  EXPECT_EQ(watched.str().find("publishDiagnostics"), std::string::npos) << watched.str();
}

// A request cancelled before the server came to it is answered -32800 and
// never run: the reading thread takes the cancel while the handling thread
// is still busy with the message before.
TEST(Server, ARequestCancelledBeforeItRunsIsAnsweredCancelled) {
  WatchedOutput watched;
  std::ostream out(&watched);
  PartsInput parts;
  const std::chrono::seconds limit(10);
  std::mutex mutex;
  std::condition_variable changed;
  bool busy = false;         // the handling thread is held
  bool cancel_read = false;  // the reading thread is past the cancel
  HookedFileSystem fs;
  fs.on_access = [&] {
    std::unique_lock lock(mutex);
    busy = true;
    changed.notify_all();
    changed.wait_for(lock, limit, [&] { return cancel_read; });
  };
  parts.add(frame({{"jsonrpc", "2.0"}, {"id", 1}, {"method", "initialize"}}), nullptr);
  parts.add(frame({{"jsonrpc", "2.0"},
                   {"method", "workspace/didChangeWatchedFiles"},
                   {"params", {{"changes", json::array({{{"uri", kTrainUri}, {"type", 2}}})}}}}),
            [&] { watched.wait_for(R"("id":1)", limit); });
  parts.add(frame({{"jsonrpc", "2.0"},
                   {"id", 2},
                   {"method", "textDocument/formatting"},
                   {"params", {{"textDocument", {{"uri", kLineUri}}}}}}) +
                frame({{"jsonrpc", "2.0"}, {"method", "$/cancelRequest"}, {"params", {{"id", 2}}}}),
            [&] {
              std::unique_lock lock(mutex);
              changed.wait_for(lock, limit, [&] { return busy; });
            });
  parts.add(frame({{"jsonrpc", "2.0"}, {"method", "$/setTrace"}, {"params", json::object()}}), [&] {
    std::lock_guard lock(mutex);
    cancel_read = true;
    changed.notify_all();
  });
  parts.add(frame({{"jsonrpc", "2.0"}, {"id", 3}, {"method", "shutdown"}}) +
                frame({{"jsonrpc", "2.0"}, {"method", "exit"}}),
            [&] { watched.wait_for(R"("id":2)", limit); });
  std::istream in(&parts);
  Server server(fs, out);
  EXPECT_EQ(server.run(in), 0);
  EXPECT_TRUE(busy) << "the handling thread never looked on disk";
  EXPECT_NE(watched.str().find(R"({"code":-32800)"), std::string::npos) << watched.str();
}

// The example line with `records` more record lines, each laid out anew by
// formatting.
std::string line_with_gradients(int records) {
  std::string text = line_with("");
  std::string more;
  for (int i = 0; i < records; ++i) more += "pendenza  , 400    , 2\r\n";
  const size_t at = text.find("[pendenze]\r\n") + 12;
  return text.insert(at, more);
}

// A hover sent while a large document is being formatted is answered first
// (bench/README.md has the time it takes); a formatting cancelled while it
// runs is answered -32800.
TEST(Server, RequestsNeverWaitForOneAnother) {
  WatchedOutput watched;
  std::ostream out(&watched);
  PartsInput parts;
  const std::chrono::seconds limit(60);
  const std::string large = "file:///d/Grande_linea.txt";
  auto request = [](int id, const std::string& method, const json& params) {
    return frame({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
  };
  const json hover = {{"textDocument", {{"uri", kTrainUri}}},
                      {"position", {{"line", 0}, {"character", 0}}}};
  const json format_large = {{"textDocument", {{"uri", large}}}};
  parts.add(
      request(1, "initialize", json::object()) +
          frame(
              {{"jsonrpc", "2.0"},
               {"method", "textDocument/didOpen"},
               {"params",
                {{"textDocument", {{"uri", kTrainUri}, {"text", example("Valdoria_42-.txt")}}}}}}) +
          frame({{"jsonrpc", "2.0"},
                 {"method", "textDocument/didOpen"},
                 {"params",
                  {{"textDocument", {{"uri", large}, {"text", line_with_gradients(50000)}}}}}}),
      nullptr);
  parts.add(
      request(2, "textDocument/formatting", format_large) + request(3, "textDocument/hover", hover),
      nullptr);
  parts.add(request(4, "textDocument/formatting", format_large) +
                frame({{"jsonrpc", "2.0"}, {"method", "$/cancelRequest"}, {"params", {{"id", 4}}}}),
            [&] { watched.wait_for(R"("id":3)", limit); });
  parts.add(
      request(5, "shutdown", json::object()) + frame({{"jsonrpc", "2.0"}, {"method", "exit"}}),
      [&] {
        watched.wait_for(R"("id":2)", limit);
        watched.wait_for(R"("id":4)", limit);
      });
  std::istream in(&parts);
  MemoryFileSystem fs;
  Server server(fs, out);
  EXPECT_EQ(server.run(in), 0);
  std::map<int, json> answers;
  std::vector<int> order;
  std::istringstream written(watched.str());
  std::string body;
  while (read_message(written, &body) == ReadResult::kMessage) {
    const json m = json::parse(body);
    if (!m.contains("id") || !m["id"].is_number_integer()) continue;
    order.push_back(m["id"]);
    answers[m["id"]] = m;
  }
  const auto place = [&](int id) {
    return std::find(order.begin(), order.end(), id) - order.begin();
  };
  EXPECT_LT(place(3), place(2)) << "the hover waited for the formatting";
  ASSERT_TRUE(answers[2].contains("result"));
  EXPECT_GT(answers[2]["result"].size(), 50000u);
  EXPECT_EQ(answers[4]["error"]["code"], -32800) << answers[4];
}

TEST(Server, BoundsTheDiagnosticsOfADocument) {
  Session s;
  s.request(1, "initialize");
  std::string text = line_with("");
  for (int i = 0; i < 1500; ++i) text += "- \xCE\xA9\r\n";
  s.received();
  s.open(kLineUri, text);
  EXPECT_EQ(s.published()[kLineUri].size(), 1000u);
}

TEST(Server, HoverAndOutline) {
  Session s;
  s.request(1, "initialize",
            {{"capabilities",
              {{"textDocument",
                {{"hover", {{"contentFormat", {"markdown", "plaintext"}}}},
                 {"completion", {{"completionItem", {{"snippetSupport", true}}}}}}}}}});
  s.open(kTrainUri, example("Valdoria_42-.txt"));
  s.open(kLineUri, line_with(""));
  s.received();
  // "segnale,   2400, 2, …" on line 32 of the train: cell 49 holds the signal.
  auto hover = [&](int line, int character) {
    s.request(2, "textDocument/hover",
              {{"textDocument", {{"uri", kTrainUri}}},
               {"position", {{"line", line}, {"character", character}}}});
    return s.received().at(0)["result"];
  };
  const json on_position = hover(31, 12);
  const std::string text = on_position["contents"]["value"];
  EXPECT_NE(text.find("metre 2400, km 2.400; cell 49"), std::string::npos) << text;
  EXPECT_NE(text.find("signal"), std::string::npos) << text;
  EXPECT_NE(text.find("| 1 | `posizione`"), std::string::npos) << text;
  EXPECT_EQ(on_position["range"]["start"]["character"], 11);
  EXPECT_EQ(on_position["range"]["end"]["character"], 15);
  // On the keyword, the entry built into the program: the head of what
  // `binario explain segnale` prints, with no file of the source tree read.
  const std::string entry = hover(31, 2)["contents"]["value"];
  const std::optional<ReferenceEntry> built_in = find_reference_entry("segnale");
  ASSERT_TRUE(built_in);
  EXPECT_EQ(entry.rfind("### `segnale`\n", 0), 0u) << entry;
  EXPECT_TRUE(built_in->text.starts_with(entry));
  EXPECT_GE(entry.size() + 2, built_in->text.size());
  EXPECT_TRUE(hover(0, 0).is_null());

  s.request(3, "textDocument/documentSymbol", {{"textDocument", {{"uri", kTrainUri}}}});
  const std::string outline = s.received().at(0)["result"].dump();
  EXPECT_NE(outline.find("PIAN DEL RIO"), std::string::npos);

  s.request(
      4, "textDocument/completion",
      {{"textDocument", {{"uri", kTrainUri}}}, {"position", {{"line", 31}, {"character", 0}}}});
  const json items = s.received().at(0)["result"];
  const auto signal = std::find_if(items.begin(), items.end(),
                                   [](const json& item) { return item["label"] == "segnale"; });
  ASSERT_NE(signal, items.end());
  EXPECT_EQ(
      (*signal)["insertText"].get<std::string>().rfind("segnale, ${1:posizione}, ${2:sx}, ", 0),
      0u);
}

// A hover or outline asked for before the debounced compile of the newest
// text reads that text, not the one compiled before it.
TEST(Server, HoverAndOutlineReadTheTextAsItStandsNow) {
  MemoryFileSystem fs;
  WatchedOutput watched;
  std::ostream out(&watched);
  Server server(fs, out, ServerOptions{std::chrono::milliseconds(60'000), true});
  auto send = [&](const std::string& method, const json& params, int id = 0) {
    json m = {{"jsonrpc", "2.0"}, {"method", method}, {"params", params}};
    if (id) m["id"] = id;
    server.handle(m.dump());
  };
  send("initialize",
       {{"capabilities", {{"textDocument", {{"hover", {{"contentFormat", {"markdown"}}}}}}}}}, 1);
  send("textDocument/didOpen", {{"textDocument", {{"uri", kLineUri}, {"text", line_with("")}}}});
  int at = 0;
  send("textDocument/didChange",
       {{"textDocument", {{"uri", kLineUri}, {"version", 2}}},
        {"contentChanges", {{{"text", line_with("- nota -, " + std::string(kClash), &at)}}}}});
  send("textDocument/hover",
       {{"textDocument", {{"uri", kLineUri}}}, {"position", {{"line", at}, {"character", 12}}}}, 2);
  send("textDocument/documentSymbol", {{"textDocument", {{"uri", kLineUri}}}}, 3);
  // Answered by workers of their own, in either order.
  ASSERT_TRUE(watched.wait_for(R"("id":2)", std::chrono::seconds(10)));
  ASSERT_TRUE(watched.wait_for(R"("id":3)", std::chrono::seconds(10)));
  send("shutdown", json::object(), 4);
  std::istringstream in(watched.str());
  std::string body;
  std::map<int, json> results;
  while (read_message(in, &body) == ReadResult::kMessage) {
    const json m = json::parse(body);
    if (m.contains("id")) results[m["id"].get<int>()] = m["result"];
  }
  ASSERT_TRUE(results[2].is_object()) << results[2];
  EXPECT_EQ(results[2]["contents"]["value"].get<std::string>().rfind("### `indicatori_vmax`", 0),
            0u);
  EXPECT_NE(results[3].dump().find("\"line\":" + std::to_string(at)), std::string::npos);
}

// A hover on a line description just changed is answered on its new text
// while the check of the pair is still compiling (held here at its reading
// of the train on disk): the line is read alone, its stop included, and the
// answer is the one a server gives once its check has read that text.
TEST(Server, AHoverOnAChangedLineWaitsForNoCompileOfThePair) {
  const std::string train = *utf8_to_windows1252(example("Valdoria_42-.txt"));
  int at = 0;
  // The clash stops the compile; two lines were put before the second board.
  const std::string changed = line_with(std::string(kClash) + "- nota -\r\n", &at);
  const std::vector<std::pair<int, int>> places = {
      {at + 2, 2},   // the second board's keyword, read after the stop
      {at + 2, 24},  // one of its speeds: no model asked
      {14, 2},       // a gradient's keyword, before the stop
      {5, 1},        // the line's length
  };
  // Declared before the server: its check may still be held at the train
  // when the server is destroyed, and then reads them.
  std::mutex mutex;
  std::condition_variable released;
  bool go = false;
  HookedFileSystem fs;
  fs.directories.insert("/d");
  fs.files["/d/Valdoria_42-.txt"] = train;
  WatchedOutput watched;
  std::map<int, json> answers;
  {
    std::ostream out(&watched);
    Server server(fs, out, ServerOptions{std::chrono::milliseconds(60'000), true});
    auto send = [&](const std::string& method, const json& params, int id = 0) {
      json m = {{"jsonrpc", "2.0"}, {"method", method}, {"params", params}};
      if (id) m["id"] = id;
      server.handle(m.dump());
    };
    send("initialize",
         {{"capabilities", {{"textDocument", {{"hover", {{"contentFormat", {"markdown"}}}}}}}}}, 1);
    send("textDocument/didOpen", {{"textDocument", {{"uri", kLineUri}, {"text", line_with("")}}}});
    ASSERT_TRUE(watched.wait_for("publishDiagnostics", std::chrono::seconds(20)));
    // The next compile waits at the train until the hovers are answered.
    fs.on_read = [&] {
      std::unique_lock lock(mutex);
      released.wait_for(lock, std::chrono::seconds(30), [&] { return go; });
    };
    send("textDocument/didChange", {{"textDocument", {{"uri", kLineUri}, {"version", 2}}},
                                    {"contentChanges", {{{"text", changed}}}}});
    for (size_t i = 0; i < places.size(); ++i) {
      send("textDocument/hover",
           {{"textDocument", {{"uri", kLineUri}}},
            {"position", {{"line", places[i].first}, {"character", places[i].second}}}},
           static_cast<int>(10 + i));
    }
    bool all = true;
    for (size_t i = 0; i < places.size(); ++i) {
      all = all && watched.wait_for(R"("id":)" + std::to_string(10 + i), std::chrono::seconds(10));
    }
    {
      std::lock_guard lock(mutex);
      go = true;
    }
    released.notify_all();
    ASSERT_TRUE(all) << "a hover waited for the compile of the pair";
    send("shutdown", json::object(), 2);
    std::istringstream in(watched.str());
    std::string body;
    while (read_message(in, &body) == ReadResult::kMessage) {
      const json m = json::parse(body);
      if (m.contains("id")) answers[m["id"].get<int>()] = m["result"];
    }
  }
  // The same text opened in a server whose check has read it.
  Session s;
  s.fs.directories.insert("/d");
  s.fs.files["/d/Valdoria_42-.txt"] = train;
  s.request(1, "initialize",
            {{"capabilities", {{"textDocument", {{"hover", {{"contentFormat", {"markdown"}}}}}}}}});
  s.open(kLineUri, changed);
  s.received();
  for (size_t i = 0; i < places.size(); ++i) {
    s.request(2, "textDocument/hover",
              {{"textDocument", {{"uri", kLineUri}}},
               {"position", {{"line", places[i].first}, {"character", places[i].second}}}});
    const json checked = s.received().at(0)["result"];
    ASSERT_TRUE(checked.is_object()) << i;
    EXPECT_EQ(answers[static_cast<int>(10 + i)], checked) << i;
  }
  EXPECT_NE(answers[10].dump().find("Read after the compile stopped"), std::string::npos)
      << answers[10];
}

// A change too large for the handling thread is applied off it: a request
// after it on the same document answers on the changed text, one on another
// document is answered, and a close and an open of the document behind the
// change come after it, never before.
TEST(Server, ALargeChangeIsAppliedInTheOrderSent) {
  MemoryFileSystem fs;
  WatchedOutput watched;
  std::ostream out(&watched);
  Server server(fs, out, ServerOptions{std::chrono::milliseconds(60'000), true});
  auto send = [&](const std::string& method, const json& params, int id = 0) {
    json m = {{"jsonrpc", "2.0"}, {"method", method}, {"params", params}};
    if (id) m["id"] = id;
    server.handle(m.dump());
  };
  auto hover = [&](const char* uri, int line, int character, int id) {
    send("textDocument/hover",
         {{"textDocument", {{"uri", uri}}},
          {"position", {{"line", line}, {"character", character}}}},
         id);
  };
  send("initialize", json::object(), 1);
  send("textDocument/didOpen",
       {{"textDocument", {{"uri", kTrainUri}, {"text", example("Valdoria_42-.txt")}}}});
  send("textDocument/didOpen", {{"textDocument", {{"uri", kLineUri}, {"text", line_with("")}}}});
  // The clash planted after the first speed board, then thousands of edits
  // that change nothing: 1.5 MB, long enough to parse that what follows it
  // arrives while it is still waiting.
  int at = 0;
  line_with(kClash, &at);
  json changes = json::array();
  changes.push_back(
      {{"range",
        {{"start", {{"line", at}, {"character", 0}}}, {"end", {{"line", at}, {"character", 0}}}}},
       {"text", kClash}});
  for (int i = 0; i < 20000; ++i) {
    changes.push_back({{"range",
                        {{"start", {{"line", i % at}, {"character", 0}}},
                         {"end", {{"line", i % at}, {"character", 0}}}}},
                       {"text", ""}});
  }
  const json change = {{"textDocument", {{"uri", kLineUri}, {"version", 2}}},
                       {"contentChanges", changes}};
  // On the position of the new board (metre 600; before the change the next
  // one, at metre 3450, stood on that line), and on the train.
  send("textDocument/didChange", change);
  hover(kLineUri, at, 17, 2);
  hover(kTrainUri, 31, 12, 3);
  for (const char* id : {R"("id":2)", R"("id":3)"}) {
    ASSERT_TRUE(watched.wait_for(id, std::chrono::seconds(20))) << id;
  }
  // The same change again, the line closed and opened as it was right
  // behind it: the change is made to the text it was sent for, not to the
  // one opened after it.
  send("textDocument/didChange", change);
  send("textDocument/didClose", {{"textDocument", {{"uri", kLineUri}}}});
  send("textDocument/didOpen", {{"textDocument", {{"uri", kLineUri}, {"text", line_with("")}}}});
  hover(kLineUri, at, 17, 4);
  ASSERT_TRUE(watched.wait_for(R"("id":4)", std::chrono::seconds(20)));
  send("shutdown", json::object(), 5);
  std::istringstream in(watched.str());
  std::string body;
  std::map<int, json> answers;
  while (read_message(in, &body) == ReadResult::kMessage) {
    const json m = json::parse(body);
    if (m.contains("id")) answers[m["id"].get<int>()] = m;
  }
  const std::string on_line = answers[2]["result"].dump();
  const std::string reopened = answers[4]["result"].dump();
  EXPECT_NE(on_line.find("metre 600,"), std::string::npos) << on_line;
  EXPECT_NE(reopened.find("metre 3450,"), std::string::npos) << reopened;
  // The train's hover reads the line as it compiled last, before the change
  // or after it: answered either way.
  EXPECT_TRUE(answers[3].contains("result")) << answers[3];
}

// --- The line and every train beside it ------------------------------------

const char kTrain43Uri[] = "file:///d/Valdoria_43-.txt";
// A speed indicator on the cell of the train's signal at metre 2400.
const char kOnTheSignal[] = "indicatori_vmax, 2400, 90, 100, 100, 0, 0, 0, 0, 0\r\n";

std::vector<int> codes(const json& list) {
  std::vector<int> out;
  for (const json& d : list) {
    if (d["code"].is_number_integer()) out.push_back(d["code"].get<int>());
  }
  return out;
}

// An edit to the line checks every open train again and publishes to each.
TEST(Server, AnEditToTheLineChecksEveryOpenTrain) {
  Session s;
  s.fs.directories.insert("/d");
  s.request(1, "initialize");
  s.open(kTrainUri, example("Valdoria_42-.txt"));
  s.open(kTrain43Uri, example("Valdoria_42-.txt"));
  s.open(kLineUri, line_with(kOnTheSignal));
  std::map<std::string, json> published = s.published();
  EXPECT_FALSE(codes(published[kTrainUri]).empty()) << published[kTrainUri];
  EXPECT_EQ(codes(published[kTrain43Uri]), codes(published[kTrainUri])) << published[kTrain43Uri];
  s.change(kLineUri, line_with(""));
  published = s.published();
  EXPECT_EQ(published[kTrainUri], json::array());
  EXPECT_EQ(published[kTrain43Uri], json::array());
  EXPECT_EQ(published[kLineUri], json::array());
}

// A line opened alone is checked with each train beside it on disk; it
// shows its own diagnostics once, says which train a diagnostic comes from
// when not every train gives it, and publishes nothing to the trains.
TEST(Server, ALineOpenedAloneIsCheckedWithEachTrainBesideIt) {
  Session s;
  s.fs.directories.insert("/d");
  const std::string train = *utf8_to_windows1252(example("Valdoria_42-.txt"));
  s.fs.files["/d/Valdoria_42-.txt"] = train;
  // Train 43 takes the reserved slot of cell 1.
  std::string other = train;
  other.insert(other.rfind("[fine]"), "segnale, 10, 1,4,1,0,0, 0,0,0,0,0\r\n");
  s.fs.files["/d/Valdoria_43-.txt"] = other;
  s.request(1, "initialize");
  s.received();
  s.open(kLineUri, line_with(kClash));
  std::map<std::string, json> published = s.published();
  ASSERT_EQ(published.size(), 1u);
  const json& list = published[kLineUri];
  ASSERT_EQ(codes(list), (std::vector<int>{21})) << list;
  EXPECT_EQ(list[0]["message"].get<std::string>().find("(with train"), std::string::npos);
}

// Closing a document clears what was published for it; a train whose line
// is closed is checked again against the line on disk.
TEST(Server, ClosingClearsWhatWasPublished) {
  Session s;
  s.fs.directories.insert("/d");
  s.fs.files["/d/Valdoria_linea.txt"] = *utf8_to_windows1252(line_with(""));
  s.request(1, "initialize");
  s.open(kTrainUri, example("Valdoria_42-.txt"));
  s.open(kLineUri, line_with(kOnTheSignal));
  s.received();
  s.notify("textDocument/didClose", {{"textDocument", {{"uri", kLineUri}}}});
  std::map<std::string, json> published = s.published();
  EXPECT_EQ(published[kLineUri], json::array());
  EXPECT_EQ(published[kTrainUri], json::array());  // the line on disk has no clash
}

// A partner that is nowhere is a warning naming the path looked for.
TEST(Server, AMissingPartnerIsAWarningThatNamesThePath) {
  Session s;
  s.fs.directories.insert("/d");
  s.request(1, "initialize");
  s.received();
  s.open(kLineUri, line_with(""));
  json list = s.published()[kLineUri];
  ASSERT_EQ(list.size(), 1u) << list;
  EXPECT_EQ(list[0]["severity"], 2);
  EXPECT_EQ(list[0]["code"], "missing-partner");
  EXPECT_NE(list[0]["message"].get<std::string>().find("/d/Valdoria_NUM-.txt"), std::string::npos)
      << list;
  s.notify("textDocument/didClose", {{"textDocument", {{"uri", kLineUri}}}});
  s.received();
  s.open(kTrainUri, example("Valdoria_42-.txt"));
  list = s.published()[kTrainUri];
  ASSERT_EQ(list.size(), 1u) << list;
  EXPECT_EQ(list[0]["severity"], 2);
  EXPECT_NE(list[0]["message"].get<std::string>().find("/d/Valdoria_linea.txt"), std::string::npos)
      << list;

  // A name whose decoded bytes are not UTF-8: the warning is given all the
  // same, those bytes shown as U+FFFD.
  const std::string latin = "file:///d/%E0_linea.txt";
  s.open(latin, line_with(""));
  list = s.published()[latin];
  ASSERT_EQ(list.size(), 1u) << list;
  EXPECT_NE(list[0]["message"].get<std::string>().find("/d/\xEF\xBF\xBD_NUM-.txt"),
            std::string::npos)
      << list;
}

// A line whose name has a space and a letter outside ASCII finds its train
// on disk (its URI is percent-encoded, the name on disk is not).
TEST(Server, AnEncodedUriFindsItsPartnerOnDisk) {
  Session s;
  s.fs.directories.insert("/d");
  s.fs.files["/d/Città alta_42-.txt"] = *utf8_to_windows1252(example("Valdoria_42-.txt"));
  s.request(1, "initialize");
  s.received();
  const std::string uri = "file:///d/Citt%C3%A0%20alta_linea.txt";
  s.open(uri, line_with(""));
  std::map<std::string, json> published = s.published();
  ASSERT_EQ(published.size(), 1u);
  EXPECT_EQ(published[uri], json::array());
}

// 10,000 edits in one notification: the text they leave is checked once.
TEST(Server, ABatchOfEditsIsAppliedAndCheckedOnce) {
  Session s;
  s.fs.directories.insert("/d");
  s.fs.files["/d/Valdoria_42-.txt"] = *utf8_to_windows1252(example("Valdoria_42-.txt"));
  s.request(1, "initialize");
  s.open(kLineUri, line_with(""));
  s.received();
  int at = 0;
  line_with(kClash, &at);
  json changes = json::array();
  const auto range = [](int line, int from, int to) {
    return json{{"start", {{"line", line}, {"character", from}}},
                {"end", {{"line", line}, {"character", to}}}};
  };
  for (int i = 0; i < 4999; ++i) {
    const int line = (i * 7) % 30;
    changes.push_back({{"range", range(line, 0, 0)}, {"text", "x\r\n"}});
    changes.push_back({{"range",
                        {{"start", {{"line", line}, {"character", 0}}},
                         {"end", {{"line", line + 1}, {"character", 0}}}}},
                       {"text", ""}});
  }
  changes.push_back({{"range", range(at, 0, 0)}, {"text", kClash}});
  changes.push_back({{"range", range(at, 0, 0)}, {"text", "\u00e0"}});
  changes.push_back({{"range", range(at, 0, 1)}, {"text", ""}});
  ASSERT_EQ(changes.size(), 10001u);
  s.notify("textDocument/didChange",
           {{"textDocument", {{"uri", kLineUri}, {"version", 2}}}, {"contentChanges", changes}});
  std::vector<json> lists;
  for (const json& m : s.received()) {
    if (m.value("method", "") == "textDocument/publishDiagnostics") {
      lists.push_back(m["params"]["diagnostics"]);
    }
  }
  ASSERT_EQ(lists.size(), 1u);
  EXPECT_EQ(codes(lists[0]), (std::vector<int>{21})) << lists[0];
  s.open(kLineUri, line_with(kClash));
  EXPECT_EQ(s.published()[kLineUri], lists[0]);
}

// Formatting's edits, sent back in one change as an editor sends them (the
// last first), leave a text that formatting leaves alone.
TEST(Server, FormattingEditsSentBackLeaveALaidOutText) {
  Session s;
  s.request(1, "initialize");
  s.open(kLineUri, line_with(""));
  s.received();
  const json format = {{"textDocument", {{"uri", kLineUri}}}};
  s.request(2, "textDocument/formatting", format);
  const json edits = s.received().at(0).at("result");
  ASSERT_GT(edits.size(), 5u);
  json changes = json::array();
  for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
    const json& range = (*it)["range"];
    EXPECT_EQ(range["start"]["line"], range["end"]["line"]);
    EXPECT_EQ(range["start"]["character"], 0);
    changes.push_back({{"range", range}, {"text", (*it)["newText"]}});
  }
  s.notify("textDocument/didChange",
           {{"textDocument", {{"uri", kLineUri}, {"version", 2}}}, {"contentChanges", changes}});
  s.received();
  s.request(3, "textDocument/formatting", format);
  EXPECT_EQ(s.received().at(0).at("result"), json::array());
}

// Endings in any letter case pair as the command line pairs them: open
// together, on disk beside an open partner, or with an open train whose
// line the folder spells in upper case.
TEST(Server, EndingsInAnyLetterCasePair) {
  const std::string line = "file:///d/VALDORIA_LINEA.TXT";
  const std::string train = "file:///d/VALDORIA_42-.TXT";
  {
    Session s;
    s.fs.directories.insert("/d");
    s.request(1, "initialize");
    s.open(train, example("Valdoria_42-.txt"));
    s.open(line, line_with(""));
    std::map<std::string, json> published = s.published();
    EXPECT_EQ(published[line], json::array());
    EXPECT_EQ(published[train], json::array());
  }
  {
    Session s;
    s.fs.directories.insert("/d");
    s.fs.files["/d/VALDORIA_LINEA.TXT"] = *utf8_to_windows1252(line_with(""));
    s.fs.files["/d/Valdoria_linea.txt.bak"] = "";
    s.request(1, "initialize");
    s.received();
    s.open(train, example("Valdoria_42-.txt"));
    // The train is compiled with the line on disk: nothing says it is missing.
    std::map<std::string, json> published = s.published();
    ASSERT_EQ(published.size(), 1u);
    EXPECT_EQ(published[train], json::array());
    s.notify("textDocument/didClose", {{"textDocument", {{"uri", train}}}});
    s.fs.files["/d/VALDORIA_42-.TXT"] = *utf8_to_windows1252(example("Valdoria_42-.txt"));
    s.received();
    s.open(line, line_with(kClash));
    EXPECT_EQ(codes(s.published()[line]), (std::vector<int>{21}));
  }
}

// A folder or a FIFO named like a train is a train the compile cannot read,
// as `binario check` finds it (status 25), not an entry to pass over; so is
// a folder named like the line of an open train.
TEST(Server, AFolderOrFifoNamedLikeAPartnerCannotBeRead) {
  Session s;
  s.fs.directories.insert("/d");
  s.fs.files["/d/Valdoria_42-.txt"] = *utf8_to_windows1252(example("Valdoria_42-.txt"));
  s.fs.directories.insert("/d/Valdoria_43-.txt");
  s.fs.others.insert("/d/Valdoria_44-.txt");
  s.request(1, "initialize");
  s.received();
  s.open(kLineUri, line_with(""));
  const json list = s.published()[kLineUri];
  std::vector<std::string> unreadable;
  for (const json& d : list) {
    if (d["code"] == 25 && d["severity"] == 1) unreadable.push_back(d["message"]);
  }
  ASSERT_EQ(unreadable.size(), 2u) << list;
  EXPECT_NE(unreadable[0].find("Is a directory (with train 43)"), std::string::npos);
  EXPECT_NE(unreadable[1].find("Is not a regular file (with train 44)"), std::string::npos);

  s.notify("textDocument/didClose", {{"textDocument", {{"uri", kLineUri}}}});
  s.fs.directories.insert("/d/Valdoria_linea.txt");
  s.received();
  s.open(kTrainUri, example("Valdoria_42-.txt"));
  const json train = s.published()[kTrainUri];
  ASSERT_EQ(codes(train), (std::vector<int>{25})) << train;
  EXPECT_NE(train[0]["message"].get<std::string>().find("Is a directory"), std::string::npos);
}

// The note that the compile stopped stands at the line where it stopped,
// and what follows is marked as not compiled.
TEST(Server, TheStopIsShownWhereItHappened) {
  Session s;
  s.request(1, "initialize");
  s.received();
  int at = 0;
  const std::string text = line_with(std::string(kClash) + "pendnza, 900, 1\r\n", &at);
  s.open(kLineUri, text);
  const json list = s.published()[kLineUri];
  const json* note = nullptr;
  const json* rest = nullptr;
  for (const json& d : list) {
    if (d["severity"] == 3 &&
        d["message"].get<std::string>().find("stopped") != std::string::npos) {
      note = &d;
    }
    if (d.contains("tags")) rest = &d;
  }
  ASSERT_NE(note, nullptr) << list;
  EXPECT_EQ((*note)["range"]["start"]["line"], at);
  ASSERT_NE(rest, nullptr) << list;
  EXPECT_EQ((*rest)["tags"], json::array({1}));
  EXPECT_EQ((*rest)["severity"], 4);
  EXPECT_EQ((*rest)["range"]["start"], json({{"line", at + 1}, {"character", 0}}));
  const int lines = static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  EXPECT_EQ((*rest)["range"]["end"], json({{"line", lines}, {"character", 0}}));
}

// ’ and € of a Windows-1252 file an editor read as Latin-1 arrive as
// U+0092 and U+0080: they are the bytes the file holds, not characters
// Windows-1252 lacks.
TEST(Server, ALatin1ReadingOfAWindows1252FileGivesNoFalseFault) {
  Session s;
  s.request(1, "initialize");
  s.open(kTrainUri, example("Valdoria_42-.txt"));
  s.received();
  s.open(kLineUri, "l\xC2\x92ora, 5 \xC2\x80" + line_with(""));
  EXPECT_EQ(s.published()[kLineUri], json::array());
}

// --- Partners changed on disk ----------------------------------------------

// A client that can watch files is asked to report every description; a
// partner it reports changed is checked again. An open document's report
// is passed over: its text is the editor's.
TEST(Server, APartnerTheClientReportsChangedIsCheckedAgain) {
  Session s;
  s.fs.directories.insert("/d");
  s.fs.files["/d/Valdoria_linea.txt"] = *utf8_to_windows1252(line_with(kOnTheSignal));
  s.request(1, "initialize",
            {{"capabilities",
              {{"workspace", {{"didChangeWatchedFiles", {{"dynamicRegistration", true}}}}}}}});
  s.received();
  s.notify("initialized");
  const std::vector<json> sent = s.received();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0]["method"], "client/registerCapability");
  const json& registration = sent[0]["params"]["registrations"][0];
  EXPECT_EQ(registration["method"], "workspace/didChangeWatchedFiles");
  EXPECT_EQ(registration["registerOptions"]["watchers"],
            json::array({{{"globPattern", "**/*_[lL][iI][nN][eE][aA].[tT][xX][tT]"}},
                         {{"globPattern", "**/*-.[tT][xX][tT]"}}}));
  s.send({{"jsonrpc", "2.0"}, {"id", sent[0]["id"]}, {"result", nullptr}});

  s.open(kTrainUri, example("Valdoria_42-.txt"));
  EXPECT_EQ(codes(s.published()[kTrainUri]), (std::vector<int>{16}));
  s.fs.files["/d/Valdoria_linea.txt"] = *utf8_to_windows1252(line_with(""));
  // Opening another document looks at nothing: the client watches.
  s.open("file:///d/notes.txt", "");
  EXPECT_EQ(s.published().count(kTrainUri), 0u);
  s.notify("workspace/didChangeWatchedFiles",
           {{"changes", {{{"uri", kTrainUri}, {"type", 2}}, {{"uri", kLineUri}, {"type", 2}}}}});
  const std::map<std::string, json> published = s.published();
  ASSERT_EQ(published.size(), 1u);
  EXPECT_EQ(published.at(kTrainUri), json::array());
}

// With a client that watches nothing, the size and time of each partner
// read from disk, and of its folder, are looked at whenever a document is
// opened, changed or saved.
TEST(Server, APartnerChangedOnDiskIsFoundByItsSizeOrTime) {
  Session s;
  s.fs.directories.insert("/d");
  s.request(1, "initialize");
  s.notify("initialized");
  s.received();  // no registration asked for
  s.open("file:///d/notes.txt", "");
  s.open(kTrainUri, example("Valdoria_42-.txt"));
  json list = s.published()[kTrainUri];
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]["code"], "missing-partner");
  s.notify("textDocument/didSave", {{"textDocument", {{"uri", "file:///d/notes.txt"}}}});
  EXPECT_EQ(s.published().count(kTrainUri), 0u);  // nothing changed

  // The line appears.
  std::string line = *utf8_to_windows1252(line_with(kOnTheSignal));
  s.fs.files["/d/Valdoria_linea.txt"] = line;
  s.notify("textDocument/didSave", {{"textDocument", {{"uri", "file:///d/notes.txt"}}}});
  EXPECT_EQ(codes(s.published()[kTrainUri]), (std::vector<int>{16}));
  // The same size, a later time: the indicator made a comment.
  line.replace(line.find("indicatori_vmax, 2400"), 1, "-");
  s.fs.files["/d/Valdoria_linea.txt"] = line;
  s.fs.modified["/d/Valdoria_linea.txt"] = 1;
  s.change("file:///d/notes.txt", "x");
  EXPECT_EQ(codes(s.published()[kTrainUri]), std::vector<int>());

  // A line open alone sees a train added beside it by its folder's time.
  s.notify("textDocument/didClose", {{"textDocument", {{"uri", kTrainUri}}}});
  s.open(kLineUri, line_with(""));
  list = s.published()[kLineUri];
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0]["code"], "missing-partner");
  s.fs.files["/d/Valdoria_42-.txt"] = *utf8_to_windows1252(example("Valdoria_42-.txt"));
  s.fs.modified["/d"] = 1;
  s.open("file:///d/other.txt", "");
  EXPECT_EQ(s.published()[kLineUri], json::array());
}

// --- Edits by range ----------------------------------------------------------

// A change with a range replaces just that range, counted in UTF-16 units
// after a character outside the Basic Multilingual Plane, with CR LF line
// ends; the changes of one notification apply in order.
TEST(Server, AppliesEditsByRange) {
  Session s;
  s.request(1, "initialize");
  EXPECT_EQ(s.received().at(0)["result"]["capabilities"]["textDocumentSync"]["change"], 2);
  int at = 0;
  s.open(kTrainUri, example("Valdoria_42-.txt"));
  s.open(kLineUri, line_with("", &at));
  s.published();
  auto range = [](int line, int start, int end_line, int end) {
    return json{{"start", {{"line", line}, {"character", start}}},
                {"end", {{"line", end_line}, {"character", end}}}};
  };
  // Insert "- \U0001F600 -, " then the clash before line `at`, then replace
  // the emoji's two units with "x".
  s.notify(
      "textDocument/didChange",
      {{"textDocument", {{"uri", kLineUri}, {"version", 2}}},
       {"contentChanges",
        {{{"range", range(at, 0, at, 0)}, {"text", "- \xF0\x9F\x98\x80 -, " + std::string(kClash)}},
         {{"range", range(at, 2, at, 4)}, {"text", "x"}}}}});
  std::map<std::string, json> published = s.published();
  ASSERT_EQ(codes(published[kLineUri]), (std::vector<int>{21})) << published[kLineUri];
  EXPECT_EQ(published[kLineUri][0]["range"]["start"], json({{"line", at}, {"character", 7}}));
  // Removing the inserted line by a range that spans its line end.
  s.notify("textDocument/didChange",
           {{"textDocument", {{"uri", kLineUri}, {"version", 3}}},
            {"contentChanges", {{{"range", range(at, 0, at + 1, 0)}, {"text", ""}}}}});
  EXPECT_EQ(s.published()[kLineUri], json::array());
}

// A misspelt keyword and a misspelt "[generale]" get a quick fix that
// replaces exactly the field: not the blanks before its comma, and counted in
// UTF-16 after a character outside the Basic Multilingual Plane.
TEST(Server, QuickFixReplacesTheMisspeltField) {
  Session s;
  s.request(1, "initialize");
  EXPECT_EQ(s.received().at(0)["result"]["capabilities"]["codeActionProvider"]["codeActionKinds"],
            json::array({"quickfix", "source"}));
  int at = 0;
  s.open(kLineUri, line_with("pendnza   , 1000, 1\r\n", &at));
  std::string train = example("Valdoria_42-.txt");
  train.replace(train.find("[generale]"), 10, "\xF0\x9F\x98\x80, [Generle]");
  s.open(kTrainUri, train);
  std::map<std::string, json> published = s.published();

  auto with_code = [](const json& list, const std::string& code) {
    for (const json& d : list) {
      if (d.value("code", json()) == code) return d;
    }
    return json();
  };
  auto quick_fixes = [&](const std::string& uri, const json& diagnostic, const json& only) {
    json context = {{"diagnostics", json::array({diagnostic})}};
    if (!only.is_null()) context["only"] = only;
    s.request(7, "textDocument/codeAction",
              {{"textDocument", {{"uri", uri}}},
               {"range", diagnostic.at("range")},
               {"context", context}});
    return s.received().at(0)["result"];
  };
  auto range = [](int line, int start, int end) {
    return json{{"start", {{"line", line}, {"character", start}}},
                {"end", {{"line", line}, {"character", end}}}};
  };

  const json ignored = with_code(published[kLineUri], "ignored-field");
  ASSERT_TRUE(ignored.is_object()) << published[kLineUri].dump();
  json actions = quick_fixes(kLineUri, ignored, nullptr);
  ASSERT_EQ(actions.size(), 1u);
  EXPECT_EQ(actions[0]["title"], "Replace with 'pendenza'");
  EXPECT_EQ(actions[0]["kind"], "quickfix");
  EXPECT_EQ(actions[0]["diagnostics"], json::array({ignored}));
  EXPECT_EQ(actions[0]["edit"]["changes"][kLineUri],
            json::array({{{"range", range(at, 0, 7)}, {"newText", "pendenza"}}}));

  const json header = with_code(published[kTrainUri], "section-not-found");
  ASSERT_TRUE(header.is_object()) << published[kTrainUri].dump();
  const int header_line = at = static_cast<int>(
      std::count(train.begin(), train.begin() + static_cast<long>(train.find("[Generle]")), '\n'));
  actions = quick_fixes(kTrainUri, header, json::array({"quickfix"}));
  ASSERT_EQ(actions.size(), 1u);
  EXPECT_EQ(actions[0]["edit"]["changes"][kTrainUri],
            json::array({{{"range", range(header_line, 4, 13)}, {"newText", "[generale]"}}}));

  // Nothing for a context that asks for other kinds, a diagnostic without an
  // edit or with data the server did not write.
  EXPECT_EQ(quick_fixes(kTrainUri, header, json::array({"refactor"})), json::array());
  json other = header;
  other.erase("data");
  EXPECT_EQ(quick_fixes(kTrainUri, other, nullptr), json::array());
  other["data"] = {{"fix", {{"range", 3}, {"newText", "x"}}}};
  EXPECT_EQ(quick_fixes(kTrainUri, other, nullptr), json::array());
}

TEST(Server, WritesTheDriversDocumentsOfAPairWithoutErrorsAndNeverReplacesThem) {
  Session s;
  s.request(1, "initialize");
  EXPECT_EQ(s.received().at(0)["result"]["capabilities"]["executeCommandProvider"]["commands"],
            json::array({"binario.writeDriverDocuments"}));
  s.open(kLineUri, example("Valdoria_linea.txt"));
  s.open(kTrainUri, example("Valdoria_42-.txt"));
  s.received();
  auto actions = [&](const std::string& uri, const json& only) {
    json context = {{"diagnostics", json::array()}};
    if (!only.is_null()) context["only"] = only;
    s.request(
        2, "textDocument/codeAction",
        {{"textDocument", {{"uri", uri}}},
         {"range",
          {{"start", {{"line", 0}, {"character", 0}}}, {"end", {{"line", 0}, {"character", 0}}}}},
         {"context", context}});
    return s.received().at(0)["result"];
  };
  auto write = [&] {
    s.request(
        3, "workspace/executeCommand",
        {{"command", "binario.writeDriverDocuments"}, {"arguments", json::array({kTrainUri})}});
    return s.received();
  };
  const std::vector<std::string> paths = {"/d/Valdoria_42_scheda_treno.txt",
                                          "/d/Valdoria_42_rallentamenti.txt",
                                          "/d/Valdoria_42_note.txt"};

  // Offered on the train and on its line, as a source action only.
  for (const char* uri : {kTrainUri, kLineUri}) {
    const json offered = actions(uri, nullptr);
    ASSERT_EQ(offered.size(), 1u) << uri;
    EXPECT_EQ(offered[0]["title"], "Write the driver's documents");
    EXPECT_EQ(offered[0]["kind"], "source");
    EXPECT_EQ(offered[0]["command"]["command"], "binario.writeDriverDocuments");
    EXPECT_EQ(offered[0]["command"]["arguments"], json::array({kTrainUri}));
  }
  EXPECT_EQ(actions(kTrainUri, json::array({"quickfix"})), json::array());

  std::vector<json> replies = write();
  ASSERT_EQ(replies.size(), 2u);
  EXPECT_EQ(replies[0]["method"], "window/showMessage");
  EXPECT_EQ(replies[1]["result"]["written"], json(paths));
  for (const std::string& path : paths) ASSERT_EQ(s.fs.files.count(path), 1u) << path;
  EXPECT_NE(s.fs.files[paths[0]].find("TRENO n.42"), std::string::npos);

  // There already: nothing is replaced, and the answer says why.
  s.fs.files[paths[1]] = "the author's own";
  replies = write();
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(error_code(replies[0]), -32803);
  EXPECT_NE(replies[0]["error"]["message"].get<std::string>().find("there already"),
            std::string::npos);
  EXPECT_EQ(s.fs.files[paths[1]], "the author's own");

  // A pair with an error: no action, and the command writes nothing.
  for (const std::string& path : paths) s.fs.files.erase(path);
  s.change(kLineUri, line_with(kClash));
  s.received();
  EXPECT_EQ(actions(kTrainUri, nullptr), json::array());
  replies = write();
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_NE(replies[0]["error"]["message"].get<std::string>().find("errors"), std::string::npos);
  for (const std::string& path : paths) EXPECT_EQ(s.fs.files.count(path), 0u) << path;
}

}  // namespace
}  // namespace binario
