#include "export/ResultFile.h"

#include <gtest/gtest.h>

#include <bit>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <map>
#include <stdexcept>
#include <vector>

#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "fakes/TempFolder.h"
#include "fakes/TreeChecks.h"
#include "fakes/TestFiles.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<unsigned char>;

using test::NativePath;
using test::Utf8;

TBytes ReadBytes(const std::string& path) {
  std::ifstream in(NativePath(path), std::ios::binary);
  return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::string& path, const TBytes& bytes) {
  std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Little-endian fields read back independently of the code under test.
int64_t LeAt(const TBytes& b, size_t at, int width) {
  uint64_t u = 0;
  for (int i = width - 1; i >= 0; --i) u = (u << 8) | b.at(at + static_cast<size_t>(i));
  return width == 4 ? static_cast<int32_t>(static_cast<uint32_t>(u)) : static_cast<int64_t>(u);
}
int64_t Le32(const TBytes& b, size_t at) { return LeAt(b, at, 4); }
int64_t Le64(const TBytes& b, size_t at) { return LeAt(b, at, 8); }
TBytes Slice(const TBytes& b, size_t at, size_t n) { return TBytes(b.begin() + static_cast<ptrdiff_t>(at), b.begin() + static_cast<ptrdiff_t>(at + n)); }
std::string Text(const TBytes& b, size_t at, size_t n) { return std::string(b.begin() + static_cast<ptrdiff_t>(at), b.begin() + static_cast<ptrdiff_t>(at + n)); }

void PutLe(TBytes& b, size_t at, int64_t value, int width) {
  for (int i = 0; i < width; ++i) b.at(at + static_cast<size_t>(i)) = static_cast<unsigned char>(static_cast<uint64_t>(value) >> (8 * i));
}

// Where each record of a well-formed file starts, walked by the lengths.
struct TRecordAt {
  size_t Start;
  bool Folder;
};
std::vector<TRecordAt> RecordStarts(const TBytes& b) {
  std::vector<TRecordAt> records;
  size_t at = 0;
  while (at < b.size()) {
    records.push_back({at, true});
    const int64_t files = Le32(b, at + 92);
    at += 96 + static_cast<size_t>(Le32(b, at) + Le32(b, at + 4));
    for (int64_t i = 0; i < files; ++i) {
      records.push_back({at, false});
      at += 48 + static_cast<size_t>(Le32(b, at) + Le32(b, at + 4));
    }
  }
  EXPECT_EQ(at, b.size());
  return records;
}

// A tree with its own fake platform, so an importing side can differ.
struct TTestTree {
  explicit TTestTree(TPathStyle style, std::map<std::string, int64_t> clusters = {})
      : Services(Fake.Platform(), style), Tree(Services, *Fake.Locale) {
    Fake.FileSystem->ClusterSizes = std::move(clusters);
  }
  test::FakePlatform Fake;
  TFileServices Services;
  TSizeTree Tree;
};

struct TNewFile {
  const char* Name;
  int64_t Size;
  const char* Owner;
};

// Records files the way a scan does: the builder adds them, the caller sums.
void RecordFiles(TSizeTree& tree, TFolderNode* folder, std::initializer_list<TNewFile> files,
                 const TItemInfo& info) {
  int64_t size = 0, allocated = 0, count = 0;
  for (const TNewFile& f : files) {
    std::string path = GetNodePath(folder) + f.Name;
    ASSERT_TRUE(tree.AddFileNode(path, folder, f.Size, info, f.Owner)) << path;
    const TFileNodeData* added = folder->Data()->Files[folder->Data()->Files.Count() - 1];
    size += added->FileSize();
    allocated += added->AllocatedSize();
    ++count;
  }
  tree.AddSizesToFolder(folder, size, allocated, count);
}

constexpr int64_t BigSize = 0x123456789A;

TItemInfo MakeInfo(double created, double modified, double accessed, bool readOnly, bool hidden,
                   bool system, bool archive) {
  TItemInfo info;
  info.Created = created;
  info.Modified = modified;
  info.LastAccess = accessed;
  info.ReadOnly = readOnly;
  info.Hidden = hidden;
  info.System = system;
  info.Archive = archive;
  return info;
}

const TItemInfo DriveInfo = MakeInfo(1.5, 45000.25, -2.0, true, false, true, false);
const TItemInfo DataInfo = MakeInfo(44000.0, 44001.5, 44002.75, false, true, false, true);
const TItemInfo FileInfo = MakeInfo(43000.125, 43001.0, 43002.0, false, false, false, true);

// C: with C:\Data holding b.txt and a.txt (in that order), and the subfolders
// zeta and Alpha (created in that order, shown as Alpha, zeta).
void BuildSample(TSizeTree& tree) {
  tree.BeginUpdate();
  TFolderNode* drive = tree.GetFolderNode("C:", DriveInfo, nullptr, "NT AUTHORITY\\SYSTEM");
  TFolderNode* data = tree.GetFolderNode("C:\\Data", DataInfo, nullptr, "PC\\bob");
  TFolderNode* zeta = tree.GetFolderNode("C:\\Data\\zeta", FileInfo, data, "PC\\bob");
  tree.GetFolderNode("C:\\Data\\Alpha", FileInfo, data, "PC\\eve");
  RecordFiles(tree, data, {{"b.txt", BigSize, "PC\\bob"}, {"a.txt", 5000, ""}}, FileInfo);
  RecordFiles(tree, zeta, {{"z.bin", 0, "PC\\eve"}}, FileInfo);
  tree.EndUpdate();
  zeta->Data()->Complete = true;
  ASSERT_EQ(drive->ChildCount(), 1u);
}

void ExpectSameInfo(const TItemInfo& a, const TItemInfo& b, const std::string& where) {
  EXPECT_EQ(std::memcmp(&a, &b, sizeof(TItemInfo)), 0) << where;
}

// Walks both trees in step: same folders in the same order, same stored data.
// Allocated file sizes follow each side's clusters and are not compared.
void ExpectSameTree(const TFolderNode* a, const TFolderNode* b) {
  ASSERT_EQ(a->ChildCount(), b->ChildCount()) << GetNodePath(a);
  for (size_t i = 0; i < a->ChildCount(); ++i) {
    const TFolderNodeData& x = *a->Child(i)->Data();
    const TFolderNodeData& y = *b->Child(i)->Data();
    const std::string where = x.GetFullPath();
    EXPECT_EQ(x.Name.View(), y.Name.View());
    EXPECT_EQ(x.Owner(), y.Owner()) << where;
    ExpectSameInfo(x.Info(), y.Info(), where);
    EXPECT_EQ(x.TotalSize, y.TotalSize) << where;
    EXPECT_EQ(x.TotalAllocated, y.TotalAllocated) << where;
    EXPECT_EQ(x.OwnSize, y.OwnSize) << where;
    EXPECT_EQ(x.OwnAllocated, y.OwnAllocated) << where;
    EXPECT_EQ(x.FileCount, y.FileCount) << where;
    EXPECT_EQ(x.FolderCount, y.FolderCount) << where;
    EXPECT_EQ(x.Complete, y.Complete) << where;
    ASSERT_EQ(x.Files.Count(), y.Files.Count()) << where;
    for (size_t k = 0; k < x.Files.Count(); ++k) {
      const TFileNodeData& f = *x.Files[k];
      const TFileNodeData& g = *y.Files[k];
      EXPECT_EQ(f.Name.View(), g.Name.View()) << where;
      EXPECT_EQ(f.FileSize(), g.FileSize()) << where;
      EXPECT_EQ(f.Owner(), g.Owner()) << where;
      ExpectSameInfo(f.Info(), g.Info(), where + " " + f.Name.Str());
    }
    ExpectSameTree(a->Child(i), b->Child(i));
  }
}

// The folder at exactly this path (no trailing separator), or nothing.
const TFolderNodeData* FolderAt(const TSizeTree& tree, const std::string& path) {
  const TFolderNodeData* data = FolderData(tree.FindFolderNode(path));
  return data && data->GetFullPath() == path ? data : nullptr;
}

// The same, for folders a test relies on: a missing one fails the test.
const TFolderNodeData& Folder(const TSizeTree& tree, const std::string& path) {
  const TFolderNodeData* data = FolderAt(tree, path);
  if (!data) throw std::runtime_error("no folder " + path);
  return *data;
}

class ResultFileTest : public ::testing::Test {
 protected:
  ResultFileTest() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    Dir_ = fs::temp_directory_path() /
           ("kestrove-rf-" + std::string(test->name()) + "-" +
            std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(Dir_);
  }
  ~ResultFileTest() override {
    std::error_code ignored;
    fs::remove_all(Dir_, ignored);
  }

  std::string TempPath(const std::string& name) const { return Utf8(Dir_ / NativePath(name)); }

  // Writes the tree and answers the file's bytes.
  TBytes Export(const TSizeTree& tree, const std::string& name) {
    const std::string path = TempPath(name);
    const TFileResult result = WriteResultFile(tree, path);
    EXPECT_TRUE(result.Ok) << result.Message;
    return ReadBytes(path);
  }

  TTestTree Source{TPathStyle::Windows, {{"C:\\", 4096}}};

 private:
  fs::path Dir_;
};

TEST_F(ResultFileTest, WritesEveryRecordByteForByteInTreeOrder) {
  BuildSample(Source.Tree);
  const TBytes b = Export(Source.Tree, "sample.kvr");
  const TFolderNode* drive = Source.Tree.Root()->Child(0);
  const TFolderNode* data = drive->Child(0);

  // C:, first: lengths, then TItemInfo as laid out in memory.
  EXPECT_EQ(Slice(b, 0, 8), (TBytes{2, 0, 0, 0, 19, 0, 0, 0}));
  EXPECT_EQ(Slice(b, 8, 8), (TBytes{0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));  // Created 1.5
  EXPECT_EQ(Le64(b, 16), std::bit_cast<int64_t>(45000.25));
  EXPECT_EQ(Slice(b, 24, 8), (TBytes{0, 0, 0, 0, 0, 0, 0, 0xC0}));  // LastAccess -2.0
  EXPECT_EQ(Slice(b, 32, 8), (TBytes{1, 0, 1, 0, 0, 0, 0, 0}));      // flags, zero padding
  EXPECT_EQ(Le64(b, 40), BigSize + 5000);
  EXPECT_EQ(Le64(b, 48), 0x1234568000 + 8192);  // rounded to 4096-byte clusters
  EXPECT_EQ(Le64(b, 56), 0);
  EXPECT_EQ(Le64(b, 64), 0);
  EXPECT_EQ(Le64(b, 72), 3);
  EXPECT_EQ(Le64(b, 80), 3);
  EXPECT_EQ(Slice(b, 88, 8), (TBytes{0, 0, 0, 0, 0, 0, 0, 0}));  // not complete, padding, no files
  EXPECT_EQ(Text(b, 96, 2), "C:");
  EXPECT_EQ(Text(b, 98, 19), "NT AUTHORITY\\SYSTEM");

  // C:\Data with its two files in list order.
  size_t at = 117;
  EXPECT_EQ(Le32(b, at), 7);
  EXPECT_EQ(Le32(b, at + 4), 6);
  const auto* dataInfo = reinterpret_cast<const unsigned char*>(&DataInfo);
  EXPECT_EQ(Slice(b, at + 8, 32), TBytes(dataInfo, dataInfo + 32));
  EXPECT_EQ(Le64(b, at + 40), data->Data()->TotalSize);
  EXPECT_EQ(Le64(b, at + 56), BigSize + 5000);  // own size
  EXPECT_EQ(Le64(b, at + 64), 0x1234568000 + 8192);
  EXPECT_EQ(Le64(b, at + 72), 3);
  EXPECT_EQ(Le64(b, at + 80), 2);
  EXPECT_EQ(b[at + 88], 0);
  EXPECT_EQ(Le32(b, at + 92), 2);
  EXPECT_EQ(Text(b, at + 96, 13), "C:\\DataPC\\bob");
  at += 96 + 13;

  EXPECT_EQ(Le32(b, at), 13);
  EXPECT_EQ(Le32(b, at + 4), 6);
  EXPECT_EQ(Slice(b, at + 8, 8), (TBytes{0x9A, 0x78, 0x56, 0x34, 0x12, 0, 0, 0}));
  EXPECT_EQ(b[at + 16 + 27], 1);  // Archive
  EXPECT_EQ(Text(b, at + 48, 19), "C:\\Data\\b.txtPC\\bob");
  at += 48 + 19;
  EXPECT_EQ(Le32(b, at), 13);
  EXPECT_EQ(Le32(b, at + 4), 0);  // an empty owner has no bytes
  EXPECT_EQ(Le64(b, at + 8), 5000);
  EXPECT_EQ(Text(b, at + 48, 13), "C:\\Data\\a.txt");
  at += 48 + 13;

  // Then the subfolders in the tree's order: Alpha (no files), zeta.
  EXPECT_EQ(Le32(b, at), 13);
  EXPECT_EQ(Le32(b, at + 92), 0);
  EXPECT_EQ(Text(b, at + 96, 19), "C:\\Data\\AlphaPC\\eve");
  at += 96 + 19;
  EXPECT_EQ(b[at + 88], 1);  // zeta is complete
  EXPECT_EQ(Slice(b, at + 89, 3), (TBytes{0, 0, 0}));
  EXPECT_EQ(Le32(b, at + 92), 1);
  EXPECT_EQ(Text(b, at + 96, 18), "C:\\Data\\zetaPC\\bob");
  at += 96 + 18;
  EXPECT_EQ(Le32(b, at), 18);
  EXPECT_EQ(Text(b, at + 48, 24), "C:\\Data\\zeta\\z.binPC\\eve");
  EXPECT_EQ(Le64(b, at + 8), 0);
  at += 48 + 18 + 6;
  EXPECT_EQ(at, b.size());
}

TEST_F(ResultFileTest, ImportIntoAnEmptyTreeRestoresItExactly) {
  BuildSample(Source.Tree);
  const TBytes original = Export(Source.Tree, "sample.kvr");
  const std::string path = TempPath("sample.kvr");

  // The importing machine has other cluster sizes.
  TTestTree target(TPathStyle::Windows, {{"C:\\", 512}});
  const TFileResult result = ReadResultFile(target.Tree, path);
  ASSERT_TRUE(result.Ok) << result.Message;
  EXPECT_TRUE(result.Message.empty());
  ExpectSameTree(Source.Tree.Root(), target.Tree.Root());
  EXPECT_EQ(target.Tree.TotalFolders, 4);  // the nodes it created
  EXPECT_EQ(target.Tree.TotalFiles, 3);    // the files it holds
  EXPECT_EQ(Source.Tree.TotalFiles, 3);
  const TFolderNodeData& data = Folder(target.Tree, "C:\\Data");
  EXPECT_EQ(data.Files[0]->AllocatedSize(), 0x1234567A00);
  EXPECT_EQ(data.Files[1]->AllocatedSize(), 5120);
  EXPECT_EQ(Folder(target.Tree, "C:\\Data\\zeta").Files[0]->AllocatedSize(), 0);
  // Stored totals, not what the files add up to on this side.
  EXPECT_EQ(data.OwnAllocated, 0x1234568000 + 8192);
  EXPECT_EQ(Folder(target.Tree, "C:").FolderCount, 3);
  EXPECT_TRUE(Folder(target.Tree, "C:\\Data\\zeta").Complete);
  EXPECT_FALSE(data.Complete);
  EXPECT_EQ(Export(target.Tree, "again.kvr"), original);

  // Where the drive is unknown the allocated size is the file size.
  TTestTree bare(TPathStyle::Windows);
  ASSERT_TRUE(ReadResultFile(bare.Tree, path).Ok);
  EXPECT_EQ(Folder(bare.Tree, "C:\\Data").Files[1]->AllocatedSize(), 5000);
}

TEST_F(ResultFileTest, MergesIntoFoldersAlreadyInTheTreeAndASecondImportChangesNothing) {
  BuildSample(Source.Tree);
  const std::string path = TempPath("sample.kvr");
  ASSERT_TRUE(WriteResultFile(Source.Tree, path).Ok);

  TTestTree target(TPathStyle::Windows, {{"C:\\", 4096}});
  TSizeTree& tree = target.Tree;
  const TItemInfo oldInfo = MakeInfo(1, 2, 3, false, false, false, false);
  TFolderNode* data = tree.GetFolderNode("C:\\Data", oldInfo, nullptr, "PC\\old");
  TFolderNode* other = tree.GetFolderNode("C:\\Other", oldInfo, nullptr, "PC\\old");
  RecordFiles(tree, data, {{"a.txt", 7, "PC\\old"}, {"own.txt", 1, "PC\\old"}}, oldInfo);
  RecordFiles(tree, other, {{"o.txt", 10, "PC\\old"}}, oldInfo);
  data->Data()->Complete = true;
  ASSERT_EQ(tree.TotalFolders, 3);
  ASSERT_EQ(tree.TotalFiles, 3);

  ASSERT_TRUE(ReadResultFile(tree, path).Ok);
  EXPECT_EQ(tree.TotalFolders, 5);  // Alpha and zeta
  // The existing folder keeps its node, times, owner and files...
  EXPECT_EQ(tree.FindFolderNode("C:\\Data"), data);
  const TFolderNodeData& d = *data->Data();
  EXPECT_EQ(d.Owner(), "PC\\old");
  ExpectSameInfo(d.Info(), oldInfo, "C:\\Data");
  ASSERT_EQ(d.Files.Count(), 3u);
  EXPECT_EQ(d.Files[0]->Name.View(), "a.txt");
  EXPECT_EQ(d.Files[0]->FileSize(), 7);
  EXPECT_EQ(d.Files[1]->Name.View(), "own.txt");
  EXPECT_EQ(d.Files[2]->Name.View(), "b.txt");  // only the file it lacked
  // ...takes the stored own sizes and flag, and every total is the sum of
  // what the merged tree holds below it.
  test::ExpectTotalsAreSumsBelow(tree);
  EXPECT_EQ(d.FolderCount, 2);
  EXPECT_FALSE(d.Complete);
  const TFolderNodeData& drive = Folder(tree, "C:");
  EXPECT_EQ(drive.FolderCount, 4);  // Data, Other and the two below Data
  ExpectSameInfo(drive.Info(), oldInfo, "C:");
  EXPECT_EQ(other->Data()->TotalSize, 10);  // not in the file: untouched
  // Shares among the children of C: follow the merged totals.
  EXPECT_DOUBLE_EQ(other->Data()->TreePercent, 100.0 * 10 / (10 + d.TotalSize));
  EXPECT_EQ(Folder(tree, "C:\\Data\\Alpha").Owner(), "PC\\eve");

  const TBytes afterFirst = Export(tree, "first.kvr");
  ASSERT_TRUE(ReadResultFile(tree, path).Ok);
  EXPECT_EQ(Export(tree, "second.kvr"), afterFirst);
  EXPECT_EQ(tree.TotalFolders, 5);
  test::ExpectTotalsAreSumsBelow(tree);
}

TEST_F(ResultFileTest, AWindowsFileReadOnLinuxKeepsItsDrivesAndSeparators) {
  BuildSample(Source.Tree);
  const TBytes original = Export(Source.Tree, "windows.kvr");
  // Beside a scan of this machine, whose drives the file does not name.
  TTestTree linux(TPathStyle::Posix, {{"/", 4096}, {"C:\\", 4096}});
  linux.Tree.GetFolderNode("/home", TItemInfo{}, nullptr, "h\\me");
  ASSERT_TRUE(ReadResultFile(linux.Tree, TempPath("windows.kvr")).Ok);
  ASSERT_EQ(linux.Tree.Root()->ChildCount(), 2u);
  EXPECT_EQ(Folder(linux.Tree, "C:\\Data\\zeta").Files[0]->GetFullPath(), "C:\\Data\\zeta\\z.bin");
  EXPECT_EQ(Folder(linux.Tree, "C:\\Data").Files[1]->AllocatedSize(), 5000);
  EXPECT_EQ(Folder(linux.Tree, "C:\\Data").TreePercent, 100.0);  // as a scan leaves it
  EXPECT_EQ(Folder(linux.Tree, "/home").GetFullPath(), "/home");
  linux.Tree.RemoveFolderNode(linux.Tree.FindFolderNode("/"));
  ExpectSameTree(Source.Tree.Root(), linux.Tree.Root());
  EXPECT_EQ(Export(linux.Tree, "again.kvr"), original);
}

TEST_F(ResultFileTest, EmptyTreeGivesAnEmptyFileThatImportsAsNothing) {
  const std::string path = TempPath("empty.kvr");
  ASSERT_TRUE(WriteResultFile(Source.Tree, path).Ok);
  EXPECT_EQ(fs::file_size(NativePath(path)), 0u);

  ASSERT_TRUE(ReadResultFile(Source.Tree, path).Ok);
  EXPECT_EQ(Source.Tree.Root()->ChildCount(), 0u);
  EXPECT_EQ(Source.Tree.TotalFolders, 0);

  BuildSample(Source.Tree);
  const TBytes before = Export(Source.Tree, "before.kvr");
  ASSERT_TRUE(ReadResultFile(Source.Tree, path).Ok);
  EXPECT_EQ(Export(Source.Tree, "after.kvr"), before);
  EXPECT_EQ(Source.Tree.TotalFolders, 4);
}

TEST_F(ResultFileTest, TruncatedFileKeepsWhatCameBeforeTheCut) {
  BuildSample(Source.Tree);
  const TBytes full = Export(Source.Tree, "sample.kvr");
  const std::vector<TRecordAt> records = RecordStarts(full);
  ASSERT_EQ(records.size(), 7u);  // C:, Data, b.txt, a.txt, Alpha, zeta, z.bin
  const std::string path = TempPath("cut.kvr");

  // Inside the fixed part of the folder record of Alpha.
  const size_t alpha = records[4].Start;
  WriteBytes(path, Slice(full, 0, alpha + 50));
  {
    TTestTree target(TPathStyle::Windows);
    const TFileResult result = ReadResultFile(target.Tree, path);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Message, "Read error in \"" + path + "\": the file ends inside a folder record at byte " +
                                  std::to_string(alpha));
    ASSERT_NE(FolderAt(target.Tree, "C:\\Data"), nullptr);
    const TFolderNode* data = target.Tree.FindFolderNode("C:\\Data");
    EXPECT_EQ(data->Data()->Files.Count(), 2u);
    EXPECT_EQ(data->ChildCount(), 0u);
    EXPECT_EQ(target.Tree.TotalFolders, 2);
    // Totals and counts are those of what was kept, not of what was cut.
    EXPECT_EQ(data->Parent()->Data()->FolderCount, 1);
    EXPECT_EQ(data->Data()->FolderCount, 0);
    test::ExpectTotalsAreSumsBelow(target.Tree);
  }

  // Inside the path of the file record of a.txt.
  const size_t aTxt = records[3].Start;
  WriteBytes(path, Slice(full, 0, aTxt + 48 + 5));
  {
    TTestTree target(TPathStyle::Windows);
    const TFileResult result = ReadResultFile(target.Tree, path);
    EXPECT_EQ(result.Message, "Read error in \"" + path + "\": the string length 13 at byte " +
                                  std::to_string(aTxt) + " runs past the end of the file");
    ASSERT_NE(FolderAt(target.Tree, "C:\\Data"), nullptr);
    const TFolderNodeData& data = *FolderAt(target.Tree, "C:\\Data");
    ASSERT_EQ(data.Files.Count(), 1u);
    EXPECT_EQ(data.Files[0]->Name.View(), "b.txt");
    EXPECT_EQ(data.FileCount, 1);
  }

  // Any cut: an error exactly when it is not between two folder blocks, and
  // never more in the tree than in the whole file.
  for (size_t cut = 1; cut < full.size(); ++cut) {
    WriteBytes(path, Slice(full, 0, cut));
    TTestTree target(TPathStyle::Windows);
    const TFileResult result = ReadResultFile(target.Tree, path);
    bool boundary = false;
    for (const TRecordAt& r : records) boundary |= r.Folder && r.Start == cut;
    EXPECT_EQ(result.Ok, boundary) << "cut at " << cut;
    EXPECT_EQ(result.Ok, result.Message.empty()) << "cut at " << cut;
    EXPECT_LE(target.Tree.TotalFolders, 4);
    // A file cut between two folder blocks is a whole file of fewer folders.
    if (!result.Ok) test::ExpectTotalsAreSumsBelow(target.Tree);
  }
}

TEST_F(ResultFileTest, ImpossibleLengthsAreRejectedWithoutReadingOn) {
  BuildSample(Source.Tree);
  const TBytes full = Export(Source.Tree, "sample.kvr");
  const std::vector<TRecordAt> records = RecordStarts(full);
  const size_t data = records[1].Start;
  const size_t bTxt = records[2].Start;
  const std::string path = TempPath("bad.kvr");
  const std::string prefix = "Read error in \"" + path + "\": ";

  struct TCase {
    size_t At;
    int64_t Length;
    std::string Reason;
  };
  const TCase cases[] = {
      {data, -1, "impossible string length -1 at byte " + std::to_string(data)},
      {data + 4, -2147483647 - 1, "impossible string length -2147483648 at byte " + std::to_string(data + 4)},
      {data + 4, 0x7fffffff,
       "the string length 2147483647 at byte " + std::to_string(data + 4) + " runs past the end of the file"},
      // One more than the rest of the file: the file's own end is the limit.
      {bTxt, static_cast<int64_t>(full.size() - bTxt - 48 + 1),
       "the string length " + std::to_string(full.size() - bTxt - 48 + 1) + " at byte " + std::to_string(bTxt) +
           " runs past the end of the file"},
  };
  for (const TCase& c : cases) {
    TBytes bad = full;
    PutLe(bad, c.At, c.Length, 4);
    WriteBytes(path, bad);
    TTestTree target(TPathStyle::Windows);
    const TFileResult result = ReadResultFile(target.Tree, path);
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Message, prefix + c.Reason);
    // C: was read whole; its totals are those of what was kept, and nothing
    // after the bad length.
    const TFolderNode* drive = target.Tree.FindFolderNode("C:");
    ASSERT_FALSE(drive->IsHiddenRoot());
    test::ExpectTotalsAreSumsBelow(target.Tree);
    EXPECT_EQ(target.Tree.TotalFolders, c.At < bTxt ? 1 : 2);
    EXPECT_EQ(FolderAt(target.Tree, "C:\\Data\\zeta"), nullptr);
  }
}

