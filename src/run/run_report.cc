#include "run/run_report.h"

namespace binario {

ExitStatus exit_status(const RunReport& report, const Status& status) {
  switch (report.end) {
    case RunEnd::kModelNeverBuilt:
    case RunEnd::kInputUnopened:
    case RunEnd::kKeptDescription:
      return kExitRefused;
    case RunEnd::kStopped:
      return kExitStopped;
    case RunEnd::kFileError:
      return kExitFileError;
    case RunEnd::kCompiled:
      break;
  }
  return status.codice_errore() == 0 ? kExitClean : kExitFault;
}

ExitStatus strict_exit_status(ExitStatus status, const Status& compile_status) {
  if (status == kExitClean && !compile_status.diagnostics().empty()) return kExitFault;
  return status;
}

RunReport compile_report(const CompileResult& result) {
  RunReport report;
  switch (result.end) {
    case CompileEnd::kCompiled:
      report.end = RunEnd::kCompiled;
      break;
    case CompileEnd::kModelNeverBuilt:
      report.end = RunEnd::kModelNeverBuilt;
      break;
    case CompileEnd::kSlotTaken:
      report.end = RunEnd::kStopped;
      break;
  }
  return report;
}

}  // namespace binario
