// The whole compile of a pair of in-memory descriptions. The input is split
// at its first NUL or SOH byte: what comes before is the line description,
// what follows the train description (with neither byte there is no train
// description at all); NUL compiles with the plan geometry, SOH without.
// Whatever the texts, the run ends in one of its ways; nothing is written
// unless the model was built and the run not stopped, and what is written
// reads back, through the decoders, as exactly the model the compile built
// (the geometry file, by far the largest, only by its size: its decoder has a
// target of its own).
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/field_reader.h"
#include "compiler/line_parser.h"
#include "compiler/track_model.h"
#include "fuzz_check.h"
#include "output/binary_decoders.h"
#include "output/binary_files.h"
#include "platform/file_system.h"
#include "platform/ui.h"
#include "run/form1.h"
#include "run/status.h"

namespace {

using namespace binario;

class QuietUi : public Ui {
 public:
  void show_waiting() override {}
  void errore(std::string_view) override { ++errors; }
  int errors = 0;
};

bool same_cell(const Cella& a, const Cella& b) {
  return a.tipo == b.tipo && a.valore1 == b.valore1 && a.valore2 == b.valore2 &&
         a.valore3 == b.valore3 && a.valore4 == b.valore4 && a.tempo == b.tempo &&
         a.ripetizione == b.ripetizione && a.montagna == b.montagna && a.velocita == b.velocita &&
         a.pendenza == b.pendenza && a.aderenza == b.aderenza;
}

bool same_entry(const VoceTreno& a, const VoceTreno& b) {
  // Names longer than the length word can say are stored cut.
  const std::string nome = a.nome.substr(0, kTrainRecord.max_nome);
  return a.tipo == b.tipo && a.inizio == b.inizio && a.fine == b.fine &&
         a.posizione == b.posizione && a.tps == b.tps && nome == b.nome && a.dato1 == b.dato1 &&
         a.dato2 == b.dato2 && a.dato3 == b.dato3 && a.dato4 == b.dato4 && a.dato5 == b.dato5 &&
         a.opz1 == b.opz1 && a.opz2 == b.opz2 && a.opz3 == b.opz3 && a.opz4 == b.opz4 &&
         a.orario == b.orario;
}

void check_written(MemoryFileSystem& fs, const FileNames& out, const TrackModel& model) {
  std::vector<Cella> cells;
  DecodeError error;
  FUZZ_CHECK(decode_cells(fs.files[out.cells], &cells, &error));
  FUZZ_CHECK(cells.size() == model.percorso.size());
  for (size_t j = 0; j < cells.size(); ++j) FUZZ_CHECK(same_cell(cells[j], model.percorso[j]));

  std::array<VoceTreno, kTrenoEntries> treno;
  FUZZ_CHECK(decode_train_table(fs.files[out.train_table], &treno, &error));
  for (size_t e = 0; e < treno.size(); ++e) FUZZ_CHECK(same_entry(model.treno[e], treno[e]));
}

// With the plan geometry, a long line costs every run up to a million points
// computed and written, and slows the whole target down a hundred times.
// Longer lines are compiled without the geometry (the line parser's own
// target builds the geometry at every length).
constexpr int32_t kLongestLineWithGeometry = 10'000;

bool short_line(const std::string& line) {
  TrackModel probe;
  Status status;
  FieldReader reader(line);
  try {
    LineParser(probe, status, reader, "probe", false).parse();
  } catch (const ReadFailure&) {
  }
  return probe.treno[kTrainParameters].fine <= kLongestLineWithGeometry;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // An empty input may come without a buffer at all.
  const std::string input =
      size == 0 ? std::string() : std::string(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find_first_of(std::string_view("\0\1", 2));

  MemoryFileSystem fs;
  QuietUi ui;
  Form1 form(fs, ui);
  form.cartella_scenario = "s";
  form.nome_percorso = "F";
  form.numero_treno = "1";
  const FileNames names = form.names();
  fs.files[names.line_text] = input.substr(0, split);
  if (split != std::string::npos) fs.files[names.train_text] = input.substr(split + 1);

  const bool geometry =
      split != std::string::npos && input[split] == '\0' && short_line(fs.files[names.line_text]);
  const RunReport report = form.memorizza_percorso(geometry ? 1 : 0);
  const int exit = exit_status(report, form.status);
  FUZZ_CHECK(exit == 0 || exit == 1 || exit == 3 || exit == 4);
  FUZZ_CHECK(report.file_errors.empty());
  FUZZ_CHECK((exit == 0) == form.status.diagnostics().empty());
  for (const Diagnostic& d : form.status.diagnostics()) {
    FUZZ_CHECK(fuzz::is_status_code(d.code));
    if (d.location) {
      FUZZ_CHECK(d.location->file == names.line_text || d.location->file == names.train_text);
    }
  }
  // The description that was opened is gone.
  FUZZ_CHECK(!fs.exists(names.line_text));

  const bool written = exit == 0 || exit == 1;
  FUZZ_CHECK(written == form.model.built() || exit == 4);
  FUZZ_CHECK((ui.errors == 1) == (exit == 4));
  FUZZ_CHECK(fs.exists(names.geometry) == (written && geometry));
  FUZZ_CHECK(fs.exists(names.train_table) == written);
  FUZZ_CHECK(fs.exists(names.cells) == written);
  if (written) {
    FUZZ_CHECK(fs.files[names.cells].size() == form.model.percorso.size() * kCellRecordSize);
    if (geometry) {
      FUZZ_CHECK(fs.files[names.geometry].size() == geometry_file_size(form.model.linea));
    }
    check_written(fs, names, form.model);
  }
  return 0;
}
