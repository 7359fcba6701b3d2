// Reads a train description into the track model: speed limits and adhesion
// over the cells, signals, slowdowns, speed-code points and stations, the
// train's parameters into the reserved `treno` entries.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "compiler/description_parser.h"
#include "compiler/diagnostics.h"
#include "compiler/field_reader.h"
#include "compiler/records.h"
#include "compiler/track_model.h"

namespace binario {

class TrainParser : private DescriptionParser {
 public:
  using DescriptionParser::record_into;
  using DescriptionParser::set_line_file;
  // The model must already be built by the line parser.
  TrainParser(TrackModel& model, Status& status, FieldReader& reader, std::string file);

  // Parses the whole text, including the end-of-file steps where they are
  // reached. Throws ReadFailure for a read failure (status 25 is recorded by
  // the caller).
  void parse();

 private:
  // The eleven values of a signal record.
  struct Segnale {
    int32_t posizione = 0;
    int32_t sx = 0;
    int32_t s1 = 0;
    int32_t s2 = 0;
    int32_t s3 = 0;
    int32_t rapp = 0;
    int32_t dx = 0;
    int32_t d1 = 0;
    int32_t d2 = 0;
    int32_t d3 = 0;
    int32_t tempo = 0;
  };

  // The six values of a slowdown record.
  struct Rallentamento {
    int32_t x = 0;  // start
    int32_t v = 0;  // speed, km/h
    int32_t l = 0;  // length
    int32_t f_tt = 0;
    int32_t f_ta = 0;
    int32_t d_v = 0;
  };

  // A placement that memo_segnale or memo_rallentamento refused.
  struct Refusal {
    int32_t code;
    std::string detail;
    int64_t cell;  // the taken cell
  };

  // Reads the records whose keyword `kw` holds; kEndSection for a position
  // beyond the model (15): the end-of-file steps follow.
  Step read_record(const Field& kw);
  Step read_one(RecordKind kind, const Field& kw);

  Step velocita(const Field& kw);
  Step aderenza(const Field& kw);
  Step segnale(const Field& kw);
  Step rallentamento(const Field& kw);
  Step abbattimento(const Field& kw);
  Step stazione(const Field& kw);

  // The steps of a station record, in order. Each that can end the record
  // records its fault and says so.
  // False (status 10) when station `n` would take a sign-board text's entry.
  bool station_entry_free(const Field& kw, int64_t n);
  // Reads the position; the step to take when it is out of range (15) or not
  // a multiple of 50 (8).
  std::optional<Step> read_station_position(const Field& kw, VoceTreno& e);
  // Reads the kind, the length (false, status 9, when not a multiple of
  // 100) and every value up to the name into `e`.
  bool read_station_values(const Field& kw, VoceTreno& e, int64_t* length);
  // The extent of the station by its kind, stored in `e`.
  StationExtent station_extent(const Field& kw, VoceTreno& e, int64_t length);
  // Marks the repetition cells before the stop and places the stop cell of
  // station `n`; the step to take when it lies beyond the model (15) or at
  // metre 100 or before (24).
  std::optional<Step> place_station_stop(const Field& kw, const VoceTreno& e, int64_t n,
                                         int64_t fine);
  // False (status 22) when station `n` begins less than 350 m after the
  // previous one ends.
  bool far_enough_from_previous_station(const Field& kw, const VoceTreno& e, int64_t n,
                                        int64_t inizio);
  // Moves on to the next station's entry; stops (status 10) when it would
  // be the last free one.
  Step next_station(const Field& kw, int64_t n);

  // Places a signal on a free cell with its approach marks; may raise `s.tempo`.
  // `origin` is the record it comes from.
  std::optional<Refusal> memo_segnale(Segnale& s, CellOrigin origin);
  // Places a slowdown's warning, start, end and countdown cells.
  std::optional<Refusal> memo_rallentamento(Rallentamento& r, CellOrigin origin);
  // After a signal or slowdown: records the refusal, or repeats a fault still
  // standing from the line stage, at the record's position. True when the
  // description stops here.
  bool stops_after_memo(const Field& kw, int32_t position, const std::optional<Refusal>& refusal,
                        const char* what);

  void end_of_file_steps();
  // The speed cell value of `previous_speed_`; throws ReadFailure when its
  // fifth does not fit a byte.
  uint8_t speed_cell_value() const;
  void fill_speed(int64_t j);
  void fill_adhesion(int64_t j);

  Cella& cell(int64_t j) { return model_.percorso[static_cast<size_t>(j)]; }
  int64_t speed_cursor_ = 0;
  int64_t previous_speed_ = 0;
  TextPosition previous_speed_where_;  // the record that set previous_speed_
  int64_t adhesion_cursor_ = 0;
  int64_t previous_adhesion_ = 0;
  int64_t station_number_ = 1;
};

}  // namespace binario
