// Scans over SSH: the system's OpenSSH client (batch mode, the user's keys,
// agent and ~/.ssh/config) runs on the far side the first of kestrove-cli,
// ncdu, or GNU find, and what it writes streams into the tree.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "scan/NcduJson.h"

namespace kv {

class TChildProcess;
class TSizeTree;

// ssh://[user@]host[:port]/path
struct TSshTarget {
  std::string User;
  std::string Host;
  int Port = 0;  // 0: ssh's own choice
  std::string Path;
};
bool IsSshUrl(std::string_view text);
// False with the reason when the text is no such address.
bool ParseSshUrl(std::string_view url, TSshTarget& target, std::string& error);

// Find runs one find per idle core of the server where it can; FindOne just one.
enum class TSshMethod { Auto, Kestrove, Ncdu, Find, FindOne };
bool ParseSshMethod(std::string_view text, TSshMethod& method);

// The ssh command line; configFile (ssh -F) may be empty.
std::vector<std::string> SshCommandLine(const TSshTarget& target, TSshMethod method, const std::string& configFile);

// GNU find's records ("%y %m %s %b %D %i %n %U %T@ %d\0%f\0", pre-order) as
// entries of the folder root. With partsBelowTop, the top folder's record
// comes first and then finds over its entries, whose depths count from 0.
std::string ParseFindRecords(IByteSource& source, INcduSink& sink, const std::string& root, bool partsBelowTop = false);

// A stream of ncdu entries run on the calling thread into the sink. Stop may
// come from another thread.
class INcduStream {
 public:
  virtual ~INcduStream() = default;
  // Empty when everything arrived; else what went wrong, in one line.
  virtual std::string Run(INcduSink& sink) = 0;
  virtual void Stop() = 0;
};

// One scan over SSH; Stop ends the ssh process.
class TSshScan final : public INcduStream {
 public:
  TSshScan(TSshTarget target, TSshMethod method, std::string configFile);
  ~TSshScan() override;
  std::string Run(INcduSink& sink) override;
  void Stop() override;

 private:
  TSshTarget Target_;
  TSshMethod Method_;
  std::string ConfigFile_;
  std::mutex Lock_;
  TChildProcess* Process_ = nullptr;
  std::atomic<bool> Stopped_{false};
};

// A whole scan into the tree (the command line). The SSH config file, when
// not empty, replaces ~/.ssh/config.
std::string RunSshScan(TSizeTree& tree, const std::string& url, TSshMethod method, const std::string& configFile);

}  // namespace kv
