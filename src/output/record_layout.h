// The byte layout of the records of the binary files, as one table per
// record: each field's name, the model member it holds and its width in
// bytes, in file order. Offsets follow from the widths (the records are
// packed). The writers, the decoders, `dump` and the tests all walk these
// tables, so the files, their decoding and their display cannot disagree.
#pragma once

#include <cstddef>
#include <cstdint>
#include <tuple>
#include <type_traits>

#include "compiler/track_model.h"

namespace binario {

// Where one field sits in a record, and how many bytes it takes.
struct FieldSpan {
  size_t offset;
  size_t size;
  constexpr size_t end() const { return offset + size; }
};

namespace layout_detail {
template <typename T>
struct MemberOf;
template <typename R, typename V>
struct MemberOf<V R::*> {
  using Record = R;
  using Value = V;
};
}  // namespace layout_detail

// One field of a record: the member `Member` of the model's record, stored
// in `Bytes` little-endian bytes (two's complement when the member is
// signed). The width is the member's own: a model type that changed width
// would change the file, so the table states it and the build checks it.
template <auto Member, size_t Bytes>
struct LayoutField {
  using Record = typename layout_detail::MemberOf<decltype(Member)>::Record;
  using Value = typename layout_detail::MemberOf<decltype(Member)>::Value;
  static_assert(std::is_integral_v<Value>, "a layout field holds an integer");
  static_assert(sizeof(Value) == Bytes, "a layout field is as wide as its model member");
  static constexpr size_t kSize = Bytes;

  const char* name;  // the model's name of the field
  size_t offset;     // from the start of its part of the record

  constexpr FieldSpan span() const { return {offset, kSize}; }
  static const Value& of(const Record& r) { return r.*Member; }
  static Value& of(Record& r) { return r.*Member; }
};

// The fields of one packed part of a record, in file order.
template <typename... Fields>
struct RecordLayout {
  std::tuple<Fields...> fields;
  size_t size;  // bytes of the part: the sum of its fields' widths

  // Calls `f(field)` for every field, in file order.
  template <typename F>
  constexpr void for_each(F&& f) const {
    std::apply([&f](const Fields&... field) { (f(field), ...); }, fields);
  }
  // The tuple of `record`'s members, in file order.
  template <typename Record>
  auto values(const Record& record) const {
    return std::apply(
        [&record](const Fields&... field) { return std::make_tuple(field.of(record)...); }, fields);
  }
};

// A table row: the member, its width and its name.
template <auto Member, size_t Bytes>
struct Named {
  const char* name;
};
template <auto Member, size_t Bytes>
constexpr Named<Member, Bytes> field(const char* name) {
  return {name};
}

// The fields in the order given, each one starting where the one before it ends.
template <auto... Members, size_t... Bytes>
constexpr RecordLayout<LayoutField<Members, Bytes>...> packed(Named<Members, Bytes>... rows) {
  size_t offset = 0;
  const auto next = [&offset](size_t size) {
    const size_t at = offset;
    offset += size;
    return at;
  };
  // A braced list is evaluated left to right, so the offsets follow the order.
  std::tuple<LayoutField<Members, Bytes>...> fields{
      LayoutField<Members, Bytes>{rows.name, next(Bytes)}...};
  return {fields, offset};
}

// A `Cella` as a fixed 15-byte record of the track cells file.
inline constexpr auto kCellFields =
    packed(field<&Cella::tipo, 1>("tipo"), field<&Cella::valore1, 2>("valore1"),
           field<&Cella::valore2, 2>("valore2"), field<&Cella::valore3, 2>("valore3"),
           field<&Cella::valore4, 2>("valore4"), field<&Cella::tempo, 1>("tempo"),
           field<&Cella::ripetizione, 1>("ripetizione"), field<&Cella::montagna, 1>("montagna"),
           field<&Cella::velocita, 1>("velocita"), field<&Cella::pendenza, 1>("pendenza"),
           field<&Cella::aderenza, 1>("aderenza"));
inline constexpr size_t kCellRecordSize = kCellFields.size;
static_assert(kCellRecordSize == 15);

// A `VoceTreno` as a record of the train table file: the head fields, the
// name's length word (unsigned), the name's bytes (as many as the length word
// says), then the tail fields. Tail offsets count from the first byte after
// the name.
inline constexpr auto kTrainHeadFields =
    packed(field<&VoceTreno::tipo, 1>("tipo"), field<&VoceTreno::inizio, 4>("inizio"),
           field<&VoceTreno::fine, 4>("fine"), field<&VoceTreno::posizione, 4>("posizione"),
           field<&VoceTreno::tps, 1>("tps"));
inline constexpr auto kTrainTailFields =
    packed(field<&VoceTreno::dato1, 2>("dato1"), field<&VoceTreno::dato2, 2>("dato2"),
           field<&VoceTreno::dato3, 2>("dato3"), field<&VoceTreno::dato4, 2>("dato4"),
           field<&VoceTreno::dato5, 2>("dato5"), field<&VoceTreno::opz1, 1>("opz1"),
           field<&VoceTreno::opz2, 1>("opz2"), field<&VoceTreno::opz3, 1>("opz3"),
           field<&VoceTreno::opz4, 1>("opz4"), field<&VoceTreno::orario, 4>("orario"));

struct TrainRecordLayout {
  FieldSpan nome_length{kTrainHeadFields.size, 2};
  size_t head_size = nome_length.end();
  size_t tail_size = kTrainTailFields.size;
  // The longest name the length word can describe; longer names are cut to it.
  size_t max_nome = 0xFFFF;

  constexpr size_t size(size_t nome_bytes) const { return head_size + nome_bytes + tail_size; }
};
inline constexpr TrainRecordLayout kTrainRecord{};
inline constexpr size_t kTrainTableRecords = kTrenoEntries;
static_assert(kTrainRecord.size(0) == 34);

// Every member of a record, in file order (the name between head and tail),
// as one tuple: for comparing a record with another field by field.
inline auto record_values(const Cella& c) {
  return kCellFields.values(c);
}
inline auto record_values(const VoceTreno& v) {
  return std::tuple_cat(kTrainHeadFields.values(v), std::make_tuple(v.nome),
                        kTrainTailFields.values(v));
}

}  // namespace binario
