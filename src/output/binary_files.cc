#include "output/binary_files.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <type_traits>

#include "compiler/fixed_width.h"

namespace binario {

namespace {

static_assert(kTrainRecord.max_nome == 0xFFFF);

// Bytes collected before they are handed to the file in one write.
constexpr size_t kChunkSize = 512 * 1024;
static_assert(kTrainRecord.size(kTrainRecord.max_nome) <= kChunkSize);

// Collects records into a large buffer and writes it out whenever the next
// record would not fit, so a file takes a handful of writes however many
// fields it has. Only one chunk is ever held.
class ChunkWriter {
 public:
  // The buffer is left uninitialised: a small file touches only the pages it
  // fills, not the whole chunk.
  explicit ChunkWriter(ByteSink& out)
      : out_(out), buffer_(std::make_unique_for_overwrite<unsigned char[]>(kChunkSize)) {}
  ChunkWriter(const ChunkWriter&) = delete;
  ChunkWriter& operator=(const ChunkWriter&) = delete;

  // Room for the next `n` bytes (n <= kChunkSize).
  unsigned char* take(size_t n) {
    if (used_ + n > kChunkSize) flush();
    unsigned char* p = buffer_.get() + used_;
    used_ += n;
    return p;
  }
  void flush() {
    if (used_ > 0) out_.write(buffer_.get(), used_);
    used_ = 0;
  }
  // Bytes that still fit before the next flush.
  size_t room() const { return kChunkSize - used_; }

 private:
  ByteSink& out_;
  std::unique_ptr<unsigned char[]> buffer_;
  size_t used_ = 0;
};

// Stores the low `width` bytes of `value`, least significant first.
template <typename T>
void put_le(unsigned char* at, size_t width, T value) {
  static_assert(std::is_integral_v<T>);
  const uint64_t bits = static_cast<uint64_t>(value);  // two's complement for negatives
  for (size_t b = 0; b < width; ++b) at[b] = static_cast<unsigned char>(bits >> (8 * b));
}

// Stores every field of `layout` from `record` into the bytes at `at`.
template <typename Layout, typename Record>
void put_fields(unsigned char* at, const Layout& layout, const Record& record) {
  layout.for_each([&](const auto& f) { put_le(at + f.offset, f.kSize, f.of(record)); });
}

size_t nome_bytes(const VoceTreno& voce) {
  return std::min(voce.nome.size(), kTrainRecord.max_nome);
}

// Stores the low W bytes of `value`, least significant first: on a
// little-endian machine they are the first W bytes of its image, one store.
template <size_t W>
void put_le_fixed(unsigned char* at, uint64_t value) {
  static_assert(W <= sizeof value);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(at, &value, W);
  } else {
    for (size_t b = 0; b < W; ++b) at[b] = static_cast<unsigned char>(value >> (8 * b));
  }
}

// The Doubles values[0 .. count - 1], tagged, a chunk at a time: a geometry
// holds up to a million of them in a row, so the per-value work is kept to
// the two stores.
void write_doubles(const double* values, size_t count, ChunkWriter& w) {
  constexpr size_t kValueSize = kTagSize + tagged_payload_size(Tag::kDouble);
  constexpr uint16_t kDoubleTag = static_cast<uint16_t>(Tag::kDouble);
  while (count > 0) {
    const size_t batch = std::min(count, w.room() / kValueSize);
    if (batch == 0) {
      w.flush();
      continue;
    }
    unsigned char* p = w.take(batch * kValueSize);
    for (size_t i = 0; i < batch; ++i, p += kValueSize) {
      put_le_fixed<kTagSize>(p, kDoubleTag);
      put_le_fixed<8>(p + kTagSize, std::bit_cast<uint64_t>(values[i]));
    }
    values += batch;
    count -= batch;
  }
}

// One coordinate's run of tagged values, points 0 .. last: the seed's
// Integers, the Doubles the geometry makes again block by block as they are
// written, then the empty values.
template <int kCoordinate>
void write_coordinate(const Linea& linea, ChunkWriter& w) {
  constexpr size_t kBlock = 2048;
  const size_t n = linea.points();
  const size_t filled = std::min(linea.filled(), n);
  std::array<double, kBlock> xs;
  std::array<double, kBlock> ys;
  Linea::Walker walker(linea);
  size_t k = 0;
  while (k < filled) {
    const size_t made = walker.next(xs.data(), ys.data(), std::min(kBlock, filled - k));
    if (made == 0) break;  // cannot happen: the walker makes filled() points
    const double* values = kCoordinate == 0 ? xs.data() : ys.data();
    size_t i = 0;
    for (; i < made && linea.tag(k) == Tag::kInteger; ++i, ++k) {
      unsigned char* at = w.take(kTagSize + tagged_payload_size(Tag::kInteger));
      put_le(at, kTagSize, static_cast<uint16_t>(Tag::kInteger));
      put_le(at + kTagSize, 2, low16(nearest(values[i])));
    }
    write_doubles(values + i, made - i, w);
    k += made - i;
  }
  while (k < n) {
    const size_t batch = std::min(n - k, w.room() / kTagSize);
    if (batch == 0) {
      w.flush();
      continue;
    }
    std::memset(w.take(batch * kTagSize), 0, batch * kTagSize);
    k += batch;
  }
}

}  // namespace

