#include "ui/FileMenus.h"

#include <QAction>
#include <QApplication>
#include <QMenu>

#include <utility>

#include "model/SizeTree.h"
#include "settings/TextIds.h"
#include "ui/ReportTreeDialog.h"

namespace kv {

namespace {

struct TSaveEntry {
  const char* Name;
  const char* TextId;
  TReportFileFormat Format;
};
constexpr TSaveEntry SaveEntries[] = {
    {"mniSaveAsTextFile", IdSaveAsText, TReportFileFormat::Text},
    {"mniSaveAsCSVFile", IdSaveAsCsv, TReportFileFormat::Csv},
    {"mniSaveAsHTMLFile", IdSaveAsHtml, TReportFileFormat::Html},
};

}  // namespace

void SetWaitCursor(bool busy) {
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

TFileCommandEnv WindowFileCommandEnv(IUserDialog& dialog, TTranslate translate) {
  return TFileCommandEnv{dialog, std::move(translate), SetWaitCursor, {}, NativePathStyle()};
}

QMenu* CreateSaveFilesMenu(QWidget* parent, std::function<void(TReportFileFormat)> save) {
  auto* menu = new QMenu(parent);
  menu->setObjectName("mnuSaveFiles");
  for (const TSaveEntry& entry : SaveEntries) {
    QAction* action = menu->addAction(QString::fromLatin1(entry.TextId));
    action->setObjectName(entry.Name);
    QObject::connect(action, &QAction::triggered, menu, [save, format = entry.Format] {
      if (save) save(format);
    });
  }
  return menu;
}

void ApplySaveFilesMenuLanguage(QMenu& menu, const TTranslate& translate) {
  for (const TSaveEntry& entry : SaveEntries)
    if (auto* action = menu.findChild<QAction*>(entry.Name))
      action->setText(QString::fromStdString(translate ? translate(entry.TextId) : std::string(entry.TextId)));
}

std::function<TCommandOutcome(TTreeReportFormat, bool)> TreeReportSaver(const TSizeTree& tree, TFileCommandEnv& env,
                                                                        const TSizeFormat& format,
                                                                        std::string titleTime) {
  return [&tree, &env, sizeFormat = format, titleTime = std::move(titleTime)](TTreeReportFormat fileFormat,
                                                                             bool withFiles) {
    return SaveTreeReportCommand(fileFormat, withFiles, tree, sizeFormat, titleTime, env);
  };
}

void ShowReportTree(QWidget* owner, const TSizeTree& tree, TFileCommandEnv& env, const TSizeFormat& format,
                    std::string titleTime) {
  if (tree.Root()->ChildCount() == 0) return;
  TfrmReportTree dialog(owner, env.Translate, TreeReportSaver(tree, env, format, std::move(titleTime)));
  dialog.exec();
}

}  // namespace kv
