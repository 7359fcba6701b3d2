// What the line and the train parser share: the model they fill, the status
// they record faults in, the reader they read from, and the checks every
// placement makes, each reporting its fault the same way.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "compiler/diagnostics.h"
#include "compiler/field_reader.h"
#include "compiler/records.h"
#include "compiler/records_read.h"
#include "compiler/track_model.h"

namespace binario {

// The keyword of `keywords` closest to `field` by edit distance (ignoring
// case and a trailing class digit), when it is close enough to be a likely
// misspelling; empty otherwise.
std::string_view closest_keyword(std::string_view field,
                                 std::span<const std::string_view> keywords);

// When a field at `field` follows, on its line, record `r` whose last value
// is a text (a station's name, a sign board's text) that was not quoted: the
// field is most likely the rest of that text, cut at a comma. "; …" saying
// to quote it (`source_line` is the text of the field's line), or empty.
std::string comma_in_text_hint(const RecordRead& r, TextPosition field,
                               std::string_view source_line);

class DescriptionParser {
 public:
  // What a record asks of the loop that reads the records.
  enum class Step {
    kGoOn,        // read the next record
    kEndSection,  // the section ends here: a position beyond the model (15) in the
                  // body, the header that closes the general section
    kStop,        // refused: nothing more is read
  };
  using RecordReader = std::function<Step(const Field& kw)>;

  // How the fields in keyword position of a section are read.
  struct Section {
    // Which section of the records table this is.
    RecordSection records;
    // Comment fields (those holding "-") in a row that are passed over before
    // a keyword; the next one is read as the keyword.
    int comments;
    // True when a field whose read reaches the end of the text is never read
    // as a keyword, a comment's replacement included; otherwise only the
    // first field is tested, and a run of comments that reaches the end fails
    // the read.
    bool last_field_unread;
    // True for a field some record of the section takes; any other is warned
    // about as ignored.
    bool (*takes)(std::string_view field);
    // The keywords a misspelt field is compared with.
    std::span<const std::string_view> keywords;
  };

 protected:
  // `file` names the text in diagnostics; `placer` is what the objects this
  // text places are said to be placed by.
  DescriptionParser(TrackModel& model, Status& status, FieldReader& reader, std::string file,
                    Placer placer);
  virtual ~DescriptionParser() = default;
  // Writes into the model what a parser keeps aside while it reads; called
  // before the model is saved at a stop and before the saved one is given
  // back.
  virtual void settle_model() {}

  // Records a fault at `where` in this text, with the text of its line.
  void fault(int32_t code, std::optional<int32_t> position, TextPosition where,
             const std::string& detail);
  // False, with status 15 recorded, when metre `p` leaves less than `margin`
  // metres before the last cell.
  bool range_check(const Field& kw, int64_t p, int64_t margin);
  // False, with status 15 recorded at metre `p`, when `what` would land in
  // cell `j` outside the cells; `at` is the metre of `what` itself (a
  // slowdown's end lies past its start), `p` when not given.
  bool cell_inside(const Field& kw, int64_t p, int64_t j, const std::string& what,
                   std::optional<int64_t> at = std::nullopt);
  // The origin recorded for an object placed by the record of `kw`.
  CellOrigin placed_by(const Field& kw) const {
    return {placer_, kw.where.line, -1, kw.where.column,
            kw.last.line == kw.where.line ? kw.last.column : kw.where.column};
  }

  // Records warning `name` at `where` in this text, with the text of its line
  // and the edit `fix` that would mend it.
  void warn(std::string_view name, TextPosition where, std::string message,
            std::optional<FixIt> fix = std::nullopt);
  // Gives the diagnostic just recorded the extent of the field at `where`,
  // when it is one the reader read lately.
  void mark_field(TextPosition where);
  // The edit that puts `replacement` in place of field `f` as it stands on
  // its line (with its quotes, when quoted); nothing for a field that runs
  // over a line end or to the end of the text in an unclosed quote.
  std::optional<FixIt> replace_field(const Field& f, std::string replacement) const;
  // Reads the next text field, warning about a quote that is never closed or
  // a quoted text that runs over line ends.
  Field next_field();
  // The values of a record, in the records table's order: the numbers, and
  // the text of its text value (a view into the description; 0 stands in
  // the numbers at its place).
  struct RecordNumbers {
    std::array<int64_t, 17> values{};
    std::string_view text;
    int64_t operator[](size_t i) const { return values[i]; }
    int32_t as_long(size_t i) const { return static_cast<int32_t>(values[i]); }
    int16_t as_integer(size_t i) const { return static_cast<int16_t>(values[i]); }
  };
  // Reads value `i` of a record of `kind` as its type and, when it cannot be
  // read, names it by its `what`. A text value is read as a field: its text
  // goes to `text` (when given) and 0 is returned.
  int64_t read_value(RecordKind kind, size_t i, std::string_view* text = nullptr);
  // Reads every value of a record of `kind` in the table's order. A record
  // whose checks stand between its values reads them one by one with
  // read_value, so a fault comes before the values after it are read.
  RecordNumbers read_numbers(RecordKind kind);
  // Warns about `kw`, which no keyword took: a misspelt keyword drops its
  // record without a fault. Comments, section headers and empty fields are
  // meant to be passed over and give none.
  void warn_ignored(const Field& kw, const Section& section);
  // Where an ignored field `kw` that names a record of another section or of
  // the other description belongs (mentioning an unclosed section header that
  // kept the general section open), said after "ignored field 'X': "; empty
  // for any other field.
  std::string belongs_elsewhere(const Field& kw, const Section& section) const;
  // Warns when `what` at metre `p` lies past the end of the line, in the
  // run-out the model adds after it.
  void warn_in_run_out(const Field& kw, int64_t p, const char* what);
  // Warns when the fixed-width store turned `value` into `stored`.
  void warn_changed(const Field& kw, int64_t value, int64_t stored, const char* what);
  // Gives the cell-clash fault just recorded the place its occupant came from:
  // a record of this text, or of the line description when its name is known.
  void relate_occupant(int64_t j);

