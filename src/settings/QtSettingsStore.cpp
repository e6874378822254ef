#include "settings/QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cstdlib>

#include "settings/SettingsStore.h"

namespace kv {

namespace {

QString Key(const char* section, std::string_view name) {
  return QString::fromLatin1(section) + u'/' + QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}

// Like the registry key, the file is created by the first access of any kind.
void EnsureFile(const QString& path) {
  if (QFileInfo::exists(path)) return;
  QDir().mkpath(QFileInfo(path).absolutePath());
  QFile file(path);
  if (file.open(QIODevice::WriteOnly | QIODevice::Append)) file.close();
}

// The file's lines must all be of the INI kinds QSettings writes. QSettings
// itself reads around damage and would write back what it guessed, so a
// damaged or unreadable file is neither read nor written.
bool FileIsSound(const QString& path) {
  QFile file(path);
  if (!file.exists()) return true;
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) return false;
  if (QString::fromUtf8(bytes).toUtf8() != bytes) return false;  // not UTF-8
  for (QByteArray line : bytes.split('\n')) {
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(';') || line.startsWith('#') || line.contains('=')) continue;
    if (line.startsWith('[') && line.endsWith(']')) continue;
    return false;
  }
  return true;
}

}  // namespace

TQtSettingsStore::TQtSettingsStore(std::string filePath) : FilePath_(std::move(filePath)) {}

std::string TQtSettingsStore::DefaultFilePath() {
  std::string base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') {
    base = xdg;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    base = std::string(home) + "/.config";
  } else {
    base = "/tmp";
  }
  return base + "/Varnholt/Kestrove 2.4.conf";
}

std::optional<std::string> TQtSettingsStore::ReadString(std::string_view name) {
  const QString path = QString::fromStdString(FilePath_);
  EnsureFile(path);
  if (!FileIsSound(path)) return std::nullopt;
  QSettings settings(path, QSettings::IniFormat);
  if (settings.status() != QSettings::NoError) return std::nullopt;
  const QVariant value = settings.value(Key("String", name));
  if (!value.isValid()) return std::nullopt;
  return value.toString().toStdString();
}

std::optional<int32_t> TQtSettingsStore::ReadInteger(std::string_view name) {
  const QString path = QString::fromStdString(FilePath_);
  EnsureFile(path);
  if (!FileIsSound(path)) return std::nullopt;
  QSettings settings(path, QSettings::IniFormat);
  if (settings.status() != QSettings::NoError) return std::nullopt;
  const QVariant value = settings.value(Key("Integer", name));
  bool ok = false;
  const int number = value.toInt(&ok);
  if (!value.isValid() || !ok) return std::nullopt;
  return static_cast<int32_t>(number);
}

namespace {

// Writes one value and removes the other type's value of the same name, as
// replacing a registry value does. A file that could not be read is left alone.
void WriteValue(const std::string& filePath, const QString& key, const QString& otherKey,
                const QVariant& value) {
  const QString path = QString::fromStdString(filePath);
  EnsureFile(path);
  if (!FileIsSound(path)) return;
  QSettings settings(path, QSettings::IniFormat);
  if (settings.status() != QSettings::NoError) return;
  settings.setValue(key, value);
  settings.remove(otherKey);
  settings.sync();
}

}  // namespace

void TQtSettingsStore::WriteString(std::string_view name, std::string_view value) {
  WriteValue(FilePath_, Key("String", name), Key("Integer", name),
             QString::fromUtf8(value.data(), static_cast<qsizetype>(value.size())));
}

void TQtSettingsStore::WriteInteger(std::string_view name, int32_t value) {
  WriteValue(FilePath_, Key("Integer", name), Key("String", name), QVariant(static_cast<int>(value)));
}

std::unique_ptr<ISettingsStore> CreateUserSettingsStore() {
  return std::make_unique<TQtSettingsStore>(TQtSettingsStore::DefaultFilePath());
}

}  // namespace kv
