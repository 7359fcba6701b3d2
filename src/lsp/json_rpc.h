// The JSON-RPC envelope of the protocol: a message body read into a request,
// a notification or a response, and replies and notifications written back
// as framed messages. Nothing here knows a method.
#pragma once

#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

#include "lsp/protocol.h"

namespace binario::rpc {

// The deepest a message may nest arrays and objects. The protocol's deepest
// messages nest about ten levels; a cap keeps every later step (parsing,
// copying, freeing, which recurse) from running out of stack.
inline constexpr int kMaxNesting = 64;

// An error answered to a request; thrown by a method's handler.
struct Error : std::runtime_error {
  Error(int code, const std::string& message) : std::runtime_error(message), code(code) {}
  int code;
};

struct Message {
  enum class Kind { kRequest, kNotification, kResponse };
  Kind kind = Kind::kNotification;
  nlohmann::json id;      // a request's: an integer or a string
  std::string method;     // empty for a response
  nlohmann::json params;  // an object when the message had none
};

// A body as read: the message, or the error to answer with the id it
// carried (null when none could be told).
struct Parsed {
  std::optional<Message> message;
  std::optional<Error> error;
  nlohmann::json error_id;
};

// Reads one message body. The body is never nested deeper than kMaxNesting
// when it reaches the JSON parser.
Parsed parse_message(std::string_view body);

// The integer or string "id" of the JSON object `body`, read however deep
// the object nests; null when the body is not JSON or has no such id.
nlohmann::json readable_id(std::string_view body);

// The "params.textDocument.uri" of the message `body` when its "method" is
// `method`, read without building the message: reading stops once both are
// read, or once the method is read and is another. Nothing when the body
// names another method or no such URI, or is not JSON up to where reading
// stopped (the full parse then says what is wrong).
std::optional<std::string> document_of(std::string_view body, std::string_view method);

// How deep `body` nests arrays and objects, strings left out; counting stops
// once `limit` is passed.
int nesting_depth(std::string_view body, int limit);

// A non-negative 32-bit integer field of `object` (a line, a character), or
// Error kInvalidParams when it is missing, not an integer or out of range.
int uinteger_field(const nlohmann::json& object, const char* name);

// Framed messages to the client, whole and in order from any thread.
class Outbox {
 public:
  explicit Outbox(std::ostream& out) : out_(out) {}
  void reply(const nlohmann::json& id, const nlohmann::json& result);
  // A reply whose result is already written as JSON text: a large result
  // (the edits of a large document) costs one string, not a tree of values.
  void reply_written(const nlohmann::json& id, std::string_view result);
  void reply_error(const nlohmann::json& id, const Error& error);
  void notify(const std::string& method, const nlohmann::json& params);
  // A request of the server's own to the client; its answer is not waited for.
  void request(const nlohmann::json& id, const std::string& method, const nlohmann::json& params);

 private:
  void send(const nlohmann::json& message);

  std::mutex mutex_;
  std::ostream& out_;
};

}  // namespace binario::rpc
