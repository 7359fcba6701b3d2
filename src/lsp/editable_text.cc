#include "lsp/editable_text.h"

#include <utility>

#include "lsp/text_position.h"

namespace binario {
namespace {

// The length of the line end `line` closes with: 0, 1 (LF or CR) or 2 (CR LF).
size_t end_length(std::string_view line) {
  if (line.empty()) return 0;
  if (line.back() == '\n') return line.size() >= 2 && line[line.size() - 2] == '\r' ? 2 : 1;
  return line.back() == '\r' ? 1 : 0;
}

}  // namespace

EditableText::EditableText(std::string_view text) {
  push_lines(text, true);
  bytes_ = text.size();
}

const std::string& EditableText::line(size_t index) const {
  return index < before_.size() ? before_[index]
                                : after_[after_.size() - 1 - (index - before_.size())];
}

void EditableText::split_at(size_t index) {
  while (before_.size() > index) {
    after_.push_back(std::move(before_.back()));
    before_.pop_back();
  }
  while (before_.size() < index && !after_.empty()) {
    before_.push_back(std::move(after_.back()));
    after_.pop_back();
  }
}

std::pair<size_t, size_t> EditableText::locate(TextPlace place) const {
  const size_t count = lines();
  if (place.line < 0) place.line = 0;
  if (static_cast<size_t>(place.line) >= count) {
    const std::string& last = line(count - 1);
    return {count - 1, last.size()};
  }
  const std::string& at = line(static_cast<size_t>(place.line));
  const std::string_view content(at.data(), at.size() - end_length(at));
  return {static_cast<size_t>(place.line), byte_offset(content, 0, place.column)};
}

void EditableText::push_lines(std::string_view text, bool keep_last) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
      before_.emplace_back(text.substr(start, i + 1 - start));
      start = i + 1;
    }
  }
  if (keep_last) {
    before_.emplace_back(text.substr(start));
  } else if (start < text.size()) {
    // Cannot happen while every line but the last has its end; kept whole
    // all the same, in front of the line that follows.
    after_.back().insert(0, text.substr(start));
  }
}

void EditableText::replace(TextPlace start, TextPlace end, std::string_view text) {
  std::pair<size_t, size_t> from = locate(start);
  std::pair<size_t, size_t> to = locate(end);
  if (to < from) std::swap(from, to);
  split_at(from.first);
  // Inside one line and with no line end in the new text (a formatting's
  // edits): the line is changed where it is. Not when all that stands
  // before its end goes: an LF left first may join a CR before it.
  if (from.first == to.first && text.find_first_of("\r\n") == std::string_view::npos) {
    std::string& at = after_.back();
    if (from.second > 0 || !text.empty() || to.second + end_length(at) < at.size()) {
      bytes_ = bytes_ - (to.second - from.second) + text.size();
      at.replace(from.second, to.second - from.second, text);
      return;
    }
  }
  // The lines the range touches, joined with the new text between the
  // parts of them that stay.
  std::string joined = std::move(after_.back());
  after_.pop_back();
  bytes_ -= joined.size();
  if (to.first == from.first) {
    joined.replace(from.second, to.second - from.second, text);
  } else {
    for (size_t n = from.first + 1; n < to.first; ++n) {
      bytes_ -= after_.back().size();
      after_.pop_back();
    }
    std::string& last = after_.back();
    bytes_ -= last.size();
    joined.resize(from.second);
    joined += text;
    joined.append(last, to.second);
    after_.pop_back();
  }
  // A CR that ended the line before, met by an LF at the start: one line
  // end, CR LF, as the protocol counts lines.
  if (!joined.empty() && joined.front() == '\n' && !before_.empty() &&
      end_length(before_.back()) == 1 && before_.back().back() == '\r') {
    joined.insert(0, before_.back());
    bytes_ -= before_.back().size();
    before_.pop_back();
  }
  bytes_ += joined.size();
  push_lines(joined, after_.empty());
}

std::string EditableText::str() const {
  std::string out;
  out.reserve(bytes_);
  for (const std::string& l : before_) out += l;
  for (auto it = after_.rbegin(); it != after_.rend(); ++it) out += *it;
  return out;
}

}  // namespace binario
