// binario plot: a picture of a line as one SVG, either from a line and a
// train description compiled in memory, or from the binary files a run left
// in a folder.
#include <algorithm>
#include <array>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/report.h"
#include "cli/subcommands.h"
#include "cli/text_encoding.h"
#include "output/binary_decoders.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "plot/line_plot.h"
#include "run/form1.h"

namespace binario {

namespace {

constexpr int kExitRefused = 3;
constexpr int kExitFileError = 5;

struct PlotArgs {
  std::vector<std::string> inputs;  // LINE TRAIN, or DIR
  std::string output;               // empty: beside the inputs
};

// Compiles LINE and TRAIN in memory, as `compile` would, without writing
// anything. Returns the exit status; `plot` is filled when there is a model.
int plot_from_descriptions(const std::string& line, const std::string& train, LinePlot* plot,
                           std::string* default_output, std::ostream& err) {
  const std::string name = name_from_line_file(line).value_or(path_stem(line));
  const std::string number = number_from_train_file(train, name).value_or("");

  auto ui = make_console_ui();
  RealFileSystem fs;
  Form1 form(fs, *ui);
  form.nome_percorso = name;
  form.numero_treno = number;
  form.nome_percorso_modello = utf8_to_windows1252(name).value_or(name);
  form.numero_treno_modello = utf8_to_windows1252(number).value_or(number);
  form.line_text_path = line;
  form.train_text_path = train;
  form.line_display_name = line;
  form.train_display_name = train;
  form.delete_sources = false;
  form.write_outputs = false;

  const RunReport report = form.memorizza_percorso(1);
  print_text_report(err, form.status, report);
  const int status = exit_status(report, form.status);
  if (report.end != RunEnd::kCompiled) return status;

  *plot = build_line_plot(line_data_from_model(form.model));
  const std::string stem = number.empty() ? name : name + "_" + number;
  *default_output = join_path(path_parent(line), stem + ".svg");
  return status;
}

// Reads the files a run left in `dir`, found by their endings.
int plot_from_folder(const std::string& dir, LinePlot* plot, std::string* default_output,
                     std::ostream& err) {
  RealFileSystem fs;
  if (!fs.is_directory(dir)) {
    err << "binario: '" << dir
        << "' is not a folder: give a folder that holds a run's files, or LINE and TRAIN\n";
    return kExitUsage;
  }
  std::array<std::vector<std::string>, 3> found;  // cells, train table, geometry
  std::vector<std::string> names;
  std::string list_error;
  if (!fs.list_files(dir, &names, &list_error)) {
    err << "binario: cannot list the folder '" << dir << "': " << list_error << '\n';
    return kExitRefused;
  }
  for (const std::string& name : names) {
    const std::string path = join_path(dir, name);
    switch (binary_kind_from_name(name)) {
      case BinaryKind::kCells:
        found[0].push_back(path);
        break;
      case BinaryKind::kTrainTable:
        found[1].push_back(path);
        break;
      case BinaryKind::kGeometry:
        found[2].push_back(path);
        break;
      case BinaryKind::kUnknown:
        break;
    }
  }
  const char* what[] = {"track cells file (NAME_NUM.dat)", "train table (NAME_NUM.sim)",
                        "plan geometry (NAME_linea.dat)"};
  for (size_t i = 0; i < found.size(); ++i) {
    std::sort(found[i].begin(), found[i].end());
    if (found[i].size() > 1) {
      err << "binario: more than one " << what[i] << " in '" << dir << "':";
      for (const std::string& f : found[i]) err << ' ' << f;
      err << "\n";
      return kExitUsage;
    }
    if (found[i].empty() && i < 2) {
      err << "binario: no " << what[i] << " in '" << dir << "'\n";
      return kExitRefused;
    }
  }

  std::string bytes;
  std::string reason;
  DecodeError error;
  auto read = [&](const std::string& path) {
    if (fs.read_file(path, &bytes, &reason)) return true;
    err << path << ": error: cannot read the file: " << reason << '\n';
    return false;
  };
  auto refused = [&](const std::string& path) {
    err << path << ": error: at byte " << error.offset << ": expected " << error.expected << '\n';
    return kExitRefused;
  };

  std::vector<Cella> cells;
  if (!read(found[0][0])) return kExitRefused;
  if (!decode_cells(bytes, &cells, &error)) return refused(found[0][0]);
  auto treno = std::make_unique<std::array<VoceTreno, kTrenoEntries>>();
  if (!read(found[1][0])) return kExitRefused;
  if (!decode_train_table(bytes, treno.get(), &error)) return refused(found[1][0]);
  std::optional<DecodedGeometry> geometry;
  if (!found[2].empty()) {
    if (!read(found[2][0])) return kExitRefused;
    geometry.emplace();
    if (!decode_geometry(bytes, &*geometry, &error)) return refused(found[2][0]);
  }
  bytes = std::string();

  *plot = build_line_plot(
      line_data_from_records(std::move(cells), *treno, geometry ? &*geometry : nullptr));
  *default_output = join_path(dir, path_stem(found[0][0]) + ".svg");
  return 0;
}

int plot_command(const PlotArgs& args, std::ostream& out, std::ostream& err) {
  LinePlot plot;
  std::string default_output;
  int status = 0;
  if (args.inputs.size() == 2) {
    for (const std::string& input : args.inputs) {
      if (!args.output.empty() && RealFileSystem().same_file(args.output, input)) {
        err << "binario: the picture '" << args.output << "' would replace an input file\n";
        return kExitUsage;
      }
    }
    status = plot_from_descriptions(args.inputs[0], args.inputs[1], &plot, &default_output, err);
    if (status != 0 && status != 1) return status;
  } else {
    status = plot_from_folder(args.inputs[0], &plot, &default_output, err);
    if (status != 0) return status;
  }

  const std::string output = args.output.empty() ? default_output : args.output;
  const std::string svg = render_line_plot(plot, windows1252_to_utf8);
  RealFileSystem fs;
  std::string error;
  if (!write_whole_file(fs, output, svg, &error)) {
    err << output << ": error: cannot write the picture: " << error << '\n';
    return kExitFileError;
  }
  out << output << '\n';
  return status;
}

}  // namespace

Subcommand add_plot_command(CLI::App& app) {
  auto args = std::make_shared<PlotArgs>();
  CLI::App* cmd = app.add_subcommand(
      "plot",
      "Draw a line as one SVG: its plan and its profile (elevation, speed limits, signals, "
      "stations, slowdowns, boards, mountain spans)");
  cmd->add_option("INPUT", args->inputs,
                  "LINE TRAIN (two descriptions, compiled in memory), or DIR (the folder of a "
                  "run's binary files)")
      ->required()
      ->expected(1, 2);
  cmd->add_option("-o,--output", args->output,
                  "The SVG file (default: NAME_NUM.svg beside LINE, or beside the files in DIR)");
  return {cmd, [args] { return plot_command(*args, std::cout, std::cerr); }};
}

}  // namespace binario
