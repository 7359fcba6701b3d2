#include "format/lay_out.h"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <optional>
#include <queue>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "compiler/field_reader.h"
#include "compiler/line_index.h"
#include "output/binary_files.h"
#include "output/byte_sink.h"

namespace binario {
namespace {

// Where a field stands on its line: from its first byte to the byte after
// its last (1-based byte columns in the span; an empty field is empty).
struct ByteRange {
  size_t from;
  size_t to;
};
ByteRange field_range(const TextSpan& span) {
  return {static_cast<size_t>(span.first_column - 1),
          static_cast<size_t>(std::max(span.last_column, span.first_column - 1))};
}

size_t field_width(const TextSpan& span) {
  const ByteRange r = field_range(span);
  return r.to - r.from;
}

// The bytes of a field on its line.
std::string_view field_bytes(std::string_view line, const TextSpan& span) {
  const ByteRange r = field_range(span);
  return line.substr(r.from, r.to - r.from);
}

// True when the line holds the record's fields and nothing else: blanks
// before the keyword and after the last value, one comma between fields with
// blanks around it. Whatever else the reader passed over on the line (text
// after the last number, which the reader drops up to the line end) would be
// lost when the line is written again from its fields, so such a line is
// kept as it stands.
bool only_the_fields(std::string_view line, const RecordRead& r) {
  auto blanks = [](std::string_view s) { return std::all_of(s.begin(), s.end(), is_blank); };
  size_t at = 0;  // where the text after the last field checked starts
  auto field_after_gap = [&](const TextSpan& span, bool comma) {
    const ByteRange field = field_range(span);
    if (span.first_column < 1 || field.from < at || field.to > line.size()) return false;
    const std::string_view gap = line.substr(at, field.from - at);
    at = field.to;
    if (!comma) return blanks(gap);
    const size_t c = gap.find(',');
    return c != std::string_view::npos && blanks(gap.substr(0, c)) && blanks(gap.substr(c + 1));
  };
  if (!field_after_gap(r.keyword.span, false)) return false;
  for (const ValueRead& v : r.values) {
    if (!field_after_gap(v.span, true)) return false;
  }
  return blanks(line.substr(at));
}

// The lines a record stands on, from its keyword to its last value.
int last_line_of(const RecordRead& r) {
  return r.values.empty() ? r.keyword.span.last_line : r.values.back().span.last_line;
}

// Counts how many things (records and the fields no record holds) stand on a
// line, for lines asked in increasing order: one pass over the things sorted
// by their first line, with the last lines of those begun so far in a heap.
// It costs a few bytes a thing, whatever the number of lines.
class LineOccupancy {
 public:
  explicit LineOccupancy(const DescriptionRead& read) {
    // Each list is in text order already: merged, not sorted again.
    for (const TextFields* list :
         {&read.comments, &read.ignored, &read.headers, &read.before_section}) {
      const size_t from = spans_.size();
      for (const TextField& f : *list) add(f.span.line, f.span.last_line);
      merge_from(from);
    }
    const size_t from = spans_.size();
    for (const RecordRead& r : read.records) add(r.keyword.span.line, last_line_of(r));
    merge_from(from);
  }

  // How many things stand on `line`; each call's line is at least the one
  // before.
  size_t on(int line) {
    while (next_ < spans_.size() && spans_[next_].first <= line) {
      if (spans_[next_].second >= line) ends_.push(spans_[next_].second);
      ++next_;
    }
    while (!ends_.empty() && ends_.top() < line) ends_.pop();
    return ends_.size();
  }

 private:
  void add(int first, int last) { spans_.emplace_back(first, std::max(first, last)); }
  void merge_from(size_t from) {
    const auto middle = spans_.begin() + static_cast<std::ptrdiff_t>(from);
    if (!std::is_sorted(middle, spans_.end())) std::sort(middle, spans_.end());
    std::inplace_merge(spans_.begin(), middle, spans_.end());
  }

  std::vector<std::pair<int, int>> spans_;
  size_t next_ = 0;
  std::priority_queue<int, std::vector<int>, std::greater<>> ends_;
};

// True when line `n` (1-based) is a caption row: a line starting with a
// hyphen (a comment, or a caption row past the comments a section passes
// over, which the reader takes for a field no record reads) whose words stand at chosen columns (a
// gap of two blanks or more before a later word), written to stand over the columns of the records
// below it. Realigning those records would leave the captions behind.
bool caption_row(const LineIndex& lines, int n) {
  if (n < 1) return false;
  const std::optional<std::string_view> line = lines.line(n);
  if (!line) return false;
  const std::string_view text = *line;
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos || text[first] != '-') return false;
  const size_t gap = text.find("  ", first);
  return gap != std::string_view::npos &&
         text.find_first_not_of(" \t,", gap) != std::string_view::npos;
}

// Writes the laid-out text as it goes: every byte of the text up to a record
// line that is laid out is copied as it stands, then the line's new content;
// its line end is copied with what follows.
class LaidOutWriter {
 public:
  LaidOutWriter(const std::string& text, const LineIndex& lines) : text_(text), lines_(lines) {
    out_.reserve(text.size());
  }