size_t geometry_file_size(const Linea& linea) {
  const size_t n = linea.points();
  const size_t filled = std::min(linea.filled(), n);
  const size_t integers = std::min<size_t>(filled, 2);
  const size_t total = n * kTagSize + integers * tagged_payload_size(Tag::kInteger) +
                       (filled - integers) * tagged_payload_size(Tag::kDouble);
  return 2 * total;
}

size_t train_record_size(const VoceTreno& voce) {
  return kTrainRecord.size(nome_bytes(voce));
}

void write_geometry_file(const Linea& linea, ByteSink& out) {
  ChunkWriter w(out);
  write_coordinate<0>(linea, w);
  write_coordinate<1>(linea, w);
  w.flush();
}

void write_train_table_file(const std::array<VoceTreno, kTrenoEntries>& treno, ByteSink& out) {
  static_assert(kTrenoEntries == kTrainTableRecords);
  constexpr const TrainRecordLayout& r = kTrainRecord;
  ChunkWriter w(out);
  for (const VoceTreno& v : treno) {
    // A name longer than the length word can say is cut to 65,535 bytes, so
    // the length word and the bytes that follow it always agree.
    const size_t n = nome_bytes(v);
    unsigned char* head = w.take(r.size(n));
    put_fields(head, kTrainHeadFields, v);
    put_le(head + r.nome_length.offset, r.nome_length.size, static_cast<uint16_t>(n));
    std::copy_n(v.nome.data(), n, head + r.head_size);
    put_fields(head + r.head_size + n, kTrainTailFields, v);
  }
  w.flush();
}

void write_cells_file(const std::vector<Cella>& percorso, ByteSink& out) {
  ChunkWriter w(out);
  for (const Cella& c : percorso) put_fields(w.take(kCellRecordSize), kCellFields, c);
  w.flush();
}

std::vector<BinaryImage> images_to_write(bool with_geometry) {
  if (with_geometry) return {BinaryImage::kGeometry, BinaryImage::kTrainTable, BinaryImage::kCells};
  return {BinaryImage::kTrainTable, BinaryImage::kCells};
}

void write_image(BinaryImage image, const TrackModel& model, ByteSink& out) {
  switch (image) {
    case BinaryImage::kGeometry:
      write_geometry_file(model.linea, out);
      return;
    case BinaryImage::kTrainTable:
      write_train_table_file(model.treno, out);
      return;
    case BinaryImage::kCells:
      write_cells_file(model.percorso, out);
      return;
  }
}

}  // namespace binario
