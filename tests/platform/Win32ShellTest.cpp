// The Win32 shell on real files (run under Wine on Linux). Commands that
// start programs or open windows are left out: nothing here may wait for a user.
#include "platform/Shell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

using test::Utf8;

TEST(Win32Shell, DeletionRemovesFilesAndFoldersAndFailsOnMissingPaths) {
  const fs::path root = test::MakeTempFolder("kestrove-shell");
  const std::unique_ptr<IShell> shell = CreateDesktopShell();
  for (bool permanently : {false, true}) {
    // A file, a folder with content, a name that is not ASCII, a folder with its
    // trailing backslash, and a path that is not there.
    std::ofstream(root / "file.txt") << "text";
    fs::create_directories(root / "folder" / "inner");
    std::ofstream(root / "folder" / "inner" / "x.bin") << "x";
    std::ofstream(root / fs::path(u8"\u00E4rger.txt")) << "umlaut";
    fs::create_directories(root / "trailing");
    const std::pair<std::string, bool> cases[] = {{Utf8(root / "file.txt"), true}, {Utf8(root / "folder"), true},
                                                  {Utf8(root / fs::path(u8"\u00E4rger.txt")), true},
                                                  {Utf8(root / "trailing") + "\\", true},
                                                  {Utf8(root / "missing.txt"), false}};
    for (const auto& [path, exists] : cases) {
      SCOPED_TRACE(path + (permanently ? " for good" : " to the bin"));
      if (permanently)
        EXPECT_EQ(shell->DeletePermanently(path), exists);
      else
        EXPECT_EQ(shell->DeleteToRecycleBin(path), exists ? TTrashResult::Trashed : TTrashResult::Failed);
    }
    EXPECT_TRUE(fs::is_empty(root));
  }
  fs::remove_all(root);
}

TEST(Win32Shell, OpeningTellsAMissingProgramFromAFailure) {
  // Neither case starts anything: no program is registered for the made-up type.
  const fs::path root = test::MakeTempFolder("kestrove-open");
  std::ofstream(root / "a.kvzz") << "x";
  const std::unique_ptr<IShell> shell = CreateDesktopShell();
  EXPECT_EQ(shell->OpenFile(Utf8(root / "a.kvzz")), TOpenResult::NoProgram);
  EXPECT_EQ(shell->OpenFile(Utf8(root / "missing.kvzz")), TOpenResult::Failed);
  fs::remove_all(root);
}

// A window scaled to twice the system's size gets the large pictures.
TEST(Win32Shell, FileTypeAndDriveIconsAreSmallAndPartlyTransparent) {
  const std::unique_ptr<IShell> shell = CreateDesktopShell();
  for (const int side : {16, 32}) {
    const TIconPixels icons[] = {shell->FileTypeIcon(".txt", side), shell->FileTypeIcon("", side),
                                 shell->DriveIcon("C:\\", side)};
    for (const TIconPixels& icon : icons) {
      ASSERT_FALSE(icon.Empty()) << &icon - icons;
      // The system's scale may make it bigger, never smaller.
      EXPECT_GE(icon.Width, side);
      EXPECT_EQ(icon.Height, icon.Width);
      const auto visible =
          std::count_if(icon.Pixels.begin(), icon.Pixels.end(), [](uint32_t p) { return (p >> 24) != 0; });
      EXPECT_GT(visible, side) << "almost nothing to see";
      EXPECT_LT(visible, icon.Width * icon.Height) << "no transparency: the mask was not applied";
    }
  }
}

}  // namespace
}  // namespace kv
