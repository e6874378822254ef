#include <gtest/gtest.h>

// Builds without libzstd (the Windows cross build) keep no history entries.
#if __has_include(<zstd.h>)
#include <zstd.h>
#define KESTROVE_TEST_ZSTD 1
#endif

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/ScanHistory.h"
#include "export/ResultFile.h"
#include "export/ZstdFile.h"
#include "fakes/FakePlatform.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace kv {
namespace {

class ScanHistoryTest : public ::testing::Test {
 protected:
  ScanHistoryTest() {
    Tree.BeginUpdate();
    TFolderNode* folder = Tree.GetFolderNode("/data", TItemInfo{}, nullptr, "");
    Tree.AddFileNode("/data/a.bin", folder, 1234, TItemInfo{}, "");
    Tree.AddSizesToFolder(folder, 1234, 4096, 1);
    Tree.EndUpdate();
  }
  ~ScanHistoryTest() override { std::filesystem::remove_all(Folder); }

  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Posix};
  TSizeTree Tree{Services, *Fake.Locale};
  std::filesystem::path Folder = test::MakeTempFolder("kestrove-history");
};

TEST(ScanHistoryNames, AnyRootEncodesToOneSafeNameAndBack) {
  for (const std::string root : {"/", "/home/bob", "C:\\Data", "\\\\server\\share", "/a@b/100%/ä x"}) {
    const std::string encoded = TScanHistory::EncodeRoot(root);
    EXPECT_EQ(encoded.find_first_of("/\\:@ "), std::string::npos) << encoded;
    EXPECT_EQ(TScanHistory::DecodeRoot(encoded), root);
  }
  EXPECT_EQ(TScanHistory::DecodeRoot("%2"), "");  // cut short: not a name of ours
}

TEST_F(ScanHistoryTest, KeepsTheNewestEntriesOfEachRootAndDecompressesToTheResultFile) {
  if (!ZstdAvailable()) GTEST_SKIP() << "built without zstd";
  TScanHistory history((Folder / "history").string());
  for (int i = 0; i < 7; ++i)
    ASSERT_TRUE(history.Add(Tree, "/data", 1234, "20261210T10000" + std::to_string(i), 5));
  // Two more in that last second, one of an equal total: neither replaces another.
  for (const int64_t total : {99, 1234}) ASSERT_TRUE(history.Add(Tree, "/data", total, "20261210T100006", 5));
  ASSERT_TRUE(history.Add(Tree, "/other", 1, "20261210T100006", 5));

  const std::vector<THistoryEntry> data = history.List("/data");
  ASSERT_EQ(data.size(), 5u);
  const char* const times[] = {"20261210T100006~003", "20261210T100006~002", "20261210T100006", "20261210T100005",
                               "20261210T100004"};
  for (size_t i = 0; i < data.size(); ++i) EXPECT_EQ(data[i].Time, times[i]);
  EXPECT_EQ(data[1].Total, 99);
  EXPECT_EQ(HistoryFileTime(data[0].Time), HistoryFileTime(data[2].Time));
  EXPECT_EQ(history.List("/other").front().Time, "20261210T100006");
  EXPECT_EQ(data.front().Total, 1234);
  EXPECT_GT(data.front().OnDisk, 0);
  EXPECT_EQ(history.List().size(), 6u);

#ifdef KESTROVE_TEST_ZSTD
  // The entry is the result file, zstd-compressed.
  const std::string packed = test::ReadAll(data.front().Path);
  const unsigned long long size = ZSTD_getFrameContentSize(packed.data(), packed.size());
  ASSERT_NE(size, ZSTD_CONTENTSIZE_ERROR);
  ASSERT_NE(size, ZSTD_CONTENTSIZE_UNKNOWN);
  std::string plain(size, '\0');
  ASSERT_EQ(ZSTD_decompress(plain.data(), plain.size(), packed.data(), packed.size()), size);
  const std::filesystem::path unpacked = Folder / "unpacked.kvr";
  test::WriteAll(unpacked, plain);
  TSizeTree back(Services, *Fake.Locale);
  ASSERT_TRUE(ReadResultFile(back, unpacked.string()));
  EXPECT_EQ(back.FindFolderNode("/data")->Data()->TotalSize, 1234);

#endif
  EXPECT_TRUE(history.Remove(data.back()));
  EXPECT_EQ(history.List("/data").size(), 4u);
}

TEST_F(ScanHistoryTest, AFailedWriteCostsOnlyTheNewEntry) {
  if (!ZstdAvailable()) GTEST_SKIP() << "built without zstd";
  const std::filesystem::path folder = Folder / "history";
  TScanHistory history(folder.string());
  ASSERT_TRUE(history.Add(Tree, "/data", 1234, "20261210T100000", 5));
  // The new entry's place is taken by a folder: its write fails, even for root.
  const std::filesystem::path blocked = folder / (TScanHistory::EncodeRoot("/data") + "@20261210T110000@1234.kvr.zst");
  std::filesystem::create_directory(blocked);
  const TFileResult failed = history.Add(Tree, "/data", 1234, "20261210T110000", 5);
  EXPECT_FALSE(failed);
  EXPECT_FALSE(failed.Message.empty());
  const std::vector<THistoryEntry> left = history.List("/data");
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left.front().Time, "20261210T100000");
  // Nothing half-written stays behind: the old entry and the blocking folder only.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);

  // A history folder that is a file cannot even be created.
  test::WriteAll(Folder / "plain", "x");
  EXPECT_FALSE(TScanHistory((Folder / "plain" / "history").string()).Add(Tree, "/data", 1, "20261210T120000", 5));
}

TEST(ScanHistoryTimes, EntryTimesBecomeFileTimesAndOtherTextsNone) {
  constexpr int64_t Second = 10000000, Epoch1970 = 11644473600 * Second;
  EXPECT_EQ(HistoryFileTime("19700102T000001"), Epoch1970 + 86401 * Second);
  EXPECT_EQ(HistoryFileTime("20000301T123456"), Epoch1970 + (11017 * 86400 + 45296) * Second);
  for (const char* bad : {"2026121T181500", "20261210 181500", "20261310T000000", "20260230T000000",
                          "20261210T240000", "2026121xT181500", "20261210T1815000", ""})
    EXPECT_EQ(HistoryFileTime(bad), 0) << bad;
}

}  // namespace
}  // namespace kv
