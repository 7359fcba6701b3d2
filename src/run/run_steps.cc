#include "run/run_steps.h"

#include <vector>

#include "run/read_descriptions.h"
#include "timing/run_checks.h"

namespace binario {

CompileInput read_step(FileSystem& fs, const ReadPlan& plan) {
  CompileInput input;
  input.model_name = plan.model_name;
  input.model_number = plan.model_number;
  input.with_geometry = plan.with_geometry;
  input.extra_diagnostics = plan.extra_diagnostics;
  // With the warnings come those of the train's run.
  if (plan.extra_diagnostics) input.more_checks = check_run;
  read_descriptions(fs, plan.line_path, plan.line_name, plan.train_path, plan.train_name, &input);
  return input;
}

namespace {

void remove_source(FileSystem& fs, const CommitPlan& plan, const std::string& path,
                   std::vector<std::string>* errors) {
  if (!plan.delete_sources || !fs.exists(path)) return;
  std::string error;
  if (!fs.remove_file(path, &error)) errors->push_back(path + ": " + error);
}

}  // namespace

RunReport commit_step(FileSystem& fs, const CommitPlan& plan, const CompileInput& input,
                      const CompileResult& result) {
  RunReport report;
  if (result.texts_read != TextsRead::kNone) {
    remove_source(fs, plan, plan.line_path, &report.delete_errors);
  }
  if (result.texts_read == TextsRead::kBoth) {
    remove_source(fs, plan, plan.train_path, &report.delete_errors);
  }

  switch (result.end) {
    case CompileEnd::kModelNeverBuilt:
      report.end = RunEnd::kModelNeverBuilt;
      return report;
    case CompileEnd::kSlotTaken:
      report.end = RunEnd::kStopped;
      return report;
    case CompileEnd::kCompiled:
      break;
  }

  if (plan.refuse_unopened && a_description_unopened(input)) {
    report.end = RunEnd::kInputUnopened;
    return report;
  }
  if (plan.write_outputs && !write_binary_files(fs, plan.outputs, result.model, plan.with_geometry,
                                                &report, plan.texts)) {
    report.end = RunEnd::kFileError;
    return report;
  }
  if (!report.delete_errors.empty()) report.end = RunEnd::kFileError;
  return report;
}

RunReport unwritten_report(const CompileInput& input, const CompileResult& result) {
  RunReport report = compile_report(result);
  if (a_description_unopened(input)) report.end = RunEnd::kInputUnopened;
  return report;
}

}  // namespace binario
