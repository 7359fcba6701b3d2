#include "format/lay_out.h"

#include <algorithm>
#include <cstddef>
#include <map>
#include <optional>
#include <string_view>
#include <tuple>
#include <vector>

#include "compiler/field_reader.h"
#include "compiler/line_index.h"
#include "output/binary_files.h"
#include "output/byte_sink.h"

namespace binario {
namespace {

// A line of the text: its bytes without the line end, and the line end.
struct TextLine {
  std::string_view content;
  std::string_view ending;
};

std::vector<TextLine> text_lines(const std::string& text) {
  std::vector<TextLine> lines;
  const LineIndex index(text);
  std::optional<std::string_view> line = index.line(1);
  for (int n = 1; line; ++n) {
    const std::optional<std::string_view> next = index.line(n + 1);
    const size_t end = static_cast<size_t>(line->data() - text.data()) + line->size();
    const size_t next_start = next ? static_cast<size_t>(next->data() - text.data()) : text.size();
    lines.push_back({*line, std::string_view(text).substr(end, next_start - end)});
    line = next;
  }
  return lines;
}

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

// A record alone on its line, as the layout writes it.
struct RecordLine {
  int line = 0;
  std::string_view keyword;
  std::vector<std::string_view> values;
  std::vector<bool> numeric;
};

// The lines that hold exactly one whole record and no other field.
std::vector<RecordLine> record_lines(const std::vector<TextLine>& lines,
                                     const DescriptionRead& read) {
  std::map<int, int> fields_on;  // line -> how many things stand on it
  auto occupy = [&](int first, int last) {
    for (int l = first; l <= std::max(first, last); ++l) ++fields_on[l];
  };
  for (const TextFields* list :
       {&read.comments, &read.ignored, &read.headers, &read.before_section}) {
    for (const TextField& f : *list) occupy(f.span.line, f.span.last_line);
  }
  for (const RecordRead& r : read.records) {
    const int last = r.values.empty() ? r.keyword.span.last_line : r.values.back().span.last_line;
    occupy(r.keyword.span.line, last);
  }

  std::vector<RecordLine> found;
  for (const RecordRead& r : read.records) {
    const int line = r.keyword.span.line;
    if (!r.complete || r.after_stop || fields_on[line] != 1) continue;
    if (line < 1 || static_cast<size_t>(line) > lines.size()) continue;
    const bool one_line = r.keyword.span.last_line == line &&
                          std::all_of(r.values.begin(), r.values.end(), [&](const ValueRead& v) {
                            return v.span.line == line && v.span.last_line == line;
                          });
    if (!one_line) continue;
    const std::string_view text = lines[static_cast<size_t>(line - 1)].content;
    if (!only_the_fields(text, r)) continue;
    RecordLine out;
    out.line = line;
    out.keyword = field_bytes(text, r.keyword.span);
    for (const ValueRead& v : r.values) {
      out.values.push_back(field_bytes(text, v.span));
      out.numeric.push_back(v.number.has_value());
    }
    found.push_back(std::move(out));
  }
  return found;
}

// Writes a run of record lines on consecutive lines, aligned as one table.
void lay_out_run(const std::vector<const RecordLine*>& run, std::vector<std::string>* out) {
  size_t keyword_width = 0;
  std::vector<size_t> widths;
  for (const RecordLine* r : run) {
    keyword_width = std::max(keyword_width, r->keyword.size());
    if (widths.size() < r->values.size()) widths.resize(r->values.size(), 0);
    for (size_t i = 0; i < r->values.size(); ++i) {
      widths[i] = std::max(widths[i], r->values[i].size());
    }
  }
  for (const RecordLine* r : run) {
    std::string line(r->keyword);
    line += ',';
    if (r->values.empty()) {
      line.pop_back();  // a record of no values keeps its keyword alone
    }
    for (size_t i = 0; i < r->values.size(); ++i) {
      const bool last = i + 1 == r->values.size();
      const std::string_view v = r->values[i];
      const size_t pad = widths[i] - v.size();
      line += ' ';
      if (i == 0) line.append(keyword_width - r->keyword.size(), ' ');
      if (r->numeric[i]) {
        line.append(pad, ' ');
        line += v;
      } else {
        line += v;
        if (!last) line.append(pad, ' ');
      }
      if (!last) line += ',';
    }
    (*out)[static_cast<size_t>(r->line - 1)] = std::move(line);
  }
}

// True when line `n` (1-based) is a caption row: a line starting with a
// hyphen (a comment, or a caption row past the comments a section passes
// over, which the reader takes for a field no record reads) whose words stand at chosen columns (a
// gap of two blanks or more before a later word), written to stand over the columns of the records
// below it. Realigning those records would leave the captions behind.
bool caption_row(const std::vector<TextLine>& lines, int n) {
  if (n < 1 || static_cast<size_t>(n) > lines.size()) return false;
  const std::string_view text = lines[static_cast<size_t>(n - 1)].content;
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos || text[first] != '-') return false;
  const size_t gap = text.find("  ", first);
  return gap != std::string_view::npos &&
         text.find_first_not_of(" \t,", gap) != std::string_view::npos;
}

}  // namespace

std::string lay_out_text(const std::string& text, const DescriptionRead& read) {
  if (!read.read) return text;
  const std::vector<TextLine> lines = text_lines(text);
  std::vector<std::string> contents;
  contents.reserve(lines.size());
  for (const TextLine& l : lines) contents.emplace_back(l.content);

  // Record lines on consecutive lines form one table.
  const std::vector<RecordLine> records = record_lines(lines, read);
  // A table under caption rows is left as it stands, captions and all.
  std::vector<const RecordLine*> run;
  auto lay_out = [&] {
    if (!run.empty() && !caption_row(lines, run.front()->line - 1)) {
      lay_out_run(run, &contents);
    }
    run.clear();
  };
  for (const RecordLine& r : records) {
    if (!run.empty() && run.back()->line + 1 != r.line) lay_out();
    run.push_back(&r);
  }
  lay_out();

  std::string laid_out;
  laid_out.reserve(text.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    laid_out += contents[i];
    laid_out += lines[i].ending;
  }
  return laid_out;
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

Outcome outcome_of(const CompileResult& result, bool calcola_linea) {
  Outcome o;
  o.end = result.end;
  o.code = result.status.codice_errore();
  o.position = result.status.posizione_errore();
  if (result.end == CompileEnd::kCompiled) {
    for (BinaryImage image : images_to_write(calcola_linea)) {
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

LaidOut lay_out_description(const CompileInput& input, DescriptionRole role) {
  CompileInput asked = input;
  asked.records_read = true;
  asked.extra_diagnostics = true;
  const CompileResult before = compile(asked);
  const bool line = role == DescriptionRole::kLine;
  const std::string& text = line ? input.line.text : input.train.text;
  const DescriptionRead& read = line ? before.records->line : before.records->train;

  LaidOut out;
  out.text = text;
  if (!read.read) {
    out.refused = line ? "the compile did not read it"
                       : "the compile did not read it (its line description was refused)";
    return out;
  }
  std::string laid_out = lay_out_text(text, read);
  if (laid_out == text) return out;

  CompileInput again = asked;
  (line ? again.line.text : again.train.text) = laid_out;
  again.records_read = false;
  const CompileResult after = compile(again);
  if (!(outcome_of(before, input.calcola_linea) == outcome_of(after, input.calcola_linea))) {
    out.refused = "laid out, it would compile differently";
    return out;
  }
  out.text = std::move(laid_out);
  out.changed = true;
  return out;
}

}  // namespace binario
