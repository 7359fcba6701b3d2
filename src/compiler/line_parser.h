// Reads a line description into the track model: sizes the cells and the
// geometry, fills the reserved `treno` entries, the gradients, the plan
// geometry, the mountain spans, the speed boards and the sign boards.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compiler/description_parser.h"
#include "compiler/diagnostics.h"
#include "compiler/field_reader.h"
#include "compiler/records.h"
#include "compiler/track_model.h"

namespace binario {

// Change of heading per metre of the six curve classes (class digits 1 to 6).
inline constexpr std::array<double, 6> kCurveClassCurvature = {0.0001, 0.0002, 0.0004,
                                                               0.001,  0.002,  0.003};

class LineParser : private DescriptionParser {
 public:
  using DescriptionParser::record_into;
  // Comments in a row the general section passes over before a keyword.
  static constexpr int kGeneralComments = 10;
  // `file` names the text in diagnostics. `calcola_linea`: build the geometry.
  LineParser(TrackModel& model, Status& status, FieldReader& reader, std::string file,
             bool calcola_linea);
  // The curves are still read and checked (with calcola_linea), but no
  // point of the geometry is computed: the model's geometry stays empty.
  void skip_geometry_points() { geometry_points_ = false; }

  enum class Outcome {
    kReadTrain,  // the end of the text, or a position beyond the model (15): go on
    kStopped,    // refused (1, 3, 4, 5, 6, 10, 21, 102, 103): the train is not read
  };

  // Parses the whole text. Throws ReadFailure for a read failure (status 25
  // is recorded by the caller), including a general section that ends without
  // a usable line length.
  Outcome parse();

 private:
  Outcome parse_text();
  // Writes the mountain kinds of the spans read so far into the cells.
  void settle_model() override;
  bool find_general_section();
  Outcome read_general_section();
  // Reads the rows whose keyword `kw` holds; kEndSection at the header that
  // closes the section.
  Step read_general_row(const Field& kw);
  // Reads one row of `kind`; false when it refuses the description.
  bool read_general_record(RecordKind kind, const Field& kw);
  // The rows of the general section. The line length sizes the model (false,
  // status 1, when above the longest line); the signal repetition is false
  // (status 3, 4 or 5) when refused.
  bool read_line_length(const Field& kw);
  // Reads the chainage reference of `kind` into its `treno` entry.
  void read_chainage_reference(const Field& kw, RecordKind kind);
  bool read_signal_repetition(const Field& kw);
  // Reads the body records whose keyword `kw` holds; kEndSection for a
  // position beyond the model (15): the tails follow.
  Step read_body_record(const Field& kw);
  Step read_body(RecordKind kind, const Field& kw);

  Step pendenza(const Field& kw);
  Step curva(const Field& kw);
  Step montagna(const Field& kw);
  Step indicatori_v(const Field& kw);
  Step cartello(const Field& kw);

  // Stores a mountain span: the kind over its cells, markers when asked;
  // `origin` is the record the markers come from.
  void memo_montagna(int64_t inizio, int64_t fine, int64_t tipo, CellOrigin origin);
  // Places the markers of a span in every fourth cell from `start` to `to`
  // that holds no object.
  void place_mountain_markers(int64_t start, int64_t to, CellOrigin origin);
  // Places a speed board; false (status 21 recorded) when its cell is taken.
  // Warns about speeds and stripe counts a speed board cannot keep as given.
  void warn_board_values(const Field& kw, const std::array<int32_t, 6>& speeds, int16_t strisces,
                         int16_t strisced);
  bool memo_indicatori_v_max(const Field& kw, int32_t posizione, int32_t vas, int32_t vbs,
                             int32_t vcs, int16_t strisces, int32_t vad, int32_t vbd, int32_t vcd,
                             int16_t strisced);

  // Computes the geometry points k_ .. `end` (those the geometry holds), by
  // rotation with `kappa` or by straight continuation. With `capped`, false
  // (status 103 recorded) when the point counter passes 1,000,000.
  bool extend_geometry(const Field* kw, int64_t end, bool rotate, double kappa, bool capped);
  void fill_gradient_cell();
  void fill_tails();

  bool calcola_linea_;
  bool geometry_points_ = true;

  // Where each chainage reference (tre, due, uno) was read, for a failure
  // while sorting them.
  TextPosition chainage_where_[3];

  // Body state.
  int32_t gradient_ = 0;       // gradient in force
  int64_t next_gradient_ = 0;  // next cell to receive a gradient
  int64_t k_ = 2;              // next geometry point
  int32_t board_slot_ = kFirstBoardSlot;
  int64_t numero_montagne_ = 0;
  int64_t fine_montagna_precedente_ = 0;

  // Each span's kind overwrites the kinds of the spans before it, so a text
  // of spans over the whole line would write every cell once per span. The
  // spans are kept in the order read and their kinds written by
  // settle_model(), last span first, each cell once.
  struct MountainSpan {
    int64_t from, to;  // cells, inside the track
    uint8_t kind;
  };
  std::vector<MountainSpan> mountain_spans_;
  // The markers' cells in the same way: a cell that holds an object never
  // becomes free while the line is read, so marker_next_[j] leads, four
  // cells at a time, to the next cell after j (or j itself) that a marker may
  // still find free. Empty until the first span with markers.
  std::vector<int64_t> marker_next_;
};

// Rearranges the chainage references in `treno` entries 81 to 83.
void progressive_ordina(TrackModel& model);

}  // namespace binario
