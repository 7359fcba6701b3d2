#include "lsp/document_symbols.h"

#include <charconv>
#include <string>
#include <vector>

#include "lsp/hover.h"
#include "lsp/text_position.h"
#include "output/kilometres.h"

namespace binario {
namespace {

using nlohmann::json;

// The protocol's symbol kinds used here.
constexpr int kNamespace = 3;
constexpr int kStruct = 23;
constexpr int kEvent = 24;
constexpr int kConstant = 14;

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::vector<std::string_view> fields_of(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const size_t comma = line.find(',');
    fields.push_back(trim(line.substr(0, comma)));
    if (comma == std::string_view::npos) return fields;
    line.remove_prefix(comma + 1);
  }
}

bool contains_ignoring_case(std::string_view text, std::string_view key) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower.find(key) != std::string::npos;
}

// "km 2.750" for metre 2750; the field as written when it is no number.
std::string km(std::string_view field) {
  int64_t metres = 0;
  const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), metres);
  if (error != std::errc() || end != field.data() + field.size()) return std::string(field);
  return "km " + kilometres(metres);
}

json range(int line, int start, int end) {
  return {{"start", {{"line", line}, {"character", start}}},
          {"end", {{"line", line}, {"character", end}}}};
}

struct Record {
  std::string_view key;
  const char* label;  // the name shown; empty: the record's last field
  int kind;
};

// Records a reader looks for in the outline, by the key text of their keyword.
constexpr Record kRecords[] = {
    {"stazione", "", kStruct},
    {"segnale", "segnale", kEvent},
    {"rallentamento", "rallentamento", kConstant},
    {"indicatori_vmax", "indicatori_vmax", kEvent},
    {"cartello indicatore", "cartello indicatore", kEvent},
};

}  // namespace

json document_symbols(std::string_view utf8_text) {
  json symbols = json::array();
  json* section = nullptr;
  int line_number = 0;
  for (size_t start = 0; start <= utf8_text.size(); ++line_number) {
    size_t end = utf8_text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = utf8_text.size();
    const std::string_view line = utf8_text.substr(start, end - start);
    const int width = utf16_column(line, static_cast<int>(line.size()));
    start =
        end + (end + 1 < utf8_text.size() && utf8_text[end] == '\r' && utf8_text[end + 1] == '\n'
                   ? 2
                   : 1);
    const std::vector<std::string_view> fields = fields_of(line);
    const std::string_view first = fields.front();
    if (first.empty() || first.front() == '-') continue;
    if (first.find('[') != std::string_view::npos && first.find(']') != std::string_view::npos) {
      symbols.push_back({{"name", std::string(first)},
                         {"kind", kNamespace},
                         {"range", range(line_number, 0, width)},
                         {"selectionRange", range(line_number, 0, width)},
                         {"children", json::array()}});
      section = &symbols.back();
      continue;
    }
    for (const Record& record : kRecords) {
      if (fields.size() < 2 || !contains_ignoring_case(first, record.key)) continue;
      std::string name = *record.label ? record.label : std::string(fields.back());
      if (record.key == "rallentamento" && fields.size() > 2)
        name += " " + std::string(fields[2]) + " km/h";
      if (name.empty()) name = std::string(first);
      json symbol = {{"name", name},
                     {"detail", km(fields[1])},
                     {"kind", record.kind},
                     {"range", range(line_number, 0, width)},
                     {"selectionRange", range(line_number, 0, width)}};
      if (section) {
        (*section)["children"].push_back(symbol);
        (*section)["range"]["end"] = {{"line", line_number}, {"character", width}};
      } else {
        symbols.push_back(symbol);
      }
      break;
    }
  }
  return symbols;
}

}  // namespace binario
