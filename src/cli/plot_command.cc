// binario plot: a picture of a line as one SVG, either from a line and a
// train description compiled in memory, or from the binary files a run left
// in a folder.
#include <algorithm>
#include <array>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "cli/commands.h"
#include "cli/report.h"
#include "cli/subcommands.h"
#include "compiler/compile.h"
#include "output/binary_decoders.h"
#include "output/text_encoding.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "plot/line_plot.h"
#include "run/read_descriptions.h"
#include "run/run_report.h"

namespace binario {

namespace {

namespace stdfs = std::filesystem;

struct PlotArgs {
  std::vector<std::string> inputs;  // LINE TRAIN, or DIR
  std::string output;               // empty: beside the inputs
};

bool same_file(const std::string& a, const std::string& b) {
  std::error_code ec;
  return stdfs::equivalent(a, b, ec) && !ec;
}

// Compiles LINE and TRAIN in memory, as `compile` would, without writing
// anything. Returns the exit status; `plot` is filled when there is a model.
int plot_from_descriptions(const std::string& line, const std::string& train, LinePlot* plot,
                           std::string* default_output, std::ostream& err) {
  const std::string name = name_from_line_file(line).value_or(stdfs::path(line).stem().string());
  const std::string number = number_from_train_file(train, name).value_or("");

  RealFileSystem fs;
  CompileInput input;
  input.nome_percorso = utf8_to_windows1252(name).value_or(name);
  input.numero_treno = utf8_to_windows1252(number).value_or(number);
  input.calcola_linea = true;
  read_descriptions(fs, line, line, train, train, &input);
  const CompileResult result = compile(input);
  // As the run does, a taken reserved slot shows its box before the report.
  if (result.end == CompileEnd::kSlotTaken) {
    make_console_ui()->errore(std::to_string(result.taken_slot()));
  }
  const RunReport report = compile_report(result);
  print_text_report(err, result.status, report);
  const int status = exit_status(report, result.status);
  if (report.end != RunEnd::kCompiled) return status;

  *plot = build_line_plot(line_data_from_model(result.model));
  const std::string stem = number.empty() ? name : name + "_" + number;
  *default_output = join_path(stdfs::path(line).parent_path().string(), stem + ".svg");
  return status;
}

// Reads the files a run left in `dir`, found by their endings.
int plot_from_folder(const std::string& dir, LinePlot* plot, std::string* default_output,
                     std::ostream& err) {
  std::error_code ec;
  if (!stdfs::is_directory(dir, ec)) {
    err << "binario: '" << dir
        << "' is not a folder: give a folder that holds a run's files, or LINE and TRAIN\n";
    return kExitUsage;
  }
  std::array<std::vector<std::string>, 3> found;  // cells, train table, geometry
  for (const stdfs::directory_entry& e : stdfs::directory_iterator(dir, ec)) {
    if (!e.is_regular_file(ec)) continue;
    const std::string path = e.path().string();
    switch (binary_kind_from_name(e.path().filename().string())) {
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
  if (ec) {
    err << "binario: cannot list the folder '" << dir << "': " << ec.message() << '\n';
    return kExitRefused;
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

  RealFileSystem fs;
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
  *default_output =
      join_path(dir, stdfs::path(found[0][0]).filename().replace_extension(".svg").string());
  return kExitClean;
}

int plot_command(const PlotArgs& args, std::ostream& out, std::ostream& err) {
  LinePlot plot;
  std::string default_output;
  int status = 0;
  if (args.inputs.size() == 2) {
    for (const std::string& input : args.inputs) {
      if (!args.output.empty() && same_file(args.output, input)) {
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
