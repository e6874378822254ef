// The freedesktop shell on real files, with the XDG folders of the test:
// nothing here starts a program or talks to the user's desktop.
#include <gtest/gtest.h>

#include <QByteArray>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fakes/TempFolder.h"
#include "platform/Shell.h"
#include "platform/freedesktop/MimeApps.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for its lifetime.
struct TEnvVar {
  TEnvVar(const char* name, const std::string& value) : Name(name), Old(qgetenv(name)), Had(qEnvironmentVariableIsSet(name)) {
    qputenv(name, QByteArray::fromStdString(value));
  }
  ~TEnvVar() { Had ? qputenv(Name, Old) : qunsetenv(Name); }
  const char* Name;
  QByteArray Old;
  bool Had;
};

void WriteText(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

class FreedesktopShellTest : public ::testing::Test {
 protected:
  FreedesktopShellTest() : Root(test::MakeTempFolder("kestrove-xdg")) {}
  ~FreedesktopShellTest() override {
    std::error_code ec;
    fs::remove_all(Root, ec);
  }

  std::string At(const char* name) const { return (Root / name).string(); }

  fs::path Root;
  std::unique_ptr<IShell> Shell = CreateDesktopShell();
};

TEST_F(FreedesktopShellTest, AssociationsComeFromTheXdgFolders) {
  TEnvVar configHome("XDG_CONFIG_HOME", At("config")), configDirs("XDG_CONFIG_DIRS", At("etc1") + ":" + At("etc2"));
  TEnvVar dataHome("XDG_DATA_HOME", At("data")), dataDirs("XDG_DATA_DIRS", At("share"));
  TEnvVar desktop("XDG_CURRENT_DESKTOP", "Test:Other");
  const std::vector<std::string> files = AssociationFiles();
  ASSERT_EQ(files.size(), 17u);  // 3 lists in 5 folders, 2 caches
  EXPECT_EQ(files.front(), At("config") + "/test-mimeapps.list");  // the user's choice for the desktop first
  EXPECT_EQ(files[8], At("etc2") + "/mimeapps.list");
  EXPECT_EQ(files[14], At("share") + "/applications/mimeapps.list");
  EXPECT_EQ(files.back(), At("share") + "/applications/mimeinfo.cache");
}

TEST_F(FreedesktopShellTest, ProgramsAreFoundByTypeAndParentType) {
  WriteText(Root / "mimeinfo.cache", "[MIME Cache]\ntext/plain=editor.desktop;\n");
  WriteText(Root / "mimeapps.list",
            "[Default Applications]\nimage/png=viewer.desktop\n"
            "[Removed Associations]\napplication/pdf=reader.desktop;\n");
  const std::vector<std::string> files = {At("missing.list"), At("mimeapps.list"), At("mimeinfo.cache")};
  const std::pair<const char*, bool> cases[] = {
      {"a.txt", true},   // in the applications' cache
      {"a.c", true},     // a kind of text/plain
      {"a.png", true},   // a default in mimeapps.list
      {"a.pdf", false},  // only a removed association
      {"a.kvzz", false}, {"noext", false},
  };
  for (const auto& [name, expected] : cases) EXPECT_EQ(HasAssociatedProgram(At(name), files), expected) << name;
}

TEST_F(FreedesktopShellTest, TrashTellsAMissingTrashFromAFailure) {
  TEnvVar dataHome("XDG_DATA_HOME", At("data"));
  WriteText(Root / "a.txt", "a");
  EXPECT_EQ(Shell->DeleteToRecycleBin(At("a.txt")), TTrashResult::Trashed);
  EXPECT_FALSE(fs::exists(Root / "a.txt"));
  EXPECT_TRUE(fs::exists(Root / "data" / "Trash" / "files" / "a.txt"));
  EXPECT_EQ(Shell->DeleteToRecycleBin(At("missing.txt")), TTrashResult::Failed);

  // No trash can be made below a file: the item stays and can go for good.
  WriteText(Root / "blocker", "");
  TEnvVar blocked("XDG_DATA_HOME", At("blocker"));
  WriteText(Root / "folder" / "inner" / "x.bin", "x");
  EXPECT_EQ(Shell->DeleteToRecycleBin(At("folder")), TTrashResult::NoTrash);
  EXPECT_TRUE(fs::exists(Root / "folder" / "inner" / "x.bin"));
  EXPECT_TRUE(Shell->DeletePermanently(At("folder")));
  EXPECT_FALSE(fs::exists(Root / "folder"));
  EXPECT_FALSE(Shell->DeletePermanently(At("folder")));
}

// At the side asked for, so a scaled screen gets a sharp picture.
TEST_F(FreedesktopShellTest, TypeAndDriveIconsAreSmallAndVisible) {
  for (const int side : {16, 32}) {
    const TIconPixels icons[] = {Shell->FileTypeIcon(".txt", side), Shell->FileTypeIcon("", side),
                                 Shell->DriveIcon("/", side)};
    for (const TIconPixels& icon : icons) {
      ASSERT_FALSE(icon.Empty()) << &icon - icons;
      EXPECT_EQ(icon.Width, side);
      EXPECT_EQ(icon.Height, side);
      EXPECT_GT(std::count_if(icon.Pixels.begin(), icon.Pixels.end(), [](uint32_t p) { return (p >> 24) != 0; }),
                side);
    }
    EXPECT_NE(icons[0].Pixels, icons[2].Pixels);
  }
}

}  // namespace
}  // namespace kv
