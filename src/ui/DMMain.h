// What the window's views share: the folder and file images and the marks of
// folders still being scanned, not readable or not entered.
#pragma once

#include <QIcon>
#include <QPixmap>

#include "ui/FileIcons.h"
#include "ui/ReportListModels.h"

namespace kv {

class TdtmMain {
 public:
  TdtmMain();

  // imgExt: 0 closed folder, 1 open folder, 2 drive, then the file types in
  // the order the run first met them.
  QIcon ImageOf(int32_t index) const;
  TFileIconsList& FileIcons() { return FileIcons_; }
  const QPixmap& WatchBitmap() const { return WatchBitmap_; }
  // A folder that could not be listed, and one on another file system.
  const QPixmap& ReadErrorBitmap() const { return ReadErrorBitmap_; }
  const QPixmap& OtherFileSystemBitmap() const { return OtherFileSystemBitmap_; }
  const TListImages& ListImages() const { return ListImages_; }

 private:
  QIcon OpenFolder_;
  TListImages ListImages_;
  QPixmap WatchBitmap_;  // 9 x 13
  QPixmap ReadErrorBitmap_;        // 10 x 10
  QPixmap OtherFileSystemBitmap_;  // 10 x 10
  TFileIconsList FileIcons_{3};
};

// A theme icon where the desktop has one, else Qt's own.
QIcon ThemedIcon(const char* themeName, int standardPixmap);

}  // namespace kv
