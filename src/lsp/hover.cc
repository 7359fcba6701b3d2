#include "lsp/hover.h"

#include <charconv>
#include <string>
#include <vector>

#include "lsp/reference.h"
#include "lsp/text_position.h"
#include "output/kilometres.h"

namespace binario {
namespace {

using nlohmann::json;

// Where a record's position field puts its object.
enum class CellRule {
  kNone,   // the field is a position, but its cells follow rules of their own
  kPoint,  // a point object: cell nearest(p / 50 + 1)
  kSpan,   // a span's change: from cell nearest(p / 50)
};

struct Keyword {
  std::string_view key;    // the key text a keyword field contains
  std::string_view entry;  // its heading in the reference
  int position_field;      // the 1-based value that is a position, 0: none
  CellRule rule;
};

// Tested in this order, longest key texts first where one holds another.
constexpr Keyword kKeywords[] = {
    {"lunghezza percorso", "lunghezza percorso", 0, CellRule::kNone},
    {"progressiva chilometrica uno", "progressiva chilometrica uno", 0, CellRule::kNone},
    {"progressiva chilometrica due", "progressiva chilometrica due", 0, CellRule::kNone},
    {"progressiva chilometrica tre", "progressiva chilometrica tre", 0, CellRule::kNone},
    {"sfondo uno", "sfondo uno", 0, CellRule::kNone},
    {"sfondo due", "sfondo due", 0, CellRule::kNone},
    {"sfondo tre", "sfondo tre", 0, CellRule::kNone},
    {"ripetizione segnali", "ripetizione segnali", 0, CellRule::kNone},
    {"pendenza", "pendenza", 1, CellRule::kSpan},
    {"curva", "curva", 1, CellRule::kNone},
    {"montagna", "montagna", 1, CellRule::kSpan},
    {"indicatori_v", "indicatori_vmax", 1, CellRule::kPoint},
    {"cartello", "cartello indicatore", 1, CellRule::kPoint},
    {"massa frenata", "percentuale massa frenata", 0, CellRule::kNone},
    {"vetture", "numero vetture", 0, CellRule::kNone},
    {"velocit", "velocita", 1, CellRule::kSpan},
    {"aderenza", "aderenza", 1, CellRule::kSpan},
    {"orologio", "orologio", 0, CellRule::kNone},
    {"sabbia", "sabbia", 0, CellRule::kNone},
    {"segnale", "segnale", 1, CellRule::kPoint},
    {"rallentamento", "rallentamento", 1, CellRule::kPoint},
    {"abbattimento", "abbattimento", 1, CellRule::kNone},
    {"stazione", "stazione", 1, CellRule::kNone},
};

struct FieldSpan {
  int start;  // character index of its first character
  int end;    // one past its last
};

// The fields of a line by character index, blanks around them left out.
std::vector<FieldSpan> field_spans(const std::u32string& line) {
  std::vector<FieldSpan> spans;
  int start = 0;
  const int size = static_cast<int>(line.size());
  for (int i = 0; i <= size; ++i) {
    if (i < size && line[static_cast<size_t>(i)] != U',') continue;
    int a = start;
    int b = i;
    while (a < b && (line[static_cast<size_t>(a)] == U' ' || line[static_cast<size_t>(a)] == U'\t'))
      ++a;
    while (b > a &&
           (line[static_cast<size_t>(b - 1)] == U' ' || line[static_cast<size_t>(b - 1)] == U'\t'))
      --b;
    spans.push_back({a, b});
    start = i + 1;
  }
  return spans;
}

// The characters of a UTF-8 line, ASCII kept and the rest as placeholders
// (only ASCII matters to keywords and numbers).
std::u32string characters(std::string_view utf8_line) {
  std::u32string out;
  for (size_t i = 0; i < utf8_line.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8_line[i]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte
    out.push_back(c < 0x80 ? c : U'\uFFFD');
  }
  return out;
}

std::string ascii(const std::u32string& s, FieldSpan span) {
  std::string out;
  for (int i = span.start; i < span.end; ++i) {
    const char32_t c = s[static_cast<size_t>(i)];
    out.push_back(c < 0x80 ? static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c) : '?');
  }
  return out;
}

std::string cell_contents(const TrackModel& model, int64_t k) {
  if (!model.in_cells(k)) return "past the end of the track model";
  const Cella& c = model.percorso[static_cast<size_t>(k)];
  std::string out = c.tipo == 0 ? std::string("no point object") : cell_kind_name(c.tipo);
  if (c.tipo != 0) {
    out += " (values " + std::to_string(c.valore1) + ", " + std::to_string(c.valore2) + ", " +
           std::to_string(c.valore3) + ", " + std::to_string(c.valore4) + ")";
    if (static_cast<size_t>(k) < model.origins.size()) {
      const CellOrigin& origin = model.origins[static_cast<size_t>(k)];
      if (origin.by == Placer::kLineText)
        out += ", placed by line " + std::to_string(origin.line) + " of the line description";
      if (origin.by == Placer::kTrainText)
        out += ", placed by line " + std::to_string(origin.line) + " of the train description";
      if (origin.by == Placer::kSignalCodePass) out += ", placed by the signal-code pass";
    }
  }
  out += "; speed limit " + std::to_string(c.velocita * 5) + " km/h, gradient " +
         std::to_string(static_cast<int>(c.pendenza) - 100) + ", adhesion " +
         std::to_string(c.aderenza);
  if (c.montagna != 0) out += ", mountain kind " + std::to_string(c.montagna);
  return out;
}

json range(int line, std::string_view utf8_line, FieldSpan span) {
  return {{"start", {{"line", line}, {"character", utf16_column(utf8_line, span.start)}}},
          {"end", {{"line", line}, {"character", utf16_column(utf8_line, span.end)}}}};
}

}  // namespace

