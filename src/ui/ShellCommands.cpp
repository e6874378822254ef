#include "ui/ShellCommands.h"
#include "ui/QtText.h"

#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

#include "platform/Locale.h"
#include "reports/FormatSize.h"
#include "reports/ReportColumns.h"
#include "scan/NodeData.h"

#if KESTROVE_HAS_DBUS
#include <QDBusConnection>
#include <QDBusMessage>
#endif

namespace kv {

namespace {

QUrl UrlOf(const std::string& path) { return QUrl::fromLocalFile(FromUtf8(path)); }

// The desktop's file manager interface: asks it to show items or their
// properties. False when no file manager answers on the session bus.
bool AskFileManager(const char* method, const std::string& path) {
#if KESTROVE_HAS_DBUS
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall("org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                                     "org.freedesktop.FileManager1", method);
  call << QStringList{UrlOf(path).toString()} << QString();
  const QDBusMessage reply = bus.call(call, QDBus::Block, 3000);
  return reply.type() == QDBusMessage::ReplyMessage;
#else
  (void)method;
  (void)path;
  return false;
#endif
}

// The program's own properties window: what the scan recorded about the item.
void ShowRecordedProperties(const TBaseNodeData& item, QWidget* owner) {
  QDialog dialog(owner);
  dialog.setObjectName("frmProperties");
  dialog.setWindowTitle(FromUtf8(item.Name.Str()));
  auto* form = new QFormLayout;
  const ILocale& locale = CurrentLocale();
  const auto* folder = dynamic_cast<const TFolderNodeData*>(&item);
  const auto* file = dynamic_cast<const TFileNodeData*>(&item);
  auto row = [&](const char* label, const std::string& text) {
    auto* value = new QLabel(FromUtf8(text));
    value->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(QString::fromLatin1(label), value);
  };
  row("Name:", item.Name.Str());
  row("Location:", item.GetParentPath());
  if (file) {
    row("Size:", FormatSize(file->FileSize, TSizeUnit::B, locale));
    row("On disk:", FormatSize(file->AllocatedSize, TSizeUnit::B, locale));
  } else if (folder) {
    row("Size:", FormatSize(folder->TotalSize, TSizeUnit::B, locale));
    row("On disk:", FormatSize(folder->TotalAllocated, TSizeUnit::B, locale));
    row("Contains:", std::to_string(folder->FileCount) + " / " + std::to_string(folder->FolderCount));
  }
  row("Created:", DateTimeText(item.Info.Created, locale));
  row("Modified:", DateTimeText(item.Info.Modified, locale));
  row("Accessed:", DateTimeText(item.Info.LastAccess, locale));
  row("Attributes:", AttributesText(item.Info));
  row("Owner:", item.Owner());
  auto* box = new QVBoxLayout(&dialog);
  box->addLayout(form);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  box->addWidget(buttons);
  dialog.exec();
}

}  // namespace

bool OpenItem(const std::string& path) { return QDesktopServices::openUrl(UrlOf(path)); }

bool ShowInFileManager(const std::string& path, bool isFolder) {
  if (!isFolder && AskFileManager("ShowItems", path)) return true;
  const std::string folder = isFolder ? path : QFileInfo(FromUtf8(path)).absolutePath().toStdString();
  return QDesktopServices::openUrl(UrlOf(folder));
}

void ShowProperties(const TBaseNodeData& item, QWidget* owner) {
  if (AskFileManager("ShowItemProperties", item.GetFullPath())) return;
  ShowRecordedProperties(item, owner);
}

bool DeleteToRecycleBin(const std::string& path) {
  return QFile::moveToTrash(FromUtf8(path));
}

}  // namespace kv
