// The Win32 shell on real files (run under Wine on Linux). Commands that
// start programs or open windows are left out: nothing here may wait for a user.
#include "platform/Shell.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "fakes/TempFolder.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

class Win32ShellTest : public ::testing::Test {
 protected:
  Win32ShellTest() : Root(test::MakeTempFolder("kestrove-shell")) {
    std::ofstream(Root / "file.txt") << "some text";
    fs::create_directories(Root / "folder" / "inner");
    std::ofstream(Root / "folder" / "inner" / "x.bin") << "x";
    std::ofstream(Root / fs::path(u8"\u00E4rger.txt")) << "umlaut";  // not plain ASCII
  }
  ~Win32ShellTest() override {
    std::error_code ec;
    fs::remove_all(Root, ec);
  }

  fs::path Root;
  std::unique_ptr<IShell> Shell = CreateDesktopShell();
};

TEST_F(Win32ShellTest, DeletionRemovesFilesAndFoldersAndFailsOnMissingPaths) {
  struct Case {
    const char* name;
    bool exists;
  };
  const Case cases[] = {{"file.txt", true}, {"folder", true}, {"\xC3\xA4rger.txt", true}, {"missing.txt", false}};
  for (bool permanently : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (permanently ? " permanently" : " to the bin"));
      const std::string name = c.name;
      const fs::path item = Root / fs::path(std::u8string(name.begin(), name.end()));
      const fs::path copy = Root / "copy";
      if (c.exists) fs::copy(item, copy, fs::copy_options::recursive);
      const std::string path = Utf8(c.exists ? copy : item);
      if (permanently) {
        EXPECT_EQ(Shell->DeletePermanently(path), c.exists);
      } else {
        EXPECT_EQ(Shell->DeleteToRecycleBin(path), c.exists ? TTrashResult::Trashed : TTrashResult::Failed);
      }
      EXPECT_FALSE(fs::exists(copy));
    }
  }
  // A folder given with its trailing backslash goes the same way.
  fs::create_directories(Root / "trailing");
  EXPECT_EQ(Shell->DeleteToRecycleBin(Utf8(Root / "trailing") + "\\"), TTrashResult::Trashed);
  EXPECT_FALSE(fs::exists(Root / "trailing"));
}

TEST_F(Win32ShellTest, FileTypeAndDriveIconsAreSmallAndVisible) {
  const TIconPixels icons[] = {Shell->FileTypeIcon(".txt"), Shell->FileTypeIcon(""), Shell->DriveIcon("C:\\")};
  for (const TIconPixels& icon : icons) {
    ASSERT_FALSE(icon.Empty());
    EXPECT_EQ(icon.Width, 16);
    EXPECT_EQ(icon.Height, 16);
    const auto visible = std::count_if(icon.Pixels.begin(), icon.Pixels.end(), [](uint32_t p) { return (p >> 24) != 0; });
    EXPECT_GT(visible, 16) << "almost nothing to see";
    EXPECT_LT(visible, 256) << "no transparency at all: the mask was not applied";
  }
}

}  // namespace
}  // namespace kv
