// What the desktop does with a file or folder: open it, show it in the file
// manager, show its properties, move it to the trash. Failures are quiet;
// callers only learn whether it worked.
#pragma once

#include <string>

#include <QWidget>

namespace kv {

class TBaseNodeData;

// Opens a file with its associated program, a folder in the file manager.
bool OpenItem(const std::string& path);
// Shows the file selected in its folder, or opens the folder itself.
bool ShowInFileManager(const std::string& path, bool isFolder);
// The desktop's properties window where it offers one, else the program's own.
void ShowProperties(const TBaseNodeData& item, QWidget* owner);
// To the trash where the file system has one; true when the item is gone.
bool DeleteToRecycleBin(const std::string& path);

}  // namespace kv
