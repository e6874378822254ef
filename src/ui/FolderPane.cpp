#include "ui/FolderPane.h"

#include <utility>
#include <vector>

#include <QComboBox>
#include <QHeaderView>
#include <QSplitter>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/DrivePanel.h"
#include "model/SizeTree.h"
#include "ui/DMMain.h"
#include "ui/DrivePanelModel.h"
#include "ui/FileIcons.h"
#include "ui/FolderTreeModel.h"
#include "ui/FolderTreeSort.h"
#include "ui/FolderTreeView.h"
#include "settings/TextIds.h"
#include "ui/QtText.h"

namespace kv {

TFolderPane::TFolderPane(TSizeTree& tree, TFileServices& services, const TPlatform& platform, TPathStyle style,
                         IShell& shell, const TdtmMain& dm, QComboBox& driveList, QWidget* parent)
    : QWidget(parent), edtDriveList(driveList) {
  setObjectName("pnlLeft");
  auto* left = new QVBoxLayout(this);
  left->setContentsMargins(0, 0, 0, 0);
  splDiskSize = new QSplitter(Qt::Vertical, this);
  splDiskSize->setObjectName("splDiskSize");
  splDiskSize->setHandleWidth(4);
  left->addWidget(splDiskSize);

  CreateTree(tree, dm);
  CreateDrivePanel(services, *platform.Locale, shell, dm);
  splDiskSize->setStretchFactor(0, 1);
  splDiskSize->setStretchFactor(1, 0);
  splDiskSize->setSizes({400, 139});
  FillDriveList(*platform.FileSystem, style, shell, dm);
}

void TFolderPane::ShowChangeColumn(bool on) {
  trvFolder->setHeaderHidden(!on);
  trvFolder->setColumnHidden(TFolderTreeModel::ChangeColumn, !on);
  // Without the header there is no way back from a sorted tree.
  if (!on && Sort_->sortColumn() >= 0) {
    Sort_->Unsort();
    trvFolder->header()->setSortIndicator(-1, Qt::AscendingOrder);
  }
}

void TFolderPane::ChangesMoved() {
  Model_->ChangesMoved();
  Sort_->Resort();
}

TFolderPane::~TFolderPane() {
  // The view lets go of the models before they are freed, the sorting one first.
  trvFolder->setModel(nullptr);
  delete Sort_;
}

void TFolderPane::CreateTree(TSizeTree& tree, const TdtmMain& dm) {
  trvFolder = new QTreeView(splDiskSize);
  trvFolder->setObjectName("trvFolder");
  trvFolder->setHeaderHidden(true);
  trvFolder->setUniformRowHeights(true);
  trvFolder->setIndentation(18);
  trvFolder->setRootIsDecorated(true);
  trvFolder->setSelectionMode(QAbstractItemView::SingleSelection);
  trvFolder->setContextMenuPolicy(Qt::CustomContextMenu);
  trvFolder->setAutoScroll(true);
  trvFolder->setIconSize(QSize(16, 16));
  Model_ = std::make_unique<TFolderTreeModel>(tree);
  Sort_ = new TFolderTreeSort(*Model_, this);
  trvFolder->setModel(Sort_);
  QHeaderView* header = trvFolder->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  header->resizeSection(TFolderTreeModel::ChangeColumn, 110);
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(-1, Qt::AscendingOrder);
  connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
    Sort_->HeaderClick(column);
    trvFolder->header()->setSortIndicator(Sort_->sortColumn(), Sort_->sortOrder());
    if (const QModelIndex current = trvFolder->currentIndex(); current.isValid()) trvFolder->scrollTo(current);
  });
  trvFolder->setColumnHidden(TFolderTreeModel::ChangeColumn, true);
  // The window hands its size format over before anything is shown.
  Delegate_ = new TFolderTreeDelegate(*trvFolder, *Sort_, dm, TSizeFormat{});
  trvFolder->setItemDelegate(Delegate_);
  connect(trvFolder->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
    if (OnFocusChanged) OnFocusChanged(current.isValid() ? Sort_->NodeOf(current) : nullptr);
  });
  // Expanding scrolls so that as many children as fit come into view.
  connect(trvFolder, &QTreeView::expanded, this, [this](const QModelIndex& index) {
    // Scrolling lays the view out at once, which would lose the expansions
    // that expandRecursively records after this signal.
    if (ExpandingToLevel_) return;
    const int rows = Sort_->rowCount(index);
    if (rows > 0) trvFolder->scrollTo(Sort_->index(rows - 1, 0, index));
    trvFolder->scrollTo(index);
  });
}

