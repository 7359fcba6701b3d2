#include "output/file_naming.h"

#include "output/text_encoding.h"

namespace binario {

namespace {

constexpr std::string_view kLineText = "_linea.txt";
constexpr std::string_view kTrainText = "-.txt";
constexpr std::string_view kGeometry = "_linea.dat";
constexpr std::string_view kTrainTable = ".sim";
constexpr std::string_view kCells = ".dat";

char lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string joined(std::string_view a, std::string_view b) {
  std::string s(a);
  s += b;
  return s;
}

}  // namespace

ScenarioFileNames scenario_file_names(std::string_view name, std::string_view number) {
  const std::string train = joined(joined(name, "_"), number);
  ScenarioFileNames n;
  n.line_text = line_text_name(name);
  n.train_text = joined(train, kTrainText);
  n.train_sheet = joined(train, "_scheda_treno.txt");
  n.slowdown_order = joined(train, "_rallentamenti.txt");
  n.notes = joined(train, "_note.txt");
  n.geometry = joined(name, kGeometry);
  n.train_table = joined(train, kTrainTable);
  n.cells = joined(train, kCells);
  return n;
}

std::optional<std::string> file_name_length_refusal(std::string_view base) {
  if (base.size() <= kLongestFileName) return std::nullopt;
  // The name may be of any length: its start and its ending are quoted.
  return "the file name '" + escaped_utf8(std::string(base.substr(0, 16))) + "..." +
         escaped_utf8(std::string(base.substr(base.size() - 24))) + "' has " +
         std::to_string(base.size()) + " bytes, more than the " + std::to_string(kLongestFileName) +
         " a file name may have";
}

std::string line_text_name(std::string_view name) {
  return joined(name, kLineText);
}

std::string_view line_text_ending() {
  return kLineText;
}

std::string_view train_text_ending() {
  return kTrainText;
}

std::optional<std::string_view> without_ending(std::string_view base, std::string_view ending) {
  if (base.size() < ending.size()) return std::nullopt;
  const std::string_view tail = base.substr(base.size() - ending.size());
  for (size_t i = 0; i < tail.size(); ++i) {
    if (lower(tail[i]) != lower(ending[i])) return std::nullopt;
  }
  return base.substr(0, base.size() - ending.size());
}

std::optional<std::string> name_from_line_text(std::string_view base) {
  const std::optional<std::string_view> name = without_ending(base, kLineText);
  if (!name || name->empty()) return std::nullopt;
  return std::string(*name);
}

std::optional<std::string> number_from_train_text(std::string_view base, std::string_view name) {
  const std::optional<std::string_view> stem = without_ending(base, kTrainText);
  if (!stem || stem->size() <= name.size() + 1 || stem->substr(0, name.size()) != name ||
      (*stem)[name.size()] != '_') {
    return std::nullopt;
  }
  return std::string(stem->substr(name.size() + 1));
}

std::optional<std::string_view> train_text_stem(std::string_view base) {
  const std::optional<std::string_view> stem = without_ending(base, kTrainText);
  if (!stem) return std::nullopt;
  const size_t underscore = stem->rfind('_');
  if (underscore == std::string_view::npos || underscore == 0 || underscore + 1 == stem->size()) {
    return std::nullopt;
  }
  return stem;
}

std::optional<BinaryImage> binary_image_from_name(std::string_view path) {
  if (without_ending(path, kGeometry)) return BinaryImage::kGeometry;
  if (without_ending(path, kTrainTable)) return BinaryImage::kTrainTable;
  if (without_ending(path, kCells)) return BinaryImage::kCells;
  return std::nullopt;
}

}  // namespace binario
