// The desktop's colour scheme on Linux: $GTK_THEME where the user set it,
// else the desktop portal (GNOME, KDE and others answer it).
#include <cstdlib>

#include "platform/ColourScheme.h"

#if KESTROVE_HAS_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QVariant>
#endif

namespace kv {

namespace {

std::optional<bool> PortalPrefersDark() {
#if KESTROVE_HAS_DBUS
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return std::nullopt;
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
                                                     "org.freedesktop.portal.Settings", "Read");
  call << QString("org.freedesktop.appearance") << QString("color-scheme");
  // A desktop without the portal must not hold up the start.
  const QDBusMessage reply = bus.call(call, QDBus::Block, 1000);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
  QVariant value = reply.arguments().first();
  while (value.canConvert<QDBusVariant>()) value = value.value<QDBusVariant>().variant();
  bool ok = false;
  const uint scheme = value.toUInt(&ok);
  // 1 prefers dark, 2 prefers light, 0 states nothing.
  if (ok && scheme == 1) return true;
  if (ok && scheme == 2) return false;
#endif
  return std::nullopt;
}

}  // namespace

std::optional<bool> DesktopPrefersDark() {
  if (const char* gtk = std::getenv("GTK_THEME"); gtk && *gtk) return GtkThemeIsDark(gtk);
  return PortalPrefersDark();
}

}  // namespace kv