void TFolderPane::CreateDrivePanel(TFileServices& services, const ILocale& locale, IShell& shell, const TdtmMain& dm) {
  pnlDiskSize = new QWidget(splDiskSize);
  pnlDiskSize->setObjectName("pnlDiskSize");
  auto* disk = new QVBoxLayout(pnlDiskSize);
  disk->setContentsMargins(0, 0, 0, 0);
  // The drives as they were at start-up; informative only.
  trvDiskSize = new QTreeView(pnlDiskSize);
  trvDiskSize->setObjectName("trvDiskSize");
  trvDiskSize->setRootIsDecorated(false);
  trvDiskSize->setIndentation(1);
  trvDiskSize->setUniformRowHeights(true);
  trvDiskSize->setSelectionBehavior(QAbstractItemView::SelectRows);
  trvDiskSize->setFocusPolicy(Qt::NoFocus);
  const auto iconOf = [&shell, &dm](const std::string& root) { return DriveIconOf(shell, root, dm.ImageOf(2)); };
  DriveModel_ = new TDrivePanelModel(FillDrivePanel(services), iconOf, locale, this);
  trvDiskSize->setModel(DriveModel_);
  trvDiskSize->setItemDelegate(new TUsageBarDelegate(trvDiskSize));
  QHeaderView* header = trvDiskSize->header();
  header->setStretchLastSection(false);
  for (size_t i = 0; i < DriveColumns().size(); ++i)
    header->resizeSection(static_cast<int>(i), DriveColumns()[i].Width);
  header->setSectionsClickable(true);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(DriveModel_->Sort().Column, Qt::AscendingOrder);
  connect(header, &QHeaderView::sectionClicked, this, [this](int column) {
    DriveModel_->HeaderClick(column);
    const TSortState& sort = DriveModel_->Sort();
    trvDiskSize->header()->setSortIndicator(sort.Column, sort.Descending ? Qt::DescendingOrder : Qt::AscendingOrder);
  });
  disk->addWidget(trvDiskSize);
}

void TFolderPane::FillDriveList(IFileSystem& fileSystem, TPathStyle style, IShell& shell, const TdtmMain& dm) {
  const std::vector<TDriveInfo> drives = fileSystem.ListDrives();
  const bool windows = style == TPathStyle::Windows;
  int selected = -1;
  for (const TDriveInfo& drive : drives) {
    if (drive.Type != TDriveType::Fixed) continue;
    // Windows drives are scanned as "C:"; POSIX mount points as their path.
    std::string root = drive.Root;
    if (root.size() > 1 && (root.back() == '\\' || root.back() == '/')) root.pop_back();
    edtDriveList.addItem(DriveIconOf(shell, drive.Root, dm.ImageOf(2)), FromUtf8(root), FromUtf8(root));
    const bool preferred = windows ? (root == "C:" || root == "c:") : root == "/";
    if (preferred) selected = edtDriveList.count() - 1;
  }
  if (selected < 0 && edtDriveList.count() > 0) selected = 0;
  edtDriveList.setCurrentIndex(selected);
}

std::string TFolderPane::ChosenDrive() const { return edtDriveList.currentData().toString().toStdString(); }

TFolderNode* TFolderPane::FocusedNode() const {
  const QModelIndex current = trvFolder->currentIndex();
  return current.isValid() ? Sort_->NodeOf(current) : nullptr;
}

TFolderNode* TFolderPane::FirstSelected() const {
  const QModelIndexList selected = trvFolder->selectionModel()->selectedIndexes();
  return selected.isEmpty() ? nullptr : Sort_->NodeOf(selected.first());
}

void TFolderPane::FocusFolder(TFolderNode* node) {
  if (!node || node->IsHiddenRoot()) {
    ClearFocus();
    return;
  }
  const QModelIndex index = Sort_->IndexOf(node);
  for (QModelIndex up = index.parent(); up.isValid(); up = up.parent()) trvFolder->expand(up);
  trvFolder->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  trvFolder->scrollTo(index);
}

void TFolderPane::ClearFocus() { trvFolder->selectionModel()->clear(); }

void TFolderPane::ExpandToLevel(TFolderNode* node, int level) {
  if (!node || node->IsHiddenRoot()) return;
  trvFolder->setUpdatesEnabled(false);
  ExpandingToLevel_ = true;
  const QModelIndex top = Sort_->IndexOf(node);
  // Collapse the subtree below the level first (cheap while hidden), then
  // expand down to it in one pass.
  trvFolder->collapse(top);
  if (level > 0) {
    std::vector<std::pair<const TFolderNode*, int>> stack{{node, 1}};
    while (!stack.empty()) {
      const auto [n, depth] = stack.back();
      stack.pop_back();
      if (depth > level) trvFolder->collapse(Sort_->IndexOf(n));
      for (size_t i = 0; i < n->ChildCount(); ++i) stack.emplace_back(n->Child(i), depth + 1);
    }
  }
  trvFolder->expandRecursively(top, level == 0 ? -1 : level - 1);
  ExpandingToLevel_ = false;
  trvFolder->setUpdatesEnabled(true);
  trvFolder->scrollTo(top);
}

void TFolderPane::SetSizeFormat(const TSizeFormat& format) { Delegate_->SetSizeFormat(format); }

void TFolderPane::Repaint() { trvFolder->viewport()->update(); }

void TFolderPane::ShowDrivePanel(bool on) { pnlDiskSize->setVisible(on); }

void TFolderPane::ApplyLanguage(const TTranslate& translate) {
  QStringList drives;
  for (const TColumnSpec& column : DriveColumns()) drives << FromUtf8(translate(column.HeaderId));
  DriveModel_->SetHeaderTexts(drives);
  Model_->SetHeaderTexts(FromUtf8(translate(IdColName)), FromUtf8(translate(IdColChange)));
}

void TFolderPane::StopFocusReports() { trvFolder->selectionModel()->disconnect(this); }

}  // namespace kv
