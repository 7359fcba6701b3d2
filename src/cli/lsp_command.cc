#include <cstdio>
#include <iostream>
#include <streambuf>

#include "cli/subcommands.h"
#include "lsp/server.h"
#include "platform/file_system.h"
#include "platform/process.h"

namespace binario {
namespace {

// Standard output as stdio's byte stream: the protocol's bytes go out as they
// are, never through a console's text translation.
class StdoutBuffer : public std::streambuf {
 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    return std::fputc(c, stdout) == EOF ? traits_type::eof() : c;
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    return static_cast<std::streamsize>(std::fwrite(s, 1, static_cast<size_t>(n), stdout));
  }
  int sync() override { return std::fflush(stdout) == 0 ? 0 : -1; }
};

}  // namespace

Subcommand add_lsp_command(Command& program) {
  Command* cmd = &program.add_subcommand(
      "lsp",
      "Run the language server on standard input and output: compile the descriptions open in "
      "an editor as they change and publish their diagnostics");
  return {cmd,
          [] {
            share_one_heap_between_threads();
            RealFileSystem fs;
            StdoutBuffer buffer;
            std::ostream out(&buffer);
            ServerOptions options;
            options.log = &std::cerr;
            Server server(fs, out, options);
            return server.run(std::cin);
          },
          true};
}

}  // namespace binario