// Hand-made records for what the writer never produces.
void AppendRecord(TBytes& b, size_t fixedSize, const std::string& path, const std::string& owner,
                  const std::vector<std::pair<size_t, int64_t>>& fields, int width = 8) {
  const size_t at = b.size();
  b.resize(at + fixedSize, 0);
  PutLe(b, at, static_cast<int64_t>(path.size()), 4);
  PutLe(b, at + 4, static_cast<int64_t>(owner.size()), 4);
  for (const auto& [offset, value] : fields) PutLe(b, at + offset, value, offset == 92 ? 4 : width);
  b.insert(b.end(), path.begin(), path.end());
  b.insert(b.end(), owner.begin(), owner.end());
}

TEST_F(ResultFileTest, OddRecordsAreReadSafely) {
  TBytes b;
  // Flags and padding with stray bits, a completion byte of 7.
  AppendRecord(b, 96, "C:", "o\\o", {{40, 11}, {80, 1}});
  b[32] = 2;
  b[35] = 0x80;
  std::fill(b.begin() + 36, b.begin() + 40, 0xFF);
  b[88] = 7;
  std::fill(b.begin() + 89, b.begin() + 92, 0xEE);
  // An empty path names no folder; its file record is read and dropped.
  AppendRecord(b, 96, "", "o\\o", {{92, 1}});
  AppendRecord(b, 48, "C:\\lost.txt", "o\\o", {{8, 5}});
  AppendRecord(b, 96, "C:\\X", "o\\o", {{92, 1}});
  AppendRecord(b, 48, "C:\\X\\f", "o\\o", {{8, 9}});
  const std::string path = TempPath("odd.kvr");
  WriteBytes(path, b);

  TTestTree target(TPathStyle::Windows, {{"C:\\", 4096}});
  const TFileResult result = ReadResultFile(target.Tree, path);
  ASSERT_TRUE(result.Ok) << result.Message;
  const TFolderNodeData& drive = Folder(target.Tree, "C:");
  EXPECT_TRUE(drive.Info().ReadOnly);
  EXPECT_FALSE(drive.Info().Hidden);
  EXPECT_TRUE(drive.Info().Archive);
  EXPECT_TRUE(drive.Complete);
  EXPECT_EQ(drive.TotalSize, 11);
  EXPECT_EQ(drive.FolderCount, 1);
  EXPECT_EQ(drive.Files.Count(), 0u);
  const TFolderNodeData& x = Folder(target.Tree, "C:\\X");
  ASSERT_EQ(x.Files.Count(), 1u);
  EXPECT_EQ(x.Files[0]->AllocatedSize(), 4096);
  EXPECT_EQ(target.Tree.TotalFolders, 2);

  // Written back, every flag is 0 or 1, the marks keep only the bits they
  // know, and every other padding byte is 0.
  const TBytes again = Export(target.Tree, "again.kvr");
  EXPECT_EQ(Slice(again, 32, 8), (TBytes{1, 0, 0, 1, 0x1F, 0, 0, 0}));
  EXPECT_EQ(Slice(again, 88, 8), (TBytes{1, 0, 0, 0, 0, 0, 0, 0}));

  // A count announcing more records than the file holds is a cut file.
  TBytes many;
  AppendRecord(many, 96, "C:", "o\\o", {{92, 0x7fffffff}});
  AppendRecord(many, 48, "C:\\f", "o\\o", {{8, 1}});
  WriteBytes(path, many);
  TTestTree other(TPathStyle::Windows);
  const TFileResult cut = ReadResultFile(other.Tree, path);
  EXPECT_EQ(cut.Message, "Read error in \"" + path + "\": the file ends inside a file record at byte " +
                             std::to_string(many.size()));
  EXPECT_EQ(Folder(other.Tree, "C:").Files.Count(), 1u);
}