int64_t nearest_fiftieth(int64_t n) {
  int64_t q = n / 50;
  int64_t r = n % 50;
  if (r < 0) r += 50, --q;  // floor division
  if (r * 2 > 50 || (r * 2 == 50 && q % 2 != 0)) ++q;
  return q;
}

json hover(std::string_view utf8_text, int line, int column, const TrackModel* model) {
  const std::string_view utf8_line = line_of(utf8_text, line);
  const std::u32string chars = characters(utf8_line);
  const int at = character_index(utf8_line, column);
  const std::vector<FieldSpan> fields = field_spans(chars);
  const std::string keyword_text = ascii(chars, fields.front());
  if (keyword_text.empty() || keyword_text.front() == '-') return nullptr;
  const Keyword* keyword = nullptr;
  for (const Keyword& k : kKeywords) {
    if (keyword_text.find(k.key) != std::string::npos) {
      keyword = &k;
      break;
    }
  }
  if (!keyword) return nullptr;
  size_t field = 0;
  while (field + 1 < fields.size() && at > fields[field].end) ++field;
  const std::optional<std::string> entry = reference_entry(keyword->entry);
  std::string text;
  if (field == 0) {
    text = entry.value_or("`" + std::string(keyword->entry) + "`");
  } else {
    text = "`" + std::string(keyword->entry) + "`, value " + std::to_string(field);
    if (entry) {
      if (std::optional<std::string> row = reference_field(*entry, static_cast<int>(field))) {
        text +=
            "\n\n| Position | Name | Meaning | Unit | Type | Accepted "
            "|\n|---|---|---|---|---|---|\n" +
            *row;
      }
    }
    int64_t metres = 0;
    const std::string value = ascii(chars, fields[field]);
    const char* begin = value.data() + (value.size() > 1 && value[0] == '+' ? 1 : 0);
    const auto [end, error] = std::from_chars(begin, value.data() + value.size(), metres);
    if (static_cast<int>(field) == keyword->position_field && error == std::errc() &&
        end == value.data() + value.size()) {
      text += "\n\nmetre " + std::to_string(metres) + ", km " + kilometres(metres);
      if (keyword->rule != CellRule::kNone) {
        const int64_t cell = keyword->rule == CellRule::kPoint ? nearest_fiftieth(metres + 50)
                                                               : nearest_fiftieth(metres);
        text += keyword->rule == CellRule::kPoint
                    ? "; cell " + std::to_string(cell) + " (nearest(p/50 + 1))"
                    : "; from cell " + std::to_string(cell) + " (nearest(p/50))";
        if (model && model->built()) text += ": " + cell_contents(*model, cell);
      }
    }
  }
  return {{"contents", {{"kind", "markdown"}, {"value", text}}},
          {"range", range(line, utf8_line, fields[field])}};
}

}  // namespace binario
