// The window while a scan over SSH runs: the commands that take items out of
// the tree wait for it, as they wait for a local scan, and come back once it
// is stopped.
#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QToolButton>
#include <QTreeView>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/UserDialog.h"
#include "fakes/FakeShell.h"
#include "fakes/QtHelpers.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "settings/Language.h"
#include "settings/SettingsStore.h"
#include "ui/DMMain.h"
#include "ui/Main.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::Named;
using test::Utf8;

class SshScanWindowTest : public ::testing::Test {
 protected:
  SshScanWindowTest() : Root(test::MakeTempFolder("kestrove-ssh-ui")) {
    fs::create_directories(Root / "tree" / "A");
    test::WriteFile(Root / "tree" / "A" / "a.bin", 100);
    // An ssh that reaches no server for a few seconds: the job runs meanwhile.
    std::ofstream(Root / "ssh_config") << "Host *\n  ProxyCommand exec sleep 3\n";
    setenv("KESTROVE_SSH_CONFIG", Utf8(Root / "ssh_config").c_str(), 1);
  }
  ~SshScanWindowTest() override {
    unsetenv("KESTROVE_SSH_CONFIG");
    std::error_code ec;
    fs::remove_all(Root, ec);
  }
  // What the tree's context menu offers for the focused folder.
  bool Offered(TfrmMain& w, const char* name) {
    Named<QTreeView>(w, "trvFolder")->customContextMenuRequested(QPoint(5, 5));
    const bool enabled = Named<QAction>(w, name)->isEnabled();
    Named<QMenu>(w, "mnuPopup")->hide();
    return enabled;
  }

  fs::path Root;
  TdtmMain Dm;
  TMemorySettingsStore Store;
  TScriptedDialog Dialog;
  test::FakeShell Shell;
};

TEST_F(SshScanWindowTest, NothingLeavesTheTreeWhileAScanOverSshRuns) {
  TfrmMain w(Dm, TMainSetup{CreateNativePlatform(), &Store, &Dialog, LanguageFolder(), NativePathStyle(), &Shell, {}});
  const fs::path a = Root / "tree" / "A";
  ASSERT_TRUE(w.StartScan(Utf8(Root / "tree")));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!(w.Engine().ScanRoots().empty() && w.Engine().ActiveScans() == 0) &&
         std::chrono::steady_clock::now() < deadline) {
    w.DrainScanCalls();
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_EQ(w.Tree().FindFolderNode(Utf8(a))->Data()->GetFullPath(), Utf8(a));
  w.FocusFolder(w.Tree().FindFolderNode(Utf8(a)));
  const char* commands[] = {"mniDelete", "mniRemoveFromList", "mniRefresh"};
  for (const char* name : commands) EXPECT_TRUE(Offered(w, name)) << name;

  w.StartSshScan("ssh://nowhere.invalid/srv");
  for (const char* name : commands) EXPECT_FALSE(Offered(w, name)) << name;
  EXPECT_TRUE(Named<QToolButton>(w, "btnStopSearch")->isEnabled());
  // Nor does the key reach it.
  w.KeyCommand("mniRemoveFromList");
  EXPECT_EQ(w.Tree().FindFolderNode(Utf8(a))->Data()->GetFullPath(), Utf8(a));

  w.StopScans();
  for (const char* name : commands) EXPECT_TRUE(Offered(w, name)) << name;
  EXPECT_FALSE(Named<QToolButton>(w, "btnStopSearch")->isEnabled());
}

}  // namespace
}  // namespace kv