TEST_F(ResultFileTest, NumbersAndPathsThatCannotBeMeantAreReadErrors) {
  constexpr int64_t Min = std::numeric_limits<int64_t>::min();
  auto folder = [](const std::string& path, const std::vector<std::pair<size_t, int64_t>>& fields) {
    TBytes b;
    AppendRecord(b, 96, path, "o\\o", fields);
    return b;
  };
  auto withFile = [](TBytes b, const std::string& path, int64_t size) {
    AppendRecord(b, 48, path, "o\\o", {{8, size}});
    return b;
  };
  struct TCase {
    TBytes Bytes;
    std::string Reason;
  };
  const TCase cases[] = {
      {folder("C:", {{40, -1}}), "impossible value -1 at byte 40"},
      {folder("C:", {{64, -7}}), "impossible value -7 at byte 64"},
      {folder("C:", {{80, Min}}), "impossible value -9223372036854775808 at byte 80"},
      {folder("C:", {{92, -3}}), "impossible file count -3 at byte 92"},
      // "/d//x" would be written back as "/d/" and read as "/d": totals would move.
      {folder("C:\\d\\\\x", {}), "the folder path at byte 0 has an empty component"},
      {folder("/d//x", {}), "the folder path at byte 0 has an empty component"},
      {folder("\\\\", {}), "the folder path at byte 0 has an empty component"},
      {withFile(folder("C:", {{92, 1}}), "C:\\f", -5), "impossible file size -5 at byte 109"},
      {withFile(folder("C:", {{92, 1}}), "C:\\", 1), "the file path at byte 101 has no name"},
  };
  const std::string path = TempPath("bad.kvr");
  for (const TCase& c : cases) {
    WriteBytes(path, c.Bytes);
    TTestTree target(TPathStyle::Windows);
    const TFileResult result = ReadResultFile(target.Tree, path);
    EXPECT_FALSE(result.Ok) << c.Reason;
    EXPECT_EQ(result.Message, "Read error in \"" + path + "\": " + c.Reason);
    EXPECT_FALSE(target.Tree.InUpdate());
  }
}

