#include <gtest/gtest.h>

#include "platform/Locale.h"
#include "scan/ItemFilter.h"
#include "settings/SettingsStore.h"

namespace kv {
namespace {

bool Matches(std::string_view name, std::string_view list) {
  return MatchesMaskList(name, list, CurrentLocale());
}

TEST(MaskList, WildcardsAndCase) {
  EXPECT_TRUE(Matches("a.TXT", "*.txt; *.log"));
  EXPECT_TRUE(Matches("b.log", "*.txt; *.log"));
  EXPECT_FALSE(Matches("c.txt.bak", "*.txt; *.log"));
  EXPECT_TRUE(Matches("c.txt.bak", "*.txt*"));
  EXPECT_FALSE(Matches("README", "*.*"));
  EXPECT_TRUE(Matches("README", "*"));
  EXPECT_TRUE(Matches("", "*"));
  EXPECT_TRUE(Matches("abc", "a?c"));
  EXPECT_FALSE(Matches("ac", "a?c"));
  EXPECT_FALSE(Matches("abbc", "a?c"));
  EXPECT_TRUE(Matches("~lock.tmp", "~*"));
  EXPECT_FALSE(Matches("x~lock", "~*"));
  EXPECT_TRUE(Matches("aaab", "*a*b"));  // needs backtracking
  EXPECT_FALSE(Matches("aaac", "*a*b"));
  // Names and pieces are trimmed.
  EXPECT_TRUE(Matches("  photo.jpg ", " *.JPG  "));
  // Non-ASCII letters compare without case too; "?" is one character, not one byte.
  EXPECT_TRUE(Matches("ÄPFEL.txt", "äpfel.*"));
  EXPECT_TRUE(Matches("Ü.doc", "?.DOC"));
}

TEST(MaskList, SetsRangesAndNegation) {
  EXPECT_TRUE(Matches("file3.txt", "file[0-9].txt"));
  EXPECT_FALSE(Matches("fileA.txt", "file[0-9].txt"));
  EXPECT_TRUE(Matches("fileA.txt", "file[!0-9].txt"));
  EXPECT_FALSE(Matches("file3.txt", "file[!0-9].txt"));
  EXPECT_TRUE(Matches("b", "[abc]"));
  EXPECT_TRUE(Matches("B", "[abc]"));  // case-insensitive
  EXPECT_FALSE(Matches("d", "[abc]"));
  EXPECT_TRUE(Matches("y", "[a-cx-z]"));
  // ";" splits the list before the set is closed.
  EXPECT_THROW(Matches("m", "[a-cx-z;m]"), EMaskError);
}

TEST(MaskList, EmptyListsAndPiecesMatchNothing) {
  EXPECT_FALSE(Matches("a", ""));
  EXPECT_FALSE(Matches("a", ";"));
  EXPECT_FALSE(Matches("a", ";;"));
  EXPECT_TRUE(Matches("a", ";a"));
  EXPECT_TRUE(Matches("a", "a;"));
  EXPECT_FALSE(Matches("", "a;;b"));
}

TEST(MaskList, MalformedPiecesRaiseWhenReached) {
  EXPECT_THROW(Matches("a", "[abc"), EMaskError);
  EXPECT_THROW(Matches("a", "[]"), EMaskError);
  EXPECT_THROW(Matches("a", "[!]"), EMaskError);
  EXPECT_THROW(Matches("a", "[-z]"), EMaskError);
  // A piece that matches first answers before the malformed one is reached.
  EXPECT_TRUE(Matches("a.txt", "*.txt;[x"));
  EXPECT_THROW(Matches("a.doc", "*.txt;[x"), EMaskError);
  try {
    Matches("a", "x[abc");
    FAIL();
  } catch (const EMaskError& e) {
    EXPECT_NE(std::string(e.what()).find("x[abc"), std::string::npos);  // names the culprit
    EXPECT_EQ(e.Fault, TMaskFault::SetNotClosed);
    EXPECT_EQ(e.Mask, "x[abc");
  }
}

TEST(MatchesSize, KilobyteBoundsAreExact) {
  EXPECT_FALSE(MatchesSize(0, 100, 0, 102400));
  EXPECT_TRUE(MatchesSize(0, 100, 0, 102401));
  EXPECT_FALSE(MatchesSize(0, 0, 0, 0));
  EXPECT_TRUE(MatchesSize(1, 100, 0, 102399));
  EXPECT_FALSE(MatchesSize(1, 100, 0, 102400));
  EXPECT_TRUE(MatchesSize(2, 100, 0, 102400));
  EXPECT_FALSE(MatchesSize(2, 100, 0, 102401));
  EXPECT_TRUE(MatchesSize(3, 0, 1, 1));
  EXPECT_TRUE(MatchesSize(3, 0, 1, 1023));
  EXPECT_FALSE(MatchesSize(3, 0, 1, 1024));
  EXPECT_FALSE(MatchesSize(3, 0, 1, 0));
  for (int64_t size : {0LL, 10239LL, 10240LL, 10241LL}) EXPECT_FALSE(MatchesSize(3, 10, 10, size));
  EXPECT_TRUE(MatchesSize(7, 10, 10, 5));
  // Large bounds do not overflow.
  EXPECT_TRUE(MatchesSize(0, 2147483647, 0, 2199023255552LL + 1));
}

TEST(Filter, NewFilterOnEmptyStoreIsEmptyAndLoadsInOrder) {
  TMemorySettingsStore store;
  TFilter filter(store, CurrentLocale());
  EXPECT_TRUE(filter.IsEmpty());
  EXPECT_EQ(filter.IncludedHistory.Items(), std::vector<std::string>{"*"});
  EXPECT_TRUE(filter.ExcludedHistory.Items().empty());
  EXPECT_EQ(filter.OwnerMask, "*\\*");
  EXPECT_TRUE(filter.Accepts("anything", 0, "unknown\\unknown"));

  filter.IncludedMask = "*.*";
  EXPECT_TRUE(filter.IsEmpty());
  EXPECT_TRUE(filter.Accepts("README", 1, "x\\y"));  // "*.*" is not tested at all
  filter.IncludedMask = "";
  EXPECT_FALSE(filter.IsEmpty());
  EXPECT_FALSE(filter.Accepts("a.txt", 1, "x\\y"));
  filter.IncludedMask = "*";
  filter.OwnerAny = false;
  EXPECT_TRUE(filter.IsEmpty());  // the owner mask is still "*\*"
  filter.OwnerMask = "BUILTIN\\*";
  EXPECT_FALSE(filter.IsEmpty());
  EXPECT_TRUE(filter.Accepts("a", 1, "BUILTIN\\Administrators"));
  EXPECT_FALSE(filter.Accepts("a", 1, "unknown\\unknown"));
}

TEST(Filter, TestsInOrderAndStopsAtTheFirstFailure) {
  TMemorySettingsStore store;
  TFilter filter(store, CurrentLocale());
  filter.IncludedMask = "*.txt";
  filter.ExcludedMask = "[broken";
  // The excluded mask is only reached by names that passed the included one.
  EXPECT_FALSE(filter.Accepts("a.doc", 1, "o\\o"));
  EXPECT_THROW(filter.Accepts("a.txt", 1, "o\\o"), EMaskError);
  filter.ExcludedMask = "~*";
  filter.SizeAny = false;
  filter.SizeMode = 0;
  filter.SizeFirst = 1;
  EXPECT_FALSE(filter.Accepts("~a.txt", 5000, "o\\o"));
  EXPECT_FALSE(filter.Accepts("a.txt", 1024, "o\\o"));
  EXPECT_TRUE(filter.Accepts("a.txt", 1025, "o\\o"));
}

TEST(Filter, SaveWritesEveryValueAndSortedHistories) {
  TMemorySettingsStore store;
  {
    TFilter filter(store, CurrentLocale());
    for (const char* mask : {"*.txt", "*.JPG", "*.jpg", "a*", "*.doc"}) filter.IncludedHistory.Add(mask);
    filter.ExcludedHistory.Add("~*");
    filter.SizeAny = false;
    filter.SizeMode = 3;
    filter.SizeFirst = 10;
    filter.SizeLast = 20;
    filter.OwnerAny = false;
    filter.OwnerMask = "PC\\*";
    filter.IncludedMask = "*.txt";
    filter.ExcludedMask = "~*";
    filter.Save();
  }
  const auto values = store.Values();
  auto integer = [&](const char* name) { return std::get<int32_t>(values.at(name)); };
  auto text = [&](const std::string& name) { return std::get<std::string>(values.at(name)); };
  EXPECT_EQ(integer("Filter-Size-Any"), 0);
  EXPECT_EQ(integer("Filter-Size-ItemIndex"), 3);
  EXPECT_EQ(integer("Filter-Size-First"), 10);
  EXPECT_EQ(integer("Filter-Size-Last"), 20);
  EXPECT_EQ(integer("Filter-Owner-Any"), 0);
  EXPECT_EQ(text("Filter-Owner-Mask"), "PC\\*");
  EXPECT_EQ(text("Filter-Mask-Included-Value"), "*.txt");
  EXPECT_EQ(text("Filter-Mask-Excluded-Value"), "~*");
  // "*", "*.doc", "*.JPG" ("*.jpg" is the same mask), "*.txt", "a*".
  ASSERT_EQ(integer("Filter-Mask-Included-Count"), 5);
  std::vector<std::string> stored;
  for (int i = 0; i < 5; ++i) stored.push_back(text("Filter-Mask-Included-Item-" + std::to_string(i)));
  EXPECT_EQ(stored, (std::vector<std::string>{"*", "*.doc", "*.JPG", "*.txt", "a*"}));
  EXPECT_EQ(integer("Filter-Mask-Excluded-Count"), 1);
  EXPECT_EQ(text("Filter-Mask-Excluded-Item-0"), "~*");
  EXPECT_EQ(integer("Filter-OneFileSystem"), 0);
  EXPECT_EQ(values.size(), 9u + 2u + 5u + 1u);

  TFilter loaded(store, CurrentLocale());
  EXPECT_EQ(loaded.IncludedHistory.Items(), stored);
  EXPECT_EQ(loaded.SizeMode, 3);
  EXPECT_EQ(loaded.OwnerMask, "PC\\*");
  EXPECT_FALSE(loaded.IsEmpty());
}

TEST(Filter, LoadAddsToTheHistoriesAndAbsentItemsAreEmpty) {
  TMemorySettingsStore store;
  WriteRegInteger(store, "Filter-Mask-Included-Count", 2);
  WriteRegString(store, "Filter-Mask-Included-Item-0", "*.mp3");
  TFilter filter(store, CurrentLocale());
  EXPECT_EQ(filter.IncludedHistory.Items(), (std::vector<std::string>{"", "*", "*.mp3"}));
}

}  // namespace
}  // namespace kv
