#include "settings/QtSettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QSettings>
#include <QTemporaryFile>

#include <algorithm>
#include <cstdlib>
#include <unordered_map>
#include <vector>

#include "platform/InputFile.h"
#include "settings/SettingsStore.h"

namespace kv {

namespace {

constexpr std::string_view Bom = "\xEF\xBB\xBF";
const char* const StringSection = "String";
const char* const IntegerSection = "Integer";

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

std::string_view Trimmed(std::string_view line) {
  while (!line.empty() && static_cast<unsigned char>(line.front()) <= ' ') line.remove_prefix(1);
  while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ') line.remove_suffix(1);
  return line;
}

bool IsComment(std::string_view trimmed) { return trimmed.starts_with(';') || trimmed.starts_with('#'); }

// Lines as QSettings reads them: CR LF, a lone LF and a lone CR each end one.
std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find_first_of("\r\n");
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + (text.substr(end).starts_with("\r\n") ? 2 : 1));
  }
  return lines;
}

// The file's lines must all be of the INI kinds QSettings writes, or "#"
// comments. QSettings itself reads around damage and would write back what it
// guessed, so a damaged file is neither read nor written. This is the judge:
// QSettings' own format status also objects to "#" comments and a byte-order mark.
bool IsSound(std::string_view bytes) {
  if (bytes.starts_with(Bom)) bytes.remove_prefix(Bom.size());
  const QByteArray raw(bytes.data(), static_cast<qsizetype>(bytes.size()));
  if (QString::fromUtf8(raw).toUtf8() != raw) return false;  // not UTF-8
  const auto control = [](char c) { return static_cast<unsigned char>(c) < ' ' && c != '\t' && c != '\r' && c != '\n'; };
  if (std::any_of(bytes.begin(), bytes.end(), control)) return false;
  for (std::string_view line : Lines(bytes)) {
    line = Trimmed(line);
    if (line.empty() || IsComment(line) || line.find('=') != std::string_view::npos) continue;
    if (line.starts_with('[') && line.ends_with(']')) continue;
    return false;
  }
  return true;
}

// QSettings writes values without the file's comments. Each comment block
// stays before the section header or key it stood before; a block whose line
// is gone goes to the end.
std::string WithComments(std::string_view before, std::string_view after) {
  auto anchorOf = [](std::string_view trimmed, const std::string& section) {
    if (trimmed.starts_with('[')) return std::string(trimmed);
    return section + "\n" + std::string(Trimmed(trimmed.substr(0, trimmed.find('='))));
  };
  std::unordered_map<std::string, std::string> blocks;
  std::vector<std::string> order;  // anchors in file order, for the leftovers
  std::string section, block;
  for (std::string_view line : Lines(before.substr(before.starts_with(Bom) ? Bom.size() : 0))) {
    const std::string_view trimmed = Trimmed(line);
    if (IsComment(trimmed)) {
      block.append(line).push_back('\n');
      continue;
    }
    if (trimmed.empty()) continue;
    if (trimmed.starts_with('[')) section = trimmed;
    if (!block.empty()) {
      const std::string anchor = anchorOf(trimmed, section);
      order.push_back(anchor);
      blocks[anchor] += block;
      block.clear();
    }
  }
  std::string result(before.starts_with(Bom) ? Bom : std::string_view());
  section.clear();
  for (std::string_view line : Lines(after)) {
    const std::string_view trimmed = Trimmed(line);
    if (!trimmed.empty() && !IsComment(trimmed)) {
      if (trimmed.starts_with('[')) section = trimmed;
      if (auto it = blocks.find(anchorOf(trimmed, section)); it != blocks.end()) {
        result += it->second;
        blocks.erase(it);
      }
    }
    result.append(line).push_back('\n');
  }
  if (!after.empty() && after.back() != '\n' && after.back() != '\r') result.pop_back();
  for (const std::string& anchor : order) {
    if (auto it = blocks.find(anchor); it != blocks.end()) {
      result += it->second;
      blocks.erase(it);
    }
  }
  return result + block;
}

// Puts a value into its own map and takes the name out of the other one, as
// replacing a registry value does; false when nothing changes.
template <typename TOwn, typename TOther, typename T>
bool StoreValue(TOwn& own, TOther& other, std::string_view name, const T& value) {
  const auto it = own.find(name);
  if (it != own.end() && it->second == value && !other.contains(name)) return false;
  own.insert_or_assign(std::string(name), value);
  if (const auto o = other.find(name); o != other.end()) other.erase(o);
  return true;
}

