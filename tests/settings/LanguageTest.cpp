#include "settings/Language.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/PathStyle.h"
#include "settings/SettingsStore.h"
#include "settings/TextIds.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

const std::string No(NoTranslated);

using test::NativePath;
using test::Utf8;

// A fresh folder under the system's temporary folder, removed at the end.
class TempFolder {
 public:
  TempFolder() : Path(test::MakeTempFolder("kestrove-lang")) {}
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(Path, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // As the platform layer takes it: UTF-8 with a trailing separator.
  std::string Folder() const { return Utf8(Path) + PathSeparator(NativePathStyle()); }

  // Writes the bytes as they are and gives the file's full UTF-8 name.
  std::string Write(const std::string& name, std::string_view bytes) const {
    std::ofstream out(Path / NativePath(name), std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return Folder() + name;
  }

  fs::path Path;
};

// Parses text through a real file, as the program does.
TLang Load(std::string_view bytes) {
  TempFolder tmp;
  return TLang(tmp.Write("test.kvl", bytes));
}

std::vector<std::string> Idents(const TLang& lang) {
  std::vector<std::string> result;
  for (const TLangItem& item : lang.Items()) result.push_back(item.Ident);
  return result;
}

// The look-up rule without the index: the first item with the key.
std::string LinearFindText(const TLang& lang, const std::string& key) {
  for (const TLangItem& item : lang.Items())
    if (item.Ident == key) return item.Text;
  return No;
}

// The language box's selected name, or "<none>".
std::string SelectedName(const TLangList& list) {
  const int index = list.SelectedLanguageIndex();
  if (index < 0) return "<none>";
  return list.LanguageNames().at(static_cast<size_t>(index));
}

// --- The file format ---

TEST(LangFile, EndsLinesAtCrLfLoneLfAndLoneCr) {
  for (const std::string end : {"\r\n", "\n", "\r"}) {
    SCOPED_TRACE(testing::PrintToString(end));
    for (const std::string& last : {std::string(), end}) {
      const TLang lang = Load("Language=English" + end + "2114=Scan" + end + end + "2115=View" + last);
      EXPECT_EQ(Idents(lang), (std::vector<std::string>{"Language", "2114", "2115"}));
      EXPECT_EQ(lang.FindText("Language"), "English");
      EXPECT_EQ(lang.FindText("2114"), "Scan");
      EXPECT_EQ(lang.FindText("2115"), "View");
    }
  }
  // LF CR is two line ends, CR LF one.
  const TLang mixed = Load("a=1\r\nb=2\nc=3\rd=4\n\re=5\r\r\nf=6");
  EXPECT_EQ(Idents(mixed), (std::vector<std::string>{"a", "b", "c", "d", "e", "f"}));
  for (const TLangItem& item : mixed.Items()) {
    EXPECT_EQ(item.Text.size(), 1u) << item.Ident;
    EXPECT_EQ(item.Text, LinearFindText(mixed, item.Ident));
  }
  EXPECT_EQ(mixed.FindText("f"), "6");
}

TEST(LangFile, SingleLineEntriesAreTrimmedAndSplitAtTheFirstEqualSign) {
  const TLang lang = Load(
      "; a comment without the sign\r\n"
      "\r\n"
      "   \t\r\n"
      "\t\x01  2001=Text with = inside  \x02\t \r\n"
      "2002=First line|second line\r\n"
      "2003=Grüß\r\n"
      "2004=\r\n"
      "2114 = Scan\r\n"
      "=no key\r\n");
  EXPECT_EQ(Idents(lang), (std::vector<std::string>{"2001", "2002", "2003", "2004", "2114 ", ""}));
  EXPECT_EQ(lang.FindText("2001"), "Text with = inside");
  EXPECT_EQ(lang.FindText("2002"), "First line\r\nsecond line");
  // Bytes above 0x7F are text, not control characters.
  EXPECT_EQ(lang.FindText("2003"), "Grüß");
  EXPECT_EQ(lang.FindText("2004"), "");
  // Keys compare exactly: the space before "=" belongs to the key.
  EXPECT_EQ(lang.FindText("2114"), No);
  EXPECT_EQ(lang.FindText("2114 "), " Scan");
  EXPECT_EQ(lang.FindText(""), "no key");
  EXPECT_EQ(lang.FindText("; a comment without the sign"), No);
}

TEST(LangFile, MultiLineEntriesJoinTrimmedLinesUpToTheFirstClosingBracket) {
  const TLang lang = Load(
      "2195=[First line\r\n"
      "      second line]\r\n"
      "2001=[one line]\r\n"
      "2002=[one] more\r\n"
      "  2003=[a\n"
      "\n"
      "\t c ]  dropped tail\r"
      "2004=[x|y\r\n"
      "9999=inside]\r\n"
      "2005=after\r\n"
      "2006=[ spaced ]\r\n");
  EXPECT_EQ(Idents(lang), (std::vector<std::string>{"2195", "2001", "2002", "2003", "2004", "2005", "2006"}));
  EXPECT_EQ(lang.FindText("2195"), "First line\r\nsecond line");
  EXPECT_EQ(lang.FindText("2001"), "one line");
  EXPECT_EQ(lang.FindText("2002"), "one");
  // An empty line inside gives an empty line of text; the trailing blank before "]" stays.
  EXPECT_EQ(lang.FindText("2003"), "a\r\n\r\nc ");
  // Lines inside an entry are text, even with "=" in them; "|" breaks lines here too.
  EXPECT_EQ(lang.FindText("2004"), "x\r\ny\r\n9999=inside");
  EXPECT_EQ(lang.FindText("9999"), No);
  EXPECT_EQ(lang.FindText("2005"), "after");
  EXPECT_EQ(lang.FindText("2006"), " spaced ");
}

TEST(LangFile, MultiLineEntryWithoutClosingBracketEndsAtTheEndOfTheFile) {
  for (const std::string last : {"", "\r\n"}) {
    const TLang lang = Load("Language=English\r\n2195=[First line\r\n2196=swallowed\r\n   last line" + last);
    EXPECT_EQ(Idents(lang), (std::vector<std::string>{"Language", "2195"}));
    EXPECT_EQ(lang.FindText("2195"), "First line\r\n2196=swallowed\r\nlast line");
    EXPECT_EQ(lang.FindText("2196"), No);
  }
  EXPECT_EQ(Load("2001=[only line").FindText("2001"), "only line");
  // A "]" that comes only before the "[" leaves no text.
  EXPECT_EQ(Load("20]01=[text").FindText("20]01"), "");
}

TEST(LangFile, FirstEntryOfAKeyWinsAndAllAreKept) {
  const TLang lang = Load(
      "2114=[first\r\n"
      "  still first]\r\n"
      "2114=second\r\n"
      "2115=view\r\n"
      "2114=[third]\r\n"
      "2115=other view\r\n");
  ASSERT_EQ(Idents(lang), (std::vector<std::string>{"2114", "2114", "2115", "2114", "2115"}));
  EXPECT_EQ(lang.Items()[1].Text, "second");
  EXPECT_EQ(lang.Items()[3].Text, "third");
  EXPECT_EQ(lang.FindText("2114"), "first\r\nstill first");
  EXPECT_EQ(lang.FindText("2115"), "view");
  for (const TLangItem& item : lang.Items()) EXPECT_EQ(lang.FindText(item.Ident), LinearFindText(lang, item.Ident));
}

TEST(LangFile, ReadsNamesAndTextsInUtf8AndSkipsAByteOrderMark) {
  TempFolder tmp;
  const TLang lang(tmp.Write("Français.kvl", "\xEF\xBB\xBFLanguage=Français\r\n2114=Analyser\r\n"));
  EXPECT_EQ(lang.FindText("Language"), "Français");
  EXPECT_EQ(lang.FindText("2114"), "Analyser");
  // Bytes that are not UTF-8 are read in the system's code page.
  const std::string latin1 = "Gr\xFC\xDF";
  const TLang ansi(tmp.Write("ansi.kvl", "Language=Ansi\r\n2115=" + latin1 + "\r\n"));
  EXPECT_EQ(ansi.FindText("2115"), FromAnsiCodePage(latin1));
}

TEST(LangFile, FileThatCannotBeOpenedHasNoItems) {
  TempFolder tmp;
  const TLang missing(tmp.Folder() + "missing.kvl");
  EXPECT_TRUE(missing.Items().empty());
  EXPECT_EQ(missing.FindText("Language"), No);
  // A folder is not a file either.
  const TLang folder(tmp.Folder());
  EXPECT_TRUE(folder.Items().empty());
}

// --- The list of languages ---

class LangList : public testing::Test {
 protected:
  TMemorySettingsStore Store;
  TPlatform Platform = CreateNativePlatform();
  TempFolder Tmp;

  TLangList Make() { return TLangList(Store, *Platform.FileSystem, Tmp.Folder()); }

  // The file names as the platform lists the folder.
  std::vector<std::string> Listing() {
    std::vector<std::string> names;
    auto dir = Platform.FileSystem->OpenDirectory(Tmp.Folder());
    EXPECT_NE(dir, nullptr);
    TDirEntry entry;
    while (dir && dir->Next(entry))
      if (entry.Name != "." && entry.Name != ".." && !entry.IsDirectory()) names.push_back(entry.Name);
    return names;
  }
};

TEST_F(LangList, TranslatesFromTheFileOfTheCurrentLanguageOnly) {
  Tmp.Write("de.kvl", "Language=Deutsch\r\n2114=Scan\r\n");
  Tmp.Write("en.kvl", "Language=English\r\n2114=Scan it\r\n2115=View\r\n");
  Store.WriteString("Language", "Deutsch");
  TLangList list = Make();
  EXPECT_EQ(list.CurrentLanguage(), "Deutsch");
  EXPECT_EQ(list.Translate("2114"), "Scan");
  // No other language is tried for an id the current one lacks.
  EXPECT_EQ(list.Translate("2115"), No);

  list.SetCurrentLanguage("English");
  EXPECT_EQ(list.Translate("2114"), "Scan it");
  EXPECT_EQ(list.Translate("2115"), "View");

  list.SetCurrentLanguage("english");
  EXPECT_EQ(list.Translate("2114"), No);
  EXPECT_EQ(list.SelectedLanguageIndex(), -1);
}

TEST_F(LangList, ReadsTheCurrentLanguageFromTheStoreAndStoresEveryChange) {
  Tmp.Write("en.kvl", "Language=English\r\n2114=Scan\r\n");
  Tmp.Write("de.kvl", "Language=Deutsch\r\n2114=Scannen\r\n");
  {
    TLangList list = Make();
    // "English" when nothing is stored, and reading stores nothing.
    EXPECT_EQ(list.CurrentLanguage(), "English");
    EXPECT_EQ(list.Translate("2114"), "Scan");
    EXPECT_TRUE(Store.Values().empty());

    list.SetCurrentLanguage("Deutsch");
    EXPECT_EQ(list.CurrentLanguage(), "Deutsch");
    EXPECT_EQ(list.Translate("2114"), "Scannen");
    EXPECT_EQ(Store.ReadString("Language"), "Deutsch");
    EXPECT_EQ(SelectedName(list), "Deutsch");

    // A language no file carries is stored as well.
    list.SetCurrentLanguage("Klingon");
    EXPECT_EQ(Store.ReadString("Language"), "Klingon");
    EXPECT_EQ(list.Translate("2114"), No);
    EXPECT_EQ(list.SelectedLanguageIndex(), -1);
    list.SetCurrentLanguage("Deutsch");
  }
  const TLangList next = Make();
  EXPECT_EQ(next.CurrentLanguage(), "Deutsch");
  EXPECT_EQ(next.Translate("2114"), "Scannen");
}

TEST_F(LangList, KeepsTheListingOrderAndTheFirstFileOfALanguageWins) {
  const std::vector<std::string> files = {"k.kvl", "b.kvl", "x.kvl", "a.kvl", "m.kvl"};
  for (const std::string& name : files) Tmp.Write(name, "Language=English\r\nFile=" + name + "\r\n");
  Tmp.Write("d.kvl", "Language=Deutsch\r\nFile=d.kvl\r\n");
  const std::vector<std::string> listed = Listing();
  ASSERT_EQ(listed.size(), files.size() + 1);

  const TLangList list = Make();
  ASSERT_EQ(list.Langs().size(), listed.size());
  std::vector<std::string> expectedNames;
  for (size_t i = 0; i < listed.size(); ++i) {
    EXPECT_EQ(list.Langs()[i].FindText("File"), listed[i]);
    expectedNames.push_back(listed[i] == "d.kvl" ? "Deutsch" : "English");
  }
  EXPECT_EQ(list.LanguageNames(), expectedNames);

  const size_t firstEnglish = listed[0] == "d.kvl" ? 1 : 0;
  EXPECT_EQ(list.SelectedLanguageIndex(), static_cast<int>(firstEnglish));
  EXPECT_EQ(list.Translate("File"), listed[firstEnglish]);
}

TEST_F(LangList, TakesOnlyFilesEndingInKvlInAnyCase) {
  Tmp.Write("lower.kvl", "Language=Lower\r\n");
  Tmp.Write("UPPER.KVL", "Language=Upper\r\n");
  Tmp.Write("mixed.Kvl", "Language=Mixed\r\n");
  Tmp.Write(".kvl", "Language=Bare\r\n");
  Tmp.Write("notes.txt", "Language=Text\r\n");
  Tmp.Write("backup.kvl.bak", "Language=Backup\r\n");
  Tmp.Write("kvl", "Language=NoDot\r\n");
  Tmp.Write("x.kv", "Language=Short\r\n");
  fs::create_directory(Tmp.Path / "folder.kvl");
  const TLangList list = Make();
  const std::vector<std::string> names = list.LanguageNames();
  EXPECT_EQ(std::multiset<std::string>(names.begin(), names.end()),
            (std::multiset<std::string>{"Lower", "Upper", "Mixed", "Bare"}));
}

TEST_F(LangList, FileWithoutLanguageEntryIsListedAsNoTranslated) {
  Tmp.Write("nameless.kvl", "2114=Nameless scan\r\n");
  Tmp.Write("en.kvl", "Language=English\r\n2114=Scan\r\n");
  TLangList list = Make();
  const std::vector<std::string> names = list.LanguageNames();
  EXPECT_EQ(std::multiset<std::string>(names.begin(), names.end()),
            (std::multiset<std::string>{No, "English"}));
  EXPECT_EQ(list.Translate("2114"), "Scan");
  EXPECT_EQ(SelectedName(list), "English");
  // Only that very text as the language name makes it current.
  list.SetCurrentLanguage(No);
  EXPECT_EQ(list.Translate("2114"), "Nameless scan");
  EXPECT_EQ(SelectedName(list), No);
}

TEST_F(LangList, WithoutFilesEveryTextIsNoTranslated) {
  Tmp.Write("readme.txt", "Language=English\r\n2114=Scan\r\n");
  const TLangList empty = Make();
  const TLangList missing(Store, *Platform.FileSystem, Tmp.Folder() + "absent" + PathSeparator(NativePathStyle()));
  for (const TLangList* list : {&empty, &missing}) {
    EXPECT_TRUE(list->Langs().empty());
    EXPECT_TRUE(list->LanguageNames().empty());
    EXPECT_EQ(list->SelectedLanguageIndex(), -1);
    EXPECT_EQ(list->Translate("Language"), No);
    for (const char* id : AllTextIds) EXPECT_EQ(list->Translate(id), No) << id;
  }
}

// --- The language files shipped with the program ---

TEST(LanguageFiles, TextIdsAreDistinctDecimalNumbers) {
  std::set<std::string> seen;
  for (const std::string id : AllTextIds) {
    EXPECT_TRUE(seen.insert(id).second) << "twice: " << id;
    EXPECT_FALSE(id.empty());
    EXPECT_TRUE(std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; })) << id;
  }
}

