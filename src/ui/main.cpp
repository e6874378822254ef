// Kestrove: the program reads no arguments but --version; everything it needs
// comes from the settings store and the Language folder.
#include <QApplication>
#include <cstdio>
#include <string_view>

#include "platform/ColourScheme.h"
#include "platform/Platform.h"
#include "platform/ProgramVersion.h"
#include "settings/Language.h"
#include "ui/About.h"
#include "ui/DarkTheme.h"
#include "ui/DMMain.h"
#include "ui/Main.h"

int main(int argc, char** argv) {
  // Before QApplication, so that it answers without a display.
  if (argc == 2 && std::string_view(argv[1]) == "--version") {
    std::printf("kestrove %.*s\n", static_cast<int>(kv::ProgramVersion.size()), kv::ProgramVersion.data());
    return 0;
  }
  // Wine's system font engines place a line edit's text outside its box, so
  // spin boxes and edit fields look empty there; FreeType draws them right.
  if (kv::RunsUnderWine() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "windows:fontengine=freetype");
  QApplication app(argc, argv);
  // No display name: X11 would append it to the window title.
  QApplication::setApplicationName("Kestrove");
  QApplication::setWindowIcon(QIcon(kv::ProgramPicture(64, 64)));
  kv::FollowDesktopColours(kv::DesktopPrefersDark());

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
