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

// The lexer and parser of quick_sax_parse: a JSON text read in one pass,
// by recursion over its values.
class QuickReader {
 public:
  QuickReader(std::string_view text, nlohmann::json_sax<json>* sax) : text_(text), sax_(sax) {}

  QuickParse run() {
    skip_blanks();
    const Step step = value(0);
    if (step != Step::kGoOn)
      return step == Step::kStopped ? QuickParse::kStopped : QuickParse::kUnsure;
    skip_blanks();
    return at_ == text_.size() ? QuickParse::kParsed : QuickParse::kUnsure;
  }

 private:
  enum class Step { kGoOn, kStopped, kUnsure };
  static constexpr int kDeepest = 256;
  static constexpr size_t kMostDigits = 18;  // below 2^63: no overflow

  static Step given(bool taken) { return taken ? Step::kGoOn : Step::kStopped; }

  int peek() const { return at_ < text_.size() ? static_cast<unsigned char>(text_[at_]) : -1; }
  void skip_blanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r')) {
      ++at_;
    }
  }

  Step value(int depth) {
    if (depth > kDeepest) return Step::kUnsure;
    switch (peek()) {
      case '{':
        return object(depth);
      case '[':
        return array(depth);
      case '"': {
        std::string s;
        if (!string(&s)) return Step::kUnsure;
        return given(sax_->string(s));
      }
      case 't':
        return literal("true") ? given(sax_->boolean(true)) : Step::kUnsure;
      case 'f':
        return literal("false") ? given(sax_->boolean(false)) : Step::kUnsure;
      case 'n':
        return literal("null") ? given(sax_->null()) : Step::kUnsure;
      default:
        return number();
    }
  }

  Step object(int depth) {
    ++at_;
    if (!sax_->start_object(static_cast<std::size_t>(-1))) return Step::kStopped;
    skip_blanks();
    if (peek() == '}') {
      ++at_;
      return given(sax_->end_object());
    }
    for (;;) {
      skip_blanks();
      if (peek() != '"') return Step::kUnsure;
      std::string key;
      if (!string(&key)) return Step::kUnsure;
      if (!sax_->key(key)) return Step::kStopped;
      skip_blanks();
      if (peek() != ':') return Step::kUnsure;
      ++at_;
      skip_blanks();
      if (const Step step = value(depth + 1); step != Step::kGoOn) return step;
      skip_blanks();
      if (peek() == ',') {
        ++at_;
        continue;
      }
      if (peek() != '}') return Step::kUnsure;
      ++at_;
      return given(sax_->end_object());
    }
  }

  Step array(int depth) {
    ++at_;
    if (!sax_->start_array(static_cast<std::size_t>(-1))) return Step::kStopped;
    skip_blanks();
    if (peek() == ']') {
      ++at_;
      return given(sax_->end_array());
    }
    for (;;) {
      skip_blanks();
      if (const Step step = value(depth + 1); step != Step::kGoOn) return step;
      skip_blanks();
      if (peek() == ',') {
        ++at_;
        continue;
      }
      if (peek() != ']') return Step::kUnsure;
      ++at_;
      return given(sax_->end_array());
    }
  }

  bool literal(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  // Digits alone, without a leading zero before another digit: what the
  // whole parser reads as an unsigned number.
  Step number() {
    const size_t from = at_;
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
    const size_t digits = at_ - from;
    if (digits == 0 || digits > kMostDigits || (digits > 1 && text_[from] == '0')) {
      return Step::kUnsure;
    }
    const int next = peek();
    if (next == '.' || next == 'e' || next == 'E' || next == '-' || next == '+')
      return Step::kUnsure;
    uint64_t n = 0;
    for (size_t i = from; i < at_; ++i) n = n * 10 + static_cast<uint64_t>(text_[i] - '0');
    return given(sax_->number_unsigned(n));
  }

  // The length of the well-formed UTF-8 sequence at at_, 0 for none.
  size_t sequence() const {
    const auto byte = [&](size_t i) {
      return at_ + i < text_.size() ? static_cast<unsigned char>(text_[at_ + i]) : 0u;
    };
    const auto in = [](unsigned b, unsigned low, unsigned high) { return b >= low && b <= high; };
    const unsigned b0 = byte(0);
    if (in(b0, 0xC2, 0xDF)) return in(byte(1), 0x80, 0xBF) ? 2 : 0;
    if (in(b0, 0xE0, 0xEF)) {
      const unsigned low = b0 == 0xE0 ? 0xA0 : 0x80;
      const unsigned high = b0 == 0xED ? 0x9F : 0xBF;
      return in(byte(1), low, high) && in(byte(2), 0x80, 0xBF) ? 3 : 0;
    }
    if (in(b0, 0xF0, 0xF4)) {
      const unsigned low = b0 == 0xF0 ? 0x90 : 0x80;
      const unsigned high = b0 == 0xF4 ? 0x8F : 0xBF;
      return in(byte(1), low, high) && in(byte(2), 0x80, 0xBF) && in(byte(3), 0x80, 0xBF) ? 4 : 0;
    }
    return 0;
  }

  // Four hexadecimal digits at at_, or -1.
  int hex4() {
    if (text_.size() - at_ < 4) return -1;
    int n = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      const int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
      if (d < 0) return -1;
      n = n * 16 + d;
    }
    return n;
  }

  static void append_utf8(uint32_t cp, std::string* out) {
    if (cp < 0x80) {
      out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }

  // The string at at_ (its opening quote), unescaped.
  bool string(std::string* out) {
    ++at_;
    for (;;) {
      const size_t run = at_;
      while (at_ < text_.size()) {
        const auto c = static_cast<unsigned char>(text_[at_]);
        if (c == '"' || c == '\\' || c < 0x20 || c >= 0x80) break;
        ++at_;
      }
      out->append(text_.data() + run, at_ - run);
      const int c = peek();
      if (c == '"') {
        ++at_;
        return true;
      }
      if (c < 0x20) return false;  // the end of the text too
      if (c >= 0x80) {
        const size_t length = sequence();
        if (length == 0) return false;
        out->append(text_.data() + at_, length);
        at_ += length;
        continue;
      }
      ++at_;  // the backslash
      const int escaped = peek();
      ++at_;
      switch (escaped) {
        case '"':
        case '\\':
        case '/':
          out->push_back(static_cast<char>(escaped));
          break;
        case 'b':
          out->push_back('\b');
          break;
        case 'f':
          out->push_back('\f');
          break;
        case 'n':
          out->push_back('\n');
          break;
        case 'r':
          out->push_back('\r');
          break;
        case 't':
          out->push_back('\t');
          break;
        case 'u': {
          int cp = hex4();
          if (cp < 0 || (cp >= 0xDC00 && cp <= 0xDFFF)) return false;
          if (cp >= 0xD800 && cp <= 0xDBFF) {
            if (!literal("\\u")) return false;
            const int low = hex4();
            if (low < 0xDC00 || low > 0xDFFF) return false;
            cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
          }
          append_utf8(static_cast<uint32_t>(cp), out);
          break;
        }
        default:
          return false;
      }
    }
  }

  std::string_view text_;
  nlohmann::json_sax<json>* sax_;
  size_t at_ = 0;
};

std::optional<DidChange> read_into(DidChangeReader& reader) {
  if (!reader.has_method || !reader.has_uri || !reader.has_changes || !reader.complete()) {
    return std::nullopt;
  }
  return std::move(reader.read);
}

}  // namespace

QuickParse quick_sax_parse(std::string_view text, nlohmann::json_sax<json>* sax) {
  return QuickReader(text, sax).run();
}

std::optional<DidChange> read_did_change(std::string_view body) {
  {
    DidChangeReader reader;
    switch (quick_sax_parse(body, &reader)) {
      case QuickParse::kParsed:
        return read_into(reader);
      case QuickParse::kStopped:
        return std::nullopt;
      case QuickParse::kUnsure:
        break;
    }
  }
  DidChangeReader reader;
  if (!json::sax_parse(body, &reader)) return std::nullopt;
  return read_into(reader);
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
