#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <map>
#include <random>

#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "ui/FolderTreeModel.h"
#include "ui/FolderTreeSort.h"

namespace kv {
namespace {

class FolderTreeModelTest : public ::testing::Test {
 protected:
  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
  TSizeTree Tree{Services, *Fake.Locale};
  TItemInfo Info;

  void Add(const std::string& path) { Tree.GetFolderNode(path, Info, nullptr, "o\\o"); }

  // The model's rows, depth first, against the tree's children.
  static void ExpectMirrors(const TFolderTreeModel& model, const TFolderNode* node, const QModelIndex& index) {
    ASSERT_EQ(model.rowCount(index), static_cast<int>(node->ChildCount()));
    for (size_t i = 0; i < node->ChildCount(); ++i) {
      const QModelIndex child = model.index(static_cast<int>(i), 0, index);
      ASSERT_EQ(model.NodeOf(child), node->Child(i));
      EXPECT_EQ(model.data(child).toString().toStdString(), node->Child(i)->Data()->Name.Str());
      ExpectMirrors(model, node->Child(i), child);
    }
  }
};

TEST_F(FolderTreeModelTest, FollowsBulkUpdatesRemovalsAndClearingAsQtRequires) {
  TFolderTreeModel model(Tree);
  // Fatal: any broken begin/end pairing or index aborts the test.
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

  Add("C:\\m");
  std::mt19937 rng(11);
  for (int round = 0; round < 5; ++round) {
    Tree.BeginUpdate();
    for (int i = 0; i < 40; ++i) {
      Add("C:\\d" + std::to_string(rng() % 30) + "\\e" + std::to_string(rng() % 5));
      Add("\\\\srv\\share" + std::to_string(rng() % 3));
    }
    Tree.EndUpdate();
    ExpectMirrors(model, Tree.Root(), {});
  }
  EXPECT_GT(inserted.count(), 0);

  // A removal outside an update, and one of a node made inside the same update.
  Tree.RemoveFolderNode(Tree.FindFolderNode("C:\\d3"));
  Tree.BeginUpdate();
  Add("C:\\zz\\new");
  Tree.RemoveFolderNode(Tree.FindFolderNode("C:\\zz"));
  Tree.RemoveFolderNode(Tree.FindFolderNode("C:\\m"));
  Tree.EndUpdate();
  ExpectMirrors(model, Tree.Root(), {});

  Tree.Clear();
  EXPECT_EQ(model.rowCount(), 0);
  Add("D:\\again");
  ExpectMirrors(model, Tree.Root(), {});
}

TEST_F(FolderTreeModelTest, IndexesNameTheirNodes) {
  TFolderTreeModel model(Tree);
  Add("C:\\b\\x");
  Add("C:\\a");
  const QModelIndex drive = model.index(0, 0);
  ASSERT_TRUE(drive.isValid());
  EXPECT_FALSE(model.parent(drive).isValid());
  const QModelIndex a = model.index(0, 0, drive);
  const QModelIndex b = model.index(1, 0, drive);
  EXPECT_EQ(model.data(a).toString(), "a");
  EXPECT_EQ(model.data(b).toString(), "b");
  EXPECT_EQ(model.parent(model.index(0, 0, b)), b);
  EXPECT_EQ(model.IndexOf(Tree.FindFolderNode("C:\\b")), b);
  EXPECT_FALSE(model.index(2, 0, drive).isValid());
}

TEST_F(FolderTreeModelTest, HeaderClicksSortSiblingsAndRowsAddedLaterFindTheirPlace) {
  TFolderTreeModel model(Tree);
  std::map<std::string, qlonglong> change{{"a", 5}, {"b", -3}, {"c", 5}, {"d", 0}, {"e", 1}};
  model.ChangeOf = [&](const TFolderNode& node, int role) {
    return role == TFolderTreeModel::ChangeSortRole ? QVariant(change.at(node.Data()->Name.Str())) : QVariant();
  };
  TFolderTreeSort sorted(model);
  QAbstractItemModelTester tester(&sorted, QAbstractItemModelTester::FailureReportingMode::Fatal);
  for (const char* name : {"d", "b", "c", "a"}) Add(std::string("C:\\") + name + "\\below");
  // The names as shown, each row's index and folder naming one another.
  auto shown = [&] {
    const QModelIndex drive = sorted.index(0, 0);  // indexes do not outlive a new order
    std::string names;
    for (int row = 0; row < sorted.rowCount(drive); ++row) {
      const QModelIndex index = sorted.index(row, 0, drive);
      const TFolderNode* node = sorted.NodeOf(index);
      EXPECT_EQ(sorted.IndexOf(node), index);
      EXPECT_EQ(sorted.NodeOf(sorted.index(0, 0, index))->Parent(), node);
      names += node->Data()->Name.Str();
    }
    return names;
  };
  constexpr int Name = 0, Change = TFolderTreeModel::ChangeColumn;
  struct TCase {
    std::vector<int> Clicks;
    const char* Order;
  };
  // Equal changes (a, c) keep the name order both ways.
  const TCase cases[] = {{{}, "abcd"},           {{Change}, "acdb"},         {{Change, Change}, "bdac"},
                         {{Change, Change, Change}, "abcd"}, {{Name}, "dcba"}, {{Name, Name}, "abcd"},
                         {{Name, Change}, "acdb"},  {{Change, Name}, "abcd"}, {{Change, Change, Name}, "abcd"}};
  for (const TCase& c : cases) {
    sorted.Unsort();
    for (const int column : c.Clicks) sorted.HeaderClick(column);
    EXPECT_EQ(shown(), c.Order) << c.Clicks.size() << " clicks";
  }

  // Sorted by change: a folder the scan adds goes to its place, a removed one leaves.
  sorted.Unsort();
  sorted.HeaderClick(Change);
  Tree.BeginUpdate();
  Add("C:\\e\\below");
  Tree.EndUpdate();
  EXPECT_EQ(shown(), "acedb");
  Tree.RemoveFolderNode(Tree.FindFolderNode("C:\\c"));
  EXPECT_EQ(shown(), "aedb");
  // New keys: sorted again on request.
  change["b"] = 9;
  sorted.Resort();
  EXPECT_EQ(shown(), "baed");
}

}  // namespace
}  // namespace kv