TEST_F(ResultFileTest, TotalsAtTheTopSurviveARoundTripUnchanged) {
  constexpr int64_t Max = std::numeric_limits<int64_t>::max();
  TBytes b;
  AppendRecord(b, 96, "C:", "o\\o", {{40, Max}, {48, Max}, {56, Max}, {64, Max}, {72, Max}, {80, Max}, {92, 1}});
  AppendRecord(b, 48, "C:\\sparse", "o\\o", {{8, Max - 1}});
  AppendRecord(b, 96, "C:\\d", "o\\o", {{40, Max}, {48, Max - 1}, {72, Max}, {80, 1}});
  AppendRecord(b, 96, "C:\\d\\e\\f", "o\\o", {{40, Max / 2}, {92, 1}});
  AppendRecord(b, 48, "C:\\d\\e\\f\\x", "o\\o", {{8, Max}});
  const std::string path = TempPath("top.kvr");
  WriteBytes(path, b);

  TTestTree first(TPathStyle::Windows, {{"C:\\", 4096}});
  const TFileResult read = ReadResultFile(first.Tree, path);
  ASSERT_TRUE(read.Ok) << read.Message;
  // Stored counts stay as stored; the folder the builder made between keeps its count.
  EXPECT_EQ(Folder(first.Tree, "C:").FolderCount, Max);
  EXPECT_EQ(Folder(first.Tree, "C:\\d").FolderCount, 1);
  EXPECT_EQ(Folder(first.Tree, "C:\\d\\e").FolderCount, 1);
  EXPECT_EQ(Folder(first.Tree, "C:").Files[0]->AllocatedSize(), Max);
  EXPECT_NEAR(Folder(first.Tree, "C:\\d").TreePercent, 100.0, 1e-9);
  const TBytes once = Export(first.Tree, "once.kvr");

  TTestTree second(TPathStyle::Windows, {{"C:\\", 4096}});
  ASSERT_TRUE(ReadResultFile(second.Tree, TempPath("once.kvr")).Ok);
  ExpectSameTree(first.Tree.Root(), second.Tree.Root());
  EXPECT_EQ(Export(second.Tree, "twice.kvr"), once);
}

