#include "run/form1.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "sources/builtin_texts.h"
#include "sources/line_list.h"
#include "test_support/memory_file_system.h"
#include "test_support/recording_ui.h"

namespace binario {
namespace {

std::string crlf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

const char* kLine = R"(Percorso di prova

inizio_dati
[generale]
lunghezza percorso,    3000
progressiva chilometrica uno,    0,    0,    0
ripetizione segnali 4 codici,    0,    0
[pendenze]
pendenza  , 300    , 2
curvad3,  700,  200
indicatori_vmax, 800, 90, 100, 100, 0, 0, 0, 0, 0
[fine]
)";

const char* kTrain = R"(Treno di prova
inizio_dati
[generale]
numero vetture,    4
velocita' limite ,     0    ,  30
velocita,     500,    90
stazione,       0,  8,  400,  1, 0, 0,  4,1,0,  2,1,1,    1,   5,50, 0, PARTENZA
segnale,   1500, 1, 4, 1, 0, 0,     0, 0, 0, 0, 0
[fine]
)";

class Form1Test : public ::testing::Test {
 protected:
  Form1Test() : form(fs, ui) {
    form.cartella_scenario = "dir";
    form.nome_percorso = "Prova";
    form.numero_treno = "7";
  }
  void put(const std::string& path, const std::string& text) { fs.files[path] = crlf(text); }
  void put_pair(const std::string& line = kLine, const std::string& train = kTrain) {
    put(form.names().line_text, line);
    put(form.names().train_text, train);
  }

  MemoryFileSystem fs;
  test::RecordingUi ui;
  Form1 form;
};

TEST(ExitStatus, FollowsHowTheRunEnded) {
  Status clean;
  Status faulty;
  faulty.fault(15, 100, std::nullopt);
  RunReport r;
  EXPECT_EQ(exit_status(r, clean), 0);
  EXPECT_EQ(exit_status(r, faulty), 1);
  r.end = RunEnd::kModelNeverBuilt;
  EXPECT_EQ(exit_status(r, faulty), 3);
  r.end = RunEnd::kStopped;
  EXPECT_EQ(exit_status(r, faulty), 4);
  r.end = RunEnd::kFileError;
  EXPECT_EQ(exit_status(r, clean), 5);
}

TEST_F(Form1Test, CompilesThePairWritesThreeFilesAndDeletesTheTexts) {
  put_pair();
  RunReport report = form.memorizza_percorso(1);
  EXPECT_EQ(report.end, RunEnd::kCompiled);
  EXPECT_EQ(form.status.codice_errore(), 0);
  EXPECT_TRUE(form.status.diagnostics().empty());
  const ScenarioFileNames n = form.names();
  EXPECT_EQ(report.outputs, (std::vector<std::string>{n.geometry, n.train_table, n.cells}));
  EXPECT_FALSE(fs.exists(n.line_text));
  EXPECT_FALSE(fs.exists(n.train_text));
  // U = nearest(10000 / 50) = 200: 201 cells of 15 bytes.
  EXPECT_EQ(fs.files[n.cells].size(), 201u * 15u);
  // The names reached the table and the codes were stamped.
  EXPECT_EQ(form.model.treno[kScenarioEntry].nome, "Prova");
  EXPECT_EQ(form.model.treno[kTrainEntry].nome, "7");
  EXPECT_EQ(form.model.treno[kScenarioEntry].dato1, 610);
  EXPECT_EQ(form.model.percorso[1].valore1, 5121);
}

TEST_F(Form1Test, SameInputGivesByteIdenticalFiles) {
  put_pair();
  form.memorizza_percorso(1);
  std::map<std::string, std::string> first = fs.files;
  // The run deleted what it read: the same texts again, to a new run.
  put_pair();
  Form1 again(fs, ui);
  again.cartella_scenario = "dir";
  again.nome_percorso = "Prova";
  again.numero_treno = "7";
  again.memorizza_percorso(1);
  EXPECT_EQ(fs.files, first);
}

