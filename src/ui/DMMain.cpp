#include "ui/DMMain.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>

#include <functional>

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

// A round badge with a white sign, drawn over a corner of the folder image;
// the white ring keeps it apart from the image under it.
QPixmap MakeBadge(const QColor& fill, const std::function<void(QPainter&)>& sign) {
  QPixmap pixmap(10, 10);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(Qt::white, 1));
  p.setBrush(fill);
  p.drawEllipse(QRectF(0.5, 0.5, 9, 9));
  p.setPen(QPen(Qt::white, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  sign(p);
  return pixmap;
}

// A red cross: the folder could not be listed.
QPixmap MakeReadErrorBitmap() {
  return MakeBadge(QColor(200, 30, 30), [](QPainter& p) {
    p.drawLine(QPointF(3.3, 3.3), QPointF(6.7, 6.7));
    p.drawLine(QPointF(6.7, 3.3), QPointF(3.3, 6.7));
  });
}

// A blue arrow pointing away: the folder lies on another file system.
QPixmap MakeOtherFileSystemBitmap() {
  return MakeBadge(QColor(30, 90, 200), [](QPainter& p) {
    p.drawLine(QPointF(2.8, 5), QPointF(7, 5));
    p.drawPolyline(QPolygonF({QPointF(5, 3), QPointF(7, 5), QPointF(5, 7)}));
  });
}

}  // namespace

TdtmMain::TdtmMain() {
  ListImages_.ClosedFolder = ThemedIcon("folder", QStyle::SP_DirClosedIcon);
  OpenFolder_ = ThemedIcon("folder-open", QStyle::SP_DirOpenIcon);
  ListImages_.Drive = ThemedIcon("drive-harddisk", QStyle::SP_DriveHDIcon);
  ListImages_.AnyFile = ThemedIcon("text-x-generic", QStyle::SP_FileIcon);
  WatchBitmap_ = MakeWatchBitmap();
  ReadErrorBitmap_ = MakeReadErrorBitmap();
  OtherFileSystemBitmap_ = MakeOtherFileSystemBitmap();
  ListImages_.ImageOf = [this](int32_t index) { return ImageOf(index); };
  ListImages_.FileImage = [this](std::string_view name) {
    const int32_t index = FileIcons_.KnownIconOf(name);
    return index < 0 ? QIcon() : FileIcons_.ImageAt(index);
  };
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
