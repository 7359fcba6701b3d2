// Benchmarks of the compiler on the large scenario pair, of the language
// server recompiling it after a change, and of the built-in run. The compiler's work is bounded by
// what it reads and writes, so each step is measured beside a plain write of as many bytes into the
// same folder, and the run ends with a table of each step's best time and its ratio to that plain
// write.
//
//   binario_bench [--work_dir=DIR] [Google Benchmark flags]
//
// Without --work_dir the files go into a fresh folder under the system's
// temporary folder, removed at the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "bench/large_pair.h"
#include "bench/worst_shapes.h"
#include "compiler/competition_codes.h"
#include "compiler/compile.h"
#include "compiler/diagnostics.h"
#include "compiler/field_reader.h"
#include "compiler/line_parser.h"
#include "compiler/signal_codes.h"
#include "compiler/track_model.h"
#include "compiler/train_parser.h"
#include "decompile/decompile.h"
#include "format/lay_out.h"
#include "lsp/server.h"
#include "output/binary_files.h"
#include "output/byte_sink.h"
#include "platform/description_file.h"
#include "platform/file_system.h"
#include "platform/paths.h"
#include "platform/ui.h"
#include "run/file_names.h"
#include "run/file_sets.h"
#include "run/form1.h"
#include "run/read_descriptions.h"
#include "run/run_report.h"
#include "timing/run_profile.h"

namespace binario {
namespace {

namespace stdfs = std::filesystem;

[[noreturn]] void die(const std::string& message) {
  std::cerr << "binario_bench: " << message << '\n';
  std::exit(1);
}

// A run shows nothing while it is measured.
class QuietUi : public Ui {
 public:
  void show_waiting() override {}
  void errore(std::string_view) override {}
};

// The yardstick: a new file opened, all its bytes handed over in one write,
// closed. With `to_disk` the bytes are on the disk before it returns.
void plain_write(const std::string& path, const std::string& bytes, bool to_disk) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) die("cannot create " + path);
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0) die("cannot write " + path);
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (to_disk && ::fdatasync(fd) != 0) die("cannot flush " + path);
  if (::close(fd) != 0) die("cannot close " + path);
}

// Every benchmark that writes files starts each iteration, outside the
// measured time, on a settled disk: `absent` deleted (the files it is to
// write new), then everything flushed, so that whatever the iteration finds
// is as old and committed as the files of an earlier run, and no iteration
// waits for the writes of the one before.
constexpr int kFileIterations = 20;
void settle(benchmark::State& state, const std::vector<std::string>& absent) {
  state.PauseTiming();
  for (const std::string& path : absent) {
    if (::unlink(path.c_str()) != 0 && errno != ENOENT) die("cannot delete " + path);
  }
  ::sync();
  state.ResumeTiming();
}

// Everything the benchmarks share, made once before they run.
struct Workbench {
  std::string dir;          // the large pair, its outputs and the baselines' files
  std::string default_dir;  // the built-in run and its baseline's files
  LargePair pair;
  std::string line_path;
  std::string train_path;
  TrackModel after_line;   // the line read, without geometry: the train parser's start
  TrackModel after_train;  // both descriptions read: the signal-code pass's start
  TrackModel finished;     // compiled with geometry, stamped: what the writers write
  size_t geometry_bytes = 0;
  size_t table_bytes = 0;
  size_t cells_bytes = 0;
  std::vector<std::string> default_run_paths;  // the six files the built-in run leaves
  std::vector<size_t> default_run_files;       // and their sizes
  // The three images of the large compile in memory: the decompile's input.
  std::string geometry_image, table_image, cells_image;
};

Workbench* bench = nullptr;

void parse_line(TrackModel& model, bool geometry) {
  Status status;
  FieldReader reader(bench->pair.line);
  LineParser parser(model, status, reader, kLargePairLineFile, geometry);
  if (parser.parse() != LineParser::Outcome::kReadTrain || status.codice_errore() != 0) {
    die("the large line description does not compile cleanly");
  }
}

void parse_train(TrackModel& model) {
  Status status;
  FieldReader reader(bench->pair.train);
  TrainParser parser(model, status, reader, kLargePairTrainFile);
  parser.parse();
  if (status.codice_errore() != 0) die("the large train description does not compile cleanly");
}

