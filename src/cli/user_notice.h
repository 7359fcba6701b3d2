// What a user who started the program by a double-click or by dropping files
// on it gets to read: the console Explorer opens for it closes as the program
// ends, so a failure (and the result of a drop) is also shown in a message
// box. The text is what the program wrote on standard error.
#pragma once

#include <optional>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace binario {

// Records what is written to `stream` while it lives, passing it on as well.
class StreamRecorder : public std::streambuf {
 public:
  explicit StreamRecorder(std::ostream& stream);
  ~StreamRecorder() override;
  StreamRecorder(const StreamRecorder&) = delete;
  StreamRecorder& operator=(const StreamRecorder&) = delete;
  const std::string& recorded() const { return recorded_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  std::ostream& stream_;
  std::streambuf* passed_on_;
  std::string recorded_;
};

// The text of a message box from what the program wrote: colour sequences
// taken out, at most `max_lines` lines (then how many more there were), and
// the exit status when nothing was written.
std::string message_box_text(const std::string& written, int exit_status, size_t max_lines = 25);

// The arguments of `compile` for a line description and a train description
// dropped together on the program (their paths, in either order, and nothing
// else), or nothing when `arguments` (without the program's name) are not
// such a pair: two paths of regular files, exactly one of them a line
// description by its name.
std::optional<std::vector<std::string>> dropped_pair(const std::vector<std::string>& arguments);

}  // namespace binario