TEST_F(Form1Test, MissingLineFileBuildsNothingAndWritesNothing) {
  put(form.names().train_text, kTrain);
  RunReport report = form.memorizza_percorso(1);
  EXPECT_EQ(report.end, RunEnd::kModelNeverBuilt);
  EXPECT_EQ(exit_status(report, form.status), 3);
  EXPECT_EQ(form.status.codice_errore(), 101);
  ASSERT_EQ(form.status.diagnostics().size(), 1u);
  EXPECT_EQ(form.status.diagnostics()[0].location->file, form.names().line_text);
  EXPECT_TRUE(report.outputs.empty());
  EXPECT_EQ(fs.files.size(), 1u);  // the train text alone, untouched
}

TEST_F(Form1Test, ReadFailureDeletesBothTextsAndNamesTheTrainFile) {
  std::string train = kTrain;
  train.replace(train.find("numero vetture,    4"), 20, "numero vetture,  four");
  put_pair(kLine, train);
  RunReport report = form.memorizza_percorso(1);
  EXPECT_EQ(form.status.codice_errore(), 25);
  EXPECT_EQ(report.end, RunEnd::kCompiled);  // the model exists: the files are written
  EXPECT_EQ(exit_status(report, form.status), 1);
  EXPECT_FALSE(fs.exists(form.names().line_text));
  EXPECT_FALSE(fs.exists(form.names().train_text));
  const Diagnostic& d = form.status.diagnostics().back();
  EXPECT_EQ(d.location->file, form.names().train_text);
  EXPECT_EQ(d.location->line, 4);
  EXPECT_EQ(d.location->column, 18);
  EXPECT_FALSE(d.position.has_value());
  // The text of the line is kept although the file itself is gone.
  EXPECT_EQ(d.source_line, "numero vetture,  four");
}

TEST_F(Form1Test, ReadFailureBeforeTheModelExistsWritesNothing) {
  put_pair("[generale]\nlunghezza percorso, lunga\n[fine]\n", kTrain);
  RunReport report = form.memorizza_percorso(1);
  EXPECT_EQ(form.status.codice_errore(), 25);
  EXPECT_EQ(exit_status(report, form.status), 3);
  EXPECT_TRUE(report.outputs.empty());
  EXPECT_TRUE(fs.files.empty());  // both texts deleted, nothing written
}

TEST_F(Form1Test, ARefusedLineLeavesTheTrainUnreadButStillWritesTheFiles) {
  // Two boards on cell 17: the line stops with 21 and the train is not read.
  std::string line = kLine;
  line.replace(line.find("[fine]"), 6, "cartello indicatore,  820,    (  Km. ) (0.800)\n[fine]");
  put_pair(line, kTrain);
  RunReport report = form.memorizza_percorso(1);
  EXPECT_EQ(form.status.codice_errore(), 6);
  EXPECT_EQ(form.status.posizione_errore(), 820);
  EXPECT_EQ(exit_status(report, form.status), 1);
  EXPECT_TRUE(fs.exists(form.names().train_text));  // never opened, so not deleted
  EXPECT_FALSE(fs.exists(form.names().line_text));
  EXPECT_EQ(form.model.treno[kTrainParameters].posizione, 0);  // cars never read
  EXPECT_EQ(report.outputs.size(), 3u);
}

TEST_F(Form1Test, TakenReservedSlotStopsTheRunThroughErrore) {
  // A signal at metre 10 lands in cell 1, whose valore1 is reserved.
  std::string train = kTrain;
  train.replace(train.find("[fine]"), 6, "segnale,   10, 1, 4, 1, 0, 0, 0, 0, 0, 0, 0\n[fine]");
  put_pair(kLine, train);
  RunReport report = form.memorizza_percorso(1);
  EXPECT_EQ(report.end, RunEnd::kStopped);
  EXPECT_EQ(exit_status(report, form.status), 4);
  EXPECT_EQ(ui.errors, (std::vector<std::string>{"1250"}));
  EXPECT_EQ(form.status.codice_errore(), 1250);
  EXPECT_NE(form.status.diagnostics().back().message.find(
                "found cell 1 valore1 holding 40, set by the signal from line 9 of the train "
                "description"),
            std::string::npos)
      << form.status.diagnostics().back().message;
  EXPECT_TRUE(report.outputs.empty());
  EXPECT_FALSE(fs.exists(form.names().cells));
}