// The compile that `binario compile LINE TRAIN` runs: both descriptions
// read, compiled with the geometry, the three binary files written.
RunReport compile_large_pair(FileSystem& fs, Status* status) {
  CompileInput input;
  input.model_name = kLargePairName;
  input.model_number = kLargePairNumber;
  input.with_geometry = true;
  read_descriptions(fs, bench->line_path, "", bench->train_path, "", &input);
  CompileResult result = compile(input);
  RunReport report = compile_report(result);
  if (result.end == CompileEnd::kCompiled &&
      !write_binary_files(fs, file_names(bench->dir, kLargePairName, kLargePairNumber),
                          result.model, true, &report)) {
    report.end = RunEnd::kFileError;
  }
  if (status) *status = std::move(result.status);
  return report;
}

RunReport default_run(FileSystem& fs, Ui& ui, Status* status) {
  return run_scenario(fs, ui, bench->default_dir, status);
}

void prepare(const std::string& dir) {
  bench->dir = dir;
  bench->default_dir = join_path(dir, "default_run");
  std::error_code ec;
  stdfs::create_directories(bench->default_dir, ec);
  if (ec) die("cannot create " + bench->default_dir + ": " + ec.message());

  bench->pair = make_large_pair();
  bench->line_path = join_path(dir, kLargePairLineFile);
  bench->train_path = join_path(dir, kLargePairTrainFile);
  RealFileSystem fs;
  std::string error;
  if (!write_whole_file(fs, bench->line_path, bench->pair.line, &error) ||
      !write_whole_file(fs, bench->train_path, bench->pair.train, &error)) {
    die("cannot write the large pair: " + error);
  }

  parse_line(bench->after_line, false);
  bench->after_train = bench->after_line;
  parse_train(bench->after_train);

  // The names the compile stores in the train table.
  bench->finished.treno[kScenarioEntry].nome = kLargePairName;
  bench->finished.treno[kTrainEntry].nome = kLargePairNumber;
  parse_line(bench->finished, true);
  parse_train(bench->finished);
  Status status;
  place_signal_codes(bench->finished, status);
  if (status.codice_errore() != 0 ||
      stamp_reserved_slots(bench->finished) != StampResult::kStamped) {
    die("the large pair's signal codes or stamps fail");
  }
  bench->geometry_bytes = geometry_file_size(bench->finished.linea);
  for (const VoceTreno& v : bench->finished.treno) bench->table_bytes += train_record_size(v);
  bench->cells_bytes = bench->finished.percorso.size() * kCellRecordSize;
  for (auto [image, bytes] : {std::pair{BinaryImage::kGeometry, &bench->geometry_image},
                              std::pair{BinaryImage::kTrainTable, &bench->table_image},
                              std::pair{BinaryImage::kCells, &bench->cells_image}}) {
    StringSink sink;
    write_image(image, bench->finished, sink);
    *bytes = std::move(sink.bytes);
  }
  const DecompileResult decompiled =
      decompile({bench->cells_image, bench->table_image, std::string_view(bench->geometry_image)});
  if (!decompiled.pair) die("the large pair does not decompile: " + decompiled.refusal.reason);

  // Both whole runs once, to check them and to learn the built-in run's files.
  QuietUi ui;
  RunReport report = compile_large_pair(fs, &status);
  if (exit_status(report, status) != 0 || report.outputs.size() != 3) {
    die("the compile of the large pair does not end cleanly");
  }
  size_t written = 0;
  for (const std::string& path : report.outputs) written += stdfs::file_size(path);
  if (written != bench->geometry_bytes + bench->table_bytes + bench->cells_bytes) {
    die("the compile of the large pair wrote an unexpected number of bytes");
  }
  report = default_run(fs, ui, &status);
  if (exit_status(report, status) != 0 || report.outputs.size() != 6) {
    die("the built-in run does not end cleanly with six files");
  }
  for (const std::string& path : report.outputs) {
    bench->default_run_paths.push_back(path);
    bench->default_run_files.push_back(stdfs::file_size(path));
  }
}

// ---- The benchmarks -------------------------------------------------------

