#include "export/OutputFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "fakes/TempFolder.h"
#include "platform/Platform.h"

namespace kv {
namespace {

namespace fs = std::filesystem;

std::optional<std::string> Content(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), {});
}

size_t EntryCount(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

enum class TEnd { Complete, Failed, NeverClosed };

struct TCase {
  const char* Name;
  std::optional<std::string> Before;  // none: no file there yet
  TEnd End;
  std::optional<std::string> After;   // the file's content afterwards
};

class OutputFileReplaceTest : public ::testing::TestWithParam<TCase> {};

// Whatever happens, the folder holds the target (or nothing) and no leftover.
TEST_P(OutputFileReplaceTest, TargetChangesOnlyWhenTheWriteCompletes) {
  const TCase& c = GetParam();
  const fs::path dir = test::MakeTempFolder("kestrove-output");
  const fs::path target = dir / "report.txt";
  if (c.Before) std::ofstream(target, std::ios::binary) << *c.Before;
  {
    TOutputFile file;
    ASSERT_TRUE(file.Open(target.string()));
    file.Put("new content, longer than before");
    if (c.End == TEnd::Failed) file.Fail("No space left on device");
    if (c.End != TEnd::NeverClosed) {
      const TFileResult result = file.Close();
      EXPECT_EQ(static_cast<bool>(result), c.End == TEnd::Complete);
      if (c.End == TEnd::Failed) {
        EXPECT_EQ(result.Message, "Write error on \"" + target.string() + "\": No space left on device");
      }
    }
  }
  EXPECT_EQ(Content(target), c.After);
  EXPECT_EQ(EntryCount(dir), c.After ? 1u : 0u);
  fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(
    All, OutputFileReplaceTest,
    ::testing::Values(TCase{"ReplacesAGoodFile", "old", TEnd::Complete, "new content, longer than before"},
                      TCase{"CreatesANewFile", std::nullopt, TEnd::Complete, "new content, longer than before"},
                      TCase{"FailureKeepsTheOldFile", "old", TEnd::Failed, "old"},
                      TCase{"FailureCreatesNothing", std::nullopt, TEnd::Failed, std::nullopt},
                      TCase{"UnfinishedWriteKeepsTheOldFile", "old", TEnd::NeverClosed, "old"}),
    [](const ::testing::TestParamInfo<TCase>& param) { return std::string(param.param.Name); });

TEST(OutputFileTest, AFolderThatIsNotThereIsReportedWithTheTargetsName) {
  const fs::path dir = test::MakeTempFolder("kestrove-output");
  const fs::path target = dir / "missing" / "tree.csv";
  TOutputFile file;
  const TFileResult result = file.Open(target.string());
  EXPECT_FALSE(result);
  EXPECT_EQ(result.Message.rfind("Cannot create file \"" + target.string() + "\": ", 0), 0u) << result.Message;
  fs::remove_all(dir);
}

// One encoding per file: the ANSI code page when all of it fits there, else
// UTF-8 after a byte-order mark; the HTML head names the one chosen. POSIX
// files are UTF-8 as they are.
}  // namespace
}  // namespace kv

namespace kv {
namespace {

#ifdef _WIN32
const std::string Utf8Mark = "\xEF\xBB\xBF";
#else
const std::string Utf8Mark;
#endif

// Control bytes and bytes that are no UTF-8 would break a row of a text or
// HTML file: they are written as "?"; CSV quotes its fields and keeps them.
TEST(OutputFileTest, TextAndHtmlReplaceControlAndInvalidBytes) {
  const fs::path dir = test::MakeTempFolder("kestrove-output");
  struct Case {
    void (TOutputFile::*Put)(std::string_view);
    std::string In, Out;
  };
  const std::string odd = "a\nb\tc\x01" "d\xFF" "e\x7F" "f\xC3";
  for (const Case& c : {Case{&TOutputFile::PutText, odd, "a?b?c?d?e?f?"},
                        Case{&TOutputFile::PutHtml, odd + "<", "a?b?c?d?e?f?&lt;"},
                        // Not text the ANSI code page holds: UTF-8 after its mark there.
                        Case{&TOutputFile::PutCsvField, odd, Utf8Mark + "\"" + odd + "\""},
                        Case{&TOutputFile::PutText, "plain \"name\".txt", "plain \"name\".txt"}}) {
    const fs::path target = dir / "row.txt";
    TOutputFile file;
    ASSERT_TRUE(file.Open(target.string(), TOutputFile::TContent::Text));
    (file.*c.Put)(c.In);
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(Content(target), c.Out);
  }
  fs::remove_all(dir);
}

// One encoding per file: the ANSI code page when all of it fits there, else
// UTF-8 after a byte-order mark; the HTML head names the one chosen. POSIX
// files are UTF-8 as they are.
TEST(OutputFileTest, AFileIsWrittenInOneEncodingThatItsHeadNames) {
  const std::string charset = AnsiCodePageCharset();
  if (charset != "utf-8" && charset != "windows-1252") GTEST_SKIP() << "code page " << charset;
  const bool ansi = charset == "windows-1252";
  const fs::path dir = test::MakeTempFolder("kestrove-encoding");
  const std::string filler(3 << 20, 'x');  // past one block, so a character can be cut between two
  const std::string gruesse = "Gr\xC3\xBC\xC3\x9F" "e", sun = "\xE6\x97\xA5", ue = "\xC3\xBC";
  struct Case {
    std::string In, Out, Charset;
    bool Marked;  // UTF-8 after a byte-order mark where the code page is no UTF-8
  };
  for (const Case& c : {Case{"plain.txt", "plain.txt", "utf-8", false},
                        Case{gruesse, ansi ? "Gr\xFC\xDF" "e" : gruesse, charset, false},
                        Case{gruesse + sun, gruesse + sun, "utf-8", true},
                        Case{filler + ue + filler + sun, filler + ue + filler + sun, "utf-8", true},
                        Case{filler + ue, filler + (ansi ? "\xFC" : ue), charset, false}}) {
    const fs::path target = dir / "report.html";
    TOutputFile file;
    ASSERT_TRUE(file.Open(target.string(), TOutputFile::TContent::Text));
    file.Put("<meta charset=");
    file.PutCharset();
    file.Put(">");
    file.PutText(c.In);
    ASSERT_TRUE(file.Close());
    const std::string expected =
        std::string(c.Marked && ansi ? "\xEF\xBB\xBF" : "") + "<meta charset=" + c.Charset + ">" + c.Out;
    const std::optional<std::string> written = Content(target);
    ASSERT_TRUE(written);
    EXPECT_TRUE(*written == expected) << written->substr(0, 40) << " (" << written->size() << " bytes)";
    EXPECT_EQ(EntryCount(dir), 1u);
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace kv
