// kestrove-screenshots OUT_DIR TREE_DIR [BIG_TREE_DIR]
// Drives the real main window over a scanned folder and saves pictures of it:
// three reports of TREE_DIR, the report-type menu open, a scan of
// BIG_TREE_DIR (TREE_DIR when not given) caught while it still runs, and the
// treemap of TREE_DIR with its legend and the status text of its largest file.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>

#include "platform/ColourScheme.h"
#include "platform/Platform.h"
#include "settings/Language.h"
#include "settings/SettingsStore.h"
#include "ui/About.h"
#include "ui/DarkTheme.h"
#include "ui/DMMain.h"
#include "ui/Main.h"
#include "ui/TreemapPanel.h"

namespace {

using namespace std::chrono_literals;

// Runs the event loop until the condition holds or the time is up; answers the condition.
bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
  QEventLoop loop;
  QTimer poll;
  poll.setInterval(5);
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (done()) loop.quit();
  });
  QTimer::singleShot(timeout, &loop, &QEventLoop::quit);
  if (!done()) {
    poll.start();
    loop.exec();
  }
  return done();
}

void RunFor(std::chrono::milliseconds time) {
  RunUntil([] { return false; }, time);
}

// A window as main.cpp builds it, but on settings kept in memory.
struct TWindow {
  kv::TMemorySettingsStore Settings;
  std::unique_ptr<kv::TfrmMain> Form;

  explicit TWindow(kv::TdtmMain& dm) {
    kv::TMainSetup setup;
    setup.Platform = kv::CreateNativePlatform();
    setup.Settings = &Settings;
    setup.LanguageFolder = kv::LanguageFolder();
    Form = std::make_unique<kv::TfrmMain>(dm, std::move(setup));
    Form->resize(1100, 720);
    Form->show();
    RunFor(300ms);  // first layout and paint
  }
  ~TWindow() {
    Form->close();
    Form.reset();
  }
  TWindow(const TWindow&) = delete;
  TWindow& operator=(const TWindow&) = delete;
};

bool Save(const QPixmap& picture, const std::string& folder, const char* name) {
  const std::string file = folder + "/" + name;
  const bool saved = picture.save(QString::fromStdString(file), "PNG");
  std::printf("%s %s (%dx%d)\n", saved ? "wrote" : "FAILED to write", file.c_str(), picture.width(),
              picture.height());
  return saved;
}

// The scanned folder's node, focused, its report built and the tree open two levels down.
void ShowFolder(kv::TfrmMain& form, const std::string& path, int level) {
  kv::TFolderNode* node = form.Tree().FindFolderNode(path);
  form.FocusFolder(node);
  form.ExpandToLevel(node, level);
}