void BM_FieldReader(benchmark::State& state) {
  const std::string& text = bench->pair.line;
  for (auto _ : state) {
    FieldReader reader(text);
    size_t fields = 0;
    while (!reader.at_end()) {
      Field f = reader.read_field();
      benchmark::DoNotOptimize(f);
      ++fields;
    }
    benchmark::DoNotOptimize(fields);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void BM_LineParser(benchmark::State& state) {
  for (auto _ : state) {
    TrackModel model;
    Status status;
    FieldReader reader(bench->pair.line);
    LineParser parser(model, status, reader, kLargePairLineFile, true);
    benchmark::DoNotOptimize(parser.parse());
    benchmark::DoNotOptimize(model.linea.filled());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bench->pair.line.size()));
}

void BM_TrainParser(benchmark::State& state) {
  TrackModel model;
  for (auto _ : state) {
    state.PauseTiming();
    model = bench->after_line;
    Status status;
    state.ResumeTiming();
    FieldReader reader(bench->pair.train);
    TrainParser parser(model, status, reader, kLargePairTrainFile);
    parser.parse();
    benchmark::DoNotOptimize(model.percorso.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bench->pair.train.size()));
}

void BM_SignalCodes(benchmark::State& state) {
  TrackModel model;
  for (auto _ : state) {
    state.PauseTiming();
    model = bench->after_train;
    Status status;
    state.ResumeTiming();
    place_signal_codes(model, status);
    benchmark::DoNotOptimize(model.percorso.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bench->cells_bytes));
}

// The run model of the large pair's train over its finished model: the
// speed profile, the lower bound and the fastest run, cell by cell, and the
// figures of every station.
void BM_RunModel(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(run_profile(bench->finished));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bench->cells_bytes));
}

// One binary image written the way the compile writes it (a temporary file
// renamed to its name), as a new file.
void write_binary(benchmark::State& state, const std::string& name, size_t bytes,
                  BinaryImage image) {
  RealFileSystem fs;
  const std::string path = join_path(bench->dir, name);
  for (auto _ : state) {
    settle(state, {path});
    std::string error;
    if (!write_binary_image(fs, path, image, bench->finished, &error)) die(path + ": " + error);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_WriteGeometry(benchmark::State& state) {
  write_binary(state, "bench_linea.dat", bench->geometry_bytes, BinaryImage::kGeometry);
}

void BM_WriteTrainTable(benchmark::State& state) {
  write_binary(state, "bench_1.sim", bench->table_bytes, BinaryImage::kTrainTable);
}

void BM_WriteCells(benchmark::State& state) {
  write_binary(state, "bench_1.dat", bench->cells_bytes, BinaryImage::kCells);
}

// The compile of the large pair: `again` replaces the files of the previous
// compile, otherwise they are written new.
// The language server with both texts of the large pair open, and a change
// of one character in the line description: from the didChange notification
// handed to the server to the publishDiagnostics of both texts written. The
// server runs without its worker, so the compile the change schedules runs at
// once inside `handle`, as the worker would run it once the debounce delay
// has passed; the delay itself is not measured.
void BM_LspChange(benchmark::State& state) {
  using nlohmann::json;
  RealFileSystem fs;
  std::ostringstream out;
  Server server(fs, out, ServerOptions{std::chrono::milliseconds(0), false});
  const std::string line_uri = "file://" + bench->line_path;
  const std::string train_uri = "file://" + bench->train_path;
  auto message = [](const std::string& method, const json& params) {
    return json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}}.dump();
  };
  server.handle(R"({"jsonrpc":"2.0","id":1,"method":"initialize","params":{}})");
  for (const auto& [uri, text] :
       {std::pair(line_uri, &bench->pair.line), std::pair(train_uri, &bench->pair.train)}) {
    server.handle(
        message("textDocument/didOpen",
                {{"textDocument",
                  {{"uri", uri}, {"languageId", "binario"}, {"version", 1}, {"text", *text}}}}));
  }
  // Two versions of the line that differ in one gradient's value: each
  // iteration changes the text the server holds.
  std::string other = bench->pair.line;
  const size_t at = other.find("pendenza, 200, 1\r\n");
  if (at == std::string::npos) die("the large line has no gradient at metre 200");
  other[at + 15] = '2';
  std::vector<std::string> changes;
  int version = 2;
  for (const std::string* text : {&other, &bench->pair.line}) {
    changes.push_back(message("textDocument/didChange",
                              {{"textDocument", {{"uri", line_uri}, {"version", version++}}},
                               {"contentChanges", json::array({{{"text", *text}}})}}));
  }
  out.str("");
  server.handle(changes[0]);
  if (out.str().find(R"("diagnostics":[],"uri":")" + line_uri + '"') == std::string::npos ||
      out.str().find(R"("diagnostics":[],"uri":")" + train_uri + '"') == std::string::npos) {
    die("the language server does not publish a clean compile of the large pair: " +
        out.str().substr(0, 500));
  }
  size_t i = 1;
  for (auto _ : state) {
    state.PauseTiming();
    out.str("");
    state.ResumeTiming();
    server.handle(changes[i++ % 2]);
    benchmark::DoNotOptimize(out.tellp());
  }
}