// Under QSettings' own lock, so no other process writes in between.
bool Replace(const QString& path, std::string_view text) {
  QLockFile lock(path + QStringLiteral(".lock"));
  if (!lock.lock()) return false;
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  file.write(text.data(), static_cast<qint64>(text.size()));
  return file.commit();
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

std::optional<std::string> TQtSettingsStore::ReadSoundFile() {
  EnsureFile(QString::fromStdString(FilePath_));
  TInputText input = ReadInputFile(FilePath_, SettingsFileLimit);
  if (input.Fault != TInputFault::None || !IsSound(input.Bytes)) {
    Unusable_ = true;
    return std::nullopt;
  }
  return std::move(input.Bytes);
}

void TQtSettingsStore::Load() {
  if (Loaded_) return;
  Loaded_ = true;
  const std::optional<std::string> input = ReadSoundFile();
  if (!input) return;
  // QSettings takes a byte-order mark for part of the first line: it reads a copy without one.
  QTemporaryFile copy;
  QString readPath = QString::fromStdString(FilePath_);
  if (input->starts_with(Bom)) {
    if (!copy.open()) return;
    copy.write(input->data() + Bom.size(), static_cast<qint64>(input->size() - Bom.size()));
    copy.close();
    readPath = copy.fileName();
  }
  QSettings settings(readPath, QSettings::IniFormat);
  if (settings.status() == QSettings::AccessError) {
    Unusable_ = true;
    return;
  }
  for (const char* section : {StringSection, IntegerSection}) {
    settings.beginGroup(QString::fromLatin1(section));
    for (const QString& key : settings.childKeys()) {
      if (key.isEmpty()) continue;  // "=x" names nothing
      const QVariant value = settings.value(key);
      if (section == StringSection) {
        Strings_.insert_or_assign(key.toStdString(), value.toString().toStdString());
      } else {
        bool ok = false;
        const int number = value.toInt(&ok);
        if (ok) Integers_.insert_or_assign(key.toStdString(), static_cast<int32_t>(number));
      }
    }
    settings.endGroup();
  }
}

std::optional<std::string> TQtSettingsStore::ReadString(std::string_view name) {
  std::lock_guard guard(Lock_);
  Load();
  const auto it = Strings_.find(name);
  if (it == Strings_.end()) return std::nullopt;
  return it->second;
}

std::optional<int32_t> TQtSettingsStore::ReadInteger(std::string_view name) {
  std::lock_guard guard(Lock_);
  Load();
  const auto it = Integers_.find(name);
  if (it == Integers_.end()) return std::nullopt;
  return it->second;
}

void TQtSettingsStore::WriteString(std::string_view name, std::string_view value) {
  Write(name, TValue(std::string(value)));
}

void TQtSettingsStore::WriteInteger(std::string_view name, int32_t value) { Write(name, TValue(value)); }

std::optional<std::string> TQtSettingsStore::UnusableFile() const {
  std::lock_guard guard(Lock_);
  if (!Unusable_) return std::nullopt;
  return FilePath_;
}

// Writes one value and removes the other type's value of the same name, as
// replacing a registry value does.
void TQtSettingsStore::Write(std::string_view name, TValue value) {
  std::lock_guard guard(Lock_);
  Load();
  if (Unusable_) return;
  // Only a change reaches the file.
  const bool isString = std::holds_alternative<std::string>(value);
  const bool changed = isString ? StoreValue(Strings_, Integers_, name, std::get<std::string>(value))
                                : StoreValue(Integers_, Strings_, name, std::get<int32_t>(value));
  if (!changed) return;

  // The file as it is now: another process or the user may have changed it.
  const std::optional<std::string> before = ReadSoundFile();
  if (!before) return;
  const QString path = QString::fromStdString(FilePath_);
  if (before->starts_with(Bom) && !Replace(path, std::string_view(*before).substr(Bom.size()))) return;
  {
    QSettings settings(path, QSettings::IniFormat);
    if (settings.status() == QSettings::AccessError) return;
    const QString key = Key(isString ? StringSection : IntegerSection, name);
    const QString otherKey = Key(isString ? IntegerSection : StringSection, name);
    if (isString) {
      const std::string& text = std::get<std::string>(value);
      settings.setValue(key, QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    } else {
      settings.setValue(key, QVariant(static_cast<int>(std::get<int32_t>(value))));
    }
    settings.remove(otherKey);
    settings.sync();
    if (settings.status() == QSettings::AccessError) return;
  }
  const bool hasComments = before->starts_with(Bom) || [&] {
    for (std::string_view line : Lines(*before))
      if (IsComment(Trimmed(line))) return true;
    return false;
  }();
  if (!hasComments) return;
  const TInputText written = ReadInputFile(FilePath_, SettingsFileLimit);
  if (written.Fault != TInputFault::None) return;
  const std::string merged = WithComments(*before, written.Bytes);
  if (merged != written.Bytes) Replace(path, merged);
}

std::unique_ptr<ISettingsStore> CreateUserSettingsStore() {
  return std::make_unique<TQtSettingsStore>(TQtSettingsStore::DefaultFilePath());
}

}  // namespace kv
