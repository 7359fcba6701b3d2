#include "lsp/document_sync.h"

#include <algorithm>
#include <limits>

#include "lsp/json_rpc.h"

namespace binario {
namespace {

using nlohmann::json;

// Reads a didChange notification event by event into DidChange. Every
// object and array on the way is given its role from its parent's role and
// the key it stands at; what the notification does not use is passed over.
// Anything the whole parse would read otherwise (a member twice, a field of
// the wrong type, an id, another method) stops the reading: the whole parse
// then handles the message as before.
class DidChangeReader : public nlohmann::json_sax<json> {
 public:
  DidChange read;
  bool has_method = false;
  bool has_uri = false;
  bool has_changes = false;

  // True when every change read has its text and a whole range, or none.
  bool complete() const {
    return std::all_of(complete_.begin(), complete_.end(), [](bool c) { return c; });
  }

  bool null() override { return scalar(); }
  bool boolean(bool) override { return scalar(); }
  bool number_integer(number_integer_t) override { return scalar(); }
  bool number_float(number_float_t, const string_t&) override { return scalar(); }
  bool binary(binary_t&) override { return scalar(); }
  bool number_unsigned(number_unsigned_t v) override {
    const Role role = roles_.empty() ? Role::kOther : roles_.back();
    if (role != Role::kStart && role != Role::kEnd) return scalar();
    if (v > static_cast<number_unsigned_t>(std::numeric_limits<int32_t>::max())) return false;
    ContentChange::Range& range = *read.changes.back().range;
    TextPlace& place = role == Role::kStart ? range.start : range.end;
    if (key_ == "line") {
      place.line = static_cast<int>(v);
      return first(kLine);
    }
    if (key_ == "character") {
      place.column = static_cast<int>(v);
      return first(kCharacter);
    }
    return true;
  }
  bool string(string_t& v) override {
    const Role role = roles_.empty() ? Role::kOther : roles_.back();
    if (role == Role::kRoot && key_ == "method") {
      has_method = true;
      return first(kMethod) && v == "textDocument/didChange";
    }
    if (role == Role::kTextDocument && key_ == "uri") {
      has_uri = true;
      read.uri = std::move(v);
      return first(kUri);
    }
    if (role == Role::kChange && key_ == "text") {
      read.changes.back().text = std::move(v);
      return first(kText);
    }
    return scalar();
  }
  bool key(string_t& k) override {
    key_ = std::move(k);
    return true;
  }
  bool start_object(std::size_t) override {
    const Role parent = roles_.empty() ? Role::kNone : roles_.back();
    Role role = Role::kOther;
    if (parent == Role::kNone) {
      role = Role::kRoot;
    } else if (parent == Role::kRoot && key_ == "params") {
      role = first(kParams) ? Role::kParams : Role::kRefused;
    } else if (parent == Role::kParams && key_ == "textDocument") {
      role = first(kTextDocument) ? Role::kTextDocument : Role::kRefused;
    } else if (parent == Role::kChanges) {
      role = Role::kChange;
      read.changes.emplace_back();
      complete_.push_back(false);
    } else if (parent == Role::kChange && key_ == "range") {
      role = first(kRange) ? Role::kRange : Role::kRefused;
      read.changes.back().range.emplace();
    } else if (parent == Role::kRange && (key_ == "start" || key_ == "end")) {
      role = first(key_ == "start" ? kRangeStart : kRangeEnd)
                 ? (key_ == "start" ? Role::kStart : Role::kEnd)
                 : Role::kRefused;
    } else if (!fits_container(parent)) {
      role = Role::kRefused;
    }
    return open(role);
  }
  bool end_object() override {
    const Role role = roles_.back();
    const unsigned seen = seen_.back();
    if (role == Role::kStart || role == Role::kEnd) {
      if ((seen & (kLine | kCharacter)) != (kLine | kCharacter)) return false;
    }
    if (role == Role::kRange && (seen & (kRangeStart | kRangeEnd)) != (kRangeStart | kRangeEnd)) {
      return false;
    }
    if (role == Role::kChange) complete_.back() = (seen & kText) != 0;
    return close();
  }
  bool start_array(std::size_t) override {
    const Role parent = roles_.empty() ? Role::kNone : roles_.back();
    Role role = Role::kOther;
    if (parent == Role::kParams && key_ == "contentChanges") {
      has_changes = true;
      role = first(kChanges) ? Role::kChanges : Role::kRefused;
    } else if (parent == Role::kNone || !fits_container(parent)) {
      role = Role::kRefused;
    }
    return open(role);
  }
  bool end_array() override { return close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  enum class Role {
    kNone,
    kRoot,
    kParams,
    kTextDocument,
    kChanges,
    kChange,
    kRange,
    kStart,
    kEnd,
    kOther,    // passed over
    kRefused,  // stops the reading
  };
  // The members each role uses, to refuse one given twice.
  enum Member : unsigned {
    kMethod = 1,
    kParams = 2,
    kTextDocument = 4,
    kUri = 8,
    kChanges = 16,
    kText = 32,
    kRange = 64,
    kRangeStart = 128,
    kRangeEnd = 256,
    kLine = 512,
    kCharacter = 1024,
  };

  // True when the member `m` of the innermost object is met the first time.
  bool first(Member m) {
    if (seen_.back() & m) return false;
    seen_.back() |= m;
    return true;
  }
  // False for a scalar the notification needs in another type, or an id.
  bool scalar() {
    const Role role = roles_.empty() ? Role::kNone : roles_.back();
    return fits_container(role);
  }
  // False when the member at key_ of an object of role `parent` (or an
  // element of the changes) is one the notification reads as something
  // else than what stands there; also for an id, which makes the message
  // a request.
  bool fits_container(Role parent) const {
    switch (parent) {
      case Role::kNone:
      case Role::kChanges:
      case Role::kRefused:
        return false;
      case Role::kRoot:
        return key_ != "method" && key_ != "params" && key_ != "id";
      case Role::kParams:
        return key_ != "textDocument" && key_ != "contentChanges";
      case Role::kTextDocument:
        return key_ != "uri";
      case Role::kChange:
        return key_ != "text" && key_ != "range";
      case Role::kRange:
        return key_ != "start" && key_ != "end";
      case Role::kStart:
      case Role::kEnd:
        return key_ != "line" && key_ != "character";
      case Role::kOther:
        return true;
    }
    return false;
  }
  bool open(Role role) {
    if (role == Role::kRefused || roles_.size() >= static_cast<size_t>(rpc::kMaxNesting)) {
      return false;
    }
    roles_.push_back(role);
    seen_.push_back(0);
    return true;
  }
  bool close() {
    roles_.pop_back();
    seen_.pop_back();
    return true;
  }

  std::vector<Role> roles_;     // of each object and array open
  std::vector<unsigned> seen_;  // the members met of each
  std::vector<bool> complete_;  // of each change read
  std::string key_;
};

}  // namespace

std::optional<DidChange> read_did_change(std::string_view body) {
  DidChangeReader reader;
  if (!json::sax_parse(body, &reader)) return std::nullopt;
  if (!reader.has_method || !reader.has_uri || !reader.has_changes || !reader.complete()) {
    return std::nullopt;
  }
  return std::move(reader.read);
}

void apply_changes(DocumentStore& documents, const std::string& uri,
                   std::vector<ContentChange>& changes) {
  for (ContentChange& change : changes) {
    if (change.range) {
      documents.edit(uri, change.range->start, change.range->end, change.text);
    } else {
      documents.change(uri, std::move(change.text));
    }
  }
}

void apply_content_changes(DocumentStore& documents, const std::string& uri,
                           const nlohmann::json& changes) {
  for (const nlohmann::json& change : changes) {
    std::string text = change.at("text").get<std::string>();
    if (!change.contains("range")) {
      documents.change(uri, std::move(text));
      continue;
    }
    const nlohmann::json& range = change.at("range");
    const nlohmann::json& start = range.at("start");
    const nlohmann::json& end = range.at("end");
    documents.edit(uri,
                   {rpc::uinteger_field(start, "line"), rpc::uinteger_field(start, "character")},
                   {rpc::uinteger_field(end, "line"), rpc::uinteger_field(end, "character")}, text);
  }
}

std::chrono::milliseconds adaptive_debounce(std::chrono::microseconds last_check,
                                            std::chrono::milliseconds longest,
                                            std::chrono::steady_clock::duration since_last_edit) {
  using std::chrono::milliseconds;
  const milliseconds shortest = std::min(milliseconds(5), longest);
  if (since_last_edit >= longest) return shortest;
  const milliseconds twice = std::chrono::ceil<milliseconds>(2 * last_check);
  return std::clamp(twice, shortest, longest);
}

}  // namespace binario
