#include <gtest/gtest.h>

#include "platform/PathStyle.h"

namespace kv {
namespace {

using Parts = std::vector<std::string>;

TEST(PathStyle, WindowsSplitFollowsDriveAndServerRules) {
  const auto W = TPathStyle::Windows;
  EXPECT_EQ(SplitPath("C:\\Windows\\", W), (Parts{"C:", "Windows"}));
  EXPECT_EQ(SplitPath("C:\\Windows", W), (Parts{"C:", "Windows"}));
  EXPECT_EQ(SplitPath("\\\\server\\share\\docs", W), (Parts{"\\\\server", "share", "docs"}));
  EXPECT_EQ(SplitPath("C:", W), (Parts{"C:"}));
  EXPECT_EQ(SplitPath("", W), Parts{});
  EXPECT_EQ(SplitPath("C:\\a\\\\b", W), (Parts{"C:", "a", "", "b"}));
  // Two backslashes alone are not a server: the path must be longer than two characters.
  EXPECT_EQ(SplitPath("\\\\", W), (Parts{"", ""}));
}

TEST(PathStyle, PosixSplitHasSlashAsFirstComponent) {
  const auto P = TPathStyle::Posix;
  EXPECT_EQ(SplitPath("/home/bob", P), (Parts{"/", "home", "bob"}));
  EXPECT_EQ(SplitPath("/home/bob/", P), (Parts{"/", "home", "bob"}));
  EXPECT_EQ(SplitPath("/", P), (Parts{"/"}));
  EXPECT_EQ(SplitPath("/a//b", P), (Parts{"/", "a", "", "b"}));
  // Backslashes are ordinary characters in POSIX names.
  EXPECT_EQ(SplitPath("/x\\y", P), (Parts{"/", "x\\y"}));
}

TEST(PathStyle, JoinPathPutsOneSeparatorAfterEachComponent) {
  EXPECT_EQ(JoinPath({"C:", "Windows", "System32"}, 1, TPathStyle::Windows), "C:\\Windows\\");
  EXPECT_EQ(JoinPath({"C:", "Windows"}, -1, TPathStyle::Windows), "");
  EXPECT_EQ(JoinPath({"/", "home", "bob"}, 2, TPathStyle::Posix), "/home/bob/");
  EXPECT_EQ(JoinPath({"/", "home"}, 0, TPathStyle::Posix), "/");
  // Round trip of a split path.
  const std::string path = "\\\\srv\\share\\a b\\";
  EXPECT_EQ(JoinPath(SplitPath(path, TPathStyle::Windows), 3, TPathStyle::Windows), path);
}

TEST(PathStyle, TrailingSeparatorHelpers) {
  const auto W = TPathStyle::Windows;
  EXPECT_EQ(IncludeTrailingSeparator("  C:\\Data \t", W), "C:\\Data\\");
  EXPECT_EQ(IncludeTrailingSeparator("C:\\", W), "C:\\");
  EXPECT_EQ(IncludeTrailingSeparator("", W), "");
  EXPECT_EQ(IncludeTrailingSeparator("   ", W), "");
  EXPECT_EQ(ExcludeTrailingSeparator("C:\\Data\\\\", W), "C:\\Data\\");
  EXPECT_EQ(ExcludeTrailingSeparator(" C:\\ ", W), "C:");
  const auto P = TPathStyle::Posix;
  EXPECT_EQ(IncludeTrailingSeparator("/tmp/x", P), "/tmp/x/");
  // A POSIX name may end in a blank; it must survive.
  EXPECT_EQ(ExcludeTrailingSeparator("/tmp/name /", P), "/tmp/name ");
  EXPECT_EQ(ExcludeTrailingSeparator("/", P), "");
}

TEST(PathStyle, FirstComponentTellsTheStyleOfAPath) {
  const auto W = TPathStyle::Windows, P = TPathStyle::Posix;
  for (const char* path : {"C:", "c:\\Data\\x", "\\\\srv\\s"}) EXPECT_EQ(PathStyleOf(path, P), W) << path;
  for (const char* path : {"/", "/home/bob"}) EXPECT_EQ(PathStyleOf(path, W), P) << path;
  for (const char* path : {"relative", "1:\\x"}) EXPECT_EQ(PathStyleOf(path, P), P) << path;
}

TEST(PathStyle, FolderPartAndDriveRoot) {
  EXPECT_EQ(FolderPartLength("C:\\a\\b.txt", TPathStyle::Windows), 5u);
  EXPECT_EQ(FolderPartLength("C:b.txt", TPathStyle::Windows), 2u);
  EXPECT_EQ(FolderPartLength("b.txt", TPathStyle::Windows), 0u);
  EXPECT_EQ(FolderPartLength("/x/y:z", TPathStyle::Posix), 3u);
  EXPECT_EQ(WindowsDriveRoot("C:\\Windows\\x.dll"), "C:\\");
  EXPECT_EQ(WindowsDriveRoot("\\\\server\\share\\docs\\a.txt"), "\\\\server\\share\\");
  EXPECT_EQ(WindowsDriveRoot("\\\\server\\share"), "\\\\server\\share\\");
  EXPECT_EQ(WindowsDriveRoot("relative\\x"), "");
}

}  // namespace
}  // namespace kv
