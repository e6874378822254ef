// The main window's treemap: the panel under the tree and report panes, its
// clicks mapped onto focus, report rows and history, and the status text of
// the item under the mouse.
#include "ui/Main.h"

#include <QAction>
#include <QLabel>
#include <QSplitter>
#include <QTreeView>

#include "reports/FormatSize.h"
#include "settings/TextIds.h"
#include "ui/FolderTreeModel.h"
#include "ui/QtText.h"
#include "ui/ReportArea.h"
#include "ui/ReportListModels.h"
#include "ui/TreemapPanel.h"

namespace kv {

void TfrmMain::CreateTreemap(QWidget* parent) {
  pnlTreemap = new TTreemapPanel(*Tree_, parent);
  pnlTreemap->setObjectName("pnlTreemap");
  pnlTreemap->setVisible(Act("mniShowTreemap")->isChecked());
  splTreemap->addWidget(pnlTreemap);
  // The report list and the chart above keep most of the height: at the
  // window's first size a larger map would squeeze the list to a row or two.
  splTreemap->setStretchFactor(0, 3);
  splTreemap->setStretchFactor(1, 1);
  splTreemap->setSizes({430, 150});

  pnlTreemap->OnHover = [this](const TTreemapNode* node) { ShowTreemapItem(node); };
  pnlTreemap->OnClick = [this](const TTreemapNode& node) { TreemapClicked(node, false); };
  pnlTreemap->OnDoubleClick = [this](const TTreemapNode& node) { TreemapClicked(node, true); };
  pnlTreemap->OnStepHistory = [this](int delta) { StepHistory(delta); };
  // The selected row is outlined in the picture.
  QTreeView* files = Reports_->FilesList();
  connect(files->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this, files](const QModelIndex& current) {
            const bool listing = CurrentReportList() == files && current.isValid();
            TBaseNodeData* row = listing ? Reports_->FilesModel().RowObject(current.row()) : nullptr;
            pnlTreemap->SetSelectedFile(AsFileData(row));
          });
  // Folders freed by any path: the picture lets go of them first.
  const auto changed = [this] { pnlTreemap->TreeChanged(); };
  connect(&FolderModel(), &QAbstractItemModel::rowsAboutToBeRemoved, pnlTreemap, changed);
  connect(&FolderModel(), &QAbstractItemModel::modelAboutToBeReset, pnlTreemap, changed);
}

void TfrmMain::UpdateTreemap() {
  if (!ShutDown_) pnlTreemap->ShowFolder(FocusedNode());
}

void TfrmMain::TreemapClicked(const TTreemapNode& node, bool zoom) {
  auto* folder = const_cast<TFolderNode*>(node.FolderNode);
  if (!folder || folder->IsHiddenRoot()) return;
  FocusFolder(folder);
  if (node.Kind == TTreemapNode::File) {
    if (Pane_.Kind() != TReportKind::FilesInThisFolder) SelectReportKind(TReportKind::FilesInThisFolder);
    Reports_->SelectFileRow(node.FileData);
  }
  if (zoom) pnlTreemap->ShowFolder(folder);
}

void TfrmMain::ShowTreemapItem(const TTreemapNode* node) {
  if (!node) {
    TreemapStatus_->clear();
    return;
  }
  QString text;
  switch (node->Kind) {
    case TTreemapNode::File:
      text = FromUtf8(node->FileData->GetFullPath());
      break;
    case TTreemapNode::Folder:
      text = FromUtf8(node->FolderNode->Data()->GetFullPath());
      break;
    case TTreemapNode::Rest:
      text = WithValue(Tr(IdTreemapSmallItems), FromUtf8(node->FolderNode->Data()->GetFullPath()));
      break;
  }
  TreemapStatus_->setText(text + "   " + FromUtf8(FormatSize(node->Size, SizeFormat_)));
}

}  // namespace kv
