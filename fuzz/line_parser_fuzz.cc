// The line parser over arbitrary text, once without and once with the plan
// geometry. Whatever the text, the parse ends with a status code of the line
// parser or a read failure, and the model it leaves has the size its line
// length says.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compiler/diagnostics.h"
#include "compiler/field_reader.h"
#include "compiler/line_parser.h"
#include "compiler/track_model.h"
#include "fuzz_check.h"

namespace {

using namespace binario;

bool is_line_code(int32_t code) {
  switch (code) {
    case 1:
    case 3:
    case 4:
    case 5:
    case 6:
    case 10:
    case 15:
    case 21:
    case 102:
    case 103:
      return true;
    default:
      return false;
  }
}

void check_model(const TrackModel& model, bool geometry, bool finished) {
  if (!model.built()) {
    FUZZ_CHECK(!model.linea.allocated());
    return;
  }
  const int32_t length = model.treno[kTrainParameters].fine;
  FUZZ_CHECK(length <= kMaxLineLength);
  FUZZ_CHECK(model.lunghezza_totale == length + kRunOut);
  FUZZ_CHECK(static_cast<int64_t>(model.percorso.size()) == last_cell_for_length(length) + 1);
  FUZZ_CHECK(model.numero_cartelli >= 0 && model.numero_cartelli <= kFirstBoardSlot);
  for (const Cella& c : model.percorso) {
    FUZZ_CHECK(c.tipo == kNone || c.tipo == kSpeedBoard || c.tipo == kMountainMarker ||
               c.tipo == kSignBoard);
    if (c.tipo == kSignBoard) {
      FUZZ_CHECK(c.valore1 > kFirstBoardSlot - model.numero_cartelli);
      FUZZ_CHECK(c.valore1 <= kFirstBoardSlot);
    }
  }
  FUZZ_CHECK(model.linea.allocated() == geometry);
  if (geometry) {
    FUZZ_CHECK(model.linea.last() == model.lunghezza_totale);
    FUZZ_CHECK(model.linea.filled() <= model.linea.points());
    // Once the body is read, the straight tail runs to two points before the end.
    if (finished) FUZZ_CHECK(model.linea.filled() + 2 >= model.linea.points());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (bool geometry : {false, true}) {
    TrackModel model;
    Status status;
    FieldReader reader(text);
    LineParser parser(model, status, reader, "line.txt", geometry);
    bool finished = false;
    try {
      finished = parser.parse() == LineParser::Outcome::kReadTrain;
      // Going on to the train needs a model.
      if (finished) FUZZ_CHECK(model.built());
    } catch (const ReadFailure& failure) {
      FUZZ_CHECK(failure.where().line >= 1 && failure.where().column >= 1);
    }
    for (const Diagnostic& d : status.diagnostics()) {
      FUZZ_CHECK(is_line_code(d.code));
      FUZZ_CHECK(d.location && d.location->file == "line.txt");
      FUZZ_CHECK(d.location->line >= 1 && d.location->column >= 1);
    }
    check_model(model, geometry, finished);
  }
  return 0;
}
