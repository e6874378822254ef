// The scan options and folder marks in the real main window: the hard link
// option reaching the engine, an unreadable folder's mark text, and the hint
// of the empty treemap.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QTreeView>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "fakes/FakeShell.h"
#include "fakes/QtHelpers.h"
#include "fakes/WindowRun.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "app/UserDialog.h"
#include "platform/PathStyle.h"
#include "settings/Language.h"
#include "settings/SettingsStore.h"
#include "settings/TextIds.h"
#include "ui/DMMain.h"
#include "ui/FolderTreeModel.h"
#include "ui/FolderTreeSort.h"
#include "ui/Main.h"
#include "ui/QtText.h"
#include "ui/SettingsDialog.h"
#include "ui/TreemapPanel.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using test::Named;
using test::Utf8;

// The real file system, except that one folder cannot be listed.
class DenyingFileSystem final : public IFileSystem {
 public:
  DenyingFileSystem(std::shared_ptr<IFileSystem> real, std::string denied)
      : Real_(std::move(real)), Denied_(std::move(denied)) {}
  std::unique_ptr<IDirectoryEnum> OpenDirectory(const std::string& path, std::string* failure) override {
    if (path != Denied_) return Real_->OpenDirectory(path, failure);
    if (failure) *failure = "Access is denied";
    return nullptr;
  }
  bool QueryEntry(const std::string& path, TDirEntry& entry) override { return Real_->QueryEntry(path, entry); }
  TLocalTime FileTimeToLocal(FileTime time) override { return Real_->FileTimeToLocal(time); }
  bool DiskClusterSize(const std::string& root, int64_t& size) override { return Real_->DiskClusterSize(root, size); }
  bool DiskSpace(const std::string& root, int64_t& total, int64_t& free) override {
    return Real_->DiskSpace(root, total, free);
  }
  std::vector<TDriveInfo> ListDrives() override { return Real_->ListDrives(); }
  std::string MountRootOf(const std::string& path) override { return Real_->MountRootOf(path); }

 private:
  std::shared_ptr<IFileSystem> Real_;
  std::string Denied_;
};

class MarksWindowTest : public ::testing::Test {
 protected:
  MarksWindowTest() : Root(test::MakeTempFolder("kestrove-marks")) {
    fs::create_directories(Root / "Open");
    fs::create_directories(Root / "Shut");
    std::ofstream(Root / "Open" / "a.bin", std::ios::binary) << std::string(100, 'x');
    std::ofstream(Root / "Shut" / "b.bin", std::ios::binary) << std::string(100, 'x');
  }
  ~MarksWindowTest() override {
    std::error_code ec;
    fs::remove_all(Root, ec);
  }

  std::unique_ptr<TfrmMain> MakeWindow() {
    TPlatform platform = CreateNativePlatform();
    // The scanner names folders with the system's separator at the end.
    const std::string shut = Utf8((Root / "Shut").make_preferred()) + PathSeparator(NativePathStyle());
    platform.FileSystem = std::make_shared<DenyingFileSystem>(platform.FileSystem, shut);
    auto w = std::make_unique<TfrmMain>(
        Dm, TMainSetup{platform, &Store, &Dialog, LanguageFolder(), NativePathStyle(), &Shell, {}});
    w->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(w.get()));
    return w;
  }

  static bool RunUntil(TfrmMain& w, const std::function<bool()>& done) { return test::RunWindowUntil(w, done); }

  bool Scan(TfrmMain& w) {
    return w.StartScan(Utf8(Root)) && RunUntil(w, [&] { return w.Engine().ScanRoots().empty(); });
  }

  QString Text(TfrmMain& w, const char* id) { return test::Q(w.Languages().Translate(id)); }

  fs::path Root;
  TdtmMain Dm;
  TMemorySettingsStore Store;
  TScriptedDialog Dialog;
  test::FakeShell Shell;
};

TEST_F(MarksWindowTest, HardLinkOptionReachesTheEngineAtTheNextScan) {
  auto w = MakeWindow();
  for (const bool once : {false, true}) {
    {
      TfrmSettings dialog(w->Options(), w->Languages(), {}, w.get());
      auto* box = Named<QCheckBox>(dialog, "chkCountLinksOnce");
      EXPECT_EQ(box->text(), Text(*w, IdCountLinksOnce));
      box->setChecked(once);
      dialog.btnOkClick();
    }
    EXPECT_EQ(ReadRegInteger(Store, "CountHardLinksOnce", -1), once ? 1 : 0);
    // Not before a scan starts: the running tree keeps how it was counted.
    EXPECT_NE(w->Engine().CountLinksOnce(), once);
    ASSERT_TRUE(Scan(*w));
    EXPECT_EQ(w->Engine().CountLinksOnce(), once);
    // The dialog shows the stored choice.
    TfrmSettings again(w->Options(), w->Languages(), {}, w.get());
    EXPECT_EQ(Named<QCheckBox>(again, "chkCountLinksOnce")->isChecked(), once);
  }
}

TEST_F(MarksWindowTest, UnreadableFolderTellsWhyInItsHintAndTheStatusBar) {
  auto w = MakeWindow();
  ASSERT_TRUE(Scan(*w));
  auto* tree = Named<QTreeView>(*w, "trvFolder");
  auto* status = Named<QLabel>(*w, "pnlReadErrors");
  const QString denied = WithValue(Text(*w, IdFolderNotRead), "Access is denied");
  const QString count = WithValue(Text(*w, IdFoldersNotRead), "1");
  struct TCase {
    const char* Sub;
    QString Hint, Status;
  };
  const TCase cases[] = {{"Shut", denied, denied}, {"Open", QString(), count}, {"", QString(), count}};
  for (const TCase& c : cases) {
    const std::string path = Utf8(std::string(c.Sub).empty() ? Root : (Root / c.Sub).make_preferred());
    TFolderNode* node = w->Tree().FindFolderNode(path);
    ASSERT_EQ(node->Data()->GetFullPath(), path);
    EXPECT_EQ(node->Data()->Info().Marks & imReadError, c.Hint.isEmpty() ? 0 : imReadError) << c.Sub;
    const QModelIndex index = dynamic_cast<TFolderTreeSort&>(*tree->model()).IndexOf(node);
    EXPECT_EQ(tree->model()->data(index, Qt::ToolTipRole).toString(), c.Hint) << c.Sub;
    w->FocusFolder(node);
    EXPECT_EQ(status->text(), c.Status) << c.Sub;
    EXPECT_FALSE(status->isHidden()) << c.Sub;
  }
}

TEST_F(MarksWindowTest, EmptyTreemapShowsTheHintOfTheCurrentLanguage) {
  auto w = MakeWindow();
  TTreemapPanel& panel = w->Treemap();
  for (const char* language : {"Deutsch", "English"}) {
    w->ChangeLanguage(language);
    EXPECT_EQ(panel.Hint(), Text(*w, IdTreemapHint)) << language;
    EXPECT_FALSE(panel.Hint().isEmpty()) << language;
  }
  // The hint is drawn: the pane is not one plain colour.
  const QImage empty = panel.grab().toImage();
  const QRgb background = empty.pixel(0, 0);
  bool drawn = false;
  for (int y = 0; y < empty.height() && !drawn; ++y)
    for (int x = 0; x < empty.width() && !drawn; ++x) drawn = empty.pixel(x, y) != background;
  EXPECT_TRUE(drawn);
}

}  // namespace
}  // namespace kv
