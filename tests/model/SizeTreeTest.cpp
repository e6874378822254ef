#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"

namespace kv {
namespace {

std::vector<std::string> ChildNames(const TFolderNode* node) {
  std::vector<std::string> names;
  for (size_t i = 0; i < node->ChildCount(); ++i) names.push_back(node->Child(i)->Data()->Name.Str());
  return names;
}

class SizeTreeTest : public ::testing::Test {
 protected:
  SizeTreeTest() {
    Fake.FileSystem->ClusterSizes["C:\\"] = 4096;
    Fake.Security->OwnerOf["C:"] = "S-1-5-18";
    Fake.Security->OwnerOf["C:\\Users"] = "S-1-5-32-544";
    Fake.Security->OwnerOf["C:\\Users\\Bob"] = "S-1-5-21-1";
    Fake.Security->Accounts["S-1-5-18"] = {"SYSTEM", "NT AUTHORITY"};
    Fake.Security->Accounts["S-1-5-32-544"] = {"Administrators", "BUILTIN"};
    Fake.Security->Accounts["S-1-5-21-1"] = {"bob", "PC"};
  }

  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  TItemInfo Info;
};

TEST_F(SizeTreeTest, ChainDownFromTheDriveGetsOneInfoAndOwnOwners) {
  Info.Modified = 44000.5;
  Info.Hidden = true;
  TFolderNode* bob = Tree.GetFolderNode("C:\\Users\\Bob\\", Info, nullptr, "");
  ASSERT_NE(bob, nullptr);
  EXPECT_EQ(Tree.TotalFolders, 3);
  EXPECT_EQ(GetNodePath(bob), "C:\\Users\\Bob\\");
  const TFolderNode* users = bob->Parent();
  const TFolderNode* drive = users->Parent();
  EXPECT_TRUE(drive->Parent()->IsHiddenRoot());
  for (const TFolderNode* n : std::initializer_list<const TFolderNode*>{bob, users, drive}) {
    EXPECT_EQ(n->Data()->Info().Modified, 44000.5);
    EXPECT_TRUE(n->Data()->Info().Hidden);
  }
  EXPECT_EQ(bob->Data()->Owner(), "PC\\bob");
  EXPECT_EQ(users->Data()->Owner(), "BUILTIN\\Administrators");
  EXPECT_EQ(drive->Data()->Owner(), "NT AUTHORITY\\SYSTEM");
  // Owners are asked for the folder's own path without its trailing backslash.
  EXPECT_EQ(Fake.Security->OwnerQueries, (std::vector<std::string>{"C:", "C:\\Users", "C:\\Users\\Bob"}));
  EXPECT_EQ(drive->Data()->FolderCount, 2);
  EXPECT_EQ(users->Data()->FolderCount, 1);
  EXPECT_EQ(bob->Data()->FolderCount, 0);

  // The same path again creates nothing.
  EXPECT_EQ(Tree.GetFolderNode("C:\\Users\\Bob", Info, nullptr, "x\\y"), bob);
  EXPECT_EQ(Tree.TotalFolders, 3);

  // Marking the leaf complete climbs to the drive.
  bob->Data()->Complete = true;
  Tree.MarkComplete(bob->Parent());
  EXPECT_TRUE(users->Data()->Complete);
  EXPECT_TRUE(drive->Data()->Complete);
}

TEST_F(SizeTreeTest, NetworkPathAndUnknownOwner) {
  TFolderNode* docs = Tree.GetFolderNode("\\\\server\\share\\docs", Info, nullptr, "");
  EXPECT_EQ(GetNodePath(docs), "\\\\server\\share\\docs\\");
  EXPECT_EQ(docs->Parent()->Parent()->Data()->Name.View(), "\\\\server");
  EXPECT_EQ(docs->Data()->Owner(), "unknown\\unknown");
  EXPECT_EQ(FolderData(docs->Parent()->Parent())->GetFullPath(), "\\\\server");
}

TEST_F(SizeTreeTest, GetFolderNodeWithParentTrustsTheParent) {
  TFolderNode* data = Tree.GetFolderNode("C:\\Data", Info, nullptr, "o\\o");
  TFolderNode* sub = Tree.GetFolderNode("D:\\whatever\\Sub", Info, data, "o\\o");
  EXPECT_EQ(sub->Parent(), data);
  EXPECT_EQ(GetNodePath(sub), "C:\\Data\\Sub\\");
  EXPECT_EQ(Tree.GetFolderNode("C:\\Data\\Sub", Info, data, "o\\o"), sub);
  EXPECT_EQ(Tree.TotalFolders, 3);
}

TEST_F(SizeTreeTest, SizesClimbTheAncestorChain) {
  TFolderNode* f = Tree.GetFolderNode("C:\\A\\F", Info, nullptr, "o\\o");
  TFolderNode* a = f->Parent();
  TFolderNode* c = a->Parent();
  Tree.AddSizesToFolder(f, 100, 4096, 1);
  for (TFolderNode* n : {f, a, c}) {
    EXPECT_EQ(n->Data()->TotalSize, 100);
    EXPECT_EQ(n->Data()->TotalAllocated, 4096);
    EXPECT_EQ(n->Data()->FileCount, 1);
  }
  EXPECT_EQ(f->Data()->OwnSize, 100);
  EXPECT_EQ(f->Data()->OwnAllocated, 4096);
  EXPECT_EQ(a->Data()->OwnSize, 0);
  EXPECT_EQ(c->Data()->OwnAllocated, 0);
  EXPECT_EQ(Tree.TotalFiles, 1);
  // Negative amounts are how removals take totals off.
  Tree.AddSizesToFolder(a, -100, -4096, -1);
  EXPECT_EQ(c->Data()->TotalSize, 0);
  EXPECT_EQ(a->Data()->OwnSize, -100);
  EXPECT_EQ(Tree.TotalFiles, 0);
}

TEST_F(SizeTreeTest, AddFileNodeRecordsOnceAndRoundsToClusters) {
  EXPECT_TRUE(Tree.AddFileNode("C:\\Data\\a.txt", nullptr, 1, Info, "o\\o"));
  EXPECT_FALSE(Tree.AddFileNode("C:\\Data\\a.txt", nullptr, 5, Info, "o\\o"));
  TFolderNode* data = Tree.FindFolderNode("C:\\Data\\");
  ASSERT_EQ(data->Data()->Files.Count(), 1u);
  TFileNodeData* file = data->Data()->Files[0];
  EXPECT_EQ(file->FileSize(), 1);
  EXPECT_EQ(file->AllocatedSize(), 4096);
  EXPECT_EQ(file->Owner(), "o\\o");
  EXPECT_EQ(file->ParentNode(), data);
  // Recording a file changes no total or counter.
  EXPECT_EQ(data->Data()->TotalSize, 0);
  EXPECT_EQ(Tree.TotalFiles, 0);
  EXPECT_EQ(Tree.TotalFolders, 2);
  EXPECT_TRUE(Tree.AddFileNode("C:\\Data\\A.TXT", data, 8192, Info, "o\\o"));
  EXPECT_EQ(data->Data()->Files[1]->AllocatedSize(), 8192);
  // The drive's cluster size was asked once.
  EXPECT_EQ(Fake.FileSystem->ClusterQueries, std::vector<std::string>{"C:\\"});
}

TEST_F(SizeTreeTest, FindFolderNodeSkipsMissingComponentsAndNeverFails) {
  TFolderNode* sys = Tree.GetFolderNode("C:\\Windows\\System32", Info, nullptr, "o\\o");
  TFolderNode* win = sys->Parent();
  EXPECT_EQ(Tree.FindFolderNode("C:\\Windows\\System32"), sys);
  EXPECT_EQ(Tree.FindFolderNode("C:\\Nope"), win->Parent());
  // A missing component is skipped and the next one is looked for in the same place.
  EXPECT_EQ(Tree.FindFolderNode("C:\\Nope\\Windows"), win);
  EXPECT_EQ(Tree.FindFolderNode("X:\\Y"), Tree.Root());
  EXPECT_EQ(Tree.FindFolderNode(""), Tree.Root());
  // Names are compared exactly.
  EXPECT_EQ(Tree.FindFolderNode("C:\\WINDOWS"), win->Parent());
  EXPECT_EQ(Tree.FindChild(win, "system32"), nullptr);
}

TEST_F(SizeTreeTest, TreePercentsRefreshUpTheChainButNotTopLevel) {
  TFolderNode* a = Tree.GetFolderNode("C:\\P\\A", Info, nullptr, "o\\o");
  TFolderNode* b = Tree.GetFolderNode("C:\\P\\B", Info, nullptr, "o\\o");
  TFolderNode* q = Tree.GetFolderNode("C:\\Q", Info, nullptr, "o\\o");
  TFolderNode* p = a->Parent();
  Tree.UpdateTreePercents(a);
  EXPECT_EQ(a->Data()->TreePercent, 0);  // all totals 0
  EXPECT_EQ(p->Data()->TreePercent, 0);

  Tree.AddSizesToFolder(a, 300, 300, 1);
  Tree.AddSizesToFolder(b, 100, 100, 1);
  Tree.AddSizesToFolder(q, 100, 100, 1);
  Tree.UpdateTreePercents(a);  // refreshes a's children (none) and up from there
  Tree.UpdateTreePercents(p);
  EXPECT_DOUBLE_EQ(a->Data()->TreePercent, 75.0);
  EXPECT_DOUBLE_EQ(b->Data()->TreePercent, 25.0);
  EXPECT_DOUBLE_EQ(p->Data()->TreePercent, 80.0);
  EXPECT_DOUBLE_EQ(q->Data()->TreePercent, 20.0);
  EXPECT_EQ(p->Parent()->Data()->TreePercent, 0);
  // Totals too large to add up (from a file) still share, without wrapping.
  a->Data()->TotalSize = b->Data()->TotalSize = INT64_MAX / 2 + 1;
  Tree.UpdateChildPercents(p);
  EXPECT_DOUBLE_EQ(a->Data()->TreePercent, 50.0);
  EXPECT_DOUBLE_EQ(b->Data()->TreePercent, 50.0);
}

TEST_F(SizeTreeTest, MarkCompleteWaitsForEveryChild) {
  TFolderNode* a = Tree.GetFolderNode("C:\\P\\A", Info, nullptr, "o\\o");
  TFolderNode* b = Tree.GetFolderNode("C:\\P\\B", Info, nullptr, "o\\o");
  TFolderNode* p = a->Parent();
  a->Data()->Complete = true;
  Tree.MarkComplete(p);
  EXPECT_FALSE(p->Data()->Complete);
  b->Data()->Complete = true;
  Tree.MarkComplete(p);
  EXPECT_TRUE(p->Data()->Complete);
  EXPECT_TRUE(p->Parent()->Data()->Complete);
  Tree.MarkComplete(nullptr);
  Tree.MarkComplete(Tree.Root());  // both stop at once
}

TEST_F(SizeTreeTest, RemoveFolderNodeLowersCountersOnly) {
  // P with two subfolders, five files spread over the three folders.
  TFolderNode* p = Tree.GetFolderNode("C:\\P", Info, nullptr, "o\\o");
  TFolderNode* a = Tree.GetFolderNode("C:\\P\\A", Info, p, "o\\o");
  TFolderNode* b = Tree.GetFolderNode("C:\\P\\B", Info, p, "o\\o");
  const std::pair<TFolderNode*, const char*> files[] = {
      {p, "C:\\P\\1"}, {p, "C:\\P\\2"}, {a, "C:\\P\\A\\3"}, {b, "C:\\P\\B\\4"}, {b, "C:\\P\\B\\5"}};
  for (auto [folder, path] : files) {
    ASSERT_TRUE(Tree.AddFileNode(path, folder, 10, Info, "o\\o"));
    Tree.AddSizesToFolder(folder, 10, 4096, 1);
  }
  TFolderNode* drive = p->Parent();
  EXPECT_EQ(Tree.TotalFolders, 4);
  EXPECT_EQ(Tree.TotalFiles, 5);
  EXPECT_EQ(drive->Data()->TotalSize, 50);

  Tree.RemoveFolderNode(p);
  EXPECT_EQ(Tree.TotalFolders, 1);
  EXPECT_EQ(Tree.TotalFiles, 0);
  EXPECT_EQ(drive->ChildCount(), 0u);
  // The caller takes totals off the ancestors; removal leaves them alone.
  EXPECT_EQ(drive->Data()->TotalSize, 50);
  EXPECT_EQ(drive->Data()->FolderCount, 3);
  EXPECT_EQ(Tree.FindFolderNode("C:\\P"), drive);
  // A folder of the same name can come back.
  EXPECT_NE(Tree.GetFolderNode("C:\\P", Info, nullptr, "o\\o"), drive);
}

TEST_F(SizeTreeTest, ChildrenAreInDisplayOrderAfterEachBulkUpdate) {
  Tree.BeginUpdate();
  for (const char* name : {"b", "B", "a", "A", "c"}) Tree.GetFolderNode(std::string("C:\\") + name, Info, nullptr, "o\\o");
  Tree.EndUpdate();
  TFolderNode* drive = Tree.FindFolderNode("C:");
  EXPECT_EQ(ChildNames(drive), (std::vector<std::string>{"a", "A", "b", "B", "c"}));
  for (size_t i = 0; i < drive->ChildCount(); ++i) EXPECT_EQ(drive->Child(i)->Row(), i);
  // Outside a bulk update a new child goes straight to its place.
  Tree.GetFolderNode("C:\\Ab", Info, nullptr, "o\\o");
  EXPECT_EQ(ChildNames(drive), (std::vector<std::string>{"a", "A", "Ab", "b", "B", "c"}));
}

// Records what an observer sees and checks that each notification matches the tree.
class RecordingObserver : public ITreeObserver {
 public:
  explicit RecordingObserver(TSizeTree& tree) : Tree_(tree) {}
  void RowsAboutToBeInserted(TFolderNode* parent, size_t first, size_t last) override {
    PendingCount_ = parent->ChildCount();
    Log.push_back("insert " + Name(parent) + " " + std::to_string(first) + "-" + std::to_string(last));
  }
  void RowsInserted(TFolderNode* parent, size_t first, size_t last) override {
    EXPECT_EQ(parent->ChildCount(), PendingCount_ + last - first + 1);
  }
  void RowsAboutToBeRemoved(TFolderNode* parent, size_t first, size_t) override {
    Log.push_back("remove " + Name(parent) + " " + std::to_string(first));
  }
  void BulkUpdateEnded() override { ++Ends; }
  std::vector<std::string> Log;
  int Ends = 0;

