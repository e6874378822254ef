// The main window's commands on the selected file or folder: remove from the
// list, delete, refresh and open, and what each leaves the views showing.
#include "ui/Main.h"

#include <QTreeView>

#include <algorithm>

#include "app/ExportCommands.h"
#include "reports/AggregateReport.h"
#include "model/TreeRemoval.h"
#include "settings/TextIds.h"
#include "ui/FolderPane.h"
#include "ui/ReportArea.h"
#include "ui/ShellCommands.h"
#include "ui/TreemapPanel.h"

namespace kv {

TBaseNodeData* TfrmMain::SelectedItem() const {
  if (PopupSource_ == Folders_->View()) {
    TFolderNode* node = FocusedNode();
    return node ? node->Data() : nullptr;
  }
  if (PopupSource_ == Reports_->FilesList()) return Reports_->CurrentFileRow();
  return nullptr;
}

std::string TfrmMain::ItemPath(const TBaseNodeData& item) const {
  // Folders carry their trailing separator, so a file manager opens them.
  std::string path = item.GetFullPath();
  if (AsFolderData(&item)) return IncludeTrailingSeparator(path, PathStyleOf(path, Setup_.Style));
  return path;
}

void TfrmMain::RemoveItem(TBaseNodeData* item) {
  // A scan over SSH still links entries under folders it holds.
  if (std::any_of(SshScans_.begin(), SshScans_.end(), [](const auto& job) { return job->Running(); })) return;
  // The picture's items may be freed below; it finds its folder again afterwards.
  pnlTreemap->TreeChanged();
  if (auto* file = AsFileData(item)) {
    Compare_->ItemsLeaving(file->ParentNode(), file);
    // The rows may show this file: rebuild them before anything paints.
    TFolderNode* folder = RemoveFileItem(*Tree_, file);
    UpdateCounters();
    TFolderNode* focused = FocusedNode();
    if (focused) {
      RefreshReport(focused);
    } else {
      Pane_.Build(folder, Options_->ReportSettings(), LanguageTranslator(*Languages_));
      Reports_->ReloadLists();
      Reports_->StartIconLoader();
      RefreshChart();
    }
    UpdateTreemap();
    Folders_->Repaint();
    return;
  }
  auto* folder = AsFolderData(item);
  if (!folder) return;
  // Rows and the tree's focus may lie inside the subtree about to be freed.
  Pane_.Clear();
  Reports_->ReloadLists();
  RemovingFolder_ = true;
  const TFolderNode* focused = FocusedNode();
  const TFolderNode* own = Tree_->FindChild(folder->ParentNode(), folder->Name.View());
  for (const TFolderNode* up = focused; up && own; up = up->Parent())
    if (up == own) {
      Folders_->ClearFocus();
      break;
    }
  if (own) Compare_->ItemsLeaving(own);
  TFolderNode* parent = RemoveFolderItem(*Tree_, folder);
  RemovingFolder_ = false;
  // The last folder gone empties the tree: nothing unread is left to count.
  if (Tree_->Root()->ChildCount() == 0) Engine_->ClearReadErrors();
  UpdateCounters();
  if (parent && !parent->IsHiddenRoot()) {
    FocusFolder(parent);
    RefreshReport(parent);
  } else if (TFolderNode* still = FocusedNode()) {
    RefreshReport(still);
  }
  UpdateTreemap();
  UpdateCommandState();
  Folders_->Repaint();
}

void TfrmMain::RemoveByPaths(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    // Each removal rebuilds the rows, so the walk starts afresh per path.
    for (TBaseNodeData* row : Pane_.FilesRows()) {
      if (row->GetFullPath() == path) {
        RemoveItem(row);
        break;
      }
    }
  }
}

void TfrmMain::DeleteSelected() {
  if (PopupSource_ != Reports_->FilesList()) {
    TBaseNodeData* item = SelectedItem();
    if (!item || !Dialog_->AskYesNo(Languages_->Translate(IdAskDelete))) return;
    if (!DeletePaths(*Shell_, *Dialog_, LanguageTranslator(*Languages_), {item->GetFullPath()}).empty())
      RemoveItem(item);
    return;
  }
  const std::vector<std::string> selected = Reports_->SelectedFilePaths();
  if (selected.empty() || !Dialog_->AskYesNo(Languages_->Translate(IdAskDelete))) return;
  RemoveByPaths(DeletePaths(*Shell_, *Dialog_, LanguageTranslator(*Languages_), selected));
}

void TfrmMain::RemoveSelected() {
  TBaseNodeData* item = SelectedItem();
  if (!item) return;
  if (PopupSource_ != Reports_->FilesList())
    RemoveItem(item);
  else
    RemoveByPaths(Reports_->SelectedFilePaths());
}

void TfrmMain::RefreshSelected() {
  auto* folder = AsFolderData(SelectedItem());
  if (!folder) return;
  const std::string path = GetNodePath(Tree_->FindChild(folder->ParentNode(), folder->Name.View()));
  // A folder imported from the other platform cannot be read here: keep it.
  if (PathStyleOf(path, Setup_.Style) != Setup_.Style) return;
  RemoveItem(folder);
  if (StartScan(path)) {
    RefreshPath_ = path;
    RefreshShown_ = false;
  }
  // The scan's nodes arrive with its hand-overs; until then this is the
  // nearest folder of the path still in the tree.
  FocusFolder(Tree_->FindFolderNode(path));
}

void TfrmMain::FollowRefresh() {
  // The report was built without the refreshed folder: build it again once
  // the folder is back and once more with the scan's final sizes.
  const bool ended = Engine_->ActiveScans() == 0;
  const TFolderNode* node = Tree_->FindFolderNode(RefreshPath_);
  const bool back = !node->IsHiddenRoot() && GetNodePath(node) == RefreshPath_;
  if (!ended && (RefreshShown_ || !back)) return;
  RefreshShown_ = true;
  if (ended) RefreshPath_.clear();
  RefreshReport(FocusedNode());
}

void TfrmMain::OpenListRow() {
  TBaseNodeData* item = Reports_->CurrentFileRow();
  if (!item) return;
  if (auto* folder = AsFolderData(item)) {
    if (Pane_.Kind() == TReportKind::Top100Folders) {
      // Shown as Files and folders from now on; the focus change builds it.
      MarkReportKind(TReportKind::FilesInThisFolder);
      Pane_.SetKind(TReportKind::FilesInThisFolder);
    }
    TFolderNode* node = Tree_->FindFolderNode(ItemPath(*folder));
    if (node == FocusedNode()) RefreshReport(node);  // no focus change would rebuild it
    FocusFolder(node);
    return;
  }
  OpenFile(*Shell_, *Dialog_, LanguageTranslator(*Languages_), item->GetFullPath());
}

}  // namespace kv