// The treemap with the Extensions report beside it (its legend) and the
// mouse resting on the largest file, whose path and size the status bar shows.
bool SaveTreemap(kv::TfrmMain& form, const std::string& path, const std::string& out) {
  form.SetSizeUnit(kv::TSizeUnit::MB);
  ShowFolder(form, path, 1);
  form.SelectReportKind(kv::TReportKind::Top100Extensions);
  // The map's share dragged up, as a user looking at it would.
  if (auto* splitter = form.findChild<QSplitter*>("splTreemap")) splitter->setSizes({330, 300});
  kv::TTreemapPanel& panel = form.Treemap();
  if (!RunUntil([&] { return panel.Settled(); }, 10s) || !panel.Layout()) {
    std::fprintf(stderr, "the treemap of %s was not drawn\n", path.c_str());
    return false;
  }
  const kv::TTreemapSnapshot& snapshot = *panel.Snapshot();
  const kv::TTreemapCell* largest = nullptr;
  for (const kv::TTreemapCell& cell : panel.Layout()->Cells())
    if (snapshot.Nodes[cell.Node].Kind == kv::TTreemapNode::File &&
        (!largest || snapshot.Nodes[cell.Node].Size > snapshot.Nodes[largest->Node].Size))
      largest = &cell;
  if (largest) {
    const QPoint at(static_cast<int>(largest->Rect.X + largest->Rect.W / 2),
                    static_cast<int>(largest->Rect.Y + largest->Rect.H / 2));
    QMouseEvent move(QEvent::MouseMove, at, panel.mapToGlobal(at), Qt::NoButton, {}, {});
    QApplication::sendEvent(&panel, &move);
  }
  RunFor(300ms);
  return Save(form.grab(), out, "06-treemap.png");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: kestrove-screenshots OUT_DIR TREE_DIR [BIG_TREE_DIR]\n");
    return 2;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName("Kestrove");
  QApplication::setWindowIcon(QIcon(kv::ProgramPicture(64, 64)));
  // As the program does: dark where the desktop asks for it.
  kv::FollowDesktopColours(kv::DesktopPrefersDark());

  const std::string out = argv[1];
  const std::string tree = std::filesystem::absolute(argv[2]).lexically_normal().string();
  const std::string big = std::filesystem::absolute(argc > 3 ? argv[3] : argv[2]).lexically_normal().string();
  std::filesystem::create_directories(out);
  bool ok = true;
  kv::TdtmMain dm;

  {
    TWindow window(dm);
    kv::TfrmMain& form = *window.Form;
    if (!form.StartScan(tree)) {
      std::fprintf(stderr, "the scan of %s was refused\n", tree.c_str());
      return 1;
    }
    if (!RunUntil([&] { return form.Engine().ActiveScans() == 0; }, 120s)) {
      std::fprintf(stderr, "the scan of %s did not end within 120 s\n", tree.c_str());
      return 1;
    }
    ShowFolder(form, tree, 2);
    form.SelectReportKind(kv::TReportKind::FilesInThisFolder);
    RunFor(300ms);
    ok &= Save(form.grab(), out, "01-files-and-folders.png");

    form.SelectReportKind(kv::TReportKind::Top100Extensions);
    RunFor(300ms);
    ok &= Save(form.grab(), out, "02-extensions.png");

    form.SetSizeUnit(kv::TSizeUnit::KB);
    form.SelectReportKind(kv::TReportKind::Top100Files);
    RunFor(300ms);
    ok &= Save(form.grab(), out, "03-greatest-files.png");

    // The menu is a window of its own: drawn into the main window's picture where it opened.
    auto* button = form.findChild<QToolButton*>("btnReportType");
    auto* menu = form.findChild<QMenu*>("mnuReportType");
    if (button && menu) {
      button->click();
      RunFor(300ms);
      QPixmap picture = form.grab();
      if (menu->isVisible()) {
        QPainter painter(&picture);
        painter.drawPixmap(form.mapFromGlobal(menu->pos()), menu->grab());
      }
      ok &= Save(picture, out, "05-report-type-menu.png");
      menu->hide();
    }
    ok &= SaveTreemap(form, tree, out);
  }

  {
    // A fresh window: caught after the first hand-overs, most folders still incomplete.
    TWindow window(dm);
    kv::TfrmMain& form = *window.Form;
    int handOvers = 0;
    form.Engine().OnHandOver = [&](size_t) { ++handOvers; };
    form.StartScan(big);
    RunUntil([&] { return handOvers >= 3 || form.Engine().ActiveScans() == 0; }, 60s);
    ShowFolder(form, big, 2);
    // The treemap's first picture of the folder, drawn while the scan goes on.
    const kv::TFolderNode* shown = form.FocusedNode();
    RunUntil([&] {
      const kv::TTreemapSnapshot* snapshot = form.Treemap().Snapshot();
      return snapshot && snapshot->Nodes[0].FolderNode == shown;
    }, 5s);
    const QPixmap picture = form.grab();  // paints at once, before more entries arrive
    const bool running = form.Engine().ActiveScans() > 0;
    ok &= Save(picture, out, "04-during-scan.png");
    if (!running) std::fprintf(stderr, "note: the scan of %s had ended before the picture\n", big.c_str());
    form.StopScans();
  }
  return ok ? 0 : 1;
}
