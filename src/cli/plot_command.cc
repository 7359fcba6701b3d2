// binario plot: a picture of a line as one SVG, either from a line and a
// train description compiled in memory, or from the binary files a run left
// in a folder.
#include <algorithm>
#include <array>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/decode_file.h"
#include "cli/report.h"
#include "cli/subcommands.h"
#include "compiler/compile.h"
#include "output/binary_decoders.h"
#include "output/text_encoding.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "plot/line_plot.h"
#include "run/run_report.h"
#include "run/run_steps.h"

namespace binario {

namespace {

// Compiles LINE and TRAIN in memory, as `compile` would, without writing
// anything. Returns the exit status; `plot` is filled when there is a model.
int plot_from_descriptions(FileSystem& fs, const std::string& line, const std::string& train,
                           bool strict, LinePlot* plot, std::string* default_output,
                           std::ostream& err) {
  const std::string name = name_from_line_file(line).value_or(path_stem(line));
  const std::string number = number_from_train_file(train, name).value_or("");

  ReadPlan read;
  read.line_path = line;
  read.train_path = train;
  read.model_name = utf8_to_windows1252(name).value_or(name);
  read.model_number = utf8_to_windows1252(number).value_or(number);
  read.with_geometry = true;
  read.extra_diagnostics = true;
  const CompileResult result = compile(read_step(fs, read));
  // As the run does, a taken reserved slot shows its box before the report.
  if (result.end == CompileEnd::kSlotTaken) {
    make_console_ui()->errore(std::to_string(result.taken_slot()));
  }
  const RunReport report = compile_report(result);
  print_text_report(err, result.status, report);
  const ExitStatus exit = exit_status(report, result.status);
  const int status = strict ? strict_exit_status(exit, result.status) : exit;
  if (report.end != RunEnd::kCompiled) return status;

  *plot = build_line_plot(line_data_from_model(result.model));
  const std::string stem = number.empty() ? name : name + "_" + number;
  *default_output = join_path(path_parent(line), stem + ".svg");
  return status;
}

// A picture named over a file it is drawn from is refused before anything
// is read or written.
std::optional<int> refuse_input_as_output(FileSystem& fs, const std::string& output,
                                          const std::vector<std::string>& inputs,
                                          std::ostream& err) {
  if (output.empty() || !input_named_by(fs, output, inputs)) return std::nullopt;
  err << "binario: the picture '" << escaped_utf8(output) << "' would replace an input file\n";
  return kExitUsage;
}

// Reads the files a run left in `dir`, found by their endings; `output` is
// the picture asked for, if one was.
int plot_from_folder(FileSystem& fs, const std::string& dir, const std::string& output,
                     LinePlot* plot, std::string* default_output, std::ostream& err) {
  RunFiles files;
  if (std::optional<int> status = find_run_files(fs, dir, "LINE and TRAIN", &files, err))
    return *status;
  if (std::optional<int> status = refuse_input_as_output(
          fs, output, {files.cells, files.train_table, files.geometry.value_or("")}, err))
    return *status;

  std::vector<Cella> cells;
  if (!decode_file(fs, files.cells, err, [&](std::string_view bytes, DecodeError* e) {
        return decode_cells(bytes, &cells, e);
      })) {
    return kExitRefused;
  }
  auto treno = std::make_unique<std::array<VoceTreno, kTrenoEntries>>();
  if (!decode_file(fs, files.train_table, err, [&](std::string_view bytes, DecodeError* e) {
        return decode_train_table(bytes, treno.get(), e);
      })) {
    return kExitRefused;
  }
  std::optional<DecodedGeometry> geometry;
  if (files.geometry) {
    geometry.emplace();
    if (!decode_file(fs, *files.geometry, err, [&](std::string_view bytes, DecodeError* e) {
          return decode_geometry(bytes, &*geometry, e);
        })) {
      return kExitRefused;
    }
  }

  // Files of different compiles would draw one line's objects over another's track.
  if (const std::optional<std::string> why =
          files_disagree(cells.size(), *treno, geometry ? &*geometry : nullptr)) {
    err << "binario: the files in '" << escaped_utf8(dir) << "' are not of one compile: " << *why
        << '\n';
    return kExitRefused;
  }
  *plot = build_line_plot(
      line_data_from_records(std::move(cells), *treno, geometry ? &*geometry : nullptr));
  *default_output = join_path(dir, path_stem(files.cells) + ".svg");
  return kExitClean;
}

}  // namespace

int plot_command(const PlotArgs& args, FileSystem& fs, std::ostream& out, std::ostream& err) {
  LinePlot plot;
  std::string default_output;
  int status = 0;
  if (args.inputs.size() == 2) {
    if (std::optional<int> refused = refuse_input_as_output(fs, args.output, args.inputs, err))
      return *refused;
    status = plot_from_descriptions(fs, args.inputs[0], args.inputs[1], args.strict, &plot,
                                    &default_output, err);
    if (status != 0 && status != 1) return status;
  } else {
    status = plot_from_folder(fs, args.inputs[0], args.output, &plot, &default_output, err);
    if (status != 0) return status;
  }

  const std::string output = args.output.empty() ? default_output : args.output;
  const std::string svg = render_line_plot(plot, windows1252_to_utf8);
  std::string error;
  if (!write_whole_file(fs, output, svg, &error)) {
    err << escaped_utf8(output) << ": error: cannot write the picture: " << error << '\n';
    return kExitFileError;
  }
  out << escaped_utf8(output) << '\n';
  return status;
}

Subcommand add_plot_command(Command& program) {
  auto args = std::make_shared<PlotArgs>();
  Command* cmd = &program.add_subcommand(
      "plot",
      "Draw a line as one SVG: its plan and its profile (elevation, speed limits, signals, "
      "stations, times against the fastest run, slowdowns, boards, mountain spans)");
  cmd->add_option("INPUT", &args->inputs,
                  "LINE TRAIN (two descriptions, compiled in memory), or DIR (the folder of a "
                  "run's binary files)")
      .required()
      .expected(1, 2)
      .type_name("FILE FILE | DIR");
  cmd->add_option("-o,--output", &args->output,
                  "The SVG file (default: NAME_NUM.svg beside LINE, or beside the files in DIR)")
      .type_name("FILE");
  cmd->add_flag("--strict", &args->strict,
                "Any fault or warning of the descriptions ends with exit status 1");
  cmd->footer(
      "Forms:\n"
      "  binario plot LINE TRAIN [-o FILE]   compile the two descriptions in memory and draw them\n"
      "  binario plot DIR [-o FILE]          draw the binary files a run left in DIR");
  return {cmd, [args] {
            RealFileSystem fs;
            return plot_command(*args, fs, std::cout, std::cerr);
          }};
}

}  // namespace binario
