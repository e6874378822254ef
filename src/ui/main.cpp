// Kestrove: the program reads no arguments; everything it needs comes from
// the settings store and the Language folder beside it.
#include <QApplication>

#include "platform/Platform.h"
#include "settings/Language.h"
#include "ui/About.h"
#include "ui/DMMain.h"
#include "ui/Main.h"

int main(int argc, char** argv) {
  // Wine's system font engines place a line edit's text outside its box, so
  // spin boxes and edit fields look empty there; FreeType draws them right.
  if (kv::RunsUnderWine() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "windows:fontengine=freetype");
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
  kv::TfrmMain window(dm, std::move(setup));
  window.show();
  return QApplication::exec();
}
