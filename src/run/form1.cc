#include "run/form1.h"

#include <iterator>
#include <memory>
#include <optional>
#include <utility>

#include "compiler/compile.h"
#include "output/binary_files.h"
#include "platform/description_file.h"
#include "run/run_steps.h"
#include "sources/builtin_texts.h"
#include "sources/line_list.h"

namespace binario {

ScenarioFileNames Form1::names() const {
  return file_names(cartella_scenario, nome_percorso, numero_treno);
}

std::unique_ptr<FolderLock> Form1::lock_scenario_folder(RunReport& report) {
  // Another run into this folder would replace, read or delete the texts
  // this one is working on: it waits for this one to end.
  std::string error;
  const std::string folder = cartella_scenario.empty() ? "." : cartella_scenario;
  std::unique_ptr<FolderLock> lock = fs_.lock_folder(folder, &error);
  if (!lock) {
    report.file_errors.push_back(folder + ": " + error);
    report.end = RunEnd::kFileError;
  }
  return lock;
}

RunReport Form1::form_load() {
  ui_.show_waiting();
  RunReport report;
  const std::unique_ptr<FolderLock> lock = lock_scenario_folder(report);
  if (!lock) return report;
  if (keeps_foreign_descriptions(report)) return report;
  // Every name the run writes is looked at before the first file is.
  std::vector<SetText> texts = builtin_texts();
  CommitPlan plan = commit_plan();
  plan.with_geometry = true;
  std::vector<std::string> paths = set_text_paths(texts);
  paths.insert(paths.end(), {plan.outputs.geometry, plan.outputs.train_table, plan.outputs.cells});
  if (std::optional<std::string> refusal = set_name_refusal(paths)) {
    report.file_errors.push_back(*refusal + "; nothing was replaced");
    report.end = RunEnd::kFileError;
    return report;
  }
  // The two descriptions are one set, read and deleted by the compile; the
  // three documents go in one set with the binary files, so a run leaves
  // its scenario new or as it was.
  plan.texts.assign(std::make_move_iterator(texts.begin() + 2),
                    std::make_move_iterator(texts.end()));
  texts.resize(2);
  if (!write_texts_together(fs_, texts, &report)) {
    report.end = RunEnd::kFileError;
    return report;
  }
  calcola_linea = 1;
  return compile_and_commit(plan);
}

RunReport Form1::write_sources(bool force) {
  RunReport report;
  const std::unique_ptr<FolderLock> lock = lock_scenario_folder(report);
  if (!lock) return report;
  if (!force && keeps_foreign_descriptions(report)) return report;
  write_texts(report);
  return report;
}

bool Form1::keeps_foreign_descriptions(RunReport& report) {
  // The run replaces its descriptions and deletes them once read: one an
  // author edited in place (after `sources`) would be lost without a word.
  // Only a regular file is compared; anything else fails the write itself.
  const std::pair<std::string, LineList> own[] = {{names().line_text, builtin_line_list()},
                                                  {names().train_text, builtin_train_list()}};
  for (const auto& [path, list] : own) {
    if (!fs_.exists(path)) continue;
    const DescriptionOnDisk found = read_description_on_disk(fs_, path);
    if (found.state == DescriptionOnDisk::State::kRead && found.bytes == line_list_text(list))
      continue;
    report.kept.push_back(
        {path, found.state == DescriptionOnDisk::State::kRead ? "" : found.reason});
  }
  if (report.kept.empty()) return false;
  report.end = RunEnd::kKeptDescription;
  return true;
}

std::vector<SetText> Form1::builtin_texts() const {
  const ScenarioFileNames n = names();
  return {{n.line_text, line_list_text(builtin_line_list())},
          {n.train_text, line_list_text(builtin_train_list())},
          {n.notes, line_list_text(notes_list())},
          {n.slowdown_order, line_list_text(slowdown_order_list())},
          {n.train_sheet, line_list_text(train_sheet_list())}};
}

bool Form1::write_texts(RunReport& report) {
  // The five texts are one set: all are written before any old one is
  // replaced, so a failure leaves the folder as it was.
  if (write_texts_together(fs_, builtin_texts(), &report)) return true;
  report.end = RunEnd::kFileError;
  return false;
}

void Form1::errore(const std::string& a) {
  ui_.errore(a);
}

ReadPlan Form1::read_plan() const {
  ReadPlan plan;
  plan.line_path = names().line_text;
  plan.train_path = names().train_text;
  plan.model_name = nome_percorso;
  plan.model_number = numero_treno;
  plan.with_geometry = calcola_linea != 0;
  return plan;
}

CommitPlan Form1::commit_plan() const {
  CommitPlan plan;
  plan.line_path = names().line_text;
  plan.train_path = names().train_text;
  plan.outputs = names();
  plan.with_geometry = calcola_linea != 0;
  return plan;
}

RunReport Form1::compile_and_commit(const CommitPlan& plan) {
  const CompileInput input = read_step(fs_, read_plan());
  CompileResult result = compile(input);
  RunReport report = commit_step(fs_, plan, input, result);
  if (report.end == RunEnd::kStopped) errore(std::to_string(result.taken_slot()));
  status = std::move(result.status);
  model = std::move(result.model);
  return report;
}

RunReport Form1::memorizza_percorso(int32_t j) {
  calcola_linea = j;
  return compile_and_commit(commit_plan());
}

RunReport run_scenario(FileSystem& fs, Ui& ui, const std::string& dir, Status* status) {
  Form1 form(fs, ui);
  form.cartella_scenario = dir;
  RunReport report = form.form_load();
  if (status) *status = form.status;
  return report;
}

}  // namespace binario
