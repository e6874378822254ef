#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "fakes/FakePlatform.h"
#include "model/FileServices.h"

namespace kv {
namespace {

// 100 ns units of a UTC calendar moment.
FileTime UtcFileTime(int64_t daysSince1601, int hour = 0, int minute = 0, int second = 0) {
  return ((daysSince1601 * 24 + hour) * 60 + minute) * 60 * 10000000LL + second * 10000000LL;
}
// 1601-01-01 to 1899-12-30.
constexpr int64_t Days1601To1899 = 109205;

class FileServicesTest : public ::testing::Test {
 protected:
  test::FakePlatform Fake;
  TFileServices Services{Fake.Platform(), TPathStyle::Windows};
};

TEST(DayCount, CountsFromTheLastDaysOf1899) {
  EXPECT_EQ(EncodeDayCount({1899, 12, 30, 0, 0, 0, 0}), 0.0);
  EXPECT_EQ(EncodeDayCount({1899, 12, 31, 12, 0, 0, 0}), 1.5);
  EXPECT_EQ(EncodeDayCount({1900, 3, 1, 6, 0, 0, 0}), 61.25);
  EXPECT_EQ(EncodeDayCount({2000, 1, 1, 0, 0, 0, 0}), 36526.0);
  // Before the epoch the time of day is taken off the (negative) day number.
  EXPECT_EQ(EncodeDayCount({1899, 12, 29, 12, 0, 0, 0}), -1.5);
  EXPECT_DOUBLE_EQ(EncodeDayCount({2024, 2, 29, 23, 59, 59, 999}), 45351.0 + 86399999.0 / 86400000.0);
}

TEST_F(FileServicesTest, FileTimesBecomeLocalDayCounts) {
  EXPECT_EQ(Services.FileTimeToLocalDateTime(UtcFileTime(Days1601To1899)), 0.0);
  Fake.FileSystem->UtcOffsetMinutes = 120;
  EXPECT_DOUBLE_EQ(Services.FileTimeToLocalDateTime(UtcFileTime(Days1601To1899 + 36526, 22)), 36527.0);
  // 1601-01-01 02:00 local: the two hours are taken off the negative day number.
  EXPECT_DOUBLE_EQ(Services.FileTimeToLocalDateTime(UtcFileTime(0)), -109205.0 - 2.0 / 24.0);
}

TEST_F(FileServicesTest, ItemInfoTakesAttributeBitsAndTheThreeTimes) {
  TDirEntry e = test::MakeEntry("x", faReadOnly | faArchive | faDirectory);
  e.CreationTime = UtcFileTime(Days1601To1899 + 1);
  e.LastWriteTime = UtcFileTime(Days1601To1899 + 2);
  e.LastAccessTime = UtcFileTime(Days1601To1899 + 3, 6);
  TItemInfo info = Services.ItemInfoFromSearchRec(e);
  EXPECT_TRUE(info.ReadOnly);
  EXPECT_FALSE(info.Hidden);
  EXPECT_FALSE(info.System);
  EXPECT_TRUE(info.Archive);
  EXPECT_EQ(info.Created, 1.0);
  EXPECT_EQ(info.Modified, 2.0);
  EXPECT_EQ(info.LastAccess, 3.25);
  info = Services.ItemInfoFromSearchRec(test::MakeEntry("y", faHidden | faSysFile));
  EXPECT_TRUE(info.Hidden);
  EXPECT_TRUE(info.System);
  EXPECT_FALSE(info.ReadOnly);
}

TEST_F(FileServicesTest, ItemInfoKeepsEachTimeItsOwnWhenSomeAreAlike) {
  struct TCase {
    int Created, Modified, Accessed;  // days after 1899-12-30
  };
  const TCase cases[] = {{1, 2, 3}, {4, 4, 5}, {6, 7, 7}, {8, 9, 8}, {10, 10, 10}, {12, 11, 11}, {13, 14, 13}};
  for (const TCase& c : cases) {
    TDirEntry e = test::MakeEntry("x", 0);
    e.CreationTime = UtcFileTime(Days1601To1899 + c.Created);
    e.LastWriteTime = UtcFileTime(Days1601To1899 + c.Modified);
    e.LastAccessTime = UtcFileTime(Days1601To1899 + c.Accessed);
    const TItemInfo info = Services.ItemInfoFromSearchRec(e);
    EXPECT_EQ(std::vector<double>({info.Created, info.Modified, info.LastAccess}),
              std::vector<double>({double(c.Created), double(c.Modified), double(c.Accessed)}));
  }
}

TEST_F(FileServicesTest, ItemInfoFromPathQueriesThePathItselfOrLeavesTheRecord) {
  Fake.FileSystem->Entries["C:\\Data"] = test::MakeEntry("Data", faDirectory | faHidden, 0, UtcFileTime(Days1601To1899 + 10));
  TItemInfo info;
  Services.ItemInfoFromPath("C:\\Data\\", info);
  EXPECT_TRUE(info.Hidden);
  EXPECT_EQ(info.Modified, 10.0);

  TItemInfo untouched;
  untouched.Created = 77;
  untouched.System = true;
  Services.ItemInfoFromPath("C:\\Missing\\", untouched);
  EXPECT_EQ(untouched.Created, 77);
  EXPECT_TRUE(untouched.System);
  EXPECT_EQ(Fake.FileSystem->EntryQueries, (std::vector<std::string>{"C:\\Data", "C:\\Missing"}));
}

TEST_F(FileServicesTest, AllocatedSizesRoundUpToWholeClusters) {
  Fake.FileSystem->ClusterSizes["C:\\"] = 4096;
  EXPECT_EQ(Services.GetAllocatedSize("C:\\a", 0), 0);
  EXPECT_EQ(Services.GetAllocatedSize("C:\\a", 1), 4096);
  EXPECT_EQ(Services.GetAllocatedSize("C:\\a", 4096), 4096);
  EXPECT_EQ(Services.GetAllocatedSize("C:\\a", 4097), 8192);
  EXPECT_EQ(Services.GetAllocatedSize("C:\\b\\c", 8192), 8192);
  EXPECT_EQ(Services.GetAllocatedSize("C:\\big", 5000000000LL), 5000003584LL);
  // An unknown cluster size leaves the size as it is.
  EXPECT_EQ(Services.GetAllocatedSize("Q:\\x", 4097), 4097);
}

TEST_F(FileServicesTest, ClusterSizesAreAskedOncePerRootEvenWhenUnanswered) {
  Fake.FileSystem->ClusterSizes["C:\\"] = 4096;
  Fake.FileSystem->ClusterSizes["\\\\srv\\share\\"] = 512;
  EXPECT_EQ(Services.GetClusterSize("C:\\Windows\\a.dll"), 4096);
  EXPECT_EQ(Services.GetClusterSize("C:\\Users\\b.txt"), 4096);
  EXPECT_EQ(Services.GetClusterSize("\\\\srv\\share\\docs\\c.txt"), 512);
  EXPECT_EQ(Services.GetClusterSize("E:\\notready.txt"), 0);
  EXPECT_EQ(Services.GetClusterSize("E:\\other\\x.txt"), 0);
  EXPECT_EQ(Services.GetClusterSize("C:\\Windows\\z.dll"), 4096);
  EXPECT_EQ(Fake.FileSystem->ClusterQueries,
            (std::vector<std::string>{"C:\\", "\\\\srv\\share\\", "E:\\"}));
  const auto cache = Services.ClusterSizes();
  ASSERT_EQ(cache.size(), 3u);
  EXPECT_EQ(cache[2].Root, "E:\\");
  EXPECT_EQ(cache[2].ClusterSize, 0);
  // A path without a drive asks for the empty root once.
  EXPECT_EQ(Services.GetClusterSize("relative.txt"), 0);
  EXPECT_EQ(Fake.FileSystem->ClusterQueries.back(), "");
}

TEST_F(FileServicesTest, DriveSpaceAndClusterSizeOfARoot) {
  Fake.FileSystem->Space["C:\\"] = {1000, 250};
  Fake.FileSystem->ClusterSizes["C:\\"] = 4096;
  EXPECT_EQ(Services.GetDriveSpace("C:\\", false), 1000);
  EXPECT_EQ(Services.GetDriveSpace("C:\\", true), 250);
  EXPECT_EQ(Services.GetDriveSpace("Z:\\", true), 0);
  EXPECT_EQ(Services.GetDriveClusterSize("C:\\"), 4096);
  EXPECT_EQ(Services.GetDriveClusterSize("Z:\\"), 0);
}

TEST_F(FileServicesTest, OwnerTextsAndTheirFallback) {
  auto& sec = *Fake.Security;
  sec.OwnerOf["C:\\Windows"] = "S-1-5-80";
  sec.OwnerOf["C:"] = "S-1-5-18";
  sec.OwnerOf["C:\\orphan"] = "S-1-5-21-99";  // no account for it
  sec.Accounts["S-1-5-80"] = {"TrustedInstaller", "NT SERVICE"};
  sec.Accounts["S-1-5-18"] = {"SYSTEM", "NT AUTHORITY"};

  EXPECT_EQ(Services.GetFileOwner("C:\\Windows\\"), "NT SERVICE\\TrustedInstaller");
  EXPECT_EQ(Services.GetFileOwner("C:\\"), "NT AUTHORITY\\SYSTEM");
  EXPECT_EQ(Services.GetFileOwner("C:\\secret"), "unknown\\unknown");
  EXPECT_EQ(Services.GetFileOwner("C:\\orphan"), "unknown\\unknown");
  EXPECT_EQ(sec.OwnerQueries, (std::vector<std::string>{"C:\\Windows", "C:", "C:\\secret", "C:\\orphan"}));

  std::string domain = "keep", user = "keep";
  EXPECT_FALSE(Services.GetOwnerParts("C:\\secret", domain, user));
  EXPECT_TRUE(Services.GetOwnerParts("C:\\orphan", domain, user));
  EXPECT_EQ(domain + "\\" + user, "unknown\\unknown");
}

TEST(FileServicesPosix, TheRootIsAskedAboutAsItselfNotAsAnEmptyPath) {
  test::FakePlatform fake;
  TFileServices services(fake.Platform(), TPathStyle::Posix);
  fake.Security->OwnerOf["/"] = "S-1-22-1-0";
  fake.Security->Accounts["S-1-22-1-0"] = {"root", "host"};
  fake.FileSystem->Entries["/"] = test::MakeEntry("/", faDirectory | faReadOnly);
  EXPECT_EQ(services.GetFileOwner("/"), "host\\root");
  EXPECT_EQ(fake.Security->OwnerQueries, std::vector<std::string>{"/"});
  TItemInfo info;
  services.ItemInfoFromPath("/", info);
  EXPECT_TRUE(info.ReadOnly);
  EXPECT_EQ(fake.FileSystem->EntryQueries, std::vector<std::string>{"/"});
}

TEST_F(FileServicesTest, AccountNamesAreAskedOncePerSidAndFailuresAreNotCached) {
  auto& sec = *Fake.Security;
  sec.Accounts["S-1-5-21-1"] = {"bob", "PC"};
  const TSid bob{"S-1-5-21-1"}, ghost{"S-1-5-21-2"};
  TOwnerDomain first = Services.LookupOwnerDomain(bob);
  TOwnerDomain second = Services.LookupOwnerDomain(bob);
  EXPECT_EQ(first.User, "bob");
  EXPECT_EQ(first.Sid, "S-1-5-21-1");
  EXPECT_EQ(second.Domain, "PC");
  EXPECT_EQ(sec.AccountLookups.load(), 1);

  TOwnerDomain none = Services.LookupOwnerDomain(ghost);
  EXPECT_EQ(none.User, "unknown");
  EXPECT_EQ(none.Domain, "unknown");
  EXPECT_EQ(none.Sid, "");
  Services.LookupOwnerDomain(ghost);
  EXPECT_EQ(sec.AccountLookups.load(), 3);
  EXPECT_EQ(Services.OwnerCacheSize(), 1u);
  EXPECT_EQ(Services.SidToString(TSid{}), "");
}

TEST_F(FileServicesTest, ConcurrentOwnerLookupsAllSucceed) {
  auto& sec = *Fake.Security;
  constexpr int Users = 40;
  for (int u = 0; u < Users; ++u) {
    const std::string sid = "S-1-5-21-" + std::to_string(u);
    sec.Accounts[sid] = {"user" + std::to_string(u), "PC"};
    sec.OwnerOf["C:\\f" + std::to_string(u)] = sid;
  }
  std::vector<std::thread> threads;
  std::atomic<int> wrong{0};
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 200; ++round) {
        const int u = (round * 7 + t) % Users;
        if (Services.GetFileOwner("C:\\f" + std::to_string(u)) != "PC\\user" + std::to_string(u)) ++wrong;
      }
    });
  }
  for (auto& th : threads) th.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_EQ(Services.OwnerCacheSize(), static_cast<size_t>(Users));
  // Every SID was looked up at least once and, with the cache, far fewer times than asked.
  EXPECT_GE(sec.AccountLookups.load(), Users);
  EXPECT_LT(sec.AccountLookups.load(), 6 * 200);
}

}  // namespace
}  // namespace kv
