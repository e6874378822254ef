// The window's side of the workers' queue: drains on the event loop, within a
// time budget, and tells the treemap when the tree really grew.
#include "ui/Main.h"

#include <QApplication>
#include <QTreeView>

#include <array>
#include <atomic>
#include <chrono>
#include <memory>

#include "model/Saturate.h"
#include "ui/FolderPane.h"
#include "ui/TreemapPanel.h"

namespace kv {

namespace {

// What the treemap is drawn from. The queue also carries the icon loader's
// steps: a drain that left this alone must not start a new picture, or a long
// list's icons keep a large tree's picture from ever being finished.
std::array<int64_t, 4> TreeExtent(const TSizeTree& tree) {
  std::array<int64_t, 4> extent{tree.TotalFolders, tree.TotalFiles, 0, 0};
  const TFolderNode* root = tree.Root();
  for (size_t i = 0; root && i < root->ChildCount(); ++i) {
    const TFolderNodeData* data = root->Child(i)->Data();
    extent[2] = SatAdd(extent[2], data->TotalSize);
    extent[3] = SatAdd(extent[3], data->TotalAllocated);
  }
  return extent;
}

}  // namespace

void TfrmMain::ConnectQueue() {
  // Workers post; the event loop drains. One drain is scheduled at a time and
  // never runs after the window is gone.
  DrainTarget_ = std::make_shared<TfrmMain*>(this);
  auto scheduled = std::make_shared<std::atomic<bool>>(false);
  Queue_.SetNotify([weak = std::weak_ptr<TfrmMain*>(DrainTarget_), scheduled] {
    if (scheduled->exchange(true)) return;
    QMetaObject::invokeMethod(
        qApp,
        [weak, scheduled] {
          scheduled->store(false);
          if (const auto target = weak.lock()) (*target)->DrainScanCalls();
        },
        Qt::QueuedConnection);
  });
}

void TfrmMain::DrainScanCalls() {
  if (ShutDown_) return;
  const std::array<int64_t, 4> before = TreeExtent(*Tree_);
  // A fast scan can queue seconds of hand-overs; what the budget leaves waits
  // for the next turn of the event loop, after input and paints.
  if (Queue_.Drain(std::chrono::milliseconds(10)) > 0) {
    // Hand-overs change sizes, marks and percentages anywhere in the tree and
    // in the rows shown: repaint once per drain, not per node.
    Folders_->Repaint();
    if (QTreeView* list = CurrentReportList()) list->viewport()->update();
    if (TreeExtent(*Tree_) != before) pnlTreemap->TreeGrew();
  }
  if (Queue_.Pending())
    QMetaObject::invokeMethod(
        qApp,
        [weak = std::weak_ptr<TfrmMain*>(DrainTarget_)] {
          if (const auto target = weak.lock()) (*target)->DrainScanCalls();
        },
        Qt::QueuedConnection);
  if (!RefreshPath_.empty()) FollowRefresh();
  SyncProgressBar();
}

}  // namespace kv
