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
#include "run/run_report.h"
#include "run/run_steps.h"
#include "sources/line_list.h"

namespace binario {

// The run on top of the compile: it writes the texts, reads them, compiles,
// deletes what was read, writes the binary files and shows the window and
// the error box.
class Form1 {
 public:
  Form1(FileSystem& fs, Ui& ui) : fs_(fs), ui_(ui) {}

  // The run's inputs. Form_Load's defaults are the built-in scenario's names.
  std::string nome_percorso = "Zorvane_Pelk";
  std::string numero_treno = "728";
  std::string cartella_scenario;
  int32_t calcola_linea = 0;
  // The names as the model stores them (Windows-1252 bytes), when they differ
  // from the names used for the files (UTF-8 on this platform).
  std::optional<std::string> nome_percorso_modello;
  std::optional<std::string> numero_treno_modello;

  // Where the descriptions are read from and how they are named in
  // diagnostics; empty means the run's own names in `cartella_scenario`.
  std::string line_text_path;
  std::string train_text_path;
  std::string line_display_name;
  std::string train_display_name;
  // Where the binary files go; empty means `cartella_scenario`.
  std::string output_dir;
  // A run deletes the descriptions it has read; an author's compile keeps them.
  bool delete_sources = true;
  // False for a check: everything but writing the binary files.
  bool write_outputs = true;
  // An author's compile writes nothing when a description could not be
  // opened at all (missing, held by another program, not a regular file,
  // over the cap): the old files stay rather than a scenario without it. The
  // run compiles on and writes the files all the same.
  bool refuse_unopened = false;
  // An author's compile also reports warnings and the faults after a stop;
  // the run reports only the faults that set the status pair.
  bool extra_diagnostics = false;

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
  // Its steps apart, for a command that looks at the compile before
  // committing it: the descriptions read as the run's settings say, and the
  // outcome committed (what was read deleted, the binary files written),
  // `status` and `model` then holding the compile's.
  CompileInput read_inputs();
  RunReport commit(const CompileInput& input, CompileResult result);

  // Shows the error box; the caller ends the run.
  void errore(const std::string& a);

  FileNames names() const;
  std::string line_path() const;
  std::string train_path() const;

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
  RunReport commit_with(const CommitPlan& plan, const CompileInput& input, CompileResult result);

  FileSystem& fs_;
  Ui& ui_;
};

// The whole run of the built-in scenario in `dir`; `status`, when given,
// receives the compile's status.
RunReport run_scenario(FileSystem& fs, Ui& ui, const std::string& dir, Status* status);

}  // namespace binario
