// The text of the box a user started from Explorer reads, and the pair of
// descriptions dropped on the program.
#include "cli/user_notice.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "test_support/scratch_folder.h"

namespace binario {
namespace {

TEST(UserNoticeTest, TheBoxShowsThePlainTextCutToItsLines) {
  // The colours of a diagnostic, as written to a console.
  EXPECT_EQ(message_box_text("\033[01m\033[KX_linea.txt:4:3:\033[m\033[K \033[01;31m\033[Kerror "
                             "15:\033[m\033[K beyond\n",
                             1),
            "X_linea.txt:4:3: error 15: beyond");
  std::string many;
  for (int i = 1; i <= 30; ++i) many += "line " + std::to_string(i) + "\n";
  const std::string cut = message_box_text(many, 1, 25);
  EXPECT_EQ(cut.substr(0, 7), "line 1\n");
  EXPECT_NE(cut.find("line 25\n… and 5 more lines"), std::string::npos) << cut;
  EXPECT_EQ(cut.find("line 26"), std::string::npos);
  // A failure that wrote nothing still says how the program ended.
  EXPECT_EQ(message_box_text("", 5), "binario ended with exit status 5");
}

TEST(UserNoticeTest, RecordsWhatIsWrittenAndPassesItOn) {
  std::ostringstream stream;
  {
    const StreamRecorder recorder(stream);
    stream << "binario: cannot write " << 3 << " files\n";
    EXPECT_EQ(recorder.recorded(), "binario: cannot write 3 files\n");
  }
  stream << "after";
  EXPECT_EQ(stream.str(), "binario: cannot write 3 files\nafter");
}

TEST(UserNoticeTest, APairDroppedInEitherOrderBecomesACompile) {
  const test::ScratchFolder scratch("binario-drop");
  const auto put = [&](const std::string& name) {
    std::ofstream(scratch.path() / name) << "[generale]\r\n";
    return (scratch.path() / name).string();
  };
  const std::string line = put("A_linea.txt");
  const std::string train = put("A_1-.txt");
  const std::string other_line = put("B_linea.txt");
  const std::vector<std::string> compile = {"compile", line, train};
  EXPECT_EQ(dropped_pair({line, train}), compile);
  EXPECT_EQ(dropped_pair({train, line}), compile);
  // Not a pair: two lines, a missing file, an option, one or three files.
  EXPECT_EQ(dropped_pair({line, other_line}), std::nullopt);
  EXPECT_EQ(dropped_pair({line, (scratch.path() / "A_2-.txt").string()}), std::nullopt);
  EXPECT_EQ(dropped_pair({"--no-window", line}), std::nullopt);
  EXPECT_EQ(dropped_pair({line}), std::nullopt);
  EXPECT_EQ(dropped_pair({line, train, train}), std::nullopt);
  EXPECT_EQ(dropped_pair({scratch.path().string(), line}), std::nullopt);
}

}  // namespace
}  // namespace binario