 public:
  // Names the line description, so that a clash with an object it placed can
  // point at that object's record.
  void set_line_file(std::string name) { line_file_ = std::move(name); }
  // Keeps what is read from here on in `read` (nothing when null).
  void record_into(DescriptionRead* read);

 protected:
  // While it lives, the values read belong to one record of `kind` named by
  // `kw` in the list of what was read (when one is kept). The record is
  // complete when the scope ends without a read failure.
  class RecordScope {
   public:
    RecordScope(DescriptionParser& parser, RecordKind kind, const Field& kw);
    ~RecordScope();
    RecordScope(const RecordScope&) = delete;
    RecordScope& operator=(const RecordScope&) = delete;

   private:
    DescriptionParser& parser_;
    int exceptions_;
  };
  // Warns when the record just read, or the one whose read failed at
  // `failure`, took values from a line after its own; the place of the
  // latter, for the fault to name.
  void warn_if_run_on(const RecordRead& r);
  std::optional<RelatedLocation> warn_if_ran_short(const ReadFailure& failure);
  // Records a value that could not be read as status 25, naming the record
  // that ran short of values on its line when that is why.
  void fault_ran_short(const ReadFailure& failure);
  // Keeps the field a failed value read stopped at, for the tools.
  void keep_unreadable(const ReadFailure& failure);
  // Keeps `f` as a field in keyword position that no record read.
  void keep_ignored(const Field& f);
  // Keeps a field that no record reads in `list`, a run of empty ones as one.
  void keep_passed_over(std::deque<TextField>& list, const Field& f);
  // Keeps `f` as a section header / as a field before "[generale]".
  void note_header(const Field& f);
  void note_before_section(const Field& f);

 protected:
  // Reads the records of `section` up to the end of the text, handing each
  // keyword to `read_record`, or up to one whose record does not go on (its
  // keyword's place in `stopped_at`). The last field of the text is never
  // read as a keyword.
  Step read_records(const Section& section, TextPosition* stopped_at,
                    const RecordReader& read_record);
  // read_records, except that a value that cannot be read stops the
  // description with status 25 and the rest is read on for the diagnostics;
  // false then. Without extras the failure is passed on to the caller.
  bool read_records_or_stop(const Section& section, TextPosition* stopped_at,
                            const RecordReader& read_record, Step* step);
  // Reads on through the records of `section` after the description stopped
  // at `where`, for the diagnostics only: the model is saved first and given
  // back after, so nothing read later reaches it, and every fault and warning
  // meanwhile is marked as found after the stop. A read failure ends it.
  void read_after_stop(TextPosition where, const Section& section, const RecordReader& read_record);

  // While the general section is searched for: remembers the first field
  // that looks like a misspelt "[generale]", to point at when it is never
  // found.
  void look_for_misspelt_header(const Field& f);
  // "; line N holds 'TEXT': did you mean '[generale]'?" for the field
  // remembered, or empty.
  std::string misspelt_header_hint() const;
  std::optional<Field> misspelt_header_;
  // The first field of the line's general section that opens a section
  // header without closing it ("[pendenze"): the general section goes on.
  std::optional<Field> unclosed_header_;
  // The fields read_records has read as keywords that a record takes.
  int64_t records_read_ = 0;

  TrackModel& model_;
  Status& status_;
  FieldReader& reader_;
  std::string file_;

 private:
  // Reads the field in keyword position, passing over comments as `section`
  // says; empty when the field read reaches the end of the text first.
  std::optional<Field> next_keyword(const Section& section);

  // Hands the values read inside a RecordScope to the record kept last.
  class ValueKeeper : public FieldListener {
   public:
    DescriptionRead* read = nullptr;
    void value_read(const Field& f, std::optional<int64_t> number) override;
  };

  Placer placer_;
  DescriptionRead* read_ = nullptr;
  ValueKeeper keeper_;
  bool header_noted_ = false;
  // After a stop, the positions beyond the track past the first one, which
  // are told in one note (a line made too short puts every record after it
  // there), and the line of the first of them.
  int64_t beyond_left_out_ = 0;
  int first_beyond_left_out_ = 0;
  bool beyond_after_stop_ = false;
  // The comments in a row the section being read passes over.
  int comments_passed_ = 0;  // the field in keyword position was a section header
  // The line of the last ignored field warned about: the values after a
  // dropped keyword are not warned about again.
  int ignored_line_ = 0;
  std::string line_file_;
};

}  // namespace binario
