// The freedesktop shell: the desktop's default programs and file manager,
// the trash of the XDG rules and the icon theme's pictures.
#include "platform/Shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <unistd.h>

#include "platform/freedesktop/MimeApps.h"

#if KESTROVE_HAS_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QVariantMap>
#endif

namespace kv {

namespace {

QString Local(const std::string& path) { return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size())); }

QUrl UrlOf(const std::string& path) { return QUrl::fromLocalFile(Local(path)); }

#if KESTROVE_HAS_DBUS
// One call on the session bus; false when no service answers in time.
bool CallSessionBus(QDBusMessage call) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
  return reply.type() == QDBusMessage::ReplyMessage;
}
#endif

// The file manager interface: shows items or their properties.
bool AskFileManager(const char* method, const std::string& path) {
#if KESTROVE_HAS_DBUS
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                                     "org.freedesktop.FileManager1", method);
  call << QStringList{UrlOf(path).toString()} << QString();
  return CallSessionBus(call);
#else
  (void)method;
  (void)path;
  return false;
#endif
}

// Outside a desktop session Qt has no icon theme nor its folders; the common
// theme's pictures are still used where it is installed, read from its folders.
QIcon InstalledIcon(const char* context, const QString& name) {
  QStringList bases = QIcon::themeSearchPaths();
  for (const QString& data : QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation))
    bases << data + "/icons";
  QIcon icon;
  for (const QString& base : bases)
    for (const char* size : {"16x16", "24x24", "32x32", "48x48"}) {
      const QString file = QString("%1/Adwaita/%2/%3/%4.png").arg(base, size, context, name);
      if (QFileInfo::exists(file)) icon.addFile(file);
    }
  return icon;
}

QIcon NamedIcon(const char* context, const QString& name) {
  QIcon icon = QIcon::fromTheme(name);
  return icon.isNull() ? InstalledIcon(context, name) : icon;
}

// The icon drawn side x side, centred when the theme has only smaller sizes.
TIconPixels Pixels(const QIcon& icon, int side) {
  const int Side = std::clamp(side, 16, 256);
  if (icon.isNull()) return {};
  QImage image(Side, Side, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    icon.paint(&painter, image.rect());
  }
  TIconPixels result;
  result.Width = Side;
  result.Height = Side;
  result.Pixels.reserve(Side * Side);
  for (int y = 0; y < Side; ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
    result.Pixels.insert(result.Pixels.end(), line, line + Side);
  }
  return result;
}

// A path whose parent folder lets us remove entries.
bool CanRemove(const std::string& path) {
  const QFileInfo info(Local(path));
  if (!info.exists() && !info.isSymLink()) return false;
  const QByteArray parent = QFile::encodeName(info.absolutePath());
  return ::access(parent.constData(), W_OK | X_OK) == 0;
}

// Qt moves the item into the working folder when it cannot make the home
// trash, so the home trash is made first (owner-only, as the trash rules want).
bool EnsureHomeTrash() {
  const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (data.isEmpty()) return false;
  const QString trash = data + "/Trash";
  if (QFileInfo(trash).isDir()) return true;
  if (!QDir().mkpath(trash)) return false;
  QFile::setPermissions(trash, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  return true;
}

class TFreedesktopShell final : public IShell {
 public:
  TOpenResult OpenFile(const std::string& path) override {
    // The launcher starts in the background and reports nothing, so a missing
    // association is found out first.
    if (!HasAssociatedProgram(path)) return TOpenResult::NoProgram;
    return QDesktopServices::openUrl(UrlOf(path)) ? TOpenResult::Opened : TOpenResult::Failed;
  }

  bool OpenWithDialog(const std::string& path) override {
#if KESTROVE_HAS_DBUS
    // The desktop portal asks the user which program to take.
    QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                                                       "org.freedesktop.portal.OpenURI", "OpenURI");
    call << QString() << UrlOf(path).toString() << QVariantMap{{"ask", true}};
    return CallSessionBus(call);
#else
    (void)path;
    return false;
#endif
  }

  bool ShowInFileManager(const std::string& path, bool isFolder) override {
    if (!isFolder && AskFileManager("ShowItems", path)) return true;
    const QString folder = isFolder ? Local(path) : QFileInfo(Local(path)).absolutePath();
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
  }

  bool ShowProperties(const std::string& path) override { return AskFileManager("ShowItemProperties", path); }

  TTrashResult DeleteToRecycleBin(const std::string& path) override {
    if (EnsureHomeTrash() && QFile::moveToTrash(Local(path))) return TTrashResult::Trashed;
    // Still there and removable: what failed was the trash (none on that
    // mount, or none can be made there).
    return CanRemove(path) ? TTrashResult::NoTrash : TTrashResult::Failed;
  }

  bool DeletePermanently(const std::string& path) override {
    std::error_code error;
    const std::filesystem::path item(std::u8string(path.begin(), path.end()));
    if (!std::filesystem::exists(std::filesystem::symlink_status(item, error))) return false;
    std::filesystem::remove_all(item, error);
    return !error && !std::filesystem::exists(std::filesystem::symlink_status(item));
  }

  TIconPixels FileTypeIcon(const std::string& extension, int side) override {
    static const QMimeDatabase mimes;
    const QMimeType type = mimes.mimeTypeForFile(Local("file" + extension), QMimeDatabase::MatchExtension);
    QIcon icon = NamedIcon("mimetypes", type.iconName());
    if (icon.isNull()) icon = NamedIcon("mimetypes", type.genericIconName());
    if (icon.isNull()) icon = NamedIcon("mimetypes", "application-x-generic");
    return Pixels(icon, side);
  }

  TIconPixels DriveIcon(const std::string&, int side) override {
    return Pixels(NamedIcon("devices", "drive-harddisk"), side);
  }
};

}  // namespace

std::unique_ptr<IShell> CreateDesktopShell() { return std::make_unique<TFreedesktopShell>(); }

}  // namespace kv
