// What the window's views share: the folder and file images and the mark of
// folders still being scanned.
#pragma once

#include <QIcon>
#include <QPixmap>

#include "ui/ReportListModels.h"

namespace kv {

class TdtmMain {
 public:
  TdtmMain();

  // imgExt's fixed images: 0 closed folder, 1 open folder, 2 drive.
  QIcon ImageOf(int32_t index) const;
  const QPixmap& WatchBitmap() const { return WatchBitmap_; }
  const TListImages& ListImages() const { return ListImages_; }

 private:
  QIcon OpenFolder_;
  TListImages ListImages_;
  QPixmap WatchBitmap_;  // 9 x 13
};

// A theme icon where the desktop has one, else Qt's own.
QIcon ThemedIcon(const char* themeName, int standardPixmap);

}  // namespace kv
