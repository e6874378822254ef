#include "platform/ChildProcess.h"

namespace kv {

// Scans over SSH start the OpenSSH client on Linux only so far.
std::unique_ptr<TChildProcess> TChildProcess::Start(const std::vector<std::string>&, std::string& error) {
  error = "scans over SSH are not available on Windows yet";
  return nullptr;
}

}  // namespace kv
