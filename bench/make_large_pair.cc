// binario_make_large_pair [DIR]: writes the large scenario pair
// (Grande_linea.txt and Grande_1-.txt) into DIR, the current folder by
// default, for `binario compile DIR/Grande_linea.txt DIR/Grande_1-.txt`.
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <utility>

#include "bench/large_pair.h"
#include "platform/file_system.h"
#include "platform/paths.h"

int main(int argc, char** argv) {
  using namespace binario;
  if (argc > 2 || (argc == 2 && std::string(argv[1]).starts_with("-"))) {
    std::cerr << "usage: binario_make_large_pair [DIR]\n";
    return 2;
  }
  const std::string dir = argc == 2 ? argv[1] : ".";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    std::cerr << "binario_make_large_pair: cannot create '" << dir << "': " << ec.message() << '\n';
    return 5;
  }

  const LargePair pair = make_large_pair();
  RealFileSystem fs;
  for (const auto& [name, text] :
       {std::pair{kLargePairLineFile, &pair.line}, std::pair{kLargePairTrainFile, &pair.train}}) {
    const std::string path = join_path(dir, name);
    std::string error;
    if (!write_whole_file(fs, path, *text, &error)) {
      std::cerr << "binario_make_large_pair: " << path << ": " << error << '\n';
      return 5;
    }
    std::cout << path << " (" << text->size() << " bytes)\n";
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
