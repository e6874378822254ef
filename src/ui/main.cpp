// Kestrove: the program reads no arguments; everything it needs comes from
// the settings store and the Language folder beside it.
#include <QApplication>

#include "platform/Platform.h"
#include "settings/Language.h"
#include "ui/About.h"
#include "ui/DMMain.h"
#include "ui/Main.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  // No display name: X11 would append it to the window title.
  QApplication::setApplicationName("Kestrove");
  QApplication::setWindowIcon(QIcon(kv::ProgramPicture(64, 64)));

  const std::unique_ptr<kv::ISettingsStore> settings = kv::CreateUserSettingsStore();
  kv::TdtmMain dm;
  kv::TMainSetup setup;
  setup.Platform = kv::CreateNativePlatform();
  setup.Settings = settings.get();
  setup.LanguageFolder = kv::LanguageFolder();
  setup.HistoryFolder = kv::DefaultHistoryFolder();
  kv::TfrmMain window(dm, std::move(setup));
  window.show();
  return QApplication::exec();
}