// The compile of the large pair's two texts held in memory, with the
// geometry, as the language server asks for it: with the warnings, and with
// or without the list of records read (what hover and the outline read).
// `extras` false is the compile without warnings, which reads no records.
void compile_in_memory(benchmark::State& state, bool extras, bool records_read) {
  CompileInput input;
  input.line = {kLargePairLineFile, bench->pair.line, std::nullopt, false};
  input.train = {kLargePairTrainFile, bench->pair.train, std::nullopt, false};
  input.model_name = kLargePairName;
  input.model_number = kLargePairNumber;
  input.with_geometry = true;
  input.extra_diagnostics = extras;
  input.records_read = records_read;
  for (auto _ : state) {
    CompileResult result = compile(input);
    if (result.status.codice_errore() != 0) die("the large pair does not compile cleanly");
    benchmark::DoNotOptimize(result.records);
  }
}
void BM_CompileInMemoryNoWarnings(benchmark::State& state) {
  compile_in_memory(state, false, false);
}
void BM_CompileInMemory(benchmark::State& state) {
  compile_in_memory(state, true, false);
}
void BM_CompileInMemoryRecordsRead(benchmark::State& state) {
  compile_in_memory(state, true, true);
}

// What `binario decompile` computes for the large pair's three files held in
// memory: decoded, every record recovered, both texts written, compiled again
// and compared byte for byte.
void BM_DecompileLargePair(benchmark::State& state) {
  for (auto _ : state) {
    DecompileResult result = decompile(
        {bench->cells_image, bench->table_image, std::string_view(bench->geometry_image)});
    benchmark::DoNotOptimize(result);
  }
}

