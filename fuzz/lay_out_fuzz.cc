// Laying a description out in columns over arbitrary texts. The input is
// split as the whole-compile target splits it: before its first NUL or SOH
// byte the line description, after it the train description. Whatever the
// texts, laying out never makes a text compile differently (the layout
// compiles the laid-out text again to know, and would refuse it), and a
// laid-out text, laid out again, changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/compile.h"
#include "format/lay_out.h"
#include "fuzz_check.h"

namespace {

using namespace binario;

void check_role(const CompileInput& in, DescriptionFile role) {
  const LaidOut once = lay_out_description(in, role);
  const std::string& text = role == DescriptionFile::kLine ? in.line.text : in.train.text;
  // A text the compile did not read is left whole; no text the compile read
  // would compile differently laid out (that too would be refused and left
  // whole, but it would mean a message or a reading depends on blanks the
  // reader drops).
  if (!once.refused.empty()) {
    FUZZ_CHECK(once.refused.find("differently") == std::string::npos);
    FUZZ_CHECK(!once.changed);
    FUZZ_CHECK(once.text == text);
    return;
  }
  if (!once.changed) {
    FUZZ_CHECK(once.text == text);
    return;
  }
  CompileInput again = in;
  (role == DescriptionFile::kLine ? again.line.text : again.train.text) = once.text;
  const LaidOut twice = lay_out_description(again, role);
  FUZZ_CHECK(twice.refused.empty());
  FUZZ_CHECK(!twice.changed);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  bool geometry_asked = false;
  CompileInput in = fuzz::pair_of_input(data, size, &geometry_asked);
  // The plan geometry of a long line costs seconds a run; the layout does
  // not touch curves differently from any other record.
  in.with_geometry = false;
  check_role(in, DescriptionFile::kLine);
  check_role(in, DescriptionFile::kTrain);
  return 0;
}