TEST(LanguageFiles, EnglishAndDeutschGiveEveryText) {
  TMemorySettingsStore store;
  const TPlatform platform = CreateNativePlatform();
  TLangList list(store, *platform.FileSystem, LanguageFolder());
  const std::vector<std::string> names = list.LanguageNames();
  ASSERT_EQ(std::count(names.begin(), names.end(), "English"), 1);
  ASSERT_EQ(std::count(names.begin(), names.end(), "Deutsch"), 1);

  for (const TLang& lang : list.Langs()) {
    SCOPED_TRACE(lang.FindText("Language"));
    ASSERT_FALSE(lang.Items().empty());
    EXPECT_EQ(lang.Items().front().Ident, "Language");
    std::set<std::string> keys;
    for (const TLangItem& item : lang.Items()) {
      EXPECT_TRUE(keys.insert(item.Ident).second) << "twice: " << item.Ident;
      EXPECT_EQ(lang.FindText(item.Ident), LinearFindText(lang, item.Ident));
    }
  }

  auto textsOf = [&list](const std::string& language) {
    list.SetCurrentLanguage(language);
    std::vector<std::string> texts;
    for (const char* id : AllTextIds) {
      const std::string text = list.Translate(id);
      EXPECT_NE(text, No) << language << " lacks " << id;
      EXPECT_FALSE(text.empty()) << language << " " << id;
      // Callers add their own blanks around the texts.
      if (!text.empty()) {
        EXPECT_GT(static_cast<unsigned char>(text.front()), 0x20) << language << " " << id;
        EXPECT_GT(static_cast<unsigned char>(text.back()), 0x20) << language << " " << id;
      }
      texts.push_back(text);
    }
    // The texts that take a level or a file name have exactly one place for it.
    for (const char* id : {IdExpandToLevel, IdChartNotEncoded, IdChartWrongExtension}) {
      const std::string pattern = list.Translate(id);
      EXPECT_NE(pattern.find("%s"), std::string::npos) << language << " " << id;
      EXPECT_EQ(std::count(pattern.begin(), pattern.end(), '%'), 1) << language << " " << id;
    }
    // The two questions and the two labels with line breaks have several lines.
    for (const char* id : {IdAskDelete, IdAskOverwrite, IdReportCountLabel, IdMaskSample})
      EXPECT_NE(list.Translate(id).find("\r\n"), std::string::npos) << language << " " << id;
    return texts;
  };
  const std::vector<std::string> english = textsOf("English");
  // Menu captions carry their access key.
  EXPECT_EQ(list.Translate(IdScanDrive), "Scan selected &drive");
  EXPECT_EQ(list.Translate(IdExpandToLevel), "To level &%s");
  EXPECT_EQ(list.Translate(IdReportCountLabel),
            "The quantity of greatest\\least\\old\\new \r\nfiles\\expansions in the list:");
  EXPECT_EQ(list.Translate(IdChartOtherNone), "To not place in section \"Other\"");
  const std::vector<std::string> german = textsOf("Deutsch");
  EXPECT_EQ(store.ReadString("Language"), "Deutsch");

  size_t same = 0;
  for (size_t i = 0; i < english.size(); ++i)
    if (english[i] == german[i]) ++same;
  EXPECT_LE(same * 10, english.size()) << same << " German texts equal the English ones";
}

}  // namespace
}  // namespace kv

