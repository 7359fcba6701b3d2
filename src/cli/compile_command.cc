#include <filesystem>
#include <iostream>
#include <memory>
#include <system_error>

#include "cli/commands.h"
#include "cli/report.h"
#include "cli/subcommands.h"
#include "output/text_encoding.h"
#include "run/form1.h"

namespace binario {

namespace {

namespace stdfs = std::filesystem;

std::string base_name(const std::string& path) {
  return stdfs::path(path).filename().string();
}

bool ends_with(const std::string& s, const std::string& suffix) {
  return s.size() >= suffix.size() &&
         s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool same_file(const std::string& a, const std::string& b) {
  std::error_code ec;
  if (stdfs::equivalent(a, b, ec) && !ec) return true;
  stdfs::path ca = stdfs::weakly_canonical(a, ec);
  if (ec) return false;
  stdfs::path cb = stdfs::weakly_canonical(b, ec);
  return !ec && ca == cb;
}

}  // namespace

std::optional<std::string> name_from_line_file(const std::string& path) {
  const std::string base = base_name(path);
  const std::string suffix = "_linea.txt";
  if (!ends_with(base, suffix)) return std::nullopt;
  return base.substr(0, base.size() - suffix.size());
}

std::optional<std::string> number_from_train_file(const std::string& path,
                                                  const std::string& name) {
  const std::string base = base_name(path);
  const std::string prefix = name + "_";
  const std::string suffix = "-.txt";
  if (base.size() < prefix.size() + suffix.size() || base.compare(0, prefix.size(), prefix) != 0 ||
      !ends_with(base, suffix)) {
    return std::nullopt;
  }
  return base.substr(prefix.size(), base.size() - prefix.size() - suffix.size());
}

std::optional<int> author_pair_names(const CompileOptions& options, AuthorPairNames* names,
                                     std::ostream& err) {
  std::optional<std::string> name = options.name ? options.name : name_from_line_file(options.line);
  if (!name) {
    err << "binario: cannot tell the scenario name from '" << options.line
        << "' (expected NAME_linea.txt); give it with --name\n";
    return kExitUsage;
  }
  std::optional<std::string> number =
      options.number ? options.number : number_from_train_file(options.train, *name);
  if (!number) {
    err << "binario: cannot tell the train number from '" << options.train << "' (expected "
        << *name << "_NUMBER-.txt); give it with --number\n";
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

std::optional<int> set_up_author_pair(const CompileOptions& options, Form1& form,
                                      std::ostream& err) {
  AuthorPairNames names;
  if (std::optional<int> usage = author_pair_names(options, &names, err)) return usage;
  form.nome_percorso = names.name;
  form.numero_treno = names.number;
  form.nome_percorso_modello = names.model_name;
  form.numero_treno_modello = names.model_number;
  form.line_text_path = options.line;
  form.train_text_path = options.train;
  form.line_display_name = options.line;
  form.train_display_name = options.train;
  form.output_dir = options.output_dir.empty() ? stdfs::path(options.line).parent_path().string()
                                               : options.output_dir;
  form.delete_sources = false;
  return std::nullopt;
}

int report_author_pair(const CompileOptions& options, const Status& status, const RunReport& report,
                       std::ostream& out, std::ostream& err) {
  if (options.json) {
    out << json_report(status, report);
  } else {
    print_text_report(err, status, report);
  }
  return exit_status(report, status);
}

int compile_command(const CompileOptions& options, FileSystem& fs, Ui& ui, std::ostream& out,
                    std::ostream& err) {
  Form1 form(fs, ui);
  if (std::optional<int> usage = set_up_author_pair(options, form, err)) return *usage;

  // The inputs are never touched: refuse an output name that is one of them.
  const FileNames outputs = file_names(form.output_dir, form.nome_percorso, form.numero_treno);
  for (const std::string* o : {&outputs.geometry, &outputs.train_table, &outputs.cells}) {
    if (same_file(*o, options.line) || same_file(*o, options.train)) {
      err << "binario: the output '" << *o << "' would replace an input file\n";
      return kExitUsage;
    }
  }

  if (!options.output_dir.empty()) {
    std::error_code ec;
    stdfs::create_directories(options.output_dir, ec);
    if (ec) {
      err << "binario: cannot create the folder '" << options.output_dir << "': " << ec.message()
          << '\n';
      return kExitFileError;
    }
  }

  RunReport report = form.memorizza_percorso(options.no_geometry ? 0 : 1);
  return report_author_pair(options, form.status, report, out, err);
}

std::function<CompileOptions()> add_author_pair_arguments(CLI::App* cmd) {
  struct Args {
    CompileOptions options;
    std::string name;
    std::string number;
    CLI::Option* name_opt = nullptr;
    CLI::Option* number_opt = nullptr;
  };
  auto args = std::make_shared<Args>();
  cmd->add_option("LINE", args->options.line, "The line description (NAME_linea.txt)")->required();
  cmd->add_option("TRAIN", args->options.train, "The train description (NAME_NUMBER-.txt)")
      ->required();
  args->name_opt =
      cmd->add_option("--name", args->name, "Scenario name (default: from LINE's file name)");
  args->number_opt =
      cmd->add_option("--number", args->number, "Train number (default: from TRAIN's file name)");
  cmd->add_flag("--no-geometry", args->options.no_geometry,
                "Read no curves and write no geometry file");
  cmd->add_flag("--json", args->options.json, "Print the outcome as one JSON object");
  return [args] {
    CompileOptions options = args->options;
    if (*args->name_opt) options.name = args->name;
    if (*args->number_opt) options.number = args->number;
    return options;
  };
}

Subcommand add_compile_command(CLI::App& app) {
  CLI::App* cmd = app.add_subcommand(
      "compile", "Compile a line description and a train description into the binary files");
  auto output_dir = std::make_shared<std::string>();
  cmd->add_option("-o,--output", *output_dir,
                  "Folder for the binary files (default: the folder of LINE)");
  std::function<CompileOptions()> options = add_author_pair_arguments(cmd);
  return {cmd, [options, output_dir] {
            CompileOptions o = options();
            o.output_dir = *output_dir;
            RealFileSystem fs;
            auto ui = make_console_ui();
            return compile_command(o, fs, *ui, std::cout, std::cerr);
          }};
}

}  // namespace binario