TEST_F(ResultFileTest, OneRecordAHundredThousandLevelsDeepImportsInOneGo) {
  constexpr size_t Depth = 100000;
  std::string deep = "C:";
  for (size_t i = 0; i < Depth; ++i) deep += "\\d";
  TBytes b;
  AppendRecord(b, 96, deep, "o\\o", {{40, 5}, {92, 1}});
  AppendRecord(b, 48, deep + "\\f", "", {{8, 5}});
  const std::string path = TempPath("deep.kvr");
  WriteBytes(path, b);

  TTestTree target(TPathStyle::Windows, {{"C:\\", 4096}});
  const TFileResult result = ReadResultFile(target.Tree, path);
  ASSERT_TRUE(result.Ok) << result.Message;
  EXPECT_EQ(target.Tree.TotalFolders, static_cast<int64_t>(Depth) + 1);
  const TFolderNode* drive = target.Tree.Root()->Child(0);
  EXPECT_EQ(drive->Data()->FolderCount, static_cast<int64_t>(Depth));
  EXPECT_EQ(drive->Child(0)->Data()->FolderCount, static_cast<int64_t>(Depth) - 1);
  const TFolderNodeData* leaf = FolderData(target.Tree.FindFolderNode(deep));
  ASSERT_NE(leaf, nullptr);
  EXPECT_EQ(leaf->TotalSize, 5);
  ASSERT_EQ(leaf->Files.Count(), 1u);
  EXPECT_EQ(leaf->Files[0]->AllocatedSize(), 4096);
  // The folders the builder made on the way take the record's owner, not an empty one.
  EXPECT_EQ(drive->Data()->Owner(), "o\\o");
}

