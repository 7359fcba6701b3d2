#include "lsp/json_rpc.h"

#include <limits>
#include <vector>

#include "lsp/message_reader.h"

namespace binario::rpc {

using nlohmann::json;

int nesting_depth(std::string_view body, int limit) {
  int depth = 0;
  int deepest = 0;
  bool in_string = false;
  for (size_t i = 0; i < body.size(); ++i) {
    const char c = body[i];
    if (in_string) {
      if (c == '\\') {
        ++i;
      } else if (c == '"') {
        in_string = false;
      }
    } else if (c == '"') {
      in_string = true;
    } else if (c == '[' || c == '{') {
      if (++depth > deepest && (deepest = depth) > limit) break;
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
  return deepest;
}

namespace {

// The "id" of a message's top-level object, read without building the
// message: the parser walks the text with a stack of its own, so a message
// too deep to be built is still read for the id its answer is to carry.
class TopLevelId : public nlohmann::json_sax<json> {
 public:
  json id;  // null until an integer or string id is read

  bool null() override { return value(json()); }
  bool boolean(bool v) override { return value(v); }
  bool number_integer(number_integer_t v) override { return value(v); }
  bool number_unsigned(number_unsigned_t v) override { return value(v); }
  bool number_float(number_float_t, const string_t&) override { return value(json()); }
  bool string(string_t& v) override { return value(v); }
  bool binary(binary_t&) override { return value(json()); }
  bool start_object(std::size_t) override { return open(); }
  bool key(string_t& k) override {
    id_next_ = depth_ == 1 && k == "id";
    return true;
  }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override { return open(); }
  bool end_array() override { return close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  bool value(json v) {
    if (id_next_ && (v.is_number_integer() || v.is_string())) id = std::move(v);
    id_next_ = false;
    return true;
  }
  bool open() {
    if (id_next_) id_next_ = false;
    ++depth_;
    return true;
  }
  bool close() {
    --depth_;
    return true;
  }

  int depth_ = 0;
  bool id_next_ = false;
};

// The method of a message and the URI of the document its parameters name,
// read without building the message; stops once both are read or the
// method is not the one looked for.
class MethodAndDocument : public nlohmann::json_sax<json> {
 public:
  explicit MethodAndDocument(std::string_view wanted) : wanted_(wanted) {}

  std::optional<std::string> method;
  std::optional<std::string> document;

  bool null() override { return value(); }
  bool boolean(bool) override { return value(); }
  bool number_integer(number_integer_t) override { return value(); }
  bool number_unsigned(number_unsigned_t) override { return value(); }
  bool number_float(number_float_t, const string_t&) override { return value(); }
  bool binary(binary_t&) override { return value(); }
  bool string(string_t& v) override {
    if (key_ == Key::kMethod) {
      method = v;
    } else if (key_ == Key::kUri) {
      document = v;
    }
    key_ = Key::kOther;
    return !(method && *method != wanted_) && !(method && document);
  }
  bool start_object(std::size_t) override {
    // The root, "params" in it, "textDocument" in that: the only objects
    // whose members are looked at.
    const bool followed = containers_.empty() || key_ == Key::kParams || key_ == Key::kTextDocument;
    containers_.push_back(followed ? static_cast<int>(containers_.size()) : -1);
    key_ = Key::kOther;
    return true;
  }
  bool key(string_t& k) override {
    const int level = containers_.back();
    key_ = level == 0 && k == "method"         ? Key::kMethod
           : level == 0 && k == "params"       ? Key::kParams
           : level == 1 && k == "textDocument" ? Key::kTextDocument
           : level == 2 && k == "uri"          ? Key::kUri
                                               : Key::kOther;
    return true;
  }
  bool end_object() override { return close(); }
  bool start_array(std::size_t) override {
    containers_.push_back(-1);
    key_ = Key::kOther;
    return true;
  }
  bool end_array() override { return close(); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  enum class Key { kOther, kMethod, kParams, kTextDocument, kUri };
  bool value() {
    key_ = Key::kOther;
    return true;
  }
  bool close() {
    containers_.pop_back();
    key_ = Key::kOther;
    return true;
  }

  const std::string_view wanted_;
  // For each open object or array, the level of the followed object it is
  // (0 the root, 1 "params", 2 "textDocument"), or -1.
  std::vector<int> containers_;
  Key key_ = Key::kOther;
};

}  // namespace

std::optional<std::string> document_of(std::string_view body, std::string_view method) {
  MethodAndDocument reader(method);
  json::sax_parse(body, &reader);
  if (reader.method != method) return std::nullopt;
  return reader.document;
}

json readable_id(std::string_view body) {
  TopLevelId finder;
  if (!json::sax_parse(body, &finder)) return nullptr;
  return finder.id;
}

Parsed parse_message(std::string_view body) {
  Parsed parsed;
  if (nesting_depth(body, kMaxNesting) > kMaxNesting) {
    parsed.error = Error(lsp::kInvalidRequest, "the message nests arrays and objects deeper than " +
                                                   std::to_string(kMaxNesting) + " levels");
    parsed.error_id = readable_id(body);
    return parsed;
  }
  json message = json::parse(body, nullptr, false);
  if (message.is_discarded()) {
    parsed.error = Error(lsp::kParseError, "the message is not JSON");
    return parsed;
  }
  if (!message.is_object()) {
    parsed.error = Error(lsp::kInvalidRequest, "the message is not a JSON object");
    return parsed;
  }
  Message m;
  const auto id = message.find("id");
  const bool has_id = id != message.end();
  const bool id_valid = has_id && (id->is_number_integer() || id->is_string());
  const auto method = message.find("method");
  if (method == message.end()) {
    m.kind = Message::Kind::kResponse;  // the server asks nothing, so it needs none
    parsed.message = std::move(m);
    return parsed;
  }
  if (!method->is_string() || (has_id && !id_valid)) {
    parsed.error = Error(lsp::kInvalidRequest, "the message has no valid method or id");
    if (id_valid) parsed.error_id = *id;
    return parsed;
  }
  m.kind = has_id ? Message::Kind::kRequest : Message::Kind::kNotification;
  if (has_id) m.id = std::move(*id);
  m.method = method->get<std::string>();
  const auto params = message.find("params");
  m.params = params != message.end() ? std::move(*params) : json::object();
  parsed.message = std::move(m);
  return parsed;
}

int uinteger_field(const json& object, const char* name) {
  const auto it = object.find(name);
  if (it == object.end()) throw Error(lsp::kInvalidParams, std::string("no '") + name + "'");
  // Only an integer stands for a line or a column: 1e20 or 2.5 is refused,
  // never converted.
  if (it->is_number_unsigned() && it->get<uint64_t>() <= std::numeric_limits<int32_t>::max()) {
    return static_cast<int>(it->get<uint64_t>());
  }
  if (it->is_number_integer() && !it->is_number_unsigned() && it->get<int64_t>() >= 0 &&
      it->get<int64_t>() <= std::numeric_limits<int32_t>::max()) {
    return static_cast<int>(it->get<int64_t>());
  }
  throw Error(lsp::kInvalidParams,
              std::string("'") + name + "' is not an integer from 0 to 2147483647");
}

void Outbox::send(const json& message) {
  // Text that is not UTF-8 is replaced rather than thrown on.
  const std::string body = message.dump(-1, ' ', false, json::error_handler_t::replace);
  std::lock_guard lock(mutex_);
  write_message(out_, body);
}

void Outbox::reply_written(const json& id, std::string_view result) {
  // The members in the order dump() gives them.
  std::string body = R"({"id":)";
  body += id.dump(-1, ' ', false, json::error_handler_t::replace);
  body += R"(,"jsonrpc":"2.0","result":)";
  body += result;
  body += '}';
  std::lock_guard lock(mutex_);
  write_message(out_, body);
}

void Outbox::reply(const json& id, const json& result) {
  send({{"jsonrpc", "2.0"}, {"id", id}, {"result", result}});
}

void Outbox::reply_error(const json& id, const Error& error) {
  send({{"jsonrpc", "2.0"},
        {"id", id},
        {"error", {{"code", error.code}, {"message", error.what()}}}});
}

void Outbox::notify(const std::string& method, const json& params) {
  send({{"jsonrpc", "2.0"}, {"method", method}, {"params", params}});
}

void Outbox::request(const json& id, const std::string& method, const json& params) {
  send({{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}});
}

}  // namespace binario::rpc