namespace kv {
namespace {

// Beside the program first (a portable copy), then the installed data folder.
TEST(LanguageFolderTest, BesideTheProgramThenTheInstalledDataFolder) {
  const struct {
    std::string Program;
    TPathStyle Style;
    std::set<std::string> Folders;
    std::string Expected;
  } cases[] = {
      {"/usr/bin/", TPathStyle::Posix, {"/usr/share/kestrove/Language/"}, "/usr/bin/../share/kestrove/Language/"},
      {"/usr/bin/", TPathStyle::Posix, {"/usr/bin/Language/", "/usr/share/kestrove/Language/"}, "/usr/bin/Language/"},
      {"/opt/k/", TPathStyle::Posix, {}, "/opt/k/Language/"},
      {"C:\\Program Files\\Kestrove\\", TPathStyle::Windows, {"C:\\Program Files\\Kestrove\\Language\\"},
       "C:\\Program Files\\Kestrove\\Language\\"},
      {"C:\\k\\bin\\", TPathStyle::Windows, {"C:\\k\\share\\kestrove\\Language\\"},
       "C:\\k\\bin\\..\\share\\kestrove\\Language\\"},
  };
  for (const auto& c : cases) {
    // The fake file system resolves ".." the simple way a path with one level does.
    auto isFolder = [&c](const std::string& path) {
      std::string resolved = path;
      const std::string up = std::string(1, PathSeparator(c.Style)) + "..";
      if (const size_t at = resolved.find(up); at != std::string::npos) {
        const size_t parent = resolved.rfind(PathSeparator(c.Style), at - 1);
        resolved.erase(parent, at + up.size() - parent);
      }
      return c.Folders.count(resolved) > 0;
    };
    EXPECT_EQ(LanguageFolderOf(c.Program, c.Style, isFolder), c.Expected) << c.Program;
  }
}

}  // namespace
}  // namespace kv
