#include "ui/SshScanDialog.h"

#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>

#include <sstream>
#include <vector>

#include "settings/SettingsStore.h"
#include "settings/TextIds.h"

namespace kv {

namespace {

constexpr size_t Remembered = 8;

std::vector<std::string> History(ISettingsStore& store, const char* name) {
  std::vector<std::string> items;
  std::istringstream lines(ReadRegString(store, name, ""));
  for (std::string line; std::getline(lines, line) && items.size() < Remembered;)
    if (!line.empty()) items.push_back(line);
  return items;
}

void Remember(ISettingsStore& store, const char* name, const std::string& value) {
  std::string text = value;
  for (const std::string& item : History(store, name))
    if (item != value && text.size() < 4096) text += "\n" + item;
  WriteRegString(store, name, text);
}

QComboBox* Combo(const std::vector<std::string>& items, const char* objectName, QWidget* parent) {
  auto* combo = new QComboBox(parent);
  combo->setObjectName(QString::fromLatin1(objectName));
  combo->setEditable(true);
  combo->setMinimumWidth(320);
  for (const std::string& item : items) combo->addItem(QString::fromStdString(item));
  return combo;
}

}  // namespace

std::string AskSshScan(ISettingsStore& store, const TLangList& languages, QWidget* parent) {
  auto tr = [&](const char* id) { return QString::fromStdString(languages.Translate(id)); };
  QDialog dialog(parent);
  dialog.setObjectName(QStringLiteral("frmSshScan"));
  QString caption = tr(IdScanOverSsh);
  caption.remove(QStringLiteral("..."));
  dialog.setWindowTitle(caption);
  auto* form = new QFormLayout(&dialog);
  QComboBox* host = Combo(History(store, "SshHosts"), "cbxSshHost", &dialog);
  QComboBox* folder = Combo(History(store, "SshFolders"), "cbxSshFolder", &dialog);
  form->addRow(tr(IdSshServer), host);
  form->addRow(tr(IdSshFolder), folder);
  auto* buttons = new QDialogButtonBox(&dialog);
  buttons->addButton(tr(IdOk), QDialogButtonBox::AcceptRole);
  buttons->addButton(tr(IdCancel), QDialogButtonBox::RejectRole);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  form->addRow(buttons);
  if (dialog.exec() != QDialog::Accepted) return {};
  const std::string server = host->currentText().trimmed().toStdString();
  std::string path = folder->currentText().trimmed().toStdString();
  if (server.empty() || path.empty()) return {};
  if (path[0] != '/') path.insert(0, "/");
  Remember(store, "SshHosts", server);
  Remember(store, "SshFolders", path);
  return "ssh://" + server + path;
}

}  // namespace kv
