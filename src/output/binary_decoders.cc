#include "output/binary_decoders.h"

#include <bit>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include "output/binary_files.h"

namespace binario {

namespace {

// The little-endian value of `size` bytes at `at`, sign-extended when the
// model's field is signed. The caller has checked that the bytes are there.
template <typename T>
T get_le(std::string_view bytes, size_t at, size_t size) {
  uint64_t v = 0;
  for (size_t b = 0; b < size; ++b) {
    v |= static_cast<uint64_t>(static_cast<unsigned char>(bytes[at + b])) << (8 * b);
  }
  using U = std::make_unsigned_t<T>;
  return static_cast<T>(static_cast<U>(v));
}

// Reads every field of `layout` from the bytes at `base` into `record`.
template <typename Layout, typename Record>
void get_fields(std::string_view bytes, size_t base, const Layout& layout, Record* record) {
  layout.for_each([&](const auto& f) {
    auto& value = f.of(*record);
    value = get_le<std::remove_reference_t<decltype(value)>>(bytes, base + f.offset, f.kSize);
  });
}

std::string bytes_word(size_t n) {
  return std::to_string(n) + (n == 1 ? " byte" : " bytes");
}

// "15-byte", as in "the 15-byte record".
std::string sized(size_t n) {
  return std::to_string(n) + "-byte";
}

// What follows `at`: "the end of the file" or "only N bytes".
std::string found_at(std::string_view bytes, size_t at) {
  const size_t left = at < bytes.size() ? bytes.size() - at : 0;
  if (left == 0) return "found the end of the file";
  return "found only " + bytes_word(left) + " before the end of the file";
}

bool refuse(DecodeError* error, size_t offset, std::string expected) {
  if (error) {
    error->offset = offset;
    error->expected = std::move(expected);
  }
  return false;
}

// Checks that the part of treno entry `entry` that starts at `base` — the
// fields of `layout`, then the name's length word when `length_word` — is
// whole; when it is not, names the first field that the end of the file cuts.
template <typename Layout>
bool part_is_whole(std::string_view bytes, size_t base, const Layout& layout, bool length_word,
                   int entry, DecodeError* error) {
  const size_t left = base <= bytes.size() ? bytes.size() - base : 0;
  const size_t part = length_word ? kTrainRecord.nome_length.end() : layout.size;
  if (part <= left) return true;
  std::string name = "length word of `nome`";
  FieldSpan cut = kTrainRecord.nome_length;
  bool found = false;
  layout.for_each([&](const auto& f) {
    if (found || f.span().end() <= left) return;
    found = true;
    name = std::string("`") + f.name + "`";
    cut = f.span();
  });
  return refuse(error, base + cut.offset,
                "the " + sized(cut.size) + " " + name + " of treno entry " + std::to_string(entry) +
                    ", " + found_at(bytes, base + cut.offset));
}

// What a compile always writes into the tags of one run of the geometry:
// points 0 and 1 the Integer seed, Doubles from point 2 for as far as the
// geometry got, then empty values to the end; or, when the description
// stopped before the geometry was seeded, nothing but empty values. (A curve
// may run to the very last point, so the run need not end empty.) Says what
// was expected of point `k`, tagged `tag`, when it breaks this; `first` is
// the tag of point 0 and `before` that of point k - 1.
std::optional<std::string> geometry_tag_is_wrong(size_t k, Tag tag, Tag first, Tag before) {
  // The texts are made only for a point that breaks the rule: this runs for
  // every point of a geometry.
  const auto found = [tag] { return std::string(", found ") + tag_name(tag); };
  const auto point = [k] { return "point " + std::to_string(k); };
  if (k == 0) {
    if (tag == Tag::kDouble) return "an Integer (the seed) or empty for point 0" + found();
    return std::nullopt;
  }
  if (first == Tag::kEmpty) {
    if (tag == Tag::kEmpty) return std::nullopt;
    return "empty for " + point() + ", as point 0 is empty (a geometry never seeded)" + found();
  }
  if (k == 1) {
    if (tag == Tag::kInteger) return std::nullopt;
    return "an Integer for point 1 (points 0 and 1 are the seed)" + found();
  }
  if (tag == Tag::kInteger)
    return "a Double or empty for " + point() + " (only points 0 and 1 are Integer)" + found();
  if (tag == Tag::kDouble && before == Tag::kEmpty) {
    return "empty for " + point() + ", as point " + std::to_string(k - 1) + " is empty" + found();
  }
  return std::nullopt;
}

constexpr char kTagNames[] = "0 (empty), 2 (Integer) or 5 (Double)";

bool known_tag(uint16_t raw, Tag* tag) {
  switch (static_cast<Tag>(raw)) {
    case Tag::kEmpty:
    case Tag::kInteger:
    case Tag::kDouble:
      *tag = static_cast<Tag>(raw);
      return true;
  }
  return false;
}

}  // namespace

bool decode_cells(std::string_view bytes, std::vector<Cella>* cells, DecodeError* error) {
  constexpr size_t size = kCellRecordSize;
  if (bytes.empty()) {
    return refuse(error, 0, "the " + sized(size) + " record of cell 0, found an empty file");
  }
  if (bytes.size() % size != 0) {
    const size_t whole = bytes.size() / size;
    return refuse(error, whole * size,
                  "the " + sized(size) + " record of cell " + std::to_string(whole) + ", " +
                      found_at(bytes, whole * size));
  }
  // A line has at least two cells (its last cell is at least 1) and at most
  // the cells of the longest line.
  const size_t count = bytes.size() / size;
  if (count < 2) {
    return refuse(error, size,
                  "the " + sized(size) + " record of cell 1 (a line has at least 2 cells), " +
                      found_at(bytes, size));
  }
  if (count > kMaxCells) {
    return refuse(error, kMaxCells * size,
                  "the end of the file after cell " + std::to_string(kMaxCells - 1) + " (" +
                      std::to_string(kMaxCells) + " cells, the most a line has), found " +
                      bytes_word(bytes.size() - kMaxCells * size) + " more");
  }
  std::vector<Cella> out(count);
  size_t at = 0;
  for (Cella& c : out) {
    get_fields(bytes, at, kCellFields, &c);
    at += size;
  }
  *cells = std::move(out);
  return true;
}

bool decode_train_table(std::string_view bytes, std::array<VoceTreno, kTrenoEntries>* treno,
                        DecodeError* error) {
  constexpr const TrainRecordLayout& r = kTrainRecord;
  std::array<VoceTreno, kTrenoEntries> out{};
  size_t at = 0;
  for (int entry = 0; entry < kTrenoEntries; ++entry) {
    VoceTreno& v = out[static_cast<size_t>(entry)];
    if (!part_is_whole(bytes, at, kTrainHeadFields, true, entry, error)) return false;
    get_fields(bytes, at, kTrainHeadFields, &v);
    const uint16_t n = get_le<uint16_t>(bytes, at + r.nome_length.offset, r.nome_length.size);
    const size_t nome_at = at + r.head_size;
    if (bytes.size() - nome_at < n) {
      return refuse(error, nome_at,
                    "the " + bytes_word(n) + " of `nome` of treno entry " + std::to_string(entry) +
                        " (as its length word at byte " +
                        std::to_string(at + r.nome_length.offset) + " says), " +
                        found_at(bytes, nome_at));
    }
    v.nome.assign(bytes.substr(nome_at, n));
    const size_t tail = nome_at + n;
    if (!part_is_whole(bytes, tail, kTrainTailFields, false, entry, error)) return false;
    get_fields(bytes, tail, kTrainTailFields, &v);
    at = tail + r.tail_size;
  }
  if (at != bytes.size()) {
    return refuse(error, at,
                  "the end of the file after treno entry " + std::to_string(kTrenoEntries - 1) +
                      " (" + std::to_string(kTrenoEntries) + " records), found " +
                      bytes_word(bytes.size() - at) + " more");
  }
  *treno = std::move(out);
  return true;
}

bool decode_geometry(std::string_view bytes, DecodedGeometry* geometry, DecodeError* error) {
  if (bytes.empty()) {
    return refuse(error, 0, "the tag of point 0, found an empty file");
  }
  // First pass: every tag known and every value whole, and the count.
  size_t entries = 0;
  for (size_t at = 0; at < bytes.size(); ++entries) {
    if (bytes.size() - at < kTagSize) {
      return refuse(error, at,
                    "the " + sized(kTagSize) + " tag of entry " + std::to_string(entries) + ", " +
                        found_at(bytes, at));
    }
    const uint16_t raw = get_le<uint16_t>(bytes, at, kTagSize);
    Tag tag;
    if (!known_tag(raw, &tag)) {
      return refuse(error, at,
                    std::string("a tag ") + kTagNames + " for entry " + std::to_string(entries) +
                        ", found " + std::to_string(raw));
    }
    const size_t payload = tagged_payload_size(tag);
    if (bytes.size() - at - kTagSize < payload) {
      return refuse(error, at + kTagSize,
                    "the " + sized(payload) + " " + (tag == Tag::kInteger ? "Integer" : "Double") +
                        " of entry " + std::to_string(entries) + ", " +
                        found_at(bytes, at + kTagSize));
    }
    at += kTagSize + payload;
  }
  if (entries % 2 != 0) {
    return refuse(error, bytes.size(),
                  "an even number of entries (the two coordinates of every point), found " +
                      std::to_string(entries));
  }
  // Second pass: the values, first coordinates then second coordinates.
  const size_t points = entries / 2;
  DecodedGeometry out;
  out.first.resize(points);
  out.second.resize(points);
  size_t at = 0;
  for (size_t e = 0; e < entries; ++e) {
    GeometryValue& g = e < points ? out.first[e] : out.second[e - points];
    g.tag = static_cast<Tag>(get_le<uint16_t>(bytes, at, kTagSize));
    if (e < points) {
      const Tag before = e == 0 ? Tag::kInteger : out.first[e - 1].tag;
      const std::optional<std::string> wrong =
          geometry_tag_is_wrong(e, g.tag, out.first[0].tag, before);
      if (wrong) return refuse(error, at, *wrong + " (entry " + std::to_string(e) + ")");
    } else if (e == points && points == 1 && out.first[0].tag == Tag::kInteger) {
      return refuse(error, at,
                    "an Integer for point 1 (points 0 and 1 are the seed), found the end of the "
                    "first coordinates (entry 1)");
    } else if (g.tag != out.first[e - points].tag) {
      const size_t k = e - points;
      return refuse(error, at,
                    std::string(tag_name(out.first[k].tag)) + " for point " + std::to_string(k) +
                        " of the second coordinates, as for its first (entry " + std::to_string(e) +
                        "), found " + tag_name(g.tag));
    }
    at += kTagSize;
    switch (g.tag) {
      case Tag::kInteger:
        g.value = get_le<int16_t>(bytes, at, 2);
        break;
      case Tag::kDouble:
        g.value = std::bit_cast<double>(get_le<uint64_t>(bytes, at, 8));
        break;
      case Tag::kEmpty:
        break;
    }
    at += tagged_payload_size(g.tag);
  }
  *geometry = std::move(out);
  return true;
}

const char* tag_name(Tag tag) {
  switch (tag) {
    case Tag::kInteger:
      return "Integer";
    case Tag::kDouble:
      return "Double";
    case Tag::kEmpty:
      break;
  }
  return "empty";
}

std::optional<std::string> files_disagree(size_t cells,
                                          const std::array<VoceTreno, kTrenoEntries>& treno,
                                          const DecodedGeometry* geometry) {
  const int64_t length = treno[kTrainParameters].fine;
  const int64_t line_cells = last_cell_for_length(length) + 1;
  const std::string line = "the train table is of a " + std::to_string(length) + " m line";
  if (line_cells != static_cast<int64_t>(cells)) {
    return line + ", which has " + std::to_string(line_cells) +
           " cells, but the cells file holds " + std::to_string(cells);
  }
  if (geometry != nullptr) {
    const int64_t line_points = length + kRunOut + 1;
    if (line_points != static_cast<int64_t>(geometry->first.size())) {
      return line + ", whose geometry has " + std::to_string(line_points) +
             " points, but the geometry file holds " + std::to_string(geometry->first.size());
    }
  }
  return std::nullopt;
}

void encode_geometry(const DecodedGeometry& geometry, ByteSink& out) {
  unsigned char value[kTagSize + tagged_payload_size(Tag::kDouble)];
  for (const std::vector<GeometryValue>* run : {&geometry.first, &geometry.second}) {
    for (const GeometryValue& g : *run) {
      uint64_t payload = 0;
      if (g.tag == Tag::kInteger) {
        payload = static_cast<uint16_t>(static_cast<int16_t>(g.value));
      } else if (g.tag == Tag::kDouble) {
        payload = std::bit_cast<uint64_t>(g.value);
      }
      const uint16_t tag = static_cast<uint16_t>(g.tag);
      for (size_t b = 0; b < kTagSize; ++b) value[b] = static_cast<unsigned char>(tag >> (8 * b));
      for (size_t b = 0; b < tagged_payload_size(g.tag); ++b) {
        value[kTagSize + b] = static_cast<unsigned char>(payload >> (8 * b));
      }
      out.write(value, kTagSize + tagged_payload_size(g.tag));
    }
  }
}

}  // namespace binario
