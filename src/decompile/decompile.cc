#include "decompile/decompile.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "compiler/compile.h"
#include "decompile/records.h"
#include "decompile/render.h"
#include "output/binary_decoders.h"
#include "output/byte_sink.h"
#include "output/record_layout.h"

namespace binario {

namespace {

// The unsigned little-endian number of `span` in the record at `record`, or
// nothing when the bytes do not reach it.
std::string field_value(std::string_view bytes, size_t record, FieldSpan span) {
  if (record + span.end() > bytes.size()) return "nothing";
  uint64_t v = 0;
  for (size_t i = span.size; i-- > 0;) {
    v = (v << 8) | static_cast<unsigned char>(bytes[record + span.offset + i]);
  }
  return std::to_string(v);
}

// "valore2: the compile gives 0 where the file holds 5", for the field of
// `layout` that byte `at` of the record at `record` belongs to.
template <typename Layout>
std::string in_record(const Layout& layout, size_t record, size_t at, std::string_view file,
                      std::string_view compiled) {
  std::string out = "past its last field";
  bool found = false;
  layout.for_each([&](const auto& f) {
    const FieldSpan span = f.span();
    if (found || at < record + span.offset || at >= record + span.end()) return;
    found = true;
    out = std::string(f.name) + ": the compile gives " + field_value(compiled, record, span) +
          " where the file holds " + field_value(file, record, span);
  });
  return out;
}

std::string where_cells(size_t at, std::string_view file, std::string_view compiled) {
  const size_t index = at / kCellRecordSize;
  return "cell " + std::to_string(index) + ", " +
         in_record(kCellFields, index * kCellRecordSize, at, file, compiled);
}

std::string where_train_table(size_t at, std::string_view file, std::string_view compiled) {
  size_t record = 0;
  for (size_t entry = 0; entry < kTrainTableRecords; ++entry) {
    if (record + kTrainRecord.head_size > file.size()) break;
    const size_t n = static_cast<unsigned char>(file[record + kTrainRecord.nome_length.offset]) |
                     static_cast<size_t>(static_cast<unsigned char>(
                         file[record + kTrainRecord.nome_length.offset + 1]))
                         << 8;
    const size_t end = record + kTrainRecord.size(n);
    if (at < end) {
      std::string out = "treno entry " + std::to_string(entry) + ", ";
      if (at < record + kTrainRecord.nome_length.offset) {
        return out + in_record(kTrainHeadFields, record, at, file, compiled);
      }
      if (at < record + kTrainRecord.head_size) return out + "length of nome";
      if (at < record + kTrainRecord.head_size + n) return out + "nome";
      return out +
             in_record(kTrainTailFields, record + kTrainRecord.head_size + n, at, file, compiled);
    }
    record = end;
  }
  return "after the last treno entry";
}

std::string where_geometry(size_t at, std::string_view file) {
  size_t pos = 0;
  size_t index = 0;
  while (pos + kTagSize <= file.size()) {
    const unsigned tag = static_cast<unsigned char>(file[pos]) |
                         (static_cast<unsigned>(static_cast<unsigned char>(file[pos + 1])) << 8);
    const size_t end = pos + kTagSize + tagged_payload_size(static_cast<Tag>(tag));
    if (at < end) return "value " + std::to_string(index);
    pos = end;
    ++index;
  }
  return "after the last value";
}

// Compares what a writer streams into it with the bytes of a file as they
// come, so that the largest image is never held a second time.
class ComparingSink : public ByteSink {
 public:
  explicit ComparingSink(std::string_view expected) : expected_(expected) {}
  void write(const void* data, size_t size) override {
    if (same_) {
      const char* bytes = static_cast<const char*>(data);
      const size_t n = std::min(size, expected_.size() - std::min(expected_.size(), written_));
      same_ = n == size && std::memcmp(bytes, expected_.data() + written_, n) == 0;
    }
    written_ += size;
  }
  bool same() const { return same_ && written_ == expected_.size(); }

