#include "lsp/sections_and_tokens.h"

#include <algorithm>
#include <string>
#include <vector>

#include "compiler/records.h"
#include "lsp/cursor_place.h"

namespace binario {
namespace {

// Indexes into the legend's token types; modifiers are bits.
enum TokenType : int { kKeyword, kNumber, kString, kComment, kNamespace };
constexpr int kDeprecated = 1;

struct Token {
  int line;   // 0-based
  int start;  // UTF-16
  int length;
  int type;
  int modifiers;
};

bool names_some_record(std::string_view text) {
  return names_any_record(RecordSection::kLineGeneral, text) ||
         names_any_record(RecordSection::kLineBody, text) ||
         names_any_record(RecordSection::kTrain, text);
}

// A field that reads as a number: an optional sign and digits.
bool number_like(std::string_view text) {
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) text.remove_prefix(1);
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

class Tokens {
 public:
  explicit Tokens(const DocumentLines& lines) : lines_(lines) {}

  // One token per line the span covers (tokens never run over a line end).
  void add(const TextSpan& span, int type, int modifiers = 0) {
    for (int line = span.line; line <= span.last_line; ++line) {
      const std::string_view text = lines_.line(line - 1);
      const int first = line == span.line ? span.first_column - 1 : 0;
      const int last = line == span.last_line ? span.last_column : static_cast<int>(text.size());
      if (last <= first) continue;
      const int start = utf16_column(text, first);
      const int end = utf16_column(text, last);
      if (end > start) tokens_.push_back({line - 1, start, end - start, type, modifiers});
    }
  }

  lsp::SemanticTokens encoded() {
    std::sort(tokens_.begin(), tokens_.end(), [](const Token& a, const Token& b) {
      return a.line != b.line ? a.line < b.line : a.start < b.start;
    });
    std::vector<int> data;
    data.reserve(tokens_.size() * 5);
    int line = 0;
    int start = 0;
    int covered = -1;  // the end of the last token kept on `line`
    for (const Token& t : tokens_) {
      if (t.line == line && t.start < covered) continue;  // never overlap
      data.push_back(t.line - line);
      data.push_back(t.line == line ? t.start - start : t.start);
      data.push_back(t.length);
      data.push_back(t.type);
      data.push_back(t.modifiers);
      line = t.line;
      start = t.start;
      covered = t.start + t.length;
    }
    return {std::move(data)};
  }

 private:
  const DocumentLines& lines_;
  std::vector<Token> tokens_;
};

// A field the compile read other than it looks: coloured as what it looks
// like, marked deprecated.
void misread(Tokens& tokens, const TextField& field) {
  if (names_section(field.text)) {
    tokens.add(field.span, kNamespace, kDeprecated);
  } else if (names_some_record(field.text)) {
    tokens.add(field.span, kKeyword, kDeprecated);
  } else if (number_like(field.text)) {
    tokens.add(field.span, kNumber, kDeprecated);
  } else {
    tokens.add(field.span, kString, kDeprecated);
  }
}

}  // namespace

std::vector<lsp::FoldingRange> folding_ranges(const DocumentRead& document) {
  const DescriptionRead& read = document.read;
  int last_line = 0;  // 1-based, the last line holding a field read
  auto reach = [&](const TextSpan& span) { last_line = std::max(last_line, span.last_line); };
  for (const RecordRead& record : read.records) {
    reach(record.values.empty() ? record.keyword.span : record.values.back().span);
  }
  for (const auto* list : {&read.comments, &read.ignored, &read.headers}) {
    for (const TextField& field : *list) reach(field.span);
  }
  std::vector<lsp::FoldingRange> ranges;
  const std::vector<const TextField*> sections = section_headers(read);
  for (size_t i = 0; i < sections.size(); ++i) {
    const int start = sections[i]->span.line;
    const int end = i + 1 < sections.size() ? sections[i + 1]->span.line - 1 : last_line;
    if (end > start) {
      ranges.push_back({start - 1, end - 1, lsp::kRegion});
    }
  }
  return ranges;
}

lsp::SemanticTokensLegend semantic_tokens_legend() {
  // In the order of TokenType and of the modifier bits.
  return {{"keyword", "number", "string", "comment", "namespace"}, {"deprecated"}};
}

lsp::SemanticTokens semantic_tokens(const DocumentRead& document) {
  const DocumentLines lines(document.utf8_text);
  const DescriptionRead& read = document.read;
  Tokens tokens(lines);
  for (const RecordRead& record : read.records) {
    tokens.add(record.keyword.span, kKeyword);
    for (const ValueRead& value : record.values) {
      tokens.add(value.span, value.number ? kNumber : kString);
    }
  }
  for (const TextField& field : read.comments) tokens.add(field.span, kComment);
  for (const TextField& field : read.before_section) tokens.add(field.span, kComment);
  for (const TextField& field : read.headers) tokens.add(field.span, kNamespace);
  // Fields read other than they look: in keyword position no record read,
  // or taken as a value that could not be read.
  for (const auto* list : {&read.ignored, &read.unreadable}) {
    for (const TextField& field : *list) misread(tokens, field);
  }
  return tokens.encoded();
}

}  // namespace binario