void compile_benchmark(benchmark::State& state, bool again) {
  RealFileSystem fs;
  const ScenarioFileNames out = file_names(bench->dir, kLargePairName, kLargePairNumber);
  std::vector<std::string> absent;
  if (!again) absent = {out.geometry, out.train_table, out.cells};
  for (auto _ : state) {
    settle(state, absent);
    RunReport report = compile_large_pair(fs, nullptr);
    benchmark::DoNotOptimize(report.outputs.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(
      state.iterations() * (bench->geometry_bytes + bench->table_bytes + bench->cells_bytes)));
}

void BM_CompileLargePair(benchmark::State& state) {
  compile_benchmark(state, false);
}

void BM_CompileLargePairAgain(benchmark::State& state) {
  compile_benchmark(state, true);
}

// The built-in run: `again` finds the six files of the previous run in its
// folder, otherwise the folder is empty.
void default_run_benchmark(benchmark::State& state, bool again) {
  RealFileSystem fs;
  QuietUi ui;
  std::vector<std::string> absent;
  if (!again) absent = bench->default_run_paths;
  size_t bytes = 0;
  for (size_t n : bench->default_run_files) bytes += n;
  for (auto _ : state) {
    settle(state, absent);
    RunReport report = default_run(fs, ui, nullptr);
    benchmark::DoNotOptimize(report.outputs.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_DefaultRun(benchmark::State& state) {
  default_run_benchmark(state, false);
}

void BM_DefaultRunAgain(benchmark::State& state) {
  default_run_benchmark(state, true);
}

// New files of the given sizes written into `dir`, one plain write each
// (flushed to the disk with `to_disk`).
void BM_PlainWrite(benchmark::State& state, std::string dir, std::vector<size_t> sizes,
                   bool to_disk) {
  std::vector<std::string> contents;
  std::vector<std::string> paths;
  size_t bytes = 0;
  for (size_t n : sizes) {
    contents.emplace_back(n, 'b');
    paths.push_back(join_path(dir, "plain_" + std::to_string(paths.size()) + ".bin"));
    bytes += n;
  }
  for (auto _ : state) {
    settle(state, paths);
    for (size_t i = 0; i < paths.size(); ++i) plain_write(paths[i], contents[i], to_disk);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  for (const std::string& path : paths) ::unlink(path.c_str());
}

// The same files with nothing computed, replaced the way the program
// replaces every file (a temporary file, one write, renamed over the file of
// the previous iteration): what an atomic replace costs by itself.
void BM_BareReplace(benchmark::State& state, std::string dir, std::vector<size_t> sizes) {
  RealFileSystem fs;
  std::vector<std::string> contents;
  std::vector<std::string> paths;
  size_t bytes = 0;
  for (size_t n : sizes) {
    contents.emplace_back(n, 'r');
    paths.push_back(join_path(dir, "replace_" + std::to_string(paths.size()) + ".bin"));
    bytes += n;
  }
  auto replace_all = [&] {
    for (size_t i = 0; i < paths.size(); ++i) {
      std::string error;
      if (!write_whole_file(fs, paths[i], contents[i], &error)) die(paths[i] + ": " + error);
    }
  };
  replace_all();  // the files the first iteration replaces
  for (auto _ : state) {
    settle(state, {});
    replace_all();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
  for (const std::string& path : paths) ::unlink(path.c_str());
}

// What `binario check` computes for a pair of the worst `shape`, its shaped
// description as large as a description may be: both texts compiled with
// the geometry, every warning and every fault after a stop looked for.
// The pair of the worst `shape` as large as a description may be, as a
// compile takes it.
CompileInput worst_shape_input(const ShapedPair& pair) {
  CompileInput input;
  input.line = {"Prova_linea.txt", pair.line, std::nullopt, false};
  input.train = {"Prova_1-.txt", pair.train, std::nullopt, false};
  input.model_name = "Prova";
  input.model_number = "1";
  input.with_geometry = true;
  return input;
}

void BM_CheckWorstShape(benchmark::State& state, WorstShape shape) {
  const ShapedPair pair = worst_shape_pair(shape, kDescriptionCap.max_bytes);
  const CompileInput input = worst_shape_input(pair);
  for (auto _ : state) benchmark::DoNotOptimize(compile(input));
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * (pair.line.size() + pair.train.size())));
}

// What `binario format` computes for the shaped description of a pair of
// the worst `shape`: the compile that reads it, the layout, and the compile
// of the laid-out text when it differs.
void BM_FormatWorstShape(benchmark::State& state, WorstShape shape) {
  const ShapedPair pair = worst_shape_pair(shape, kDescriptionCap.max_bytes);
  const CompileInput input = worst_shape_input(pair);
  const DescriptionFile role =
      shape == WorstShape::kCodePoints ? DescriptionFile::kTrain : DescriptionFile::kLine;
  for (auto _ : state) benchmark::DoNotOptimize(lay_out_description(input, role));
  state.SetBytesProcessed(
      static_cast<int64_t>(state.iterations() * (pair.line.size() + pair.train.size())));
}

// ---- The summary ----------------------------------------------------------

// One line of the summary: a benchmark and the plain write it is measured
// against.
struct Row {
  std::string name;
  std::string measures;  // what the bytes are
  size_t bytes = 0;
  std::string plain;
};

double best_of(const std::vector<double>& v) {
  return *std::min_element(v.begin(), v.end());
}

// The console output, followed by a table with the best time of each
// benchmark over its repetitions, the median where there are several, and
// the ratio of the best time to the best time of its plain write.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  SummaryReporter(std::vector<Row> rows, OutputOptions options)
      : ConsoleReporter(options), rows_(std::move(rows)) {}

  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      Times& t = times_[r.run_name.function_name];
      if (r.run_type == Run::RT_Iteration) {
        t.runs.push_back(to_ms(r.GetAdjustedRealTime(), r.time_unit));
      } else if (r.aggregate_name == "median") {
        t.median = to_ms(r.GetAdjustedRealTime(), r.time_unit);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    std::ostream& out = GetOutputStream();
    out << "\n| benchmark | bytes | best | median | plain write | ratio |\n"
        << "|---|---|---:|---:|---:|---:|\n";
    for (const Row& row : rows_) {
      const std::optional<double> best = best_time(row.name);
      if (!best) continue;
      const std::optional<double> median = times_.at(row.name).median;
      out << "| " << row.name << " | " << row.bytes << " (" << row.measures << ") | "
          << format_ms(*best) << " | " << (median ? format_ms(*median) : std::string("–")) << " | ";
      if (const std::optional<double> base = best_time(row.plain)) {
        char ratio[32];
        std::snprintf(ratio, sizeof ratio, "%.2f", *best / *base);
        out << format_ms(*base) << " | " << ratio << " |\n";
      } else {
        out << "– | – |\n";
      }
    }
  }

 private:
  struct Times {
    std::vector<double> runs;  // ms per iteration, one per repetition
    std::optional<double> median;
  };

  std::optional<double> best_time(const std::string& name) const {
    const auto it = times_.find(name);
    if (it == times_.end() || it->second.runs.empty()) return std::nullopt;
    return best_of(it->second.runs);
  }

  static double to_ms(double value, benchmark::TimeUnit unit) {
    switch (unit) {
      case benchmark::kNanosecond:
        return value / 1e6;
      case benchmark::kMicrosecond:
        return value / 1e3;
      case benchmark::kMillisecond:
        return value;
      case benchmark::kSecond:
        return value * 1e3;
    }
    return value;
  }
  static std::string format_ms(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3g ms", ms);
    return text;
  }

  std::vector<Row> rows_;
  std::map<std::string, Times> times_;
};

benchmark::internal::Benchmark* timed(benchmark::internal::Benchmark* b, bool writes_files) {
  b->Unit(benchmark::kMillisecond)->UseRealTime()->ComputeStatistics("min", best_of);
  // A file benchmark spends most of its wall time settling the disk, which
  // is not counted: a fixed count keeps its run short.
  if (writes_files) b->Iterations(kFileIterations);
  return b;
}

// Registers the benchmarks, each followed by its plain write (each plain
// write once), and returns the rows of the summary.
std::vector<Row> register_all() {
  const Workbench& b = *bench;
  using Fn = std::function<void(benchmark::State&)>;
  struct Entry {
    const char* name;
    Fn fn;
    const char* measures;
    size_t bytes;
    bool writes_files;
    bool six_files = false;  // measured against the built-in run's six files
    bool no_plain = false;   // writes no file: no plain write beside it
  };
  const std::vector<size_t> three_files = {b.geometry_bytes, b.table_bytes, b.cells_bytes};
  auto bare_replace = [](const std::string& dir, const std::vector<size_t>& sizes) {
    return [dir, sizes](benchmark::State& state) { BM_BareReplace(state, dir, sizes); };
  };
  const size_t outputs = b.geometry_bytes + b.table_bytes + b.cells_bytes;
  size_t six_files = 0;
  for (size_t n : b.default_run_files) six_files += n;
  const Entry entries[] = {
      {"field_reader", BM_FieldReader, "line text", b.pair.line.size(), false},
      {"line_parser", BM_LineParser, "line text", b.pair.line.size(), false},
      {"train_parser", BM_TrainParser, "train text", b.pair.train.size(), false},
      {"signal_codes", BM_SignalCodes, "cells file", b.cells_bytes, false},
      {"run_model", BM_RunModel, "cells file", b.cells_bytes, false},
      {"write_geometry", BM_WriteGeometry, "geometry file", b.geometry_bytes, true},
      {"write_train_table", BM_WriteTrainTable, "train table file", b.table_bytes, true},
      {"write_cells", BM_WriteCells, "cells file", b.cells_bytes, true},
      {"compile_large_pair", BM_CompileLargePair, "three binary files", outputs, true},
      {"compile_large_pair_again", BM_CompileLargePairAgain, "three binary files", outputs, true},
      {"decompile_large_pair", BM_DecompileLargePair, "three binary files", outputs, false},
      {"bare_replace_3_files", bare_replace(b.dir, three_files), "three binary files", outputs,
       true},
      {"plain_write_to_disk",
       [dir = b.dir, outputs](benchmark::State& state) {
         BM_PlainWrite(state, dir, {outputs}, true);
       },
       "three binary files", outputs, true},
      {"lsp_change", BM_LspChange, "line text", b.pair.line.size(), false, false, true},
      {"compile_in_memory_no_warnings", BM_CompileInMemoryNoWarnings, "both texts",
       b.pair.line.size() + b.pair.train.size(), false, false, true},
      {"compile_in_memory", BM_CompileInMemory, "both texts",
       b.pair.line.size() + b.pair.train.size(), false, false, true},
      {"compile_in_memory_records_read", BM_CompileInMemoryRecordsRead, "both texts",
       b.pair.line.size() + b.pair.train.size(), false, false, true},
      {"default_run", BM_DefaultRun, "six files left", six_files, true, true},
      {"default_run_again", BM_DefaultRunAgain, "six files left", six_files, true, true},
      {"bare_replace_6_files", bare_replace(b.default_dir, b.default_run_files), "six files left",
       six_files, true, true},
  };

  std::vector<Row> rows;
  std::map<std::string, bool> registered;
  for (const Entry& e : entries) {
    // The built-in run is measured against its six files written one by
    // one; everything else against one file of its byte count.
    Row row{e.name, e.measures, e.bytes,
            e.no_plain    ? ""
            : e.six_files ? "plain_write_6_files"
                          : "plain_write_" + std::to_string(e.bytes)};
    timed(benchmark::RegisterBenchmark(row.name.c_str(), e.fn), e.writes_files);
    if (!e.no_plain && !registered[row.plain]) {
      registered[row.plain] = true;
      const std::string dir = e.six_files ? b.default_dir : b.dir;
      const std::vector<size_t> sizes = e.six_files ? b.default_run_files : std::vector{row.bytes};
      timed(benchmark::RegisterBenchmark(row.plain.c_str(), BM_PlainWrite, dir, sizes, false),
            true);
    }
    rows.push_back(std::move(row));
  }
  for (const WorstShapeName& s : kWorstShapes) {
    Row row{std::string("check_") + s.name, "description", kDescriptionCap.max_bytes, ""};
    // Each takes seconds: one iteration a repetition.
    timed(benchmark::RegisterBenchmark(row.name.c_str(), BM_CheckWorstShape, s.shape), false)
        ->Iterations(1);
    rows.push_back(std::move(row));
  }
  for (const WorstShapeName& s : kWorstShapes) {
    Row row{std::string("format_") + s.name, "description", kDescriptionCap.max_bytes, ""};
    timed(benchmark::RegisterBenchmark(row.name.c_str(), BM_FormatWorstShape, s.shape), false)
        ->Iterations(1);
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace
}  // namespace binario

int main(int argc, char** argv) {
  using namespace binario;
  benchmark::Initialize(&argc, argv);

  std::string dir;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg.starts_with("--work_dir=")) {
      dir = arg.substr(std::string("--work_dir=").size());
    } else {
      std::cerr << "binario_bench: unknown argument '" << arg << "'\n"
                << "usage: binario_bench [--work_dir=DIR] [--benchmark_... flags]\n";
      return 2;
    }
  }
  bool temporary = false;
  if (dir.empty()) {
    std::string pattern = (stdfs::temp_directory_path() / "binario-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) die("cannot create a temporary folder");
    dir = pattern;
    temporary = true;
  }

  Workbench workbench;
  bench = &workbench;
  prepare(dir);
  std::vector<Row> rows = register_all();

  SummaryReporter reporter(std::move(rows), ::isatty(STDOUT_FILENO)
                                                ? benchmark::ConsoleReporter::OO_ColorTabular
                                                : benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();

  if (temporary) {
    std::error_code ec;
    stdfs::remove_all(dir, ec);
  }
  return 0;
}
