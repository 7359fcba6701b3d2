#include "cli/author_pair.h"

#include <memory>
#include <optional>
#include <string>

#include "cli/report.h"
#include "output/file_naming.h"
#include "output/text_encoding.h"
#include "platform/paths.h"
#include "run/file_names.h"
#include "run/run_steps.h"

namespace binario {

std::optional<std::string> name_from_line_file(const std::string& path) {
  return name_from_line_text(path_file_name(path));
}

std::optional<std::string> number_from_train_file(const std::string& path,
                                                  const std::string& name) {
  return number_from_train_text(path_file_name(path), name);
}

void add_run_rate_options(Command* cmd, std::optional<double>* acceleration,
                          std::optional<double>* braking) {
  cmd->add_option("--acceleration", acceleration,
                  "The rate the train speeds up at on the level, m/s\xC2\xB2 (default 0.5)")
      .type_name("A");
  cmd->add_option("--braking", braking,
                  "The rate the train brakes at on the level, m/s\xC2\xB2 (default: from the "
                  "braked-mass percentage)")
      .type_name("B");
}

std::optional<int> refuse_run_rates(std::optional<double> acceleration,
                                    std::optional<double> braking, std::ostream& err) {
  for (std::optional<double> rate : {acceleration, braking}) {
    if (rate && !(*rate > 0 && *rate <= 10)) {
      err << "binario: a rate must be above 0 and at most 10 m/s\xC2\xB2\n";
      return kExitUsage;
    }
  }
  return std::nullopt;
}

std::optional<int> author_pair_names(const CompileOptions& options, AuthorPairNames* names,
                                     std::ostream& err) {
  std::optional<std::string> name = options.name ? options.name : name_from_line_file(options.line);
  const std::string line_base = path_file_name(options.line);
  const std::string train_base = path_file_name(options.train);
  if (!name) {
    // Named as a train and a line the other way round: the files were swapped.
    if (train_text_stem(line_base) && name_from_line_text(train_base)) {
      err << "binario: '" << escaped_utf8(options.line) << "' is named as a train description and '"
          << escaped_utf8(options.train)
          << "' as a line description: the two seem given in swapped order; give the line "
             "description first, then the train description\n";
      return kExitUsage;
    }
    err << "binario: cannot tell the scenario name from '" << escaped_utf8(options.line)
        << "' (expected NAME_linea.txt); give it with --name\n";
    return kExitUsage;
  }
  std::optional<std::string> number =
      options.number ? options.number : number_from_train_file(options.train, *name);
  if (!number) {
    // A train named NAME_NUM-.txt for another NAME belongs to another line:
    // --number would pair the two in silence.
    if (train_text_stem(train_base)) {
      err << "binario: '" << escaped_utf8(options.train) << "' is not named for the scenario '"
          << escaped_utf8(*name) << "' of '" << escaped_utf8(options.line) << "' (expected "
          << escaped_utf8(*name)
          << "_NUMBER-.txt): is it the train of another line? give the train description "
             "of this line, or --name and --number to pair the two as they are\n";
      return kExitUsage;
    }
    err << "binario: cannot tell the train number from '" << escaped_utf8(options.train)
        << "' (expected " << escaped_utf8(*name) << "_NUMBER-.txt); give it with --number\n";
    return kExitUsage;
  }
  if (std::optional<std::string> refusal = windows_name_refusal(*name, *number)) {
    err << "binario: " << *refusal << "; give another with --name or --number\n";
    return kExitUsage;
  }
  std::optional<std::string> model_name = utf8_to_windows1252(*name);
  std::optional<std::string> model_number = utf8_to_windows1252(*number);
  if (!model_name || !model_number) {
    err << "binario: the scenario name and the train number must be text that Windows-1252 "
           "can hold\n";
    return kExitUsage;
  }
  names->name = *name;
  names->number = *number;
  names->model_name = *model_name;
  names->model_number = *model_number;
  return std::nullopt;
}

std::string author_output_dir(const CompileOptions& options) {
  return options.output_dir.empty() ? path_parent(options.line) : options.output_dir;
}

CompileInput read_author_pair(const CompileOptions& options, const AuthorPairNames& names,
                              FileSystem& fs, bool records_read) {
  ReadPlan plan;
  plan.line_path = options.line;
  plan.train_path = options.train;
  plan.model_name = names.model_name;
  plan.model_number = names.model_number;
  plan.with_geometry = !options.no_geometry;
  plan.extra_diagnostics = true;
  CompileInput input = read_step(fs, plan);
  input.records_read = records_read;
  return input;
}

CommitPlan author_commit_plan(const CompileOptions& options, const AuthorPairNames& names) {
  CommitPlan plan;
  plan.line_path = options.line;
  plan.train_path = options.train;
  plan.delete_sources = false;
  plan.refuse_unopened = true;
  plan.outputs = file_names(author_output_dir(options), names.name, names.number);
  plan.with_geometry = !options.no_geometry;
  return plan;
}

CompileResult compile_author_pair(const CompileOptions& options, const AuthorPairNames& names,
                                  FileSystem& fs, RunReport* report, bool records_read) {
  const CompileInput input = read_author_pair(options, names, fs, records_read);
  CompileResult result = compile(input);
  if (report) *report = unwritten_report(input, result);
  return result;
}

int report_author_pair(const CompileOptions& options, const Status& status, const RunReport& report,
                       std::ostream& out, std::ostream& err) {
  if (options.json) {
    out << json_report(status, report);
  } else {
    print_text_report(err, status, report);
  }
  const ExitStatus exit = exit_status(report, status);
  return options.strict ? strict_exit_status(exit, status) : exit;
}

std::function<CompileOptions()> add_author_pair_arguments(Command* cmd) {
  struct Args {
    CompileOptions options;
    std::string name;
    std::string number;
    const Argument* name_opt = nullptr;
    const Argument* number_opt = nullptr;
  };
  auto args = std::make_shared<Args>();
  cmd->add_option("LINE", &args->options.line, "The line description (NAME_linea.txt)")
      .required()
      .type_name("FILE");
  cmd->add_option("TRAIN", &args->options.train, "The train description (NAME_NUMBER-.txt)")
      .required()
      .type_name("FILE");
  args->name_opt =
      &cmd->add_option("--name", &args->name, "Scenario name (default: from LINE's file name)")
           .type_name("NAME");
  args->number_opt =
      &cmd->add_option("--number", &args->number, "Train number (default: from TRAIN's file name)")
           .type_name("NUM");
  cmd->add_flag("--no-geometry", &args->options.no_geometry,
                "Read no curves and write no geometry file");
  cmd->add_flag("--json", &args->options.json, "Print the outcome as one JSON object");
  cmd->add_flag("--strict", &args->options.strict,
                "Any fault or warning ends with exit status 1 (compile then writes nothing)");
  return [args] {
    CompileOptions options = args->options;
    if (args->name_opt->given()) options.name = args->name;
    if (args->number_opt->given()) options.number = args->number;
    return options;
  };
}

}  // namespace binario