TEST_F(ResultFileTest, FilesThatCannotBeCreatedOpenedOrWrittenAreReported) {
  BuildSample(Source.Tree);
  const std::string missing = TempPath("no such folder/out.kvr");
  const TFileResult created = WriteResultFile(Source.Tree, missing);
  EXPECT_FALSE(created.Ok);
  EXPECT_EQ(created.Message, "Cannot create file \"" + missing + "\": " + std::strerror(ENOENT));

  TTestTree target(TPathStyle::Windows);
  const TFileResult opened = ReadResultFile(target.Tree, TempPath("absent.kvr"));
  EXPECT_FALSE(opened.Ok);
  EXPECT_EQ(opened.Message, "Cannot open file \"" + TempPath("absent.kvr") + "\": " + std::strerror(ENOENT));
  EXPECT_EQ(target.Tree.Root()->ChildCount(), 0u);
  EXPECT_FALSE(target.Tree.InUpdate());

  // A device that is always full, where there is one.
  std::FILE* probe = OpenFile("/dev/full", "wb");
  if (!probe) GTEST_SKIP() << "no /dev/full here";
  std::fclose(probe);
  // Under Wine the device looks like a plain file; replacing it is refused.
  const std::string why = NativePathStyle() == TPathStyle::Posix ? std::strerror(ENOSPC) : "";
  const TFileResult full = WriteResultFile(Source.Tree, "/dev/full");
  EXPECT_FALSE(full.Ok);
  EXPECT_EQ(full.Message.rfind("Write error on \"/dev/full\": " + why, 0), 0u) << full.Message;
}

