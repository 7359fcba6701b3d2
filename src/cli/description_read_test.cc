// A description that cannot be read gets one verdict: `check` on the command
// line and the language server reading the partner of an open description
// give the same status and the same reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "cli/commands.h"
#include "lsp/message_reader.h"
#include "lsp/server.h"
#include "output/text_encoding.h"
#include "platform/file_system.h"
#include "test_support/program.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;
using nlohmann::json;

std::string example(const char* name) {
  return slurp(stdfs::path(BINARIO_SOURCE_DIR) / "examples" / name);
}

std::string file_uri(const stdfs::path& p) {
  std::string path = p.generic_string();
  if (path.front() != '/') path.insert(0, "/");
  return "file://" + path;
}

// The code and message of the first error `check --json` reports.
std::pair<int, std::string> checked(FileSystem& fs, const stdfs::path& line,
                                    const stdfs::path& train) {
  CompileOptions options;
  options.line = line.string();
  options.train = train.string();
  options.json = true;
  std::ostringstream out, err;
  check_command(options, fs, out, err);
  const json report = json::parse(out.str());
  for (const json& d : report["diagnostics"]) {
    if (d["severity"] == "error") return {d["code"].get<int>(), d["message"]};
  }
  return {0, ""};
}

// The code and message of the first error the server publishes for `uri`
// once it is opened with `text`.
std::pair<int, std::string> published(FileSystem& fs, const std::string& uri,
                                      const std::string& text) {
  std::ostringstream out;
  Server server(fs, out, ServerOptions{std::chrono::milliseconds(0), false});
  server.handle(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})");
  server.handle(json({{"jsonrpc", "2.0"},
                      {"method", "textDocument/didOpen"},
                      {"params", {{"textDocument", {{"uri", uri}, {"text", text}}}}}})
                    .dump());
  std::istringstream in(out.str());
  std::string body;
  while (read_message(in, &body) == ReadResult::kMessage) {
    const json m = json::parse(body);
    if (m.value("method", "") != "textDocument/publishDiagnostics" || m["params"]["uri"] != uri)
      continue;
    for (const json& d : m["params"]["diagnostics"]) {
      if (d["severity"] == 1) return {d["code"].get<int>(), d["message"]};
    }
  }
  return {0, ""};
}

TEST(DescriptionRead, CheckAndTheEditorGiveOneVerdictOnAPartnerThatCannotBeRead) {
  const test::ScratchFolder scratch("binario-partner");
  const stdfs::path line = scratch.path() / "Valdoria_linea.txt";
  const stdfs::path train = scratch.path() / "Valdoria_42-.txt";
  const std::string train_text = example("Valdoria_42-.txt");
  const std::string line_text = example("Valdoria_linea.txt");
  RealFileSystem fs;

  // A 70 MB line description (sparse: nothing of it is read), a folder and
  // a FIFO in its place, with the train open in the editor.
  struct Case {
    const char* name;
    void (*make)(const stdfs::path&);
  };
  const Case cases[] = {
      {"over the cap",
       [](const stdfs::path& p) {
         std::ofstream(p, std::ios::binary).put('x');
         stdfs::resize_file(p, 70'000'000);
       }},
      {"a folder", [](const stdfs::path& p) { stdfs::create_directory(p); }},
#ifndef _WIN32
      {"a FIFO", [](const stdfs::path& p) { ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0); }},
#endif
  };
  std::ofstream(train, std::ios::binary) << train_text;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.make(line);
    const auto on_command_line = checked(fs, line, train);
    EXPECT_EQ(on_command_line.first, 25);
    EXPECT_EQ(published(fs, file_uri(train), windows1252_to_utf8(train_text)), on_command_line);
    stdfs::remove(line);
  }

  // The train over the cap beside an open line.
  std::ofstream(line, std::ios::binary) << line_text;
  stdfs::resize_file(train, 70'000'000);
  const auto on_command_line = checked(fs, line, train);
  EXPECT_EQ(on_command_line.first, 25);
  EXPECT_NE(on_command_line.second.find("more than the 64 MiB a description may have"),
            std::string::npos)
      << on_command_line.second;
  EXPECT_EQ(published(fs, file_uri(line), windows1252_to_utf8(line_text)), on_command_line);
}

}  // namespace
}  // namespace binario
