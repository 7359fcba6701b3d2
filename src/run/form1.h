// The run object: the run's state (names, folder, geometry flag, status, the
// track model) and the fixed sequence of a run. It owns opening, reading and
// deleting the description texts; the parsers only ever see a FieldReader.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compiler/compile.h"
#include "compiler/diagnostics.h"
#include "compiler/track_model.h"
#include "output/binary_files.h"
#include "platform/file_system.h"
#include "platform/ui.h"
#include "run/file_names.h"
#include "run/file_sets.h"
#include "run/run_report.h"
#include "run/run_steps.h"
#include "sources/line_list.h"

namespace binario {

// The run on top of the compile: it writes the texts, reads them, compiles,
// deletes what was read, writes the binary files and shows the window and
// the error box. It is the built-in run's alone: an author's commands chain
// the steps of run/run_steps.h themselves.
class Form1 {
 public:
  Form1(FileSystem& fs, Ui& ui) : fs_(fs), ui_(ui) {}

  // The run's inputs. Form_Load's defaults are the built-in scenario's names.
  std::string nome_percorso = "Zorvane_Pelk";
  std::string numero_treno = "728";
  std::string cartella_scenario;
  int32_t calcola_linea = 0;

  Status status;  // codice_errore / posizione_errore and every diagnostic
  TrackModel model;

  // The whole run in cartella_scenario: show the waiting label, write the
  // five texts, compile with the geometry, write the three binary files.
  // The folder is locked meanwhile: a second run into it waits for this one.
  // A description of other text than the run's own standing at the name of
  // one it writes is kept: the run then writes and deletes nothing. Every
  // name is checked first; the two descriptions are written as one set,
  // then the three documents and the binary files as another: when one
  // cannot be written, every old file of its set stays as it was.
  RunReport form_load();
  // Writes the five texts of the built-in scenario as one set and stops,
  // with the folder locked as for a run. A description of other text than the run's
  // own standing at the name of one it writes (an author's edit) is kept
  // unless `force`: then nothing is written.
  RunReport write_sources(bool force = false);
  // Compiles the two descriptions and writes the binary files; `j` non-zero
  // builds and writes the plan geometry. The three steps of run/run_steps.h.
  RunReport memorizza_percorso(int32_t j);

  // Shows the error box; the caller ends the run.
  void errore(const std::string& a);

  ScenarioFileNames names() const;

 private:
  // The folder's lock, or null with the failure in `report`.
  std::unique_ptr<FolderLock> lock_scenario_folder(RunReport& report);
  // The five texts of the built-in scenario under this run's names, in the
  // order they are written and listed.
  std::vector<SetText> builtin_texts() const;
  // Writes them as one set (write_texts_together); false with the failure
  // in `report`.
  bool write_texts(RunReport& report);
  bool keeps_foreign_descriptions(RunReport& report);
  ReadPlan read_plan() const;
  CommitPlan commit_plan() const;
  // The descriptions read and compiled, the outcome committed by `plan`;
  // `status` and `model` then hold the compile's.
  RunReport compile_and_commit(const CommitPlan& plan);

  FileSystem& fs_;
  Ui& ui_;
};

// The whole run of the built-in scenario in `dir`; `status`, when given,
// receives the compile's status.
RunReport run_scenario(FileSystem& fs, Ui& ui, const std::string& dir, Status* status);

}  // namespace binario
