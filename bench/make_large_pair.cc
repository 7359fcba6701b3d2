// binario_make_large_pair [DIR]: writes the large scenario pair
// (Grande_linea.txt and Grande_1-.txt) into DIR, the current folder by
// default, for `binario compile DIR/Grande_linea.txt DIR/Grande_1-.txt`.
//
// binario_make_large_pair --shape NAME [DIR]: writes the pair of the worst
// shape NAME (bench/worst_shapes.h), its shaped description as large as a
// description may be, as Prova_linea.txt and Prova_1-.txt, for timing every
// command on it as a whole process.
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "bench/large_pair.h"
#include "bench/worst_shapes.h"
#include "platform/description_file.h"
#include "platform/file_system.h"
#include "platform/paths.h"

namespace {

using namespace binario;

int write_files(const std::string& dir,
                const std::vector<std::pair<std::string, const std::string*>>& files) {
  RealFileSystem fs;
  for (const auto& [name, text] : files) {
    const std::string path = join_path(dir, name);
    std::string error;
    if (!write_whole_file(fs, path, *text, &error)) {
      std::cerr << "binario_make_large_pair: " << path << ": " << error << '\n';
      return 5;
    }
    std::cout << path << " (" << text->size() << " bytes)\n";
  }
  return 0;
}

int usage() {
  std::cerr << "usage: binario_make_large_pair [DIR]\n"
               "       binario_make_large_pair --shape NAME [DIR]\nshapes:";
  for (const WorstShapeName& s : kWorstShapes) std::cerr << ' ' << s.name;
  std::cerr << '\n';
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::optional<WorstShape> shape;
  if (!args.empty() && args[0] == "--shape") {
    if (args.size() < 2) return usage();
    for (const WorstShapeName& s : kWorstShapes) {
      if (args[1] == s.name) shape = s.shape;
    }
    if (!shape) return usage();
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() > 1 || (args.size() == 1 && args[0].starts_with("-"))) return usage();
  const std::string dir = args.empty() ? "." : args[0];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::cerr << "binario_make_large_pair: cannot create '" << dir << "': " << ec.message() << '\n';
    return 5;
  }
  if (shape) {
    const ShapedPair pair = worst_shape_pair(*shape, kDescriptionCap.max_bytes);
    return write_files(dir, {{"Prova_linea.txt", &pair.line}, {"Prova_1-.txt", &pair.train}});
  }

  const LargePair pair = make_large_pair();
  if (const int status = write_files(
          dir, {{kLargePairLineFile, &pair.line}, {kLargePairTrainFile, &pair.train}})) {
    return status;
  }
  const LargePairCounts& n = pair.counts;
  std::cout << "line: " << kLargePairLength << " m, " << n.body_records() << " body records ("
            << n.gradients << " gradients, " << n.curves << " curves, " << n.mountains
            << " mountain spans, " << n.speed_boards << " speed boards, " << n.sign_boards
            << " sign boards)\n"
            << "train: " << n.train_records() << " records (" << n.speed_limits << " speed limits, "
            << n.stations << " stations, " << n.slowdowns << " slowdowns, " << n.signals
            << " signals, " << n.code_points << " speed-code points)\n";
  return 0;
}
