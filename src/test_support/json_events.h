// A SAX handler that writes down every event of a JSON parse as a short
// string, to hold one parser's events to another's: the language server's
// quick reader of large edits against the whole parser.
#pragma once

#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

namespace binario::test {

// Writes down every event, and refuses the one numbered `stop_at`.
class JsonEventRecorder : public nlohmann::json_sax<nlohmann::json> {
 public:
  explicit JsonEventRecorder(size_t stop_at = SIZE_MAX) : stop_at_(stop_at) {}
  std::vector<std::string> events;

  bool null() override { return add("null"); }
  bool boolean(bool v) override { return add(v ? "true" : "false"); }
  bool number_integer(number_integer_t v) override { return add("i" + std::to_string(v)); }
  bool number_unsigned(number_unsigned_t v) override { return add("u" + std::to_string(v)); }
  bool number_float(number_float_t, const string_t& s) override { return add("f" + s); }
  bool string(string_t& v) override { return add("s" + v); }
  bool binary(binary_t&) override { return add("binary"); }
  bool start_object(std::size_t n) override { return add("{" + std::to_string(n)); }
  bool key(string_t& k) override { return add("k" + k); }
  bool end_object() override { return add("}"); }
  bool start_array(std::size_t n) override { return add("[" + std::to_string(n)); }
  bool end_array() override { return add("]"); }
  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
    return false;
  }

 private:
  bool add(std::string event) {
    events.push_back(std::move(event));
    return events.size() - 1 != stop_at_;
  }
  size_t stop_at_;
};

}  // namespace binario::test
