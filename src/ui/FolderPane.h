// pnlLeft: the folder tree over the drive panel, and the drives of the drive
// list the tool bar shows. Focus, expansion and the drives; what a focus
// change means is the window's business.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QWidget>

#include "model/FileServices.h"
#include "platform/Platform.h"
#include "platform/Shell.h"
#include "reports/AggregateReport.h"
#include "reports/FormatSize.h"

class QComboBox;
class QSplitter;
class QTreeView;

namespace kv {

class TdtmMain;
class TDrivePanelModel;
class TFolderTreeModel;
class TFolderTreeDelegate;
class TFolderTreeSort;
class TSizeTree;

class TFolderPane final : public QWidget {
 public:
  // Fills driveList (edtDriveList) with the fixed drives, the system drive chosen.
  TFolderPane(TSizeTree& tree, TFileServices& services, const TPlatform& platform, TPathStyle style, IShell& shell,
              const TdtmMain& dm, QComboBox& driveList, QWidget* parent = nullptr);
  ~TFolderPane() override;

  // The root of the drive chosen in the drive list, or empty.
  std::string ChosenDrive() const;

  QTreeView* View() const { return trvFolder; }
  // The Change column and the header naming it, while there is a baseline.
  void ShowChangeColumn(bool on);
  TFolderTreeModel& Model() const { return *Model_; }
  // The order the view shows; the model keeps the core's.
  TFolderTreeSort& Sorted() const { return *Sort_; }
  // The Change cells read differently now: sorted folders are sorted again.
  void ChangesMoved();

  // The folder with the tree's focus, or null.
  TFolderNode* FocusedNode() const;
  // The first selected folder, or null.
  TFolderNode* FirstSelected() const;
  // Focuses and shows the folder, its parents expanded; none (or the hidden
  // root) clears the focus.
  void FocusFolder(TFolderNode* node);
  void ClearFocus();
  // Level 0 expands the whole subtree.
  void ExpandToLevel(TFolderNode* node, int level);
  // Sizes, marks and percentages may have changed anywhere.
  void Repaint();
  // How the tree shows sizes from now on; Repaint shows it.
  void SetSizeFormat(const TSizeFormat& format);
  void ShowDrivePanel(bool on);
  void ApplyLanguage(const TTranslate& translate);

  // After the tree's focus moved: the focused folder, or null for none.
  std::function<void(TFolderNode* focused)> OnFocusChanged;
  // No more focus changes are told (the window is closing).
  void StopFocusReports();

 private:
  void CreateTree(TSizeTree& tree, const TdtmMain& dm);
  void CreateDrivePanel(TFileServices& services, const ILocale& locale, IShell& shell, const TdtmMain& dm);
  void FillDriveList(IFileSystem& fileSystem, TPathStyle style, IShell& shell, const TdtmMain& dm);

  QComboBox& edtDriveList;

  // Expanding to a level scrolls once at the end, not per folder.
  bool ExpandingToLevel_ = false;

  QSplitter* splDiskSize = nullptr;
  QTreeView* trvFolder = nullptr;
  QWidget* pnlDiskSize = nullptr;
  QTreeView* trvDiskSize = nullptr;
  std::unique_ptr<TFolderTreeModel> Model_;
  // Between the model and the view: every index of trvFolder is one of it.
  TFolderTreeSort* Sort_ = nullptr;
  TFolderTreeDelegate* Delegate_ = nullptr;
  TDrivePanelModel* DriveModel_ = nullptr;
};

}  // namespace kv
