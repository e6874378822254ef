// What the window's views share: the folder and file images and the mark of
// folders still being scanned.
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
  const TListImages& ListImages() const { return ListImages_; }

 private:
  QIcon OpenFolder_;
  TListImages ListImages_;
  QPixmap WatchBitmap_;  // 9 x 13
  TFileIconsList FileIcons_{3};
};

// A theme icon where the desktop has one, else Qt's own.
QIcon ThemedIcon(const char* themeName, int standardPixmap);

}  // namespace kv