  // Lays out a run of record lines on consecutive lines as one table:
  // keywords to the left, numbers to the right, texts to the left.
  void lay_out_run(const std::vector<const RecordRead*>& run) {
    size_t keyword_width = 0;
    widths_.clear();
    for (const RecordRead* r : run) {
      keyword_width = std::max(keyword_width, field_width(r->keyword.span));
      if (widths_.size() < r->values.size()) widths_.resize(r->values.size(), 0);
      for (size_t i = 0; i < r->values.size(); ++i) {
        widths_[i] = std::max(widths_[i], field_width(r->values[i].span));
      }
    }
    for (const RecordRead* r : run) {
      const std::string_view line = *lines_.line(r->keyword.span.line);
      const size_t line_start = static_cast<size_t>(line.data() - text_.data());
      out_.append(text_, copied_to_, line_start - copied_to_);
      copied_to_ = line_start + line.size();

      const std::string_view keyword = field_bytes(line, r->keyword.span);
      out_ += keyword;
      if (!r->values.empty()) out_ += ',';  // a record of no values keeps its keyword alone
      for (size_t i = 0; i < r->values.size(); ++i) {
        const bool last = i + 1 == r->values.size();
        const std::string_view v = field_bytes(line, r->values[i].span);
        const size_t pad = widths_[i] - v.size();
        out_ += ' ';
        if (i == 0) out_.append(keyword_width - keyword.size(), ' ');
        if (r->values[i].number.has_value()) {
          out_.append(pad, ' ');
          out_ += v;
        } else {
          out_ += v;
          if (!last) out_.append(pad, ' ');
        }
        if (!last) out_ += ',';
      }
    }
  }

  std::string finish() {
    out_.append(text_, copied_to_, std::string::npos);
    return std::move(out_);
  }

 private:
  const std::string& text_;
  const LineIndex& lines_;
  std::string out_;
  size_t copied_to_ = 0;  // the text before this byte is written
  std::vector<size_t> widths_;
};

}  // namespace

std::string lay_out_text(const std::string& text, const DescriptionRead& read) {
  if (!read.read) return text;
  const LineIndex lines(text);
  LineOccupancy occupancy(read);
  LaidOutWriter writer(text, lines);

  // Record lines on consecutive lines form one table; a table under caption
  // rows is left as it stands, captions and all.
  std::vector<const RecordRead*> run;
  auto lay_out = [&] {
    if (!run.empty() && !caption_row(lines, run.front()->keyword.span.line - 1)) {
      writer.lay_out_run(run);
    }
    run.clear();
  };
  int last_asked = 0;
  for (const RecordRead& r : read.records) {
    const int line = r.keyword.span.line;
    if (!r.complete || r.after_stop || line < 1 || line < last_asked) continue;
    last_asked = line;
    if (occupancy.on(line) != 1) continue;
    // A record alone on its line, with every value on it too.
    if (r.keyword.span.last_line != line) continue;
    if (!std::all_of(r.values.begin(), r.values.end(), [&](const ValueRead& v) {
          return v.span.line == line && v.span.last_line == line;
        })) {
      continue;
    }
    const std::optional<std::string_view> content = lines.line(line);
    if (!content || !only_the_fields(*content, r)) continue;
    if (!run.empty() && run.back()->keyword.span.line + 1 != line) lay_out();
    run.push_back(&r);
  }
  lay_out();
  return writer.finish();
}

namespace {

// What a compile gives that the layout must keep: the bytes of every binary
// file it would write, the status pair and the diagnostics but for their
// columns.
struct Outcome {
  CompileEnd end = CompileEnd::kCompiled;
  int32_t code = 0;
  int64_t position = 0;
  std::vector<std::string> images;
  std::vector<std::tuple<int, int32_t, std::string, std::string, int, std::string>> diagnostics;

  bool operator==(const Outcome&) const = default;
};

Outcome outcome_of(const CompileResult& result, bool with_geometry) {
  Outcome o;
  o.end = result.end;
  o.code = result.status.codice_errore();
  o.position = result.status.posizione_errore();
  if (result.end == CompileEnd::kCompiled) {
    for (BinaryImage image : images_to_write(with_geometry)) {
      StringSink sink;
      write_image(image, result.model, sink);
      o.images.push_back(std::move(sink.bytes));
    }
  }
  for (const Diagnostic& d : result.status.diagnostics()) {
    o.diagnostics.emplace_back(static_cast<int>(d.severity), d.code, d.name,
                               d.location ? d.location->file : "",
                               d.location ? d.location->line : 0, d.message);
  }
  return o;
}

}  // namespace

LaidOut lay_out_description(const CompileInput& input, DescriptionFile role) {
  CompileInput asked = input;
  asked.records_read = true;
  // The list is dropped before the texts change: it may point into them.
  asked.records_borrow_texts = true;
  asked.extra_diagnostics = true;
  CompileResult before = compile(asked);
  const bool line = role == DescriptionFile::kLine;
  std::string& text = line ? asked.line.text : asked.train.text;
  const DescriptionRead& read = line ? before.records->line : before.records->train;

  LaidOut out;
  if (!read.read) {
    out.text = std::move(text);
    out.refused = line ? "the compile did not read it"
                       : "the compile did not read it (its line description was refused)";
    return out;
  }
  std::string laid_out = lay_out_text(text, read);
  if (laid_out == text) {
    out.text = std::move(laid_out);
    return out;
  }

  // What was read goes before the second compile: of a large text it is the
  // larger part of the memory a compile takes.
  const Outcome outcome_before = outcome_of(before, asked.with_geometry);
  before = CompileResult{};
  std::string original = std::exchange(text, std::move(laid_out));
  asked.records_read = false;
  asked.records_borrow_texts = false;
  const CompileResult after = compile(asked);
  if (!(outcome_before == outcome_of(after, asked.with_geometry))) {
    out.text = std::move(original);
    out.refused = "laid out, it would compile differently";
    return out;
  }
  out.text = std::move(text);
  out.changed = true;
  return out;
}

}  // namespace binario
