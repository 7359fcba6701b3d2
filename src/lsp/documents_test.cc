#include "lsp/documents.h"

#include <gtest/gtest.h>

namespace binario {
namespace {

TEST(Documents, UriToPath) {
  EXPECT_EQ(uri_to_path("file:///home/a%20b/x_linea.txt"), "/home/a b/x_linea.txt");
  EXPECT_EQ(uri_to_path("file:///c%3A/work/x_linea.txt"), "c:/work/x_linea.txt");
  EXPECT_EQ(uri_to_path("file://localhost/tmp/x"), "/tmp/x");
  EXPECT_EQ(uri_to_path("untitled:Untitled-1"), std::nullopt);
  EXPECT_EQ(uri_to_path("file://"), std::nullopt);
  EXPECT_EQ(percent_encode("Città alta_1-.txt"), "Citt%C3%A0%20alta_1-.txt");
  EXPECT_EQ(percent_decode(percent_encode("a%b #?")), "a%b #?");
}

TEST(Documents, KindFollowsTheNamingRule) {
  EXPECT_EQ(document_kind("file:///d/Valle_linea.txt"), DocumentKind::kLine);
  EXPECT_EQ(document_kind("file:///d/Valle_42-.txt"), DocumentKind::kTrain);
  EXPECT_EQ(document_kind("file:///d/_linea.txt"), DocumentKind::kOther);
  EXPECT_EQ(document_kind("file:///d/Valle_-.txt"), DocumentKind::kOther);
  EXPECT_EQ(document_kind("file:///d/42-.txt"), DocumentKind::kOther);
  EXPECT_EQ(document_kind("file:///d/notes.txt"), DocumentKind::kOther);
  // Endings in any letter case, as a Windows folder may hold them.
  EXPECT_EQ(document_kind("file:///d/VALLE_LINEA.TXT"), DocumentKind::kLine);
  EXPECT_EQ(document_kind("file:///d/Valle_42-.TXT"), DocumentKind::kTrain);
}

// A line's group holds every train beside it, open or on disk, once, and
// only the trains whose line it is.
TEST(Documents, ALineGathersEveryTrainBesideIt) {
  MemoryFileSystem fs;
  fs.directories.insert("/d");
  fs.files["/d/Valle_linea.txt"] = "";
  fs.files["/d/Valle_1-.txt"] = "";
  fs.files["/d/Valle_7-.txt"] = "";
  fs.files["/d/Valle_Alta_linea.txt"] = "";
  fs.files["/d/Valle_Alta_2-.txt"] = "";
  fs.files["/d/Monte_linea.txt"] = "";
  // Not regular files, but named like trains: listed all the same.
  fs.directories.insert("/d/Valle_3-.txt");
  fs.others.insert("/d/Valle_5-.txt");
  DocumentStore documents;
  documents.open("file:///d/Valle_linea.txt", "");
  documents.open("file:///d/Valle_9-.txt", "");
  documents.open("file:///d/Valle_7-.txt", "");

  const LineGroup group = line_group("file:///d/Valle_linea.txt", documents.open_uris(), fs);
  EXPECT_EQ(group.name, "Valle");
  ASSERT_EQ(group.trains.size(), 5u);
  EXPECT_EQ(group.trains[0].uri, "file:///d/Valle_1-.txt");
  EXPECT_EQ(group.trains[1].uri, "file:///d/Valle_3-.txt");
  EXPECT_EQ(group.trains[2].number, "5");
  EXPECT_EQ(group.trains[3].uri, "file:///d/Valle_7-.txt");
  EXPECT_EQ(group.trains[4].number, "9");
  EXPECT_TRUE(line_group("file:///d/Monte_linea.txt", documents.open_uris(), fs).trains.empty());
  EXPECT_EQ(line_of_document("file:///d/notes.txt", documents.open_uris(), fs), std::nullopt);
}

TEST(Documents, TrainFindsTheLineWhoseNameHoldsUnderscores) {
  MemoryFileSystem fs;
  fs.files["/d/Alta_Valle_linea.txt"] = "";
  DocumentStore documents;
  std::optional<LineOf> line =
      line_of_document("file:///d/Alta_Valle_3_1-.txt", documents.open_uris(), fs);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->line_uri, "file:///d/Alta_Valle_linea.txt");
  EXPECT_EQ(line->name, "Alta_Valle");
  EXPECT_EQ(line->number, "3_1");
  // With no line anywhere the number is what follows the last '_'.
  line = line_of_document("file:///e/Alta_Valle_3_1-.txt", documents.open_uris(), fs);
  EXPECT_EQ(line->line_uri, "file:///e/Alta_Valle_3_linea.txt");
  EXPECT_EQ(line->number, "1");
}

// Names are compared decoded: a line whose name has a space or a letter
// outside ASCII finds its trains on disk, and an open document is found by
// any spelling of its URI.
TEST(Documents, NamesAreComparedDecoded) {
  MemoryFileSystem fs;
  fs.directories.insert("/d");
  fs.files["/d/Città alta_42-.txt"] = "";
  DocumentStore documents;
  documents.open("file:///d/Citt%C3%A0%20alta_linea.txt", "x");
  EXPECT_NE(documents.text("file:///d/Citt%c3%a0 alta_linea.txt"), nullptr);
  const LineGroup group =
      line_group("file:///d/Citt%C3%A0%20alta_linea.txt", documents.open_uris(), fs);
  EXPECT_EQ(group.name, "Città alta");
  ASSERT_EQ(group.trains.size(), 1u);
  EXPECT_EQ(group.trains[0].uri, "file:///d/Citt%C3%A0%20alta_42-.txt");
  EXPECT_EQ(group.trains[0].number, "42");
  const std::optional<LineOf> line =
      line_of_document("file:///d/Citt%C3%A0%20alta_42-.txt", documents.open_uris(), fs);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->line_uri, "file:///d/Citt%C3%A0%20alta_linea.txt");
}

}  // namespace
}  // namespace binario
