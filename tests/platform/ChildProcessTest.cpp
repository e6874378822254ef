// Programs started with their output piped (the ssh client of scans over SSH),
// here this build's own kestrove-cli: its arguments must arrive as given, also
// through the Windows command line, and its output, errors and status come back.
#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "fakes/TestFiles.h"
#include "platform/Platform.h"

namespace kv {
namespace {

std::string Cli() {
  std::filesystem::path tests = test::NativePath(ExecutableDirectory());
  if (!tests.has_filename()) tests = tests.parent_path();
#ifdef _WIN32
  return test::Utf8(tests.parent_path() / "src" / "kestrove-cli.exe");
#else
  return test::Utf8(tests.parent_path() / "src" / "kestrove-cli");
#endif
}

std::string ReadOutput(TChildProcess& child) {
  std::string text;
  char buffer[4096];
  while (size_t got = std::fread(buffer, 1, sizeof buffer, child.Output())) text.append(buffer, got);
  return text;
}

TEST(ChildProcess, ArgumentsArriveAsGivenAndOutputErrorsAndStatusComeBack) {
  if (!std::filesystem::exists(test::NativePath(Cli()))) GTEST_SKIP() << "kestrove-cli is not built beside the tests";
  struct TCase {
    std::string Argument;
    int Status;
    const char* InOutput;  // empty: nothing on standard output
  };
  const TCase cases[] = {
      {"--help", 0, "--ssh-method"},
      {"--x with spaces", 2, ""},
      {"--x \"quoted\" and \\\"escaped\\\"", 2, ""},
      {"--x trailing\\", 2, ""},
      {"--x trailing\\\\", 2, ""},
      {"--x \xc3\xa4\xe6\x97\xa5", 2, ""},
  };
  for (const TCase& c : cases) {
    std::string error;
    std::unique_ptr<TChildProcess> child = TChildProcess::Start({Cli(), c.Argument}, error);
    ASSERT_TRUE(child) << error;
    const std::string output = ReadOutput(*child);
    EXPECT_EQ(child->Wait(), c.Status) << c.Argument;
    if (*c.InOutput) {
      EXPECT_NE(output.find(c.InOutput), std::string::npos) << c.Argument;
    } else {
      EXPECT_EQ(output, "") << c.Argument;
      EXPECT_NE(child->ErrorText().find("unknown option '" + c.Argument + "'"), std::string::npos)
          << c.Argument << ": " << child->ErrorText();
    }
  }
}

TEST(ChildProcess, AProgramThatIsNotThereIsNotStarted) {
  std::string error;
  EXPECT_FALSE(TChildProcess::Start({"kestrove-no-such-program"}, error));
  EXPECT_EQ(error.rfind("cannot start kestrove-no-such-program: ", 0), 0u) << error;
  EXPECT_EQ(error.find("cannot start", 1), std::string::npos) << error;
}

}  // namespace
}  // namespace kv
