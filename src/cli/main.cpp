#include <iostream>

#include "cli/Cli.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args = kv::ProgramArguments(argc, argv);
  // Reports bring their own CR LF and a treemap is PNG bytes.
  kv::SetBinaryStandardOutput();
  auto settings = kv::CreateUserSettingsStore();
  kv::TCliEnvironment environment{kv::CreateNativePlatform(), settings.get()};
  environment.LeaveTreeAtExit = true;
  return kv::RunCli(args, std::cout, std::cerr, environment);
}