 private:
  static std::string Name(TFolderNode* n) { return n->IsHiddenRoot() ? "<root>" : n->Data()->Name.Str(); }
  TSizeTree& Tree_;
  size_t PendingCount_ = 0;
};

TEST_F(SizeTreeTest, ObserverSeesContiguousInsertionsOfNewNodesOnly) {
  RecordingObserver observer(Tree);
  Tree.SetObserver(&observer);
  Tree.BeginUpdate();
  Tree.GetFolderNode("C:\\m", Info, nullptr, "o\\o");
  Tree.GetFolderNode("C:\\m\\deep\\er", Info, nullptr, "o\\o");
  Tree.EndUpdate();
  // The drive appears with its whole new subtree at once.
  EXPECT_EQ(observer.Log, (std::vector<std::string>{"insert <root> 0-0"}));
  EXPECT_EQ(observer.Ends, 1);

  observer.Log.clear();
  Tree.BeginUpdate();
  for (const char* name : {"z", "a", "b", "n", "y"}) Tree.GetFolderNode(std::string("C:\\") + name, Info, nullptr, "o\\o");
  Tree.GetFolderNode("C:\\m\\deep\\new", Info, nullptr, "o\\o");
  Tree.EndUpdate();
  TFolderNode* drive = Tree.FindFolderNode("C:");
  EXPECT_EQ(ChildNames(drive), (std::vector<std::string>{"a", "b", "m", "n", "y", "z"}));
  EXPECT_EQ(observer.Log, (std::vector<std::string>{"insert C: 0-1", "insert C: 3-5", "insert deep 1-1"}));

  observer.Log.clear();
  Tree.RemoveFolderNode(Tree.FindFolderNode("C:\\b"));
  EXPECT_EQ(observer.Log, (std::vector<std::string>{"remove C: 1"}));
  EXPECT_EQ(Tree.FindChild(drive, "m")->Row(), 1u);
  Tree.SetObserver(nullptr);
}

TEST_F(SizeTreeTest, RemovingANodeAddedInTheSameUpdateIsSilentAndSafe) {
  RecordingObserver observer(Tree);
  Tree.GetFolderNode("C:\\keep", Info, nullptr, "o\\o");
  Tree.SetObserver(&observer);
  Tree.BeginUpdate();
  TFolderNode* fresh = Tree.GetFolderNode("C:\\fresh\\inner", Info, nullptr, "o\\o");
  Tree.GetFolderNode("C:\\fresh\\inner\\x", Info, nullptr, "o\\o");
  Tree.RemoveFolderNode(fresh->Parent());
  Tree.EndUpdate();
  EXPECT_TRUE(observer.Log.empty());
  EXPECT_EQ(ChildNames(Tree.FindFolderNode("C:")), std::vector<std::string>{"keep"});
  EXPECT_EQ(Tree.TotalFolders, 2);
  Tree.SetObserver(nullptr);
}

TEST_F(SizeTreeTest, ManyChildrenAreFoundByHashAndStaySorted) {
  std::vector<std::string> names;
  for (int i = 0; i < 500; ++i) names.push_back("d" + std::to_string(i));
  std::mt19937 rng(7);
  std::shuffle(names.begin(), names.end(), rng);
  Tree.BeginUpdate();
  for (const auto& n : names) Tree.GetFolderNode("C:\\" + n, Info, nullptr, "o\\o");
  // Look-ups inside the update find the unsorted new children too.
  for (const auto& n : names) ASSERT_NE(Tree.FindChild(Tree.FindFolderNode("C:"), n), nullptr) << n;
  Tree.EndUpdate();
  TFolderNode* drive = Tree.FindFolderNode("C:");
  ASSERT_EQ(drive->ChildCount(), 500u);
  for (const auto& n : names) {
    TFolderNode* child = Tree.FindChild(drive, n);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(drive->Child(child->Row()), child);
  }
  auto sorted = ChildNames(drive);
  EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(),
                             [&](const std::string& a, const std::string& b) { return Fake.Locale->Compare(a, b) < 0; }));
  EXPECT_EQ(Tree.FindChild(drive, "d500"), nullptr);
}