TEST_F(ResultFileTest, ReadErrorsEndTheBulkUpdate) {
  BuildSample(Source.Tree);
  const TBytes full = Export(Source.Tree, "sample.kvr");
  const std::string path = TempPath("cut.kvr");
  WriteBytes(path, Slice(full, 0, full.size() - 1));
  TTestTree target(TPathStyle::Windows);
  EXPECT_FALSE(ReadResultFile(target.Tree, path).Ok);
  EXPECT_FALSE(target.Tree.InUpdate());
  // What was read is published in display order.
  ASSERT_NE(FolderAt(target.Tree, "C:\\Data"), nullptr);
  const TFolderNode* data = target.Tree.FindFolderNode("C:\\Data");
  ASSERT_EQ(data->ChildCount(), 2u);
  EXPECT_EQ(data->Child(0)->Data()->Name.View(), "Alpha");
  EXPECT_EQ(data->Child(1)->Data()->Name.View(), "zeta");
}

TEST_F(ResultFileTest, NamesWithBlanksNonAsciiAndLineBreaksSurvive) {
  TSizeTree& tree = Source.Tree;
  TItemInfo info;
  TFolderNode* folder = tree.GetFolderNode("C:\\My Files\\Grüße", info, nullptr, "PC\\Zoë");
  TFolderNode* far = tree.GetFolderNode("\\\\server\\日本\\x", info, nullptr, "DOM\\ユーザー");
  RecordFiles(tree, folder, {{"日本 語.txt", 3, "PC\\Zoë"}, {"line\nbreak.txt", 4, "PC\\Zoë"}, {" lead", 5, ""}},
              info);
  RecordFiles(tree, far, {{"façade.doc", 6, "DOM\\ユーザー"}}, info);
  const TBytes original = Export(tree, "names.kvr");

  TTestTree target(TPathStyle::Windows, {{"C:\\", 4096}});
  const TFileResult result = ReadResultFile(target.Tree, TempPath("names.kvr"));
  ASSERT_TRUE(result.Ok) << result.Message;
  ExpectSameTree(tree.Root(), target.Tree.Root());
  const TFolderNodeData& grusse = Folder(target.Tree, "C:\\My Files\\Grüße");
  ASSERT_EQ(grusse.Files.Count(), 3u);
  EXPECT_EQ(grusse.Files[1]->Name.View(), "line\nbreak.txt");
  EXPECT_EQ(grusse.Files[1]->GetFullPath(), "C:\\My Files\\Grüße\\line\nbreak.txt");
  EXPECT_EQ(grusse.Owner(), "PC\\Zoë");
  EXPECT_EQ(Folder(target.Tree, "\\\\server\\日本\\x").Files[0]->Owner(), "DOM\\ユーザー");
  EXPECT_EQ(Export(target.Tree, "again.kvr"), original);
}

