// What the window does with the desktop's commands when the desktop cannot:
// no program for a file, no trash for an item, no properties window.
#pragma once

#include <string>
#include <vector>

#include <QWidget>

#include "platform/Shell.h"
#include "reports/AggregateReport.h"
#include "reports/FormatSize.h"
#include "app/UserDialog.h"

namespace kv {

class TBaseNodeData;

// Opens a file with its program; without one the desktop's chooser, and
// without that the file shown in its folder, with a word to the user.
void OpenFile(IShell& shell, IUserDialog& dialog, const TTranslate& translate, const std::string& path);
// The desktop's properties window where it offers one, else the program's own
// (exact bytes, with the format's locale).
void ShowProperties(IShell& shell, const TBaseNodeData& item, const TSizeFormat& format, const TTranslate& translate,
                    QWidget* owner);
// Each path to the trash; what the trash cannot take is deleted for good
// after one question for all of them. Gives the paths that are gone, in order.
std::vector<std::string> DeletePaths(IShell& shell, IUserDialog& dialog, const TTranslate& translate,
                                     const std::vector<std::string>& paths);

}  // namespace kv
