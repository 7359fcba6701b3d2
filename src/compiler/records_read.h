// What the compile read from the two descriptions, field by field, for the
// tools that show an author their own text: hover, the outline, semantic
// tokens, inlay hints, the warnings about meaning. It is the compiler's own
// reading — the same fields, the same comments, the same records — so a tool
// that reads this list never splits the text again and never disagrees with
// the compile.
//
// Asked for with CompileInput::records_read; CompileResult::records holds it.
// The default run does not ask, and the list changes nothing else: the model,
// the status pair and the diagnostics are the same with or without it.
//
// Places are 1-based lines and 1-based byte columns of the description's own
// bytes (Windows-1252 as the compile read them), counted the way the field
// reader counts lines (a line ends at CR LF, CR or LF).
//
// The list is kept compactly, since a description may be 64 MiB of short
// records: the texts of the fields live in blocks of the list's own store
// (never in the description, which may change or go while the list is kept;
// only a list dropped while its description is at hand points into it, see
// CompileInput::records_borrow_texts), the values of a record side by side in
// blocks of values, and the few cells inside the record. Nothing in the store ever moves, so a list
// may be moved or copied freely: copies share the store, which is only ever added to.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "compiler/records.h"

namespace binario {

// Where a field stands: from its first byte to its last, blanks around it
// left out. A quoted field includes both quotes (or runs to the end of the
// text when its quote is never closed) and may end on a later line than it
// starts. An empty field has last_column == first_column - 1.
struct TextSpan {
  int line = 0;
  int first_column = 0;
  int last_line = 0;
  int last_column = 0;
};

// A field with its text as read (the bytes between the quotes for a quoted
// field; no blanks around it). The text lives in the store of the list that
// holds the field.
struct TextField {
  TextSpan span;
  std::string_view text;
};

// The number of a value, or nothing, in the eight bytes of the number: a
// description of 64 MiB may hold ten million values, and an optional would
// take sixteen. Every number read from a text lies within 2^32 of zero, so
// the lowest int64_t is free to mean "nothing".
class NumberRead {
 public:
  constexpr NumberRead() = default;
  constexpr NumberRead(std::nullopt_t) {}
  constexpr NumberRead(int64_t n) : n_(n) {}
  constexpr NumberRead(std::optional<int64_t> n) : n_(n.value_or(kNothing)) {}

  constexpr bool has_value() const { return n_ != kNothing; }
  constexpr explicit operator bool() const { return has_value(); }
  constexpr int64_t operator*() const { return n_; }
  constexpr int64_t value_or(int64_t otherwise) const { return has_value() ? n_ : otherwise; }
  constexpr operator std::optional<int64_t>() const {
    return has_value() ? std::optional<int64_t>(n_) : std::nullopt;
  }
  friend constexpr bool operator==(NumberRead a, NumberRead b) = default;
  friend constexpr bool operator==(NumberRead a, int64_t b) { return a.n_ == b && a.has_value(); }

 private:
  static constexpr int64_t kNothing = std::numeric_limits<int64_t>::min();
  int64_t n_ = kNothing;
};

// One value of a record, in the order of the records table's values for its
// kind (records_table()[kind].values[i] names value i).
struct ValueRead {
  TextSpan span;
  std::string_view text;
  // The number read, for a numeric value; nothing for a text value (the name
  // of a station, the text of a sign board).
  NumberRead number;
};

// The cells a record's position lands on: at most three (a slowdown's
// warning board, start and end).
class CellList {
 public:
  static constexpr size_t kMost = 3;
  CellList() = default;
  // The first kMost of `cells`.
  explicit CellList(std::span<const int64_t> cells);

  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  int64_t operator[](size_t i) const { return cells_[i]; }
  int64_t front() const { return cells_[0]; }
  int64_t back() const { return cells_[size_ - 1]; }
  const int64_t* begin() const { return cells_.data(); }
  const int64_t* end() const { return cells_.data() + size_; }
  friend bool operator==(const CellList& a, const CellList& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

 private:
  std::array<int64_t, kMost> cells_{};
  size_t size_ = 0;
};

// One record as the compile read it.
struct RecordRead {
  RecordKind kind;
  TextField keyword;  // the field that named the record
  // The values read, in order. Fewer than the table lists when the reading
  // stopped inside the record (complete is false then).
  std::span<const ValueRead> values;
  // Every value of the record was read.
  bool complete = false;
  // Read after the compile stopped the description: the model does not
  // reflect it (the compile read on only to report faults).
  bool after_stop = false;
  // The cells the record's position lands on, by its cell rule (see
  // record_cells in records.h); empty for a record without a position or one
  // whose values were not all read. The cells are what the rule gives: they
  // may lie outside the model when the position does (the compile then
  // refused the record).
  CellList cells;
};

// Where the texts and values of a list live: blocks that are only ever
// added to, so that nothing handed out moves.
class ReadStore {
 public:
  ReadStore() = default;
  ReadStore(const ReadStore&) = delete;
  ReadStore& operator=(const ReadStore&) = delete;
  ~ReadStore();

