// The train parser over arbitrary text, on the model of a fixed 6000 m line
// that already carries gradients, a mountain span with markers, two speed
// boards and a sign board (so clashes and the station count against the
// sign-board texts can happen). Whatever the text, the parse ends with a
// status code of the train parser or a read failure, never writes outside
// the cells and leaves the line's own entries alone.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "compiler/diagnostics.h"
#include "compiler/field_reader.h"
#include "compiler/line_parser.h"
#include "compiler/track_model.h"
#include "compiler/train_parser.h"
#include "fuzz_check.h"

namespace {

using namespace binario;

constexpr std::string_view kLine =
    "[generale]\r\n"
    "lunghezza percorso,    6000\r\n"
    "progressiva chilometrica uno,    0,    0,    0\r\n"
    "ripetizione segnali 4 codici,    500,    5500\r\n"
    "[pendenze]\r\n"
    "pendenza  , 400    , 2\r\n"
    "pendenza  , 3300   , -2\r\n"
    "montagna, 2000,2600,12\r\n"
    "indicatori_vmax, 600, 90, 100, 100, 0, 0, 0, 0, 0\r\n"
    "indicatori_vmax, 3450, 80, 90, 95, 0, 0, 0, 0, 0\r\n"
    "cartello indicatore,  2950,    (  Km. ) (3.000)\r\n"
    "[fine]\r\n";

const TrackModel& line_model() {
  static const TrackModel model = [] {
    TrackModel m;
    Status status;
    FieldReader reader(kLine);
    LineParser parser(m, status, reader, "line.txt", false);
    if (parser.parse() != LineParser::Outcome::kReadTrain || status.codice_errore() != 0) {
      std::abort();
    }
    return m;
  }();
  return model;
}

bool is_train_code(int32_t code) {
  switch (code) {
    case 2:
    case 7:
    case 8:
    case 9:
    case 10:
    case 15:
    case 16:
    case 17:
    case 18:
    case 19:
    case 20:
    case 22:
    case 24:
      return true;
    default:
      return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const TrackModel& line = line_model();
  TrackModel model = line;
  Status status;
  FieldReader reader(std::string_view(reinterpret_cast<const char*>(data), size));
  TrainParser parser(model, status, reader, "train.txt");
  try {
    parser.parse();
  } catch (const ReadFailure& failure) {
    FUZZ_CHECK(failure.where().line >= 1 && failure.where().column >= 1);
  }

  for (const Diagnostic& d : status.diagnostics()) {
    FUZZ_CHECK(is_train_code(d.code));
    // Only the marker check at the end has no keyword to point at.
    if (d.code != 2) {
      FUZZ_CHECK(d.location && d.location->file == "train.txt");
      FUZZ_CHECK(d.location->line >= 1 && d.location->column >= 1);
    }
  }
  FUZZ_CHECK(model.percorso.size() == line.percorso.size());
  FUZZ_CHECK(model.numero_cartelli == line.numero_cartelli);
  // The sign-board texts and the line's reserved entries are not the train's to change.
  for (int entry = kFirstBoardSlot - line.numero_cartelli + 1; entry <= kChainageUno; ++entry) {
    FUZZ_CHECK(model.treno[entry].nome == line.treno[entry].nome);
    FUZZ_CHECK(model.treno[entry].inizio == line.treno[entry].inizio);
    FUZZ_CHECK(model.treno[entry].fine == line.treno[entry].fine);
  }
  FUZZ_CHECK(model.treno[kTrainParameters].fine == line.treno[kTrainParameters].fine);
  // A board stays where the line put it: the train places its objects on free
  // cells only, except a station's stop, which takes its cell whatever it held.
  for (size_t j = 0; j < line.percorso.size(); ++j) {
    const uint8_t before = line.percorso[j].tipo;
    if (before == kSpeedBoard || before == kSignBoard) {
      FUZZ_CHECK(model.percorso[j].tipo == before || model.percorso[j].tipo == kStationStop);
    }
  }
  return 0;
}
