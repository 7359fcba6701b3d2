#include "lsp/documents.h"
#include "test_support/memory_file_system.h"

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
  EXPECT_EQ(description_file("file:///d/Valle_linea.txt"), DescriptionFile::kLine);
  EXPECT_EQ(description_file("file:///d/Valle_42-.txt"), DescriptionFile::kTrain);
  EXPECT_EQ(description_file("file:///d/_linea.txt"), std::nullopt);
  EXPECT_EQ(description_file("file:///d/Valle_-.txt"), std::nullopt);
  EXPECT_EQ(description_file("file:///d/42-.txt"), std::nullopt);
  EXPECT_EQ(description_file("file:///d/notes.txt"), std::nullopt);
  // Endings in any letter case, as a Windows folder may hold them.
  EXPECT_EQ(description_file("file:///d/VALLE_LINEA.TXT"), DescriptionFile::kLine);
  EXPECT_EQ(description_file("file:///d/Valle_42-.TXT"), DescriptionFile::kTrain);
}

// A line's group holds every train beside it, open or on disk, once, and
// only the trains whose line it is.
TEST(Documents, ALineGathersEveryTrainBesideIt) {
  MemoryFileSystem fs;
  DiskSeen disk(fs);
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

  const LineGroup group = line_group("file:///d/Valle_linea.txt", documents.open_uris(), disk);
  EXPECT_EQ(group.name, "Valle");
  ASSERT_EQ(group.trains.size(), 5u);
  EXPECT_EQ(group.trains[0].uri, "file:///d/Valle_1-.txt");
  EXPECT_EQ(group.trains[1].uri, "file:///d/Valle_3-.txt");
  EXPECT_EQ(group.trains[2].number, "5");
  EXPECT_EQ(group.trains[3].uri, "file:///d/Valle_7-.txt");
  EXPECT_EQ(group.trains[4].number, "9");
  EXPECT_TRUE(line_group("file:///d/Monte_linea.txt", documents.open_uris(), disk).trains.empty());
  EXPECT_EQ(line_of_document("file:///d/notes.txt", documents.open_uris(), disk), std::nullopt);
}

TEST(Documents, TrainFindsTheLineWhoseNameHoldsUnderscores) {
  MemoryFileSystem fs;
  DiskSeen disk(fs);
  fs.files["/d/Alta_Valle_linea.txt"] = "";
  DocumentStore documents;
  std::optional<LineOf> line =
      line_of_document("file:///d/Alta_Valle_3_1-.txt", documents.open_uris(), disk);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->line_uri, "file:///d/Alta_Valle_linea.txt");
  EXPECT_EQ(line->name, "Alta_Valle");
  EXPECT_EQ(line->number, "3_1");
  // With no line anywhere the number is what follows the last '_'.
  line = line_of_document("file:///e/Alta_Valle_3_1-.txt", documents.open_uris(), disk);
  EXPECT_EQ(line->line_uri, "file:///e/Alta_Valle_3_linea.txt");
  EXPECT_EQ(line->number, "1");
}

// Names are compared decoded: a line whose name has a space or a letter
// outside ASCII finds its trains on disk, and an open document is found by
// any spelling of its URI.
TEST(Documents, NamesAreComparedDecoded) {
  MemoryFileSystem fs;
  DiskSeen disk(fs);
  fs.directories.insert("/d");
  fs.files["/d/Città alta_42-.txt"] = "";
  DocumentStore documents;
  documents.open("file:///d/Citt%C3%A0%20alta_linea.txt", "x");
  EXPECT_NE(documents.text("file:///d/Citt%c3%a0 alta_linea.txt"), nullptr);
  const LineGroup group =
      line_group("file:///d/Citt%C3%A0%20alta_linea.txt", documents.open_uris(), disk);
  EXPECT_EQ(group.name, "Città alta");
  ASSERT_EQ(group.trains.size(), 1u);
  EXPECT_EQ(group.trains[0].uri, "file:///d/Citt%C3%A0%20alta_42-.txt");
  EXPECT_EQ(group.trains[0].number, "42");
  const std::optional<LineOf> line =
      line_of_document("file:///d/Citt%C3%A0%20alta_42-.txt", documents.open_uris(), disk);
  ASSERT_TRUE(line);
  EXPECT_EQ(line->line_uri, "file:///d/Citt%C3%A0%20alta_linea.txt");
}

// What the pairing saw on disk is kept until its folder is forgotten: a
// train created meanwhile joins its line only then, and forgetting one
// folder keeps what was seen in the others.
TEST(Documents, WhatWasSeenOnDiskIsKeptUntilItsFolderIsForgotten) {
  MemoryFileSystem fs;
  DiskSeen disk(fs);
  fs.directories.insert("/d");
  fs.directories.insert("/d/e");
  fs.files["/d/Valle_linea.txt"] = "";
  fs.files["/d/e/A_B_linea.txt"] = "";
  const OpenUris none;
  const std::string valle = "file:///d/Valle_linea.txt";
  EXPECT_TRUE(line_group(valle, none, disk).trains.empty());
  EXPECT_EQ(line_of_document("file:///d/e/A_B_1-.txt", none, disk)->name, "A_B");

  fs.files["/d/Valle_1-.txt"] = "";
  fs.files.erase("/d/e/A_B_linea.txt");
  fs.files["/d/e/A_linea.txt"] = "";
  EXPECT_TRUE(line_group(valle, none, disk).trains.empty());
  disk.forget_folder_of(valle);
  ASSERT_EQ(line_group(valle, none, disk).trains.size(), 1u);
  // The subfolder was not forgotten with its parent.
  EXPECT_EQ(line_of_document("file:///d/e/A_B_1-.txt", none, disk)->name, "A_B");
  disk.forget_folder_of("file:///d/e/");
  EXPECT_EQ(line_of_document("file:///d/e/A_B_1-.txt", none, disk)->name, "A");

  // What a copy saw is added to the original; what the original holds
  // already stays as it was.
  DiskSeen copy = disk;
  fs.files["/d/Valle_2-.txt"] = "";
  fs.directories.insert("/d/f");
  fs.files["/d/f/Piano_linea.txt"] = "";
  fs.files["/d/f/Piano_1-.txt"] = "";
  EXPECT_EQ(line_group(valle, none, copy).trains.size(), 1u);
  copy.forget_folder_of(valle);
  EXPECT_EQ(line_group(valle, none, copy).trains.size(), 2u);
  EXPECT_EQ(line_group("file:///d/f/Piano_linea.txt", none, copy).trains.size(), 1u);
  disk.add(copy);
  fs.files.erase("/d/f/Piano_1-.txt");
  EXPECT_EQ(line_group("file:///d/f/Piano_linea.txt", none, disk).trains.size(), 1u);
  EXPECT_EQ(line_group(valle, none, disk).trains.size(), 1u);
}

}  // namespace
}  // namespace binario