TEST(SizeTreePosix, SlashIsTheTopLevelNode) {
  test::FakePlatform fake;
  fake.FileSystem->ClusterSizes["/"] = 512;
  fake.FileSystem->ClusterSizes["/home/"] = 4096;
  TFileServices services(fake.Platform(), TPathStyle::Posix);
  TSizeTree tree(services, *fake.Locale);
  TItemInfo info;
  TFolderNode* bob = tree.GetFolderNode("/home/bob", info, nullptr, "h\\bob");
  EXPECT_EQ(GetNodePath(bob), "/home/bob/");
  EXPECT_EQ(tree.Root()->Child(0)->Data()->Name.View(), "/");
  EXPECT_EQ(FolderData(tree.Root()->Child(0))->GetFullPath(), "/");
  EXPECT_EQ(bob->Data()->GetFullPath(), "/home/bob");
  ASSERT_TRUE(tree.AddFileNode("/home/bob/x.txt", nullptr, 1, info, "h\\bob"));
  ASSERT_TRUE(tree.AddFileNode("/etc/passwd", nullptr, 1, info, "h\\root"));
  EXPECT_EQ(bob->Data()->Files[0]->AllocatedSize(), 4096);
  EXPECT_EQ(tree.FindFolderNode("/etc")->Data()->Files[0]->AllocatedSize(), 512);
  EXPECT_EQ(bob->Data()->Files[0]->GetFullPath(), "/home/bob/x.txt");
  EXPECT_EQ(tree.TotalFolders, 4);
}

}  // namespace
}  // namespace kv
