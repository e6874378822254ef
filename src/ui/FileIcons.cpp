#include "ui/FileIcons.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>

#include "model/NodeData.h"

namespace kv {

QIcon IconFromPixels(const TIconPixels& pixels) {
  if (pixels.Empty()) return {};
  // The buffer's values are laid out as Qt's non-premultiplied ARGB32; copy()
  // detaches the image from it.
  const QImage image(reinterpret_cast<const uchar*>(pixels.Pixels.data()), pixels.Width, pixels.Height,
                     static_cast<qsizetype>(pixels.Width) * 4, QImage::Format_ARGB32);
  return QIcon(QPixmap::fromImage(image.copy()));
}

namespace {

// The screen pixels a 16-pixel icon covers.
int ScreenIconSide() { return qRound(16 * (qGuiApp ? qGuiApp->devicePixelRatio() : 1.0)); }

}  // namespace

QIcon DriveIconOf(IShell& shell, const std::string& root, const QIcon& fallback) {
  const QIcon icon = IconFromPixels(shell.DriveIcon(root, ScreenIconSide()));
  return icon.isNull() ? fallback : icon;
}

int32_t TFileIconsList::IconOf(const std::string& name, IShell& shell) {
  const std::string extension = ExtractExtension(name);
  if (const auto found = Extensions_.find(extension); found != Extensions_.end()) return found->second;
  const QIcon icon = IconFromPixels(shell.FileTypeIcon(extension, ScreenIconSide()));
  if (icon.isNull()) return -1;  // asked again next time
  const auto index = static_cast<int32_t>(Fixed_ + static_cast<int32_t>(Icons_.size()));
  Icons_.push_back(icon);
  Extensions_.emplace(extension, index);
  return index;
}

int32_t TFileIconsList::KnownIconOf(std::string_view name) const {
  const auto found = Extensions_.find(ExtractExtension(name));
  return found == Extensions_.end() ? -1 : found->second;
}

QIcon TFileIconsList::ImageAt(int32_t index) const {
  const int32_t at = index - Fixed_;
  if (at < 0 || static_cast<size_t>(at) >= Icons_.size()) return {};
  return Icons_[static_cast<size_t>(at)];
}

}  // namespace kv
