#include "lsp/message_reader.h"

#include <charconv>

#include "output/text_encoding.h"

namespace binario {
namespace {

// A header line longer than this is not a header.
constexpr size_t kMaxHeaderLine = 1024;

// Reads one header line without its CR LF. False at the end of the stream
// or on a line that is too long or not ended by CR LF, with the reason.
bool read_header_line(std::istream& in, std::string* line, bool* at_end, std::string* why) {
  line->clear();
  *at_end = false;
  for (;;) {
    const int c = in.get();
    if (c == std::char_traits<char>::eof()) {
      *at_end = line->empty();
      *why = "the input ended inside a header";
      return false;
    }
    if (c == '\n') {
      if (line->empty() || line->back() != '\r') {
        *why = "a header line is not ended by CR LF";
        return false;
      }
      line->pop_back();
      return true;
    }
    if (line->size() >= kMaxHeaderLine) {
      *why = "a header line is longer than " + std::to_string(kMaxHeaderLine) + " bytes";
      return false;
    }
    line->push_back(static_cast<char>(c));
  }
}

bool equals_ignoring_case(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

ReadResult read_message(std::istream& in, std::string* body, size_t max_bytes, std::string* why) {
  body->clear();
  std::string reason;
  std::string* const said = why ? why : &reason;
  auto malformed = [&](std::string text) {
    *said = std::move(text);
    return ReadResult::kMalformed;
  };
  std::string line;
  bool have_length = false;
  size_t length = 0;
  for (int lines = 0;; ++lines) {
    bool at_end = false;
    if (!read_header_line(in, &line, &at_end, said)) {
      return at_end && lines == 0 ? ReadResult::kEnd : ReadResult::kMalformed;
    }
    if (line.empty()) break;
    if (lines > 32) return malformed("the header has more than 32 lines");
    const size_t colon = line.find(':');
    if (colon == std::string::npos) return malformed("a header line has no ':'");
    if (!equals_ignoring_case(trim(std::string_view(line).substr(0, colon)), "content-length")) {
      continue;  // Content-Type and any other header
    }
    const std::string_view value = trim(std::string_view(line).substr(colon + 1));
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (error != std::errc() || end != value.data() + value.size() || value.empty()) {
      return malformed("the Content-Length '" + escaped_utf8(value.substr(0, 40)) +
                       "' is not a number of bytes");
    }
    have_length = true;
  }
  if (!have_length) return malformed("the header has no Content-Length");
  if (length > max_bytes) {
    *said = "the message is " + std::to_string(length) + " bytes, more than the " +
            std::to_string(max_bytes) + " a message may have";
    return ReadResult::kTooLarge;
  }
  body->resize(length);
  in.read(body->data(), static_cast<std::streamsize>(length));
  if (static_cast<size_t>(in.gcount()) != length) {
    body->clear();
    return malformed("the input ended " +
                     std::to_string(length - static_cast<size_t>(in.gcount())) +
                     " bytes before the end of the message");
  }
  return ReadResult::kMessage;
}

void write_message(std::ostream& out, std::string_view body) {
  out << "Content-Length: " << body.size() << "\r\n\r\n";
  out.write(body.data(), static_cast<std::streamsize>(body.size()));
  out.flush();
}

}  // namespace binario
