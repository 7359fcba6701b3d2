#include "compiler/compile.h"

#include "compiler/cancellable_compile.h"

#include "compiler/competition_codes.h"
#include "compiler/encoding_warnings.h"
#include "compiler/field_reader.h"
#include "compiler/line_index.h"
#include "compiler/line_parser.h"
#include "compiler/meaning_checks.h"
#include "compiler/short_records.h"
#include "compiler/signal_codes.h"
#include "compiler/train_parser.h"

namespace binario {

namespace {

// What stands in a reserved slot the markers or codes need: the table's
// field of entry 85 or the named field of cell 1, with what placed it there.
std::string reserved_slot_detail(const TrackModel& model, const char* stamp,
                                 const char* entry_field, int32_t entry_value,
                                 const char* cell_field, int16_t cell_value) {
  std::string found;
  if (entry_value != 0) {
    found =
        "treno entry 85 " + std::string(entry_field) + " holding " + std::to_string(entry_value);
  } else {
    found = "cell 1 " + std::string(cell_field) + " holding " + std::to_string(cell_value);
    if (model.in_cells(1) && model.percorso[1].tipo != kNone) {
      found += ", set by " + model.occupant(1, Placer::kUnknown);
    }
  }
  return "expected treno entry 85 " + std::string(entry_field) + " and cell 1 " + cell_field +
         " empty for " + stamp + ", found " + found;
}

// The fault that ends the reading of a description that could not be read.
ReadFailure unreadable(const SourceText& source) {
  return ReadFailure("cannot open the file: " + *source.unreadable, TextPosition{0, 0});
}

// Between the steps of a compile: the parsers look at the flag as they read,
// the steps after them do not.
void stop_if_cancelled(const std::atomic<bool>* cancel) {
  if (cancel && cancel->load(std::memory_order_relaxed)) throw CompileCancelled();
}

// Runs both parsers; a read failure is recorded as status 25 at the text
// being read.
void parse_descriptions(const CompileInput& input, const std::atomic<bool>* cancel,
                        CompileResult& result) {
  TrackModel& model = result.model;
  model.treno[kScenarioEntry].nome = input.model_name;
  model.treno[kTrainEntry].nome = input.model_number;

  if (input.line.missing) {
    result.status.fault(101, std::nullopt, SourceLocation{input.line.name, 0, 0});
    return;
  }
  const SourceText* reading = &input.line;
  result.texts_read = TextsRead::kLine;
  try {
    if (input.line.unreadable) throw unreadable(input.line);
    result.status.begin_description();
    warn_utf8_text(input.line.text, input.line.name, result.status);
    stop_if_cancelled(cancel);
    FieldReader line_reader(input.line.text);
    line_reader.cancel_when(cancel);
    LineParser line_parser(model, result.status, line_reader, input.line.name, input.with_geometry);
    if (!input.geometry_points) line_parser.skip_geometry_points();
    if (result.records) line_parser.record_into(&result.records->line);
    if (line_parser.parse() == LineParser::Outcome::kStopped) return;

    reading = &input.train;
    result.texts_read = TextsRead::kBoth;
    if (input.train.unreadable) throw unreadable(input.train);
    result.status.begin_description();
    warn_utf8_text(input.train.text, input.train.name, result.status);
    stop_if_cancelled(cancel);
    FieldReader train_reader(input.train.text);
    train_reader.cancel_when(cancel);
    TrainParser train_parser(model, result.status, train_reader, input.train.name);
    train_parser.set_line_file(input.line.name);
    if (result.records) train_parser.record_into(&result.records->train);
    train_parser.parse();
  } catch (const ReadFailure& failure) {
    result.texts_read = TextsRead::kBoth;
    // The text of the line is looked up in the text that was being read; an
    // unreadable text has none.
    const std::string_view text = reading->unreadable ? std::string_view() : reading->text;
    // A record that ran short of values on its line is named at its own
    // line; the fault at the line its read ran into points back at it. Only
    // the line's general section fails this far out with its records kept.
    std::optional<RelatedLocation> record;
    if (result.records && !reading->unreadable) {
      DescriptionRead& read = reading == &input.line ? result.records->line : result.records->train;
      const LineIndex lines(text);
      record = warn_record_ran_short(
          read, failure, {reading->name, lines, LineParser::kGeneralComments}, result.status);
      // The field the read stopped at, for the tools, when it lies on one line.
      const std::optional<TextPosition> last = failure.last();
      if (last && last->line == failure.where().line && failure.where().column > 0) {
        const std::string_view line = text_line(text, failure.where().line).value_or("");
        const size_t from = static_cast<size_t>(failure.where().column - 1);
        const size_t length = static_cast<size_t>(last->column - failure.where().column + 1);
        if (last->column >= failure.where().column && from + length <= line.size()) {
          read.unreadable.push_back(
              read.field({failure.where().line, failure.where().column, last->line, last->column},
                         line.substr(from, length)));
        }
      }
    }
    result.status.fault(25, std::nullopt,
                        SourceLocation{reading->name, failure.where().line, failure.where().column},
                        failure.message(), text_line(text, failure.where().line));
    if (const std::optional<TextPosition> last = failure.last()) {
      result.status.extend_last({failure.where().column, last->line, last->column});
    }
    if (record) result.status.relate_last(*record);
  }
}

CompileResult compile_until(const CompileInput& input, const std::atomic<bool>* cancel) {
  CompileResult result;
  result.status.set_extras(input.extra_diagnostics);
  // The warnings about meaning read the records too.
  if (input.records_read || input.extra_diagnostics) result.records.emplace();
  // Kept only for the warnings, the list goes before the compile returns,
  // while the texts are still at hand: it points into them.
  if (result.records && (!input.records_read || input.records_borrow_texts)) {
    result.records->line.borrow_texts_of(input.line.text);
    result.records->train.borrow_texts_of(input.train.text);
  }
  // Said first: the faults of a swapped pair follow from it.
  if (input.extra_diagnostics) {
    check_pair_order({input.line.name, input.line.text}, {input.train.name, input.train.text},
                     result.status);
  }
  parse_descriptions(input, cancel, result);
  stop_if_cancelled(cancel);
  TrackModel& model = result.model;
  if (!model.built()) {
    result.end = CompileEnd::kModelNeverBuilt;
    if (!input.records_read) result.records.reset();
    return result;
  }

  place_signal_codes(model, result.status, {input.line.name, input.line.text},
                     {input.train.name, input.train.text});
  stop_if_cancelled(cancel);
  if (input.extra_diagnostics) {
    check_meaning(model, *result.records, {input.line.name, input.line.text},
                  {input.train.name, input.train.text}, result.status);
    if (input.more_checks) {
      input.more_checks(model, *result.records, {input.line.name, input.line.text},
                        {input.train.name, input.train.text}, result.status);
    }
  }
  if (!input.records_read) result.records.reset();

  switch (stamp_reserved_slots(model)) {
    case StampResult::kStamped:
      break;
    case StampResult::kFirstSlotTaken:
      result.status.fault(
          1250, std::nullopt, std::nullopt,
          reserved_slot_detail(model, "the markers", "dato1", model.treno[kScenarioEntry].dato1,
                               "valore1", model.in_cells(1) ? model.percorso[1].valore1 : 0));
      result.end = CompileEnd::kSlotTaken;
      break;
    case StampResult::kSecondSlotTaken:
      result.status.fault(1251, std::nullopt, std::nullopt,
                          reserved_slot_detail(model, "the competition codes", "orario",
                                               model.treno[kScenarioEntry].orario, "valore2",
                                               model.in_cells(1) ? model.percorso[1].valore2 : 0));
      result.end = CompileEnd::kSlotTaken;
      break;
  }
  return result;
}

}  // namespace

CompileResult compile(const CompileInput& input) {
  return compile_until(input, nullptr);
}

CompileResult compile(const CompileInput& input, const std::atomic<bool>& cancel) {
  return compile_until(input, &cancel);
}

}  // namespace binario
