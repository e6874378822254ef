#include "ui/FileIcons.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

#include "scan/NodeData.h"

namespace kv {

namespace {

// Outside a desktop session Qt has no icon theme; the common theme's type
// pictures are still used where it is installed, read from its folders.
QIcon InstalledTypeIcon(const QString& name) {
  QIcon icon;
  for (const QString& base : QIcon::themeSearchPaths())
    for (const char* size : {"16x16", "24x24", "32x32", "48x48"}) {
      const QString file = QString("%1/Adwaita/%2/mimetypes/%3.png").arg(base, size, name);
      if (QFileInfo::exists(file)) icon.addFile(file);
    }
  return icon;
}

QIcon NamedTypeIcon(const QString& name) {
  QIcon icon = QIcon::fromTheme(name);
  return icon.isNull() ? InstalledTypeIcon(name) : icon;
}

// The icon of the type the extension stands for; only the name decides, no
// file is touched.
QIcon TypeIcon(const std::string& extension) {
  static const QMimeDatabase mimes;
  const QMimeType type =
      mimes.mimeTypeForFile(QString::fromUtf8("file" + extension), QMimeDatabase::MatchExtension);
  QIcon icon = NamedTypeIcon(type.iconName());
  if (icon.isNull()) icon = NamedTypeIcon(type.genericIconName());
  if (icon.isNull()) icon = QFileIconProvider().icon(QFileIconProvider::File);
  return icon;
}

}  // namespace

int32_t TFileIconsList::IconOf(const std::string& name) {
  const std::string extension = ExtractExtension(name);
  if (const auto found = Extensions_.find(extension); found != Extensions_.end()) return found->second;
  const QIcon icon = TypeIcon(extension);
  if (icon.isNull()) return -1;  // asked again next time
  const auto index = static_cast<int32_t>(Fixed_ + static_cast<int32_t>(Icons_.size()));
  Icons_.push_back(icon);
  Extensions_.emplace(extension, index);
  return index;
}

QIcon TFileIconsList::ImageAt(int32_t index) const {
  const int32_t at = index - Fixed_;
  if (at < 0 || static_cast<size_t>(at) >= Icons_.size()) return {};
  return Icons_[static_cast<size_t>(at)];
}

}  // namespace kv
