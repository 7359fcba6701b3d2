// Laying a description out in columns over arbitrary texts. The input is
// split as the whole-compile target splits it: before its first NUL or SOH
// byte the line description, after it the train description. Whatever the
// texts, the laid-out text compiles to the same bytes, status pair and
// diagnostics (lay_out_description checks that and refuses otherwise: a
// refusal for that reason is a fault of the layout), and laying it out again
// changes nothing.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/compile.h"
#include "format/lay_out.h"
#include "fuzz_check.h"

namespace {

using namespace binario;

void check_role(const CompileInput& in, DescriptionRole role) {
  const LaidOut once = lay_out_description(in, role);
  FUZZ_CHECK(once.refused.find("differently") == std::string::npos);
  if (!once.changed) return;
  CompileInput again = in;
  (role == DescriptionRole::kLine ? again.line.text : again.train.text) = once.text;
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
  in.calcola_linea = false;
  check_role(in, DescriptionRole::kLine);
  check_role(in, DescriptionRole::kTrain);
  return 0;
}
