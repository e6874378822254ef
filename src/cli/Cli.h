// kestrove-cli: the core without a window, for scripts, benchmarks and tests.
#pragma once

#include <iosfwd>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace kv {

// Exit statuses.
constexpr int CliOk = 0;
constexpr int CliError = 2;
// With --strict: a folder could not be read, everything else was done.
constexpr int CliUnreadFolders = 3;

// What a run works with; the program passes the user's own, tests their fakes.
struct TCliEnvironment {
  TCliEnvironment(TPlatform platform, ISettingsStore* settings, std::string languageFolder = {})
      : Platform(std::move(platform)), Settings(settings), LanguageFolder(std::move(languageFolder)) {}

  TPlatform Platform;
  ISettingsStore* Settings = nullptr;
  // With a trailing separator; empty: the Language folder beside the program.
  std::string LanguageFolder;
  // Set by the program, whose process ends with the run: the run's tree is
  // left to the system instead of being freed.
  bool LeaveTreeAtExit = false;
};

// Runs the command line (without the program name); reports asked for with
// "-" as their file go to out, messages to err.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const TCliEnvironment& environment);

}  // namespace kv
