#include "compiler/records_read.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

namespace binario {

namespace {

// Texts are mostly a few bytes and values a few per record: blocks this
// large make a store of a 64 MiB description a few thousand allocations.
constexpr size_t kTextBlock = 64 * 1024;
constexpr size_t kValueBlock = 4096;
// The first blocks are small and each is as large as all before it, up to
// the sizes above: a store kept for every description open in the editor
// holds about what its description has, not a quarter of a megabyte.
constexpr size_t kFirstTextBlock = 1024;
constexpr size_t kFirstValueBlock = 64;

size_t next_block(size_t held, size_t first, size_t most) {
  return std::min(most, std::max(first, held));
}

}  // namespace

CellList::CellList(std::span<const int64_t> cells) : size_(std::min(cells.size(), kMost)) {
  std::copy_n(cells.begin(), size_, cells_.begin());
}

ReadStore::~ReadStore() {
  std::allocator<ValueRead> allocator;
  for (size_t i = 0; i < value_blocks_.size(); ++i) {
    allocator.deallocate(value_blocks_[i], value_block_sizes_[i]);
  }
}

std::string_view ReadStore::keep(std::string_view text) {
  if (text.empty()) return {};
  const std::less_equal<const char*> before_or_at;
  if (before_or_at(borrowed_.data(), text.data()) &&
      before_or_at(text.data() + text.size(), borrowed_.data() + borrowed_.size())) {
    return text;
  }
  if (text.size() > kTextBlock / 4) {
    // A long text gets a block of its own; the open block stays open.
    text_blocks_.push_back(std::make_unique_for_overwrite<char[]>(text.size()));
    std::memcpy(text_blocks_.back().get(), text.data(), text.size());
    return {text_blocks_.back().get(), text.size()};
  }
  if (text.size() > text_left_) {
    const size_t size = std::max(text.size(), next_block(text_held_, kFirstTextBlock, kTextBlock));
    text_blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    text_held_ += size;
    text_free_ = text_blocks_.back().get();
    text_left_ = size;
  }
  std::memcpy(text_free_, text.data(), text.size());
  const std::string_view kept(text_free_, text.size());
  text_free_ += text.size();
  text_left_ -= text.size();
  return kept;
}

ValueRead* ReadStore::open_values(size_t most) {
  room_ += room_used_;
  values_left_ -= room_used_;
  room_used_ = 0;
  if (values_left_ < most) {
    const size_t size = std::max(most, next_block(values_held_, kFirstValueBlock, kValueBlock));
    // Room in both lists first, so that nothing throws while the block is
    // held by no one.
    if (value_blocks_.size() == value_blocks_.capacity()) {
      value_blocks_.reserve(std::max<size_t>(8, 2 * value_blocks_.size()));
      value_block_sizes_.reserve(value_blocks_.capacity());
    }
    value_blocks_.push_back(std::allocator<ValueRead>().allocate(size));
    value_block_sizes_.push_back(size);
    values_held_ += size;
    room_ = value_blocks_.back();
    values_left_ = size;
  }
  return room_;
}

ValueRead* ReadStore::add_value(ValueRead* first, size_t count, const ValueRead& v) {
  if (first != room_ || count != room_used_ || count == values_left_) {
    // Not the open room, or a full one: the values move to a new room twice
    // as large, and the room they leave is not used again.
    const std::vector<ValueRead> held(first, first + count);
    if (first == room_) room_used_ = 0;
    first = open_values(std::max<size_t>(2 * count, 4));
    std::uninitialized_copy(held.begin(), held.end(), first);
    room_used_ = count;
  }
  std::construct_at(first + count, v);
  ++room_used_;
  return first;
}

TextField DescriptionRead::field(const TextSpan& span, std::string_view text) {
  return {span, store_->keep(text)};
}

RecordRead& DescriptionRead::start_record(RecordKind kind, const TextField& keyword,
                                          bool after_stop) {
  ValueRead* room = store_->open_values(record_spec(kind).values.size());
  records.push_back(RecordRead{kind, keyword, {room, size_t{0}}, false, after_stop, {}});
  return records.back();
}

void DescriptionRead::add_value(const TextSpan& span, std::string_view text,
                                std::optional<int64_t> number) {
  RecordRead& r = records.back();
  ValueRead* first = const_cast<ValueRead*>(r.values.data());
  first = store_->add_value(first, r.values.size(), {span, store_->keep(text), number});
  r.values = {first, r.values.size() + 1};
}

}  // namespace binario
