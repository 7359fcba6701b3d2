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
}

TEST(Documents, KindFollowsTheNamingRule) {
  EXPECT_EQ(document_kind("file:///d/Valle_linea.txt"), DocumentKind::kLine);
  EXPECT_EQ(document_kind("file:///d/Valle_42-.txt"), DocumentKind::kTrain);
  EXPECT_EQ(document_kind("file:///d/_linea.txt"), DocumentKind::kOther);
  EXPECT_EQ(document_kind("file:///d/Valle_-.txt"), DocumentKind::kOther);
  EXPECT_EQ(document_kind("file:///d/42-.txt"), DocumentKind::kOther);
  EXPECT_EQ(document_kind("file:///d/notes.txt"), DocumentKind::kOther);
  // Windows ignores the case of a name: so does the pairing.
  EXPECT_EQ(document_kind("file:///c%3A/d/rimini_LINEA.TXT"), DocumentKind::kLine);
  EXPECT_EQ(document_kind("file:///c%3A/d/rimini_5-.TXT"), DocumentKind::kTrain);
}

TEST(Documents, PairsEndingsOfAnyLetterCase) {
  MemoryFileSystem fs;
  fs.directories.insert("/d");
  fs.files["/d/rimini_5-.TXT"] = "";
  DocumentStore documents;
  std::optional<DocumentPair> pair = find_pair("file:///d/rimini_LINEA.TXT", documents, fs);
  ASSERT_TRUE(pair);
  EXPECT_EQ(pair->name, "rimini");
  EXPECT_EQ(pair->train_uri, "file:///d/rimini_5-.TXT");
  EXPECT_EQ(pair->number, "5");
}

TEST(Documents, PairsOpenDocumentsBeforeFilesOnDisk) {
  MemoryFileSystem fs;
  fs.directories.insert("/d");
  fs.files["/d/Valle_linea.txt"] = "";
  fs.files["/d/Valle_1-.txt"] = "";
  fs.files["/d/Monte_linea.txt"] = "";
  DocumentStore documents;
  documents.open("file:///d/Valle_linea.txt", "");

  std::optional<DocumentPair> pair = find_pair("file:///d/Valle_linea.txt", documents, fs);
  ASSERT_TRUE(pair);
  EXPECT_EQ(pair->train_uri, "file:///d/Valle_1-.txt");
  EXPECT_EQ(pair->number, "1");

  documents.open("file:///d/Valle_7-.txt", "");
  pair = find_pair("file:///d/Valle_linea.txt", documents, fs);
  EXPECT_EQ(pair->train_uri, "file:///d/Valle_7-.txt");
  EXPECT_EQ(pair->name, "Valle");

  // A line with no train beside it.
  pair = find_pair("file:///d/Monte_linea.txt", documents, fs);
  ASSERT_TRUE(pair);
  EXPECT_EQ(pair->train_uri, "");
  EXPECT_EQ(find_pair("file:///d/notes.txt", documents, fs), std::nullopt);
}

TEST(Documents, TrainFindsTheLineWhoseNameHoldsUnderscores) {
  MemoryFileSystem fs;
  fs.files["/d/Alta_Valle_linea.txt"] = "";
  DocumentStore documents;
  std::optional<DocumentPair> pair = find_pair("file:///d/Alta_Valle_3_1-.txt", documents, fs);
  ASSERT_TRUE(pair);
  EXPECT_EQ(pair->line_uri, "file:///d/Alta_Valle_linea.txt");
  EXPECT_EQ(pair->name, "Alta_Valle");
  EXPECT_EQ(pair->number, "3_1");
  // With no line anywhere the number is what follows the last '_'.
  pair = find_pair("file:///e/Alta_Valle_3_1-.txt", documents, fs);
  EXPECT_EQ(pair->line_uri, "file:///e/Alta_Valle_3_linea.txt");
  EXPECT_EQ(pair->number, "1");
}

}  // namespace
}  // namespace binario