TEST_F(Form1Test, SecondReservedSlotGives1251) {
  // A speed board at metre 0 with only a right-hand speed in class b: cell 1
  // gets valore1 0 and valore2 non-zero.
  std::string line = kLine;
  line.replace(line.find("[fine]"), 6, "indicatori_vmax, 0, 0, 0, 0, 0, 0, 100, 0, 0\n[fine]");
  put_pair(line, kTrain);
  RunReport report = form.memorizza_percorso(1);
  EXPECT_EQ(exit_status(report, form.status), 4);
  EXPECT_EQ(ui.errors, (std::vector<std::string>{"1251"}));
}

TEST_F(Form1Test, WithoutGeometryNoGeometryFileAndAnOldOneStays) {
  put_pair();
  fs.files[form.names().geometry] = "old";
  RunReport report = form.memorizza_percorso(0);
  EXPECT_EQ(report.outputs.size(), 2u);
  EXPECT_EQ(fs.files[form.names().geometry], "old");
}

TEST_F(Form1Test, FailedWriteKeepsThePreviousFileAndReportsIt) {
  put_pair();
  fs.files[form.names().cells] = "previous";
  fs.fail_write.insert(form.names().cells);
  RunReport report = form.memorizza_percorso(1);
  EXPECT_EQ(report.end, RunEnd::kFileError);
  EXPECT_EQ(exit_status(report, form.status), 5);
  ASSERT_EQ(report.file_errors.size(), 1u);
  EXPECT_NE(report.file_errors[0].find(form.names().cells), std::string::npos);
  EXPECT_NE(report.file_errors[0].find("No space left"), std::string::npos);
  EXPECT_EQ(fs.files[form.names().cells], "previous");
}

// `sources` failing at the second of its five texts (the train description)
// or the fourth leaves every old file as it was, the documents of an earlier
// run included, and says nothing was replaced; so does the run, whose
// documents are replaced only with its binary files.
TEST_F(Form1Test, ATextThatCannotBeWrittenLeavesTheOldSetWhole) {
  const ScenarioFileNames n = form.names();
  for (const std::string& path : {n.notes, n.slowdown_order, n.train_sheet, n.cells}) {
    fs.files[path] = "earlier " + path;
  }
  const auto before = fs.files;
  for (bool run : {true, false}) {
    // The run's documents are one set with its binary files.
    const std::vector<std::string> failings =
        run ? std::vector<std::string>{n.train_text, n.slowdown_order, n.cells}
            : std::vector<std::string>{n.train_text, n.slowdown_order};
    for (const std::string& failing : failings) {
      for (std::set<std::string>* fault : {&fs.fail_create, &fs.fail_write, &fs.held_open}) {
        fs.fail_create.clear();
        fs.fail_write.clear();
        fs.held_open.clear();
        fs.files = before;
        fault->insert(failing);
        RunReport report = run ? form.form_load() : form.write_sources();
        EXPECT_EQ(exit_status(report, form.status), 5);
        EXPECT_TRUE(report.outputs.empty());
        ASSERT_EQ(report.file_errors.size(), 1u);
        EXPECT_EQ(report.file_errors[0].rfind(failing + ": ", 0), 0u) << report.file_errors[0];
        EXPECT_TRUE(report.file_errors[0].ends_with("; nothing was replaced"))
            << report.file_errors[0];
        EXPECT_TRUE(report.delete_errors.empty());
        EXPECT_EQ(fs.files, before) << (run ? "run" : "sources") << ", failing " << failing;
      }
    }
  }
}

TEST_F(Form1Test, ARenameThatFailsAfterOthersSaysWhichTextsAreNew) {
  const ScenarioFileNames n = form.names();
  fs.files[n.slowdown_order] = "earlier order";
  fs.files[n.train_sheet] = "earlier sheet";
  fs.fail_commit.insert(n.slowdown_order);
  RunReport report = form.write_sources();
  EXPECT_EQ(exit_status(report, form.status), 5);
  EXPECT_EQ(report.outputs, (std::vector<std::string>{n.line_text, n.train_text, n.notes}));
  EXPECT_EQ(report.file_errors,
            (std::vector<std::string>{
                n.slowdown_order + ": Permission denied (already replaced: " + n.line_text + " " +
                n.train_text + " " + n.notes + "; the others are the previous ones)"}));
  EXPECT_EQ(fs.files.at(n.slowdown_order), "earlier order");
  EXPECT_EQ(fs.files.at(n.train_sheet), "earlier sheet");
}