 private:
  std::string_view expected_;
  size_t written_ = 0;
  bool same_ = true;
};

std::optional<DecompileRefusal> compare(BinaryImage image, std::string_view file,
                                        std::string_view compiled) {
  const size_t common = std::min(file.size(), compiled.size());
  const size_t at = static_cast<size_t>(
      std::mismatch(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(common),
                    compiled.begin())
          .first -
      file.begin());
  if (at == file.size() && at == compiled.size()) return std::nullopt;
  std::string where;
  switch (image) {
    case BinaryImage::kCells:
      where = where_cells(at, file, compiled);
      break;
    case BinaryImage::kTrainTable:
      where = where_train_table(at, file, compiled);
      break;
    case BinaryImage::kGeometry:
      where = where_geometry(at, file);
      break;
  }
  std::string reason = "the decompiled pair does not compile back to the same bytes: " + where;
  if (at == common) {
    reason += " (the compile gives " + std::to_string(compiled.size()) + " bytes, the file has " +
              std::to_string(file.size()) + ")";
  }
  return DecompileRefusal{image, at, reason};
}

DecompileResult refused(std::optional<BinaryImage> image, std::optional<size_t> offset,
                        std::string reason) {
  DecompileResult r;
  r.refusal = {image, offset, std::move(reason)};
  return r;
}

// Why no field reads back as `text`, which holds a double quote: a field
// that starts with one is quoted and ends at the next one, and a field
// that does not is cut at a comma or a line end and loses its outer blanks.
std::string no_field_gives(std::string_view text) {
  const std::string why = text.front() == '"'
                              ? "starts with a double quote"
                              : "holds a double quote and also a comma, a line end or a blank at "
                                "either end";
  return " " + why +
         ": a quoted field ends at its next double quote, and an unquoted one cannot start "
         "with one, hold a comma or a line end, or keep a blank at either end, so no "
         "description gives this text";
}

std::vector<std::string> what_is_lost() {
  return {"Decompiled by binario from the binary files of a compiled scenario. Compiling",
          "this pair gives those files again byte for byte: binario compiled it and",
          "compared the bytes before writing it.",
          "The binary files do not keep: comments and blank lines; the spelling, case",
          "and order of the records; positions finer than a 50 m cell (each record",
          "stands at the start of the cell it acts from); speeds other than multiples",
          "of 5 km/h; bits a field does not store (8 or 16); records that change",
          "nothing, such as a repeated gradient or a speed-code point the signal-code",
          "pass would place anyway. Objects a station stop overwrote come back before",
          "that station, with a comment."};
}

}  // namespace

DecompileResult decompile(const BinaryImages& images) {
  std::vector<Cella> cells;
  auto treno = std::make_unique<std::array<VoceTreno, kTrenoEntries>>();
  std::optional<DecodedGeometry> geometry;
  DecodeError error;
  if (!decode_cells(images.cells, &cells, &error)) {
    return refused(BinaryImage::kCells, error.offset, "expected " + error.expected);
  }
  if (!decode_train_table(images.train_table, treno.get(), &error)) {
    return refused(BinaryImage::kTrainTable, error.offset, "expected " + error.expected);
  }
  if (images.geometry) {
    geometry.emplace();
    if (!decode_geometry(*images.geometry, &*geometry, &error)) {
      return refused(BinaryImage::kGeometry, error.offset, "expected " + error.expected);
    }
  }

  LineRecords line;
  TrainRecords train;
  if (std::optional<std::string> reason =
          recover_records(cells, *treno, geometry ? &*geometry : nullptr, &line, &train)) {
    return refused(std::nullopt, std::nullopt, *reason);
  }
  for (size_t i = 0; i < line.sign_boards.size(); ++i) {
    if (!text_value(line.sign_boards[i].text)) {
      return refused(BinaryImage::kTrainTable, std::nullopt,
                     "the sign-board text of treno entry " + std::to_string(kFirstBoardSlot - i) +
                         no_field_gives(line.sign_boards[i].text));
    }
  }
  for (size_t i = 0; i < train.stations.size(); ++i) {
    if (!text_value(train.stations[i].name)) {
      return refused(
          BinaryImage::kTrainTable, std::nullopt,
          "the name of station " + std::to_string(i + 1) + no_field_gives(train.stations[i].name));
    }
  }

  std::vector<std::string> line_summary = what_is_lost();
  line_summary.push_back("This line: " + std::to_string(line.gradients.size()) + " gradients, " +
                         std::to_string(line.curves.size()) + " curves, " +
                         std::to_string(line.speed_boards.size()) + " speed boards, " +
                         std::to_string(line.mountains.size()) + " mountain spans, " +
                         std::to_string(line.sign_boards.size()) + " sign boards" +
                         (geometry ? "." : "; no plan geometry, so no curves."));
  std::vector<std::string> train_summary = what_is_lost();
  train_summary.push_back(
      "This train: " + std::to_string(train.speeds.size()) + " speed limits, " +
      std::to_string(train.stations.size()) + " stations, " + std::to_string(train.signals.size()) +
      " signals, " + std::to_string(train.slowdowns.size()) + " slowdowns, " +
      std::to_string(train.code_points.size()) + " speed-code points (the signal-code pass adds " +
      std::to_string(train.pass_code_points) + ").");

  DecompiledPair pair;
  pair.model_name = (*treno)[kScenarioEntry].nome;
  pair.model_number = (*treno)[kTrainEntry].nome;
  pair.line_text = render_line(line, line_summary);
  pair.train_text = render_train(train, train_summary);

  CompileInput input;
  input.line = {pair.model_name + "_linea.txt", pair.line_text, std::nullopt, false};
  input.train = {pair.model_name + "_" + pair.model_number + "-.txt", pair.train_text, std::nullopt,
                 false};
  input.model_name = pair.model_name;
  input.model_number = pair.model_number;
  input.with_geometry = geometry.has_value();
  input.extra_diagnostics = false;
  const CompileResult result = compile(input);
  if (result.end != CompileEnd::kCompiled) {
    return refused(std::nullopt, std::nullopt,
                   "the decompiled pair does not compile (status " +
                       std::to_string(result.status.codice_errore()) + ")");
  }
  for (BinaryImage image : images_to_write(input.with_geometry)) {
    const std::string_view file = image == BinaryImage::kCells        ? images.cells
                                  : image == BinaryImage::kTrainTable ? images.train_table
                                                                      : *images.geometry;
    ComparingSink same(file);
    write_image(image, result.model, same);
    if (same.same()) continue;
    // Only a refusal needs the image itself, to say where it differs.
    StringSink sink;
    write_image(image, result.model, sink);
    if (std::optional<DecompileRefusal> r = compare(image, file, sink.bytes)) {
      return refused(r->image, r->offset, r->reason);
    }
  }
  DecompileResult done;
  done.pair = std::move(pair);
  return done;
}

}  // namespace binario
