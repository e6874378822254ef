// The window's streaming job fed by a stream of the test's own: the tree may
// only lose folders once the job no longer runs, and a stopped job never
// touches the tree again.
#include "scan/SshScanJob.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "fakes/Drain.h"
#include "fakes/FakePlatform.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "model/TreeRemoval.h"

namespace kv {
namespace {

// /srv/sub with files of 100 bytes, until stopped or all given.
class TFileStream final : public INcduStream {
 public:
  explicit TFileStream(int64_t total) : Total_(total) {}
  std::string Run(INcduSink& sink) override {
    TNcduEntry entry;
    for (const char* name : {"/srv", "sub"}) {
      entry.Name = name;
      if (std::string refused = sink.Folder(entry); !refused.empty()) return refused;
    }
    for (int64_t i = 0; i < Total_ && !Stopped_; ++i) {
      entry.Clear();
      entry.Name = "f" + std::to_string(i);
      entry.ASize = 100;
      entry.DSize = 4096;
      if (std::string refused = sink.File(entry); !refused.empty()) return refused;
    }
    sink.EndFolder();
    sink.EndFolder();
    return {};
  }
  void Stop() override { Stopped_ = true; }

 private:
  int64_t Total_;
  std::atomic<bool> Stopped_{false};
};

class SshScanJobTest : public ::testing::Test {
 protected:
  std::unique_ptr<TSshScanJob> Start(int64_t files) {
    TSshTarget target{"", "far", 0, "/srv"};
    return std::make_unique<TSshScanJob>(Tree, Queue, target, std::make_unique<TFileStream>(files),
                                         [this](const std::string& error) {
                                           Ended = true;
                                           EndError = error;
                                           RunningAtEnd = Job->Running();
                                         });
  }
  TFolderNode* Sub() const {
    TFolderNode* node = Tree.FindFolderNode("/srv/sub");
    return node && GetNodePath(node) == "/srv/sub/" ? node : nullptr;
  }

  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Posix};
  TSizeTree Tree{Services, *Fake.Locale};
  TUiCallQueue Queue;
  std::unique_ptr<TSshScanJob> Job;
  bool Ended = false, RunningAtEnd = true;
  std::string EndError = "not ended";
};

TEST_F(SshScanJobTest, RunsUntilTheLastBatchIsInTheTreeThenAllowsRemoval) {
  Job = Start(10000);
  EXPECT_TRUE(Job->Running());
  ASSERT_TRUE(test::DrainUntil(Queue, [&] { return Job->Finished(); }));
  Queue.Drain();
  EXPECT_TRUE(Ended);
  EXPECT_EQ(EndError, "");
  // The window's commands look at Running when the end is told.
  EXPECT_FALSE(RunningAtEnd);
  EXPECT_FALSE(Job->Running());
  ASSERT_NE(Sub(), nullptr);
  EXPECT_EQ(Tree.FindFolderNode("/srv")->Data()->TotalSize, 10000 * 100);
  RemoveFolderItem(Tree, Sub()->Data());
  EXPECT_EQ(Tree.FindFolderNode("/srv")->Data()->TotalSize, 0);
  Job.reset();
  EXPECT_EQ(Tree.FindFolderNode("/srv")->Data()->TotalSize, 0);
}

TEST_F(SshScanJobTest, AStoppedJobLeavesAFolderItHeldAlone) {
  // Far more entries than arrive before the stop: the stream is still going.
  Job = Start(int64_t{1} << 40);
  ASSERT_TRUE(test::DrainUntil(Queue, [&] { return Sub() && Tree.TotalFiles > 0; }));
  EXPECT_TRUE(Job->Running());
  // The window stops the job before it takes anything out of the tree.
  Job->Stop();
  EXPECT_FALSE(Job->Running());
  RemoveFolderItem(Tree, Sub()->Data());
  const int64_t files = Tree.TotalFiles;
  // The worker's later batches are dropped, not linked under the freed folder.
  ASSERT_TRUE(test::DrainUntil(Queue, [&] { return Job->Finished(); }));
  Queue.Drain();
  EXPECT_EQ(Sub(), nullptr);
  EXPECT_EQ(Tree.TotalFiles, files);
  EXPECT_EQ(Tree.FindFolderNode("/srv")->Data()->TotalSize, 0);
  EXPECT_FALSE(Ended);
}

}  // namespace
}  // namespace kv