TEST_F(Form1Test, ANameTooLongForTheSystemIsRefusedBeforeAnythingIsWritten) {
  // NAME_7_rallentamenti.txt passes 255 bytes; NAME_linea.txt does not.
  form.nome_percorso = std::string(240, 'a');
  const ScenarioFileNames n = form.names();
  fs.files[n.line_text] = line_list_text(builtin_line_list());
  const auto before = fs.files;
  for (bool run : {true, false}) {
    RunReport report = run ? form.form_load() : form.write_sources();
    EXPECT_EQ(exit_status(report, form.status), 5);
    ASSERT_EQ(report.file_errors.size(), 1u);
    EXPECT_EQ(report.file_errors[0].rfind(n.slowdown_order + ": the file name '", 0), 0u)
        << report.file_errors[0];
    EXPECT_TRUE(report.file_errors[0].ends_with("; nothing was replaced"));
    EXPECT_EQ(fs.files, before);
  }
}

TEST_F(Form1Test, TheRunKeepsADescriptionItDidNotWriteAndTouchesNothing) {
  form.nome_percorso = "Zorvane_Pelk";
  form.numero_treno = "728";
  const ScenarioFileNames n = form.names();
  // `sources`, then an author edits the line description in place.
  form.write_sources();
  fs.files[n.line_text] += "; edited\r\n";
  fs.files[n.cells] = "an earlier compile";
  const auto before = fs.files;
  RunReport report = form.form_load();
  EXPECT_EQ(report.end, RunEnd::kKeptDescription);
  EXPECT_EQ(exit_status(report, form.status), 3);
  ASSERT_EQ(report.kept.size(), 1u);
  EXPECT_EQ(report.kept[0].path, n.line_text);
  EXPECT_EQ(report.kept[0].unreadable, "");
  EXPECT_EQ(fs.files, before);  // nothing written, nothing deleted

  // One that cannot be read to compare is kept too, with the reason.
  fs.fail_read.insert(n.train_text);
  report = form.form_load();
  ASSERT_EQ(report.kept.size(), 2u);
  EXPECT_EQ(report.kept[1].path, n.train_text);
  EXPECT_EQ(report.kept[1].unreadable, "Input/output error");
  EXPECT_EQ(fs.files, before);

  // `sources` keeps the edit too, unless forced; the run's own texts, as
  // `sources` left them, the run takes over as ever.
  fs.fail_read.clear();
  report = form.write_sources();
  EXPECT_EQ(report.end, RunEnd::kKeptDescription);
  EXPECT_EQ(exit_status(report, form.status), 3);
  EXPECT_EQ(fs.files, before);
  form.write_sources(true);
  report = form.form_load();
  EXPECT_EQ(exit_status(report, form.status), 0);
  EXPECT_FALSE(fs.exists(n.line_text));
  EXPECT_FALSE(fs.exists(n.train_text));
  EXPECT_NE(fs.files.at(n.cells), "an earlier compile");
}

TEST_F(Form1Test, TheRunCompilesTheBuiltInScenarioCleanly) {
  form.nome_percorso = "Zorvane_Pelk";
  form.numero_treno = "728";
  RunReport report = form.form_load();
  EXPECT_EQ(exit_status(report, form.status), 0);
  EXPECT_TRUE(form.status.diagnostics().empty());
  const ScenarioFileNames n = form.names();
  EXPECT_EQ(report.outputs, (std::vector<std::string>{n.notes, n.slowdown_order, n.train_sheet,
                                                      n.geometry, n.train_table, n.cells}));
  EXPECT_EQ(fs.files.size(), 6u);
}

TEST_F(Form1Test, UnreadableTrainFileIsAReadFailure) {
  put_pair();
  fs.fail_read.insert(form.names().train_text);
  form.memorizza_percorso(1);
  EXPECT_EQ(form.status.codice_errore(), 25);
  EXPECT_NE(form.status.diagnostics().back().message.find("cannot open"), std::string::npos);
}

}  // namespace
}  // namespace binario
