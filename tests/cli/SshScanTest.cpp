// Scans over SSH against an sshd of the test's own on a free local port, with
// keys it generates: each far-side method gives the local scan's totals, and
// each failure its own message.
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <cstring>
#include <regex>
#include <sstream>
#include <thread>

#include "cli/Cli.h"
#include "fakes/TempFolder.h"
#include "fakes/TestFiles.h"
#include "model/FileServices.h"
#include "model/SizeTree.h"
#include "platform/ChildProcess.h"
#include "scan/SshScan.h"
#include "scan/SshScanJob.h"
#include "settings/SettingsStore.h"

namespace kv {
namespace {

namespace fs = std::filesystem;
using test::ReadAll;
using test::Utf8;

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    return 0;
  close(fd);
  return ntohs(address.sin_port);
}

class SshScan : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (geteuid() != 0 || !fs::exists("/usr/sbin/sshd")) return;  // sshd wants root for its privilege separation
    Dir = new fs::path(test::MakeTempFolder("kestrove-ssh"));
    const fs::path& d = *Dir;
    fs::create_directories("/run/sshd");
    fs::create_directories(d / "bin");
    fs::create_directories(d / "config");
    const std::string q = "'" + Utf8(d) + "'";
    if (std::system(("ssh-keygen -q -t ed25519 -N '' -f " + q + "/host && ssh-keygen -q -t ed25519 -N '' -f " + q +
                     "/id && ssh-keygen -q -t ed25519 -N '' -f " + q + "/stranger && cp " + q + "/id.pub " + q +
                     "/authorized_keys")
                        .c_str()) != 0)
      return;
    // The far side's kestrove-cli is this build's; its ncdu dies midway when told to.
    const fs::path cli = fs::canonical("/proc/self/exe").parent_path().parent_path() / "src" / "kestrove-cli";
    fs::create_symlink(cli, d / "bin" / "kestrove-cli");
    std::ofstream(d / "bin" / "ncdu") << "#!/bin/sh\nif [ -e " << q << "/die ]; then /usr/bin/ncdu \"$@\" | head -c 400; "
                                      << "exit 1; fi\nexec /usr/bin/ncdu \"$@\"\n";
    fs::permissions(d / "bin" / "ncdu", fs::perms::owner_all);
    // The far side has four cores and the load in the file "load" whatever
    // this machine has; its find notes each part it runs over, and writes
    // nothing for seconds when told to.
    std::ofstream(d / "bin" / "nproc") << "#!/bin/sh\necho 4\n";
    std::ofstream(d / "load") << "0.50 0.40 0.30 1/100 1000\n";
    std::ofstream(d / "bin" / "cat") << "#!/bin/sh\n[ \"$1\" = /proc/loadavg ] && exec /bin/cat " << q
                                     << "/load\nexec /bin/cat \"$@\"\n";
    std::ofstream(d / "bin" / "find") << "#!/bin/sh\nif [ \"$1\" = -files0-from ] && [ \"$2\" != /dev/null ]; then echo >>" << q
                                      << "/parts; [ -e " << q << "/slow ] && sleep 5; fi\n"
                                      << "exec /usr/bin/find \"$@\"\n";
    for (const char* tool : {"nproc", "find", "cat"}) fs::permissions(d / "bin" / tool, fs::perms::owner_all);
    fs::create_directories(d / "tmp");
    Port = FreePort();
    std::ofstream(d / "sshd_config") << "Port " << Port << "\nListenAddress 127.0.0.1\nHostKey " << Utf8(d / "host")
                                     << "\nPidFile " << Utf8(d / "sshd.pid") << "\nAuthorizedKeysFile "
                                     << Utf8(d / "authorized_keys")
                                     << "\nStrictModes no\nPasswordAuthentication no\nKbdInteractiveAuthentication no\n"
                                     << "UsePAM no\nPermitRootLogin prohibit-password\nLogLevel ERROR\nSetEnv PATH="
                                     << Utf8(d / "bin") << ":/usr/bin:/bin XDG_CONFIG_HOME=" << Utf8(d / "config")
                                     << " ASAN_OPTIONS=detect_leaks=0 TMPDIR=" << Utf8(d / "tmp")
                                     // The far side's shell reads no login files of the machine's user.
                                     << " HOME=" << Utf8(d) << "\n";
    const std::string user = getpwuid(geteuid())->pw_name;
    std::ofstream(d / "known_hosts") << "[127.0.0.1]:" << Port << " " << ReadAll(d / "host.pub");
    // "own": the known key on a connection of its own, as Stop needs: a master
    // connection would keep the session, and the far side, running.
    for (const char* key : {"id", "stranger", "own"})
      std::ofstream(d / (std::string(key) + ".config"))
          << "Host test-server\n  HostName 127.0.0.1\n  User " << user << "\n  IdentityFile "
          << Utf8(d / (key == std::string("stranger") ? "stranger" : "id"))
          << "\n  IdentitiesOnly yes\n  IdentityAgent none\n  UserKnownHostsFile " << Utf8(d / "known_hosts")
          << "\n  StrictHostKeyChecking yes\n"
          // One connection carries every session of the known key; the failure
          // cases (the other key, another port) connect afresh.
          << (key == std::string("id") ? "  ControlMaster no\n  ControlPath " + Utf8(d) + "/cm-%C\n" : "");
    std::string error;
    Sshd = TChildProcess::Start({"/usr/sbin/sshd", "-D", "-e", "-f", Utf8(d / "sshd_config")}, error).release();
    // Ready when the shared connection gets through.
    for (int i = 0; i < 100 && Sshd; ++i) {
      const std::string probe = "ssh -F " + q + "/id.config -p " + std::to_string(Port) + " -fNM test-server >/dev/null 2>&1";
      if (std::system(probe.c_str()) == 0) {
        Ready = true;
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
  }
  static void TearDownTestSuite() {
    if (Ready) {
      const std::string exit = "ssh -F '" + Utf8(*Dir) + "/id.config' -p " + std::to_string(Port) + " -O exit test-server";
      [[maybe_unused]] const int status = std::system((exit + " 2>/dev/null").c_str());
    }
    delete Sshd;  // killed and waited for
    Sshd = nullptr;
    // The master exits on its own time and unlinks its socket then: a removal
    // racing it finds the socket gone, so try again until the folder is.
    for (int i = 0; Dir && i < 50; ++i) {
      std::error_code ec;
      fs::remove_all(*Dir, ec);
      if (!fs::exists(*Dir, ec)) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    delete Dir;
    Dir = nullptr;
  }

  void SetUp() override {
    if (!Ready) GTEST_SKIP() << "no sshd could be started (needs root and openssh-server)";
    Tree = *Dir / "tree";
    fs::remove_all(Tree);
    fs::create_directories(Tree / "sub" / "deeper");
    for (const char* name : {"plain", "quote'and\"double", "new\nline", "raw\xff", "\xe6\x97\xa5"})
      std::ofstream(Tree / "sub" / name) << std::string(std::strlen(name) * 300, 'x');
    std::ofstream(Tree / "sub" / "deeper" / "big") << std::string(70000, 'y');
    fs::create_hard_link(Tree / "sub" / "deeper" / "big", Tree / "link");
    for (const char* name : {"top file", ".hidden", "..dots"}) std::ofstream(Tree / name) << name;
  }

  int Run(std::vector<std::string> args, const char* key = "id") {
    args.insert(args.end(), {"--ssh-config", Utf8(*Dir / (std::string(key) + ".config")), "--stats"});
    Out.str("");
    Err.str("");
    return RunCli(args, Out, Err, {CreateNativePlatform(), &Store, ""});
  }
  std::string Url(const std::string& path) { return "ssh://test-server:" + std::to_string(Port) + path; }
  std::string Totals() const { return std::regex_replace(Err.str(), std::regex(", seconds .*\n"), ""); }
  // The exported entries, one a line, in an order of their own.
  std::vector<std::string> Entries() const {
    std::vector<std::string> lines;
    std::istringstream in(Out.str());
    for (std::string line; std::getline(in, line);)
      if (line.rfind("[1,", 0) != 0) lines.push_back(line);
    std::sort(lines.begin(), lines.end());
    return lines;
  }
  static size_t PartsRun() {
    std::ifstream in(*Dir / "parts");
    return static_cast<size_t>(std::count(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>(), '\n'));
  }

  static fs::path* Dir;
  static int Port;
  static TChildProcess* Sshd;
  static bool Ready;
  fs::path Tree;
  TMemorySettingsStore Store;
  std::ostringstream Out, Err;
};
fs::path* SshScan::Dir = nullptr;
int SshScan::Port = 0;
TChildProcess* SshScan::Sshd = nullptr;
bool SshScan::Ready = false;

TEST_F(SshScan, EveryFarSideMethodGivesTheLocalTotals) {
  ASSERT_EQ(Run({"--scan", Utf8(Tree)}), CliOk) << Err.str();
  const std::string local = Totals();
  for (const char* method : {"kestrove", "ncdu", "find", "find1", "auto"}) {
    EXPECT_EQ(Run({"--scan", Url(Utf8(Tree)), "--ssh-method", method}), CliOk) << method << ": " << Err.str();
    EXPECT_EQ(Totals(), local) << method;
  }
}

// One find per idle core but one over parts of the top folder, or a single
// find: the same entries, dot names included.
TEST_F(SshScan, FindInPartsGivesTheEntriesOfOneFind) {
  struct TCase {
    const char* Method;
    const char* Load;
    size_t Parts;
  };
  const TCase cases[] = {{"find", "0.50", 3}, {"find1", "0.50", 0}, {"find", "2.90", 0}, {"find", "1.10", 2}};
  std::vector<std::vector<std::string>> entries;
  for (const TCase& c : cases) {
    std::ofstream(*Dir / "load") << c.Load << " 0.40 0.30 1/100 1000\n";
    const size_t before = PartsRun();
    ASSERT_EQ(Run({"--scan", Url(Utf8(Tree)), "--ssh-method", c.Method, "--export-ncdu", "-"}), CliOk) << Err.str();
    EXPECT_EQ(PartsRun() - before, c.Parts) << c.Method;
    entries.push_back(Entries());
  }
  for (size_t i = 1; i < entries.size(); ++i) EXPECT_EQ(entries[0], entries[i]) << cases[i].Load;
  std::ofstream(*Dir / "load") << "0.50 0.40 0.30 1/100 1000\n";
  for (const char* name : {"..dots", ".hidden", "top file", "deeper"})
    EXPECT_EQ(std::count_if(entries[0].begin(), entries[0].end(),
                            [&](const std::string& line) { return line.find("\"" + std::string(name) + "\"") != std::string::npos; }),
              1)
        << name;
}

class TDiscardingSink final : public INcduSink {
 public:
  std::string Folder(const TNcduEntry&) override { return {}; }
  std::string File(const TNcduEntry&) override { return {}; }
  void EndFolder() override {}
};

bool FarSideRuns(const std::string& text) {
  // Processes end while the list is read: an error there is no reason to throw.
  std::error_code ec;
  for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
    std::string line = ReadAll(it->path() / "cmdline");
    std::replace(line.begin(), line.end(), '\0', ' ');
    if (line.find(text) != std::string::npos) return true;
  }
  return false;
}

// Stop ends the ssh client; the far side notices and ends its finds.
TEST_F(SshScan, StopLeavesNoFindRunningOnTheServer) {
  const std::string temp = Utf8(*Dir / "tmp");
  std::ofstream(*Dir / "slow").close();
  TSshTarget target;
  std::string error;
  ASSERT_TRUE(ParseSshUrl(Url(Utf8(Tree)), target, error));
  TSshScan scan(target, TSshMethod::Find, Utf8(*Dir / "own.config"));
  std::thread run([&] {
    TDiscardingSink sink;
    error = scan.Run(sink);
  });
  bool seen = false;
  for (int i = 0; i < 200 && !seen; ++i) {
    seen = FarSideRuns(temp);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  scan.Stop();
  run.join();
  fs::remove(*Dir / "slow");
  EXPECT_TRUE(seen) << "the finds never started";
  EXPECT_NE(error.find("stopped"), std::string::npos) << error;
  // Each find would wait seconds more; tail notices the closed connection at once.
  bool left = true;
  for (int i = 0; i < 100 && left; ++i) {
    left = FarSideRuns(temp) || !fs::is_empty(temp);
    if (left) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_FALSE(left) << "a find or its files stayed on the server";
}

TEST_F(SshScan, FailuresSayWhatWentWrong) {
  struct TCase {
    std::string Url;
    const char* Key;
    const char* Message;
  };
  const TCase cases[] = {
      {"ssh://test-server:" + std::to_string(FreePort()) + Utf8(Tree), "id", "cannot reach test-server"},
      {Url(Utf8(Tree)), "stranger", "refused the key"},
      {Url(Utf8(Tree / "missing")), "id", "there is no folder"},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Run({"--scan", c.Url}, c.Key), CliError);
    EXPECT_NE(Err.str().find(c.Message), std::string::npos) << c.Message << ": " << Err.str();
  }
  // A far side that dies midway: what arrived stays, marked incomplete.
  std::ofstream(*Dir / "die").close();
  EXPECT_EQ(Run({"--scan", Url(Utf8(Tree)), "--ssh-method", "ncdu", "--export-ncdu", "-"}), CliError);
  fs::remove(*Dir / "die");
  EXPECT_NE(Err.str().find("ended early"), std::string::npos) << Err.str();
  EXPECT_NE(Out.str().find("\"name\":\"" + Utf8(Tree) + "\""), std::string::npos) << Out.str();
}

// The window's job: batches reach the tree on the queue's thread, and the
// totals are the command line's; a stopped job ends at once.
TEST_F(SshScan, TheWindowsJobStreamsIntoTheTreeAndStops) {
  ASSERT_EQ(Run({"--scan", Utf8(Tree)}), CliOk) << Err.str();
  const std::string local = Totals();
  const TPlatform platform = CreateNativePlatform();
  TFileServices services(platform, NativePathStyle());
  TSizeTree tree(services, *platform.Locale);
  TUiCallQueue queue;
  // The job reads the user's ssh configuration: point ssh at the test's own.
  setenv("KESTROVE_SSH_CONFIG", Utf8(*Dir / "id.config").c_str(), 1);
  TSshTarget target;
  std::string error = "none";
  ASSERT_TRUE(ParseSshUrl(Url(Utf8(Tree)), target, error));
  {
    TSshScanJob job(tree, queue, target, TSshMethod::Find, [&](const std::string& e) { error = e; });
    while (!job.Finished()) queue.WaitAndDrain(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(error, "");
  int64_t bytes = tree.FindFolderNode(Utf8(Tree))->Data()->TotalSize;
  EXPECT_NE(local.find("bytes " + std::to_string(bytes) + ","), std::string::npos) << local;
  TSizeTree stopped(services, *platform.Locale);
  {
    TSshScanJob job(stopped, queue, target, TSshMethod::Find, [&](const std::string&) { ADD_FAILURE(); });
    job.Stop();
  }
  queue.Drain();
  unsetenv("KESTROVE_SSH_CONFIG");
}

}  // namespace
}  // namespace kv
