#include "ui/DMMain.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

namespace kv {

QIcon ThemedIcon(const char* themeName, int standardPixmap) {
  QIcon icon = QIcon::fromTheme(QString::fromLatin1(themeName));
  if (icon.isNull()) icon = QApplication::style()->standardIcon(static_cast<QStyle::StandardPixmap>(standardPixmap));
  return icon;
}

namespace {

// A small hourglass: the folder is still being read.
QPixmap MakeWatchBitmap() {
  QPixmap pixmap(9, 13);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, false);
  const QColor frame(64, 64, 64);
  const QColor sand(230, 170, 20);
  p.setPen(frame);
  p.drawLine(0, 0, 8, 0);
  p.drawLine(0, 12, 8, 12);
  const QPolygon top({QPoint(1, 1), QPoint(7, 1), QPoint(4, 6)});
  const QPolygon bottom({QPoint(4, 6), QPoint(7, 11), QPoint(1, 11)});
  p.setBrush(sand);
  p.drawPolygon(top);
  p.setBrush(QColor(255, 240, 200));
  p.drawPolygon(bottom);
  return pixmap;
}

}  // namespace

TdtmMain::TdtmMain() {
  ListImages_.ClosedFolder = ThemedIcon("folder", QStyle::SP_DirClosedIcon);
  OpenFolder_ = ThemedIcon("folder-open", QStyle::SP_DirOpenIcon);
  ListImages_.Drive = ThemedIcon("drive-harddisk", QStyle::SP_DriveHDIcon);
  ListImages_.AnyFile = ThemedIcon("text-x-generic", QStyle::SP_FileIcon);
  WatchBitmap_ = MakeWatchBitmap();
  ListImages_.ImageOf = [this](int32_t index) { return ImageOf(index); };
}

QIcon TdtmMain::ImageOf(int32_t index) const {
  switch (index) {
    case 0: return ListImages_.ClosedFolder;
    case 1: return OpenFolder_;
    case 2: return ListImages_.Drive;
    default: {
      const QIcon icon = FileIcons_.ImageAt(index);
      return icon.isNull() ? ListImages_.AnyFile : icon;
    }
  }
}

}  // namespace kv
