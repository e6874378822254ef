#include "platform/freedesktop/MimeApps.h"

#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QSet>
#include <QStringList>

namespace kv {

namespace {

QString EnvOr(const char* name, const QString& fallback) {
  const QString value = qEnvironmentVariable(name);
  return value.isEmpty() ? fallback : value;
}

QStringList SplitDirs(const QString& dirs) { return dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts); }

}  // namespace

std::vector<std::string> AssociationFiles() {
  const QString home = QDir::homePath();
  QStringList configDirs{EnvOr("XDG_CONFIG_HOME", home + "/.config")};
  configDirs += SplitDirs(EnvOr("XDG_CONFIG_DIRS", "/etc/xdg"));
  QStringList appDirs{EnvOr("XDG_DATA_HOME", home + "/.local/share") + "/applications"};
  for (const QString& dir : SplitDirs(EnvOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share")))
    appDirs << dir + "/applications";

  QStringList lists;
  for (const QString& desktop : SplitDirs(qEnvironmentVariable("XDG_CURRENT_DESKTOP")))
    lists << desktop.toLower() + "-mimeapps.list";
  lists << "mimeapps.list";
  std::vector<std::string> files;
  for (const QStringList& dirs : {configDirs, appDirs})
    for (const QString& dir : dirs)
      for (const QString& list : lists) files.push_back((dir + "/" + list).toStdString());
  for (const QString& dir : appDirs) files.push_back((dir + "/mimeinfo.cache").toStdString());
  return files;
}

namespace {

// True when one of the sections that add handlers names one for a type.
bool NamesHandler(const QString& file, const QSet<QString>& types) {
  QFile in(file);
  if (!in.open(QIODevice::ReadOnly | QIODevice::Text)) return false;
  bool adding = false;
  while (!in.atEnd()) {
    const QString line = QString::fromUtf8(in.readLine()).trimmed();
    if (line.startsWith(QLatin1Char('['))) {
      adding = line == "[Default Applications]" || line == "[Added Associations]" || line == "[MIME Cache]";
      continue;
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (!adding || equals <= 0 || !types.contains(line.left(equals).trimmed())) continue;
    for (const QString& handler : line.mid(equals + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts))
      if (handler.trimmed().endsWith(".desktop")) return true;
  }
  return false;
}

}  // namespace

bool HasAssociatedProgram(const std::string& path, const std::vector<std::string>& files) {
  const QMimeDatabase mimes;
  const QMimeType type = mimes.mimeTypeForFile(QString::fromStdString(path), QMimeDatabase::MatchExtension);
  QSet<QString> types{type.name()};
  for (const QString& alias : type.aliases()) types.insert(alias);
  for (const QString& parent : type.allAncestors()) types.insert(parent);
  for (const std::string& file : files)
    if (NamesHandler(QString::fromStdString(file), types)) return true;
  return false;
}

}  // namespace kv
