// Programs started with their output piped (the ssh client of scans over SSH),
// here this build's own kestrove-cli: its arguments must arrive as given, also
// through the Windows command line, and its output, errors and status come back.
#include "platform/ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

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

// Run only as the child of the next test: says it runs, then waits far longer
// than any test takes.
TEST(ChildProcessHelper, DISABLED_SaysItRunsThenWaits) {
  std::puts("child runs");
  std::fflush(stdout);
  std::this_thread::sleep_for(std::chrono::seconds(120));
}

// Stop of a scan over SSH: Kill ends a running program at once, its output
// ends, and the status is not success.
TEST(ChildProcess, KillEndsARunningProgram) {
  std::filesystem::path self = test::NativePath(ExecutableDirectory());
#ifdef _WIN32
  self /= "kestrove_tests.exe";
#else
  self /= "kestrove_tests";
#endif
  if (!std::filesystem::exists(self)) GTEST_SKIP() << "the tests run under another name";
  std::string error;
  std::unique_ptr<TChildProcess> child = TChildProcess::Start(
      {test::Utf8(self), "--gtest_also_run_disabled_tests", "--gtest_filter=ChildProcessHelper.*"}, error);
  ASSERT_TRUE(child) << error;
  std::string output;
  char line[256];
  while (output.find("child runs") == std::string::npos && std::fgets(line, sizeof line, child->Output())) output += line;
  ASSERT_NE(output.find("child runs"), std::string::npos) << output;
  child->Kill();
  EXPECT_EQ(ReadOutput(*child).find("PASSED"), std::string::npos);  // it did not wait its time out
  EXPECT_NE(child->Wait(), 0);
}

TEST(ChildProcess, AProgramThatIsNotThereIsNotStarted) {
  std::string error;
  EXPECT_FALSE(TChildProcess::Start({"kestrove-no-such-program"}, error));
  EXPECT_EQ(error.rfind("cannot start kestrove-no-such-program: ", 0), 0u) << error;
  EXPECT_EQ(error.find("cannot start", 1), std::string::npos) << error;
}

}  // namespace
}  // namespace kv