TEST(ResultFilePosix, SlashTopLevelRoundTrips) {
  TTestTree source(TPathStyle::Posix, {{"/", 512}});
  TSizeTree& tree = source.Tree;
  TItemInfo info;
  TFolderNode* root = tree.GetFolderNode("/", info, nullptr, "h\\root");
  TFolderNode* bob = tree.GetFolderNode("/home/bob", info, nullptr, "h\\bob");
  RecordFiles(tree, root, {{"x", 1, "h\\root"}}, info);
  RecordFiles(tree, bob, {{"x.txt", 700, "h\\bob"}}, info);

  const fs::path path = fs::temp_directory_path() /
                        ("kestrove-rf-posix-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  const std::string file = Utf8(path);
  ASSERT_TRUE(WriteResultFile(tree, file).Ok);
  const TBytes b = ReadBytes(file);
  const std::vector<TRecordAt> records = RecordStarts(b);
  ASSERT_EQ(records.size(), 5u);  // /, /x, /home, /home/bob, /home/bob/x.txt
  EXPECT_EQ(Text(b, records[0].Start + 96, 1), "/");
  EXPECT_EQ(Text(b, records[1].Start + 48, 2), "/x");
  EXPECT_EQ(Text(b, records[2].Start + 96, 5), "/home");
  EXPECT_EQ(Text(b, records[3].Start + 96, 9), "/home/bob");
  EXPECT_EQ(Text(b, records[4].Start + 48, 15), "/home/bob/x.txt");

  for (const TPathStyle here : {TPathStyle::Posix, TPathStyle::Windows}) {
    TTestTree target(here, {{"/", 4096}});
    const TFileResult result = ReadResultFile(target.Tree, file);
    ASSERT_TRUE(result.Ok) << result.Message;
    ExpectSameTree(tree.Root(), target.Tree.Root());
    // On Windows no drive of that name exists: the size stays as it is.
    EXPECT_EQ(Folder(target.Tree, "/").Files[0]->AllocatedSize(), here == TPathStyle::Posix ? 4096 : 1);
    EXPECT_EQ(Folder(target.Tree, "/home/bob").Files[0]->GetFullPath(), "/home/bob/x.txt");
    EXPECT_EQ(target.Tree.TotalFolders, 3);
    ASSERT_TRUE(WriteResultFile(target.Tree, file).Ok);
    EXPECT_EQ(ReadBytes(file), b);
  }
  std::error_code ignored;
  fs::remove(path, ignored);
}

}  // namespace
}  // namespace kv
