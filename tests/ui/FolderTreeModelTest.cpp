#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <random>

#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "ui/FolderTreeModel.h"

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

}  // namespace
}  // namespace kv
