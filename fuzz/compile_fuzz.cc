// The whole compile of a pair of in-memory descriptions. The input is split
// at its first NUL or SOH byte: what comes before is the line description,
// what follows the train description (with neither byte there is no train
// description at all); NUL compiles with the plan geometry, SOH without.
// Whatever the texts, the compile ends in one of its ways; there is nothing
// to write unless the model was built and no reserved slot was taken, and
// what the output layer writes reads back, through the decoders, as exactly
// the model the compile built, and encodes again to the same bytes.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "compiler/compile.h"
#include "compiler/diagnostics.h"
#include "compiler/field_reader.h"
#include "compiler/line_parser.h"
#include "compiler/track_model.h"
#include "fuzz_check.h"
#include "output/binary_decoders.h"
#include "output/binary_files.h"
#include "output/byte_sink.h"

namespace {

using namespace binario;

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

std::string image(BinaryImage kind, const TrackModel& model) {
  StringSink sink;
  write_image(kind, model, sink);
  return sink.bytes;
}

void check_written(const TrackModel& model) {
  std::vector<Cella> cells;
  DecodeError error;
  const std::string cells_image = image(BinaryImage::kCells, model);
  FUZZ_CHECK(cells_image.size() == model.percorso.size() * kCellRecordSize);
  FUZZ_CHECK(decode_cells(cells_image, &cells, &error));
  FUZZ_CHECK(cells.size() == model.percorso.size());
  for (size_t j = 0; j < cells.size(); ++j) FUZZ_CHECK(same_cell(cells[j], model.percorso[j]));

  std::array<VoceTreno, kTrenoEntries> treno;
  const std::string table_image = image(BinaryImage::kTrainTable, model);
  FUZZ_CHECK(decode_train_table(table_image, &treno, &error));
  for (size_t e = 0; e < treno.size(); ++e) FUZZ_CHECK(same_entry(model.treno[e], treno[e]));

  // What dump decodes, encoded again, is the file byte for byte.
  StringSink cells_again, table_again;
  write_cells_file(cells, cells_again);
  write_train_table_file(treno, table_again);
  FUZZ_CHECK(cells_again.bytes == cells_image);
  FUZZ_CHECK(table_again.bytes == table_image);
}

void check_geometry_written(const TrackModel& model) {
  const std::string geometry_image = image(BinaryImage::kGeometry, model);
  FUZZ_CHECK(geometry_image.size() == geometry_file_size(model.linea));
  DecodedGeometry geometry;
  DecodeError error;
  FUZZ_CHECK(decode_geometry(geometry_image, &geometry, &error));
  StringSink again;
  encode_geometry(geometry, again);
  FUZZ_CHECK(again.bytes == geometry_image);
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
  bool geometry_asked = false;
  CompileInput in = fuzz::pair_of_input(data, size, &geometry_asked);
  in.with_geometry = geometry_asked && short_line(in.line.text);

  const CompileResult result = compile(in);
  const Status& status = result.status;
  bool any_error = false;
  for (const Diagnostic& d : status.diagnostics()) {
    if (d.severity == Severity::kError) {
      FUZZ_CHECK(fuzz::is_status_code(d.code));
      any_error = any_error || !d.after_stop;
    } else {
      FUZZ_CHECK(d.code == 0);
    }
    if (d.severity == Severity::kWarning) {
      FUZZ_CHECK(std::find(std::begin(kWarningNames), std::end(kWarningNames), d.name) !=
                 std::end(kWarningNames));
    }
    // Every place points inside its text: a line it has, a column up to one
    // past that line's end; the warnings' related places too.
    const auto check_place = [&in](const SourceLocation& place) {
      FUZZ_CHECK(place.file == in.line.name || place.file == in.train.name);
      if (place.line > 0) {
        const std::string& text = place.file == in.line.name ? in.line.text : in.train.text;
        const std::optional<std::string_view> line = text_line(text, place.line);
        FUZZ_CHECK(line.has_value());
        FUZZ_CHECK(place.column >= 1 && static_cast<size_t>(place.column) <= line->size() + 1);
      }
    };
    if (d.location) check_place(*d.location);
    for (const RelatedLocation& r : d.related) check_place(r.location);
  }
  FUZZ_CHECK((result.end == CompileEnd::kCompiled && status.codice_errore() == 0) == !any_error);

  // Warnings and the faults found after a stop change nothing: the compile
  // without them leaves the same status pair and the same model.
  CompileInput plain = in;
  plain.extra_diagnostics = false;
  const CompileResult bare = compile(plain);
  FUZZ_CHECK(bare.end == result.end);
  FUZZ_CHECK(bare.status.codice_errore() == status.codice_errore());
  FUZZ_CHECK(bare.status.posizione_errore() == status.posizione_errore());
  for (const Diagnostic& d : bare.status.diagnostics()) FUZZ_CHECK(d.severity == Severity::kError);
  if (result.end == CompileEnd::kCompiled) {
    FUZZ_CHECK(image(BinaryImage::kCells, bare.model) == image(BinaryImage::kCells, result.model));
    FUZZ_CHECK(image(BinaryImage::kTrainTable, bare.model) ==
               image(BinaryImage::kTrainTable, result.model));
  }
  // The line description is always read; the train only past a usable line.
  FUZZ_CHECK(result.texts_read != TextsRead::kNone);
  FUZZ_CHECK((result.end == CompileEnd::kModelNeverBuilt) == !result.model.built());
  FUZZ_CHECK((result.end == CompileEnd::kSlotTaken) ==
             (result.taken_slot() == 1250 || result.taken_slot() == 1251));
  if (result.end == CompileEnd::kCompiled) {
    if (in.with_geometry) check_geometry_written(result.model);
    check_written(result.model);
  }
  return 0;
}
