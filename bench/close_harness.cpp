// close_harness [--rounds N] [--during-chooser] TREE_DIR
// Closes the real main window in the middle of a scan, again and again, the
// way a user does: "Scan folder..." through Qt's own folder chooser, the folder
// typed in and accepted, then, after a random wait (0 to 3 s, a third of the
// rounds within the first 100 ms), the window manager's close message (on X11
// a WM_DELETE_WINDOW client message; elsewhere the platform window's close).
// A round passes when the window is gone within one second with the exit save
// written. --during-chooser sends the close while the folder chooser is still
// open instead, just before it is answered. Run it on a display: xvfb-run -a bench/close_harness TREE_DIR
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTimer>
#include <QWindow>

#ifdef KESTROVE_HAVE_XCB
#include <xcb/xcb.h>
#endif

#include "platform/Platform.h"
#include "settings/Language.h"
#include "settings/QtSettingsStore.h"
#include "ui/DMMain.h"
#include "ui/Main.h"

namespace {

namespace fs = std::filesystem;

void RunFor(std::chrono::milliseconds wait) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < wait.count()) QApplication::processEvents(QEventLoop::AllEvents, 5);
}

// The message a window manager sends when the user clicks the close button.
void SendWindowManagerClose(QWidget& window) {
#ifdef KESTROVE_HAVE_XCB
  if (auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>()) {
    xcb_connection_t* connection = x11->connection();
    const auto atom = [&](const char* name) {
      xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
          connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
      const xcb_atom_t result = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
      std::free(reply);
      return result;
    };
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window.winId());
    event.type = atom("WM_PROTOCOLS");
    event.data.data32[0] = atom("WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
    return;
  }
#endif
  window.windowHandle()->close();
}

// Answers Qt's folder chooser with the folder, as a user typing it would;
// with closeFirst the main window is asked to close while the chooser is open.
void AnswerFolderChooser(const QString& folder, QWidget* closeFirst) {
  auto* timer = new QTimer(qApp);
  QObject::connect(timer, &QTimer::timeout, [timer, folder, closeFirst] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog || !dialog->isVisible()) return;
    timer->deleteLater();
    if (closeFirst) {
      SendWindowManagerClose(*closeFirst);
      RunFor(std::chrono::milliseconds(50));
    }
    // Typed into the name field and confirmed with Enter.
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (name) name->setText(folder);
    QMetaObject::invokeMethod(dialog, "accept");
  });
  timer->start(10);
}


}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setQuitOnLastWindowClosed(false);
  int rounds = 200;
  bool duringChooser = false;
  std::string tree;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--during-chooser")
      duringChooser = true;
    else if (arg == "--rounds" && i + 1 < argc)
      rounds = std::atoi(argv[++i]);
    else
      tree = arg;
  }
  if (tree.empty() || !fs::is_directory(tree)) {
    std::fprintf(stderr, "usage: close_harness [--rounds N] TREE_DIR (on a display)\n");
    return 2;
  }
  const fs::path settingsFile = kv::TQtSettingsStore::DefaultFilePath();
  std::mt19937 random(20261210);
  int failures = 0;
  double slowest = 0;
  for (int round = 0; round < rounds; ++round) {
    std::error_code ignored;
    fs::remove(settingsFile, ignored);
    const std::unique_ptr<kv::ISettingsStore> settings = kv::CreateUserSettingsStore();
    kv::TdtmMain dm;
    kv::TMainSetup setup;
    setup.Platform = kv::CreateNativePlatform();
    setup.Settings = settings.get();
    setup.LanguageFolder = kv::LanguageFolder();
    auto window = std::make_unique<kv::TfrmMain>(dm, std::move(setup));
    window->show();
    RunFor(std::chrono::milliseconds(100));
    AnswerFolderChooser(QString::fromStdString(tree), duringChooser ? window.get() : nullptr);
    window->findChild<QAction*>("mniScanFolder")->trigger();  // returns once the chooser is answered
    const int waitMs = round % 3 == 0 ? static_cast<int>(random() % 100) : static_cast<int>(random() % 3000);
    RunFor(std::chrono::milliseconds(waitMs));
    const bool scanning = window->Engine().ActiveScans() > 0;
    QElapsedTimer closing;
    closing.start();
    if (!duringChooser) SendWindowManagerClose(*window);
    while (window->isVisible() && closing.elapsed() < 1000) QApplication::processEvents(QEventLoop::AllEvents, 5);
    const double seconds = static_cast<double>(closing.nsecsElapsed()) / 1e9;
    slowest = std::max(slowest, seconds);
    const bool saved = fs::exists(settingsFile);
    if (window->isVisible() || !saved) {
      ++failures;
      std::printf("round %d: close %d ms into the scan (%s) %s\n", round, waitMs, scanning ? "scanning" : "done",
                  window->isVisible() ? "was ignored" : "did not save");
    }
    window.reset();
  }
  std::printf("%d closes, %d failed, slowest %.3f s\n", rounds, failures, slowest);
  return failures == 0 ? 0 : 1;
}
