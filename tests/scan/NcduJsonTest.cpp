#include "scan/NcduJson.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "export/NcduExport.h"
#include "export/ResultFile.h"
#include "fakes/FakePlatform.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "fakes/TextSource.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "scan/NcduTree.h"

namespace kv {
namespace {

class NcduJsonTest : public ::testing::Test {
 protected:
  NcduJsonTest() : Services(Fake.Platform(), TPathStyle::Posix), Tree(Services, *Fake.Locale) {}
  std::string Read(const std::string& text) {
    TTextSource source(text);
    return ReadNcduJson(Tree, source);
  }
  TFolderNodeData& Folder(const std::string& path) {
    TFolderNode* node = Tree.FindFolderNode(path);
    EXPECT_EQ(GetNodePath(node), path + "/");
    return *node->Data();
  }

  test::FakePlatform Fake;
  TFileServices Services;
  TSizeTree Tree;
};

const std::string Head = "[1,2,{\"progname\":\"ncdu\",\"progver\":\"1.18\"},\n";

TEST_F(NcduJsonTest, CountsAsAScanDoes) {
  // dev is inherited; two names of inode 7 on device 3 count once; the same
  // inode number on another device is another file; folders' own sizes (ncdu's
  // block, gdu's totals with items) are left out; unknown keys are skipped.
  const std::string text = Head +
      "[{\"name\":\"/srv/data\",\"asize\":4096,\"dev\":3,\"future\":{\"a\":[1,{\"b\":null}],\"c\":\"]\"}},\n"
      "{\"name\":\"a\",\"asize\":100,\"dsize\":4096,\"ino\":7,\"hlnkc\":true,\"mtime\":0},\n"
      "[{\"name\":\"sub\",\"asize\":300,\"items\":2},\n"
      " {\"name\":\"b\",\"asize\":100,\"dsize\":4096,\"ino\":7,\"nlink\":2},\n"
      " {\"name\":\"c\",\"asize\":200,\"dsize\":4096}],\n"
      "[{\"name\":\"mnt\",\"dev\":4},{\"name\":\"d\",\"asize\":100,\"ino\":7,\"nlink\":2}],\n"
      "{\"name\":\"skipped\",\"excluded\":\"pattern\"},\n"
      "{\"name\":\"other\",\"excluded\":\"otherfs\"},\n"
      "[{\"name\":\"locked\",\"read_error\":true}]]]";
  ASSERT_EQ(Read(text), "");
  const TFolderNodeData& root = Folder("/srv/data");
  EXPECT_EQ(root.TotalSize, 400);
  EXPECT_EQ(root.FileCount, 4);
  EXPECT_EQ(root.FolderCount, 5);
  EXPECT_EQ(root.OwnSize, 100);
  EXPECT_EQ(Folder("/srv/data/sub").TotalSize, 200);  // "a" sorts first and carries inode 7
  EXPECT_EQ(Folder("/srv/data/mnt").TotalSize, 100);
  EXPECT_TRUE(root.Complete);
  EXPECT_EQ(Folder("/srv/data/skipped").Info().Marks, imExcluded);
  EXPECT_EQ(Folder("/srv/data/other").Info().Marks, imOtherFileSystem);
  EXPECT_EQ(Folder("/srv/data/locked").Info().Marks, imReadError);
  EXPECT_EQ(Tree.Root()->Child(0)->Data()->TotalSize, 400);  // "/" above it agrees
  EXPECT_EQ(root.Files[0]->Info().Modified, Services.FileTimeToLocalDateTime(116444736000000000));
  EXPECT_EQ(Folder("/srv/data/sub").Files[1]->Info().Modified, 0);  // no mtime: unknown
}

TEST_F(NcduJsonTest, NamesKeepTheirBytes) {
  const std::string text = Head + "[{\"name\":\"/r\"},{\"name\":\"q\\\"b\\\\s\\n\\t\\u00e9\\ud83d\\ude00\"},"
                                  "{\"name\":\"raw\xff\xfe\"},{\"name\":\"\xe6\x97\xa5\",\"uid\":1000}]]";
  ASSERT_EQ(Read(text), "");
  const TFolderNodeData& root = Folder("/r");
  ASSERT_EQ(root.Files.Count(), 3u);
  EXPECT_TRUE(root.Files.Find("q\"b\\s\n\t\xc3\xa9\xf0\x9f\x98\x80"));
  EXPECT_TRUE(root.Files.Find("raw\xff\xfe"));
  EXPECT_EQ(root.Files.Find("\xe6\x97\xa5")->Owner(), "unknown\\1000");
}

// Every entry as text, in the order the parser reports them.
class TRecordingSink final : public INcduSink {
 public:
  std::string Folder(const TNcduEntry& e) override { return Add("[", e); }
  std::string File(const TNcduEntry& e) override { return Add("", e); }
  void EndFolder() override { Text += "]"; }
  std::string Text;

