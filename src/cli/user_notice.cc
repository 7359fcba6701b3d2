#include "cli/user_notice.h"

#include "cli/author_pair.h"
#include "platform/file_system.h"

namespace binario {

StreamRecorder::StreamRecorder(std::ostream& stream)
    : stream_(stream), passed_on_(stream.rdbuf(this)) {}

StreamRecorder::~StreamRecorder() {
  stream_.rdbuf(passed_on_);
}

StreamRecorder::int_type StreamRecorder::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  recorded_ += ch;
  return passed_on_->sputc(ch);
}

std::streamsize StreamRecorder::xsputn(const char* s, std::streamsize n) {
  recorded_.append(s, static_cast<size_t>(n));
  return passed_on_->sputn(s, n);
}

int StreamRecorder::sync() {
  return passed_on_->pubsync();
}

std::string message_box_text(const std::string& written, int exit_status, size_t max_lines) {
  std::string plain;
  for (size_t i = 0; i < written.size(); ++i) {
    // ESC [ parameters final-letter: the colour sequences of the diagnostics.
    if (written[i] == '\033' && i + 1 < written.size() && written[i + 1] == '[') {
      i += 2;
      while (i < written.size() && !(written[i] >= '@' && written[i] <= '~')) ++i;
      continue;
    }
    plain += written[i];
  }
  std::string text;
  size_t lines = 0;
  size_t start = 0;
  while (start < plain.size()) {
    size_t end = plain.find('\n', start);
    if (end == std::string::npos) end = plain.size();
    if (lines < max_lines) text.append(plain, start, end - start).append("\n");
    ++lines;
    start = end + 1;
  }
  if (lines > max_lines) {
    text += "… and " + std::to_string(lines - max_lines) + " more lines\n";
  }
  if (text.empty()) text = "binario ended with exit status " + std::to_string(exit_status) + "\n";
  text.pop_back();
  return text;
}

std::optional<std::vector<std::string>> dropped_pair(const std::vector<std::string>& arguments) {
  if (arguments.size() != 2) return std::nullopt;
  RealFileSystem fs;
  for (const std::string& a : arguments) {
    if (a.empty() || a[0] == '-' || !fs.exists(a)) return std::nullopt;
  }
  const auto is_line = [](const std::string& path) {
    return name_from_line_file(path).has_value();
  };
  const bool first = is_line(arguments[0]);
  if (first == is_line(arguments[1])) return std::nullopt;
  return std::vector<std::string>{"compile", arguments[first ? 0 : 1], arguments[first ? 1 : 0]};
}

}  // namespace binario
