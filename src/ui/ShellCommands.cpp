#include "ui/ShellCommands.h"
#include "ui/QtText.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <set>

#include "reports/FormatSize.h"
#include "reports/ReportColumns.h"
#include "model/NodeData.h"
#include "settings/TextIds.h"

namespace kv {

namespace {

// The program's own properties window: what the scan recorded about the item.
void ShowRecordedProperties(const TBaseNodeData& item, const ILocale& locale, const TTranslate& translate,
                            QWidget* owner) {
  QDialog dialog(owner);
  dialog.setObjectName("frmProperties");
  dialog.setWindowTitle(FromUtf8(item.Name.Str()));
  auto* form = new QFormLayout;
  const auto* folder = AsFolderData(&item);
  const auto* file = AsFileData(&item);
  auto row = [&](const char* label, const std::string& text) {
    auto* value = new QLabel(FromUtf8(text));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(FromUtf8(translate(label)), value);
  };
  row(IdPropName, item.Name.Str());
  row(IdPropLocation, item.GetParentPath());
  if (file) {
    row(IdPropSize, FormatSize(file->FileSize(), TSizeUnit::B, locale));
    row(IdPropOnDisk, FormatSize(file->AllocatedSize(), TSizeUnit::B, locale));
  } else if (folder) {
    row(IdPropSize, FormatSize(folder->TotalSize, TSizeUnit::B, locale));
    row(IdPropOnDisk, FormatSize(folder->TotalAllocated, TSizeUnit::B, locale));
    row(IdPropContents, std::to_string(folder->FileCount) + " / " + std::to_string(folder->FolderCount));
  }
  row(IdPropCreated, DateTimeText(item.Info().Created, locale));
  row(IdPropModified, DateTimeText(item.Info().Modified, locale));
  row(IdPropAccessed, DateTimeText(item.Info().LastAccess, locale));
  row(IdPropAttributes, AttributesText(item.Info()));
  row(IdPropOwner, item.Owner());
  auto* box = new QVBoxLayout(&dialog);
  box->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setText(FromUtf8(translate(IdOk)));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  box->addWidget(buttons);
  dialog.exec();
}

}  // namespace

void OpenFile(IShell& shell, IUserDialog& dialog, const TTranslate& translate, const std::string& path) {
  // Other failures stay quiet, as every shell command's do.
  if (shell.OpenFile(path) != TOpenResult::NoProgram || shell.OpenWithDialog(path)) return;
  shell.ShowInFileManager(path, false);
  dialog.ShowError(translate(IdNoProgramForFile));
}

void ShowProperties(IShell& shell, const TBaseNodeData& item, const TSizeFormat& format, const TTranslate& translate,
                    QWidget* owner) {
  if (!shell.ShowProperties(item.GetFullPath())) ShowRecordedProperties(item, *format.Locale, translate, owner);
}

std::vector<std::string> DeletePaths(IShell& shell, IUserDialog& dialog, const TTranslate& translate,
                                     const std::vector<std::string>& paths) {
  std::set<std::string> gone;
  std::vector<std::string> noTrash;
  for (const std::string& path : paths) {
    switch (shell.DeleteToRecycleBin(path)) {
      case TTrashResult::Trashed: gone.insert(path); break;
      case TTrashResult::NoTrash: noTrash.push_back(path); break;
      case TTrashResult::Failed: break;
    }
  }
  if (!noTrash.empty() && dialog.AskYesNo(translate(IdAskDeletePermanently)))
    for (const std::string& path : noTrash)
      if (shell.DeletePermanently(path)) gone.insert(path);
  std::vector<std::string> result;
  for (const std::string& path : paths)
    if (gone.count(path)) result.push_back(path);
  return result;
}

}  // namespace kv
