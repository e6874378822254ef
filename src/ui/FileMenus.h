// The window's file commands on widgets: the report-file menu, the wait
// cursor, and the full tree report dialog. The flows are the core's.
#pragma once

#include <functional>
#include <string>

#include "app/ExportCommands.h"

class QMenu;
class QWidget;

namespace kv {

class TfrmReportTree;
class TSizeTree;

// The wait cursor on (true) or off; the window's TFileCommandEnv::Busy.
void SetWaitCursor(bool busy);

// The env the window's file commands run on: its dialog, its texts, the wait cursor.
TFileCommandEnv WindowFileCommandEnv(IUserDialog& dialog, TTranslate translate);

// mnuSaveFiles with mniSaveAsTextFile, mniSaveAsCSVFile and mniSaveAsHTMLFile;
// each entry calls save with its format.
QMenu* CreateSaveFilesMenu(QWidget* parent, std::function<void(TReportFileFormat)> save);
void ApplySaveFilesMenuLanguage(QMenu& menu, const TTranslate& translate);

// The dialog's save step: the core flow over the tree and env, sizes in the format.
std::function<TCommandOutcome(TTreeReportFormat, bool)> TreeReportSaver(const TSizeTree& tree, TFileCommandEnv& env,
                                                                        const TSizeFormat& format,
                                                                        std::string titleTime);

// mniListFilesClick: nothing for an empty tree, else the dialog, modal.
void ShowReportTree(QWidget* owner, const TSizeTree& tree, TFileCommandEnv& env, const TSizeFormat& format,
                    std::string titleTime);

}  // namespace kv
