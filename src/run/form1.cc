#include "run/form1.h"

#include <functional>
#include <optional>

#include "compiler/field_reader.h"
#include "compiler/line_parser.h"
#include "compiler/train_parser.h"
#include "output/binary_files.h"
#include "output/competition_codes.h"
#include "output/signal_codes.h"
#include "sources/builtin_texts.h"
#include "sources/line_list.h"

namespace binario {

namespace {

// What stands in a reserved slot the markers or codes need: the table's
// field of entry 85 or the named field of cell 1, with what placed it there.
std::string reserved_slot_detail(const TrackModel& model, const char* stamp,
                                 const char* entry_field, int32_t entry_value,
                                 const char* cell_field, int16_t cell_value) {
  std::string found;
  if (entry_value != 0) {
    found =
        "treno entry 85 " + std::string(entry_field) + " holding " + std::to_string(entry_value);
  } else {
    found = "cell 1 " + std::string(cell_field) + " holding " + std::to_string(cell_value);
    if (model.in_cells(1) && model.percorso[1].tipo != kNone) {
      found += ", set by " + model.occupant(1, Placer::kUnknown);
    }
  }
  return "expected treno entry 85 " + std::string(entry_field) + " and cell 1 " + cell_field +
         " empty for " + stamp + ", found " + found;
}

}  // namespace

int exit_status(const RunReport& report, const Status& status) {
  switch (report.end) {
    case RunEnd::kModelNeverBuilt:
      return 3;
    case RunEnd::kStopped:
      return 4;
    case RunEnd::kFileError:
      return 5;
    case RunEnd::kCompiled:
      break;
  }
  return status.codice_errore() == 0 ? 0 : 1;
}

FileNames Form1::names() const {
  return file_names(cartella_scenario, nome_percorso, numero_treno);
}

std::string Form1::line_path() const {
  return line_text_path.empty() ? names().line_text : line_text_path;
}

std::string Form1::train_path() const {
  return train_text_path.empty() ? names().train_text : train_text_path;
}

RunReport Form1::form_load() {
  ui_.show_waiting();
  RunReport report;
  if (!write_texts(report)) return report;
  RunReport compiled = memorizza_percorso(1);
  // The two descriptions were read and deleted; what the run leaves behind
  // is the three documents and the binary files.
  std::vector<std::string> left;
  for (const std::string& path : report.outputs) {
    if (fs_.exists(path)) left.push_back(path);
  }
  compiled.outputs.insert(compiled.outputs.begin(), left.begin(), left.end());
  return compiled;
}

RunReport Form1::write_sources() {
  RunReport report;
  write_texts(report);
  return report;
}

bool Form1::write_text(const std::string& path, const LineList& list, RunReport& report) {
  std::string error;
  if (!write_line_list(fs_, path, list, &error)) {
    report.file_errors.push_back(path + ": " + error);
    report.end = RunEnd::kFileError;
    return false;
  }
  report.outputs.push_back(path);
  return true;
}

bool Form1::dati_linea(RunReport& report) {
  return write_text(names().line_text, builtin_line_list(), report);
}
bool Form1::dati_treno(RunReport& report) {
  return write_text(names().train_text, builtin_train_list(), report);
}
bool Form1::dati_note(RunReport& report) {
  return write_text(names().notes, notes_list(), report);
}
bool Form1::dati_rallentamenti(RunReport& report) {
  return write_text(names().slowdown_order, slowdown_order_list(), report);
}
bool Form1::dati_scheda(RunReport& report) {
  return write_text(names().train_sheet, train_sheet_list(), report);
}

bool Form1::write_texts(RunReport& report) {
  // Each writer replaces its file before the next one starts; a failure ends
  // the run there.
  return dati_linea(report) && dati_treno(report) && dati_note(report) &&
         dati_rallentamenti(report) && dati_scheda(report);
}

void Form1::errore(const std::string& a) {
  ui_.errore(a);
}

void Form1::remove_source(const std::string& path) {
  if (!delete_sources || !fs_.exists(path)) return;
  std::string error;
  if (!fs_.remove_file(path, &error)) delete_errors_.push_back(path + ": " + error);
}

void Form1::memorizza_dati() {
  const std::string line = line_path();
  const std::string train = train_path();
  const std::string line_name = line_display_name.empty() ? line : line_display_name;
  const std::string train_name = train_display_name.empty() ? train : train_display_name;

  model.treno[kScenarioEntry].nome = nome_percorso_modello.value_or(nome_percorso);
  model.treno[kTrainEntry].nome = numero_treno_modello.value_or(numero_treno);

  if (!fs_.exists(line)) {
    status.fault(101, std::nullopt, SourceLocation{line_name, 0, 0});
    return;
  }

  // The file being read when a read failure strikes, and its text, for its
  // diagnostic.
  const std::string* reading = &line_name;
  std::string text;
  try {
    std::string error;
    if (!fs_.read_file(line, &text, &error)) {
      throw ReadFailure("cannot open the file: " + error, TextPosition{0, 0});
    }
    FieldReader line_reader(text);
    LineParser line_parser(model, status, line_reader, line_name, calcola_linea != 0);
    LineParser::Outcome outcome = line_parser.parse();
    remove_source(line);
    if (outcome == LineParser::Outcome::kStopped) return;

    reading = &train_name;
    if (!fs_.read_file(train, &text, &error)) {
      throw ReadFailure("cannot open the file: " + error, TextPosition{0, 0});
    }
    FieldReader train_reader(text);
    TrainParser train_parser(model, status, train_reader, train_name);
    train_parser.parse();
    remove_source(train);
  } catch (const ReadFailure& failure) {
    // The common failure path: both descriptions go, whatever was read.
    remove_source(line);
    remove_source(train);
    status.fault(25, std::nullopt,
                 SourceLocation{*reading, failure.where().line, failure.where().column},
                 failure.what(), text_line(text, failure.where().line));
  }
}

RunReport Form1::memorizza_percorso(int32_t j) {
  RunReport report;
  calcola_linea = j;
  status.reset();
  model.clear_treno();
  delete_errors_.clear();

  memorizza_dati();
  report.file_errors = delete_errors_;
  if (!model.built()) {
    report.end = RunEnd::kModelNeverBuilt;
    return report;
  }

  place_signal_codes(model, status);

  switch (stamp_reserved_slots(model)) {
    case StampResult::kStamped:
      break;
    case StampResult::kFirstSlotTaken:
      status.fault(
          1250, std::nullopt, std::nullopt,
          reserved_slot_detail(model, "the markers", "dato1", model.treno[kScenarioEntry].dato1,
                               "valore1", model.in_cells(1) ? model.percorso[1].valore1 : 0));
      errore("1250");
      report.end = RunEnd::kStopped;
      return report;
    case StampResult::kSecondSlotTaken:
      status.fault(1251, std::nullopt, std::nullopt,
                   reserved_slot_detail(model, "the competition codes", "orario",
                                        model.treno[kScenarioEntry].orario, "valore2",
                                        model.in_cells(1) ? model.percorso[1].valore2 : 0));
      errore("1251");
      report.end = RunEnd::kStopped;
      return report;
  }

  if (write_outputs && !write_binary_files(report)) {
    report.end = RunEnd::kFileError;
    return report;
  }
  if (!report.file_errors.empty()) report.end = RunEnd::kFileError;
  return report;
}

bool Form1::write_binary_files(RunReport& report) {
  const std::string dir = output_dir.empty() ? cartella_scenario : output_dir;
  const FileNames out = file_names(dir, nome_percorso, numero_treno);

  auto write = [&](const std::string& path, const std::function<void(OutputFile&)>& fill) {
    std::string error;
    auto file = fs_.replace_file(path, &error);
    if (file) {
      fill(*file);
      if (file->commit(&error)) {
        report.outputs.push_back(path);
        return true;
      }
    }
    report.file_errors.push_back(path + ": " + error);
    return false;
  };

  if (calcola_linea != 0 &&
      !write(out.geometry, [&](OutputFile& f) { write_geometry_file(model.linea, f); })) {
    return false;
  }
  return write(out.train_table, [&](OutputFile& f) { write_train_table_file(model.treno, f); }) &&
         write(out.cells, [&](OutputFile& f) { write_cells_file(model.percorso, f); });
}

}  // namespace binario