  // A copy of `text` that lives as long as the store; `text` itself when it
  // lies inside the borrowed text (see borrow).
  std::string_view keep(std::string_view text);
  // From now on a text that lies inside `source` is not copied: the list
  // points into `source`, which must outlive it. For a list that is read and
  // dropped while its description is still at hand (the warnings of a
  // compile), where copying every field would double what the list touches.
  void borrow(std::string_view source) { borrowed_ = source; }
  // Room for the values of one record, about `most` of them, side by side;
  // the room of the record before is closed with what it holds.
  ValueRead* open_values(size_t most);
  // Adds `v` after the `count` values at `first` (the room opened last),
  // moving them to a larger room when it is full; returns where they are.
  ValueRead* add_value(ValueRead* first, size_t count, const ValueRead& v);

 private:
  std::vector<std::unique_ptr<char[]>> text_blocks_;
  size_t text_held_ = 0;  // the bytes of text_blocks_
  char* text_free_ = nullptr;
  size_t text_left_ = 0;
  // Value blocks are raw storage: a value is constructed in its slot when it
  // is added, so a block is written once, never cleared first.
  std::vector<ValueRead*> value_blocks_;
  size_t values_held_ = 0;                 // the values of value_blocks_
  ValueRead* room_ = nullptr;              // the room opened last
  size_t room_used_ = 0;                   // values added to it
  size_t values_left_ = 0;                 // values that fit from room_ on
  std::vector<size_t> value_block_sizes_;  // beside value_blocks_
  std::string_view borrowed_;
};

// A list of fields, in text order.
using TextFields = std::deque<TextField>;

// Everything read from one description, each list in text order.
struct DescriptionRead {
  // False when the compile never read this description (the line was
  // refused, or the text could not be read); the lists are empty then.
  bool read = false;
  std::deque<RecordRead> records;
  // Fields in keyword position passed over as comments (they hold "-").
  TextFields comments;
  // Fields in keyword position that no record read: misspelt keywords, the
  // values after them, a curve when the geometry is not built, a comment
  // beyond the ones a section passes over, the headers inside the line's
  // body and the train's records (the compile reads them as keywords). The compile warns about some
  // of them (see the "ignored-field" warning). Of a run of empty fields only
  // the last is kept.
  TextFields ignored;
  // Fields read as a value of a record that could not be read, where the
  // compile stopped the description: a word where a number belongs, or the
  // keyword of the next line taken as a value of a record short of values.
  TextFields unreadable;
  // The section headers: "[generale]", and in the line description the
  // header that closes its general section.
  TextFields headers;
  // The fields before "[generale]", which are never read as records.
  TextFields before_section;

  // A field whose text is kept in this list's store.
  TextField field(const TextSpan& span, std::string_view text);
  // Starts a record of `kind` named by `keyword`, its values to come.
  RecordRead& start_record(RecordKind kind, const TextField& keyword, bool after_stop);
  // Adds a value to the record started last.
  void add_value(const TextSpan& span, std::string_view text, std::optional<int64_t> number);
  // Texts inside `source` are kept as views into it from now on, not copied
  // (see ReadStore::borrow): `source` must outlive the list.
  void borrow_texts_of(std::string_view source) { store_->borrow(source); }

 private:
  std::shared_ptr<ReadStore> store_ = std::make_shared<ReadStore>();
};

struct RecordsRead {
  DescriptionRead line;
  DescriptionRead train;
};

}  // namespace binario