 private:
  std::string Add(const char* kind, const TNcduEntry& e) {
    Text += kind + e.Name + "|" + std::to_string(e.ASize) + "|" + std::to_string(e.DSize) + "|" + std::to_string(e.Ino) +
            "|" + std::to_string(e.HardLink) + "|" + e.Excluded + ";";
    return {};
  }
};

TEST(NcduJsonPieces, EveryByteSurvivesTheEdgeOfARead) {
  std::string text = Head + "[{\"name\":\"/r\",\"future\":{\"a\":[1,{\"b\":null}]}},";
  for (int i = 0; i < 40; ++i)
    text += "{\"name\":\"file_" + std::to_string(i * 7919) + "_q\\\"\\u00e9\xff\",\"asize\":" + std::to_string(i * 1000003) +
            ",\"dsize\":4096,\"ino\":" + std::to_string(i) + ",\"hlnkc\":true},";
  text += "[{\"name\":\"sub\"},{\"name\":\"x\",\"excluded\":\"pattern\"}]]]";
  TRecordingSink whole;
  TTextSource all(text);
  ASSERT_EQ(ParseNcduJson(all, whole), "");
  EXPECT_NE(whole.Text.find("file_7919_q\"\xc3\xa9\xff|1000003|4096|1|1|;"), std::string::npos) << whole.Text;
  for (size_t piece = 1; piece <= 13; ++piece) {
    TRecordingSink pieces;
    TTextSource source(text, piece);
    ASSERT_EQ(ParseNcduJson(source, pieces), "") << piece;
    EXPECT_EQ(pieces.Text, whole.Text) << "pieces of " << piece;
  }
}

TEST_F(NcduJsonTest, MalformedFilesAreRefusedWithOffsetAndReason) {
  const std::string good = Head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":1},[{\"name\":\"b\"},{\"name\":\"c\"}]]]";
  struct TCase {
    std::string Text;
    const char* Reason;
  };
  const std::string deep = Head + [] {
    std::string s;
    for (int i = 0; i < 100000; ++i) s += "[{\"name\":\"d\"},";
    return s;
  }();
  const std::string deepValue = Head + "[{\"name\":\"/r\",\"x\":" + std::string(100000, '[');
  const TCase cases[] = {
      {"[2,0,{},[{\"name\":\"/r\"}]]", "format version 2 is not read"},
      {Head + "{\"name\":\"/r\"}]", "the root entry is not a folder"},
      {Head + "[{\"name\":\"/r\"}]]]", "data after the end"},
      {Head + "[{\"name\":\"/r\"},{\"name\":\"a\"}}]]", "expected ',' or ']'"},
      {Head + "[{\"name\":\"/r\"},[\"x\"]]]", "expected an entry's '{'"},
      {Head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":99999999999999999999}]]", "too large"},
      {Head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":9223372036854775808}]]", "too large"},
      {Head + "[{\"name\":\"/r\"},{\"name\":\"a\",\"asize\":-5}]]", "negative"},
      {Head + "[{\"name\":\"/r\"},{\"name\":\"a/b\"}]]", "separator"},
      {Head + "[{\"name\":\"/r\"},{\"name\":\"..\"}]]", "named \"..\""},
      {Head + "[{\"name\":\"/r\"},{\"asize\":1}]]", "without a name"},
      {Head + "[{\"name\":\"/r\"},{\"name\":\"a\\q\"}]]", "unknown escape"},
      {Head + "[{\"name\":\"/r\"},{\"name\":\"" + std::string(70000, 'n') + "\"}]]", "longer than 65536"},
      {deep, "nested deeper than 4096 levels"},
      {deepValue, "nested too deeply"},
  };
  for (const TCase& c : cases) {
    TSizeTree tree(Services, *Fake.Locale);
    TTextSource source(c.Text);
    const std::string error = ReadNcduJson(tree, source);
    EXPECT_NE(error.find(c.Reason), std::string::npos) << c.Reason << ": " << error;
    EXPECT_NE(error.find(" at byte "), std::string::npos) << error;
  }
  // Cut anywhere, the file is refused and what arrived stays, incomplete.
  for (int tenth = 1; tenth < 10; ++tenth) {
    TSizeTree tree(Services, *Fake.Locale);
    TTextSource source(good.substr(0, good.size() * static_cast<size_t>(tenth) / 10));
    EXPECT_NE(ReadNcduJson(tree, source), "") << tenth;
    if (TFolderNode* r = tree.FindFolderNode("/r"); GetNodePath(r) == "/r/") {
      EXPECT_FALSE(r->Data()->Complete);
    }
  }
  EXPECT_EQ(Read(good), "");
}

// A folder that was not entered, alone below the top: the export's root stays
// above it, so the file reads back with the folder and its mark.
TEST_F(NcduJsonTest, AFolderNotEnteredAloneBelowTheTopReadsBackWithItsMark) {
  const struct {
    const char* Body;
    const char* Marked;
    uint8_t Mark;
  } cases[] = {
      {"[{\"name\":\"/srv\"},{\"name\":\"mnt\",\"excluded\":\"otherfs\"}]]", "/srv/mnt", imOtherFileSystem},
      {"[{\"name\":\"/a\"},[{\"name\":\"b\"},{\"name\":\"c\",\"excluded\":\"pattern\"}]]]", "/a/b/c",
       imExcluded},
  };
  const std::filesystem::path folder = test::MakeTempFolder("kestrove-ncdu-export");
  for (const auto& c : cases) {
    TSizeTree tree(Services, *Fake.Locale);
    TTextSource source(Head + c.Body);
    ASSERT_EQ(ReadNcduJson(tree, source), "") << c.Body;
    const std::string file = (folder / "once.json").string();
    ASSERT_TRUE(WriteNcduJson(tree, file)) << c.Body;
    TSizeTree again(Services, *Fake.Locale);
    const TFileResult read = ReadResultFile(again, file);
    ASSERT_TRUE(read) << c.Body << ": " << read.Message;
    const TFolderNode* marked = again.FindFolderNode(c.Marked);
    ASSERT_EQ(GetNodePath(marked), std::string(c.Marked) + "/") << c.Body;
    EXPECT_EQ(marked->Data()->Info().Marks & c.Mark, c.Mark) << c.Body;
  }
  std::filesystem::remove_all(folder);
}

// The tree a file gives is the tree its export gives again.
TEST_F(NcduJsonTest, ARootWithSeparatorsAtItsEndExportsToItself) {
  const struct {
    const char* Root;  // as the file writes it
    const char* Written;
  } cases[] = {{"/a///", "/a"}, {"/a/", "/a"}, {"/x//b//", "/x//b"}, {"///", "/"}, {"C:\\\\\\\\", "C:\\\\"}};
  const std::filesystem::path folder = test::MakeTempFolder("kestrove-ncdu-root");
  for (const auto& c : cases) {
    TSizeTree tree(Services, *Fake.Locale);
    TTextSource source(Head + "[{\"name\":\"" + c.Root + "\"},{\"name\":\"f\",\"asize\":5}]]");
    ASSERT_EQ(ReadNcduJson(tree, source), "") << c.Root;
    std::string texts[2];
    for (std::string& text : texts) {
      const std::string file = (folder / "out.json").string();
      ASSERT_TRUE(WriteNcduJson(tree, file)) << c.Root;
      text = test::ReadAll(file);
      text.erase(0, text.find('\n'));  // the head holds the time of writing
      tree.Clear();
      ASSERT_TRUE(ReadResultFile(tree, file)) << c.Root;
    }
    EXPECT_EQ(texts[0], texts[1]) << c.Root;
    const std::string root = texts[0].substr(texts[0].find("\"name\":\"") + 8);
    EXPECT_EQ(root.substr(0, root.find('"')), c.Written) << c.Root;
  }
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace kv
