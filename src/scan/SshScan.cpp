#include "scan/SshScan.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#include "platform/ChildProcess.h"
#include "platform/CompressedInput.h"
#include "model/SizeTree.h"
#include "scan/NcduTree.h"

namespace kv {

namespace {

// The far side's own exit codes for a missing folder and a missing method.
constexpr int NoSuchFolder = 97;
constexpr int NoMethod = 98;
// A JSON stream of a server scan is not limited beyond what the tree holds.
constexpr uint64_t StreamLimit = uint64_t{1} << 50;

std::string ShellQuote(std::string_view text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

const char* MethodName(TSshMethod method) {
  switch (method) {
    case TSshMethod::Kestrove: return "kestrove";
    case TSshMethod::Ncdu: return "ncdu";
    case TSshMethod::Find: return "find";
    case TSshMethod::FindOne: return "find1";
    case TSshMethod::Auto: break;
  }
  return "auto";
}

// find's record: the fields, then the name. %f rather than %P: a part's
// starting point has an empty %P.
constexpr const char* FindFormat = "'%y %m %s %b %D %i %n %U %T@ %d\\0%f\\0'";

// The parallel find (marker P): the top folder's entries are dealt round-robin
// to one find per idle core, each writing its own file; the files are copied to
// standard output one after another, each followed while its find runs, so
// records never mix. GNU tail ends as soon as the connection is gone (Stop),
// even while it has nothing to copy, and the script then ends the finds. A
// find ended by a signal may have cut its last record, so nothing follows it.
// Parts go only to idle cores, one kept for sshd and the stream: on a busy or
// small server the finds would compete with each other and with the copying,
// and one find is faster there. Without idle cores, nproc, GNU tail,
// find -files0-from or mktemp it is one find (marker F).
std::string ParallelFind() {
  std::string s = "f=" + std::string(FindFormat) + "; ";
  s += "n=$(nproc 2>/dev/null) || n=1; l=$(cat /proc/loadavg 2>/dev/null) || l=0; l=${l%%.*}; "
       "case \"$n.$l\" in *[!0-9.]*|.*|*.) n=1;; *) n=$((n - l - 1));; esac; ";
  s += "if [ $m != find1 ] && [ \"$n\" -gt 1 ] && [ -r \"$p\" ] && [ -x \"$p\" ] && "
       "find -files0-from /dev/null -prune 2>/dev/null && tail --pid=$$ -c 0 /dev/null 2>/dev/null && "
       "d=$(mktemp -d 2>/dev/null); then ";
  s += "j=; trap 'kill $j 2>/dev/null; rm -rf \"$d\"' EXIT; trap 'exit 1' HUP INT TERM PIPE; ";
  s += "[ \"$n\" -gt 8 ] && n=8; i=0; ";
  s += "for c in \"${p%/}\"/* \"${p%/}\"/.[!.]* \"${p%/}\"/..?*; do { [ -e \"$c\" ] || [ -L \"$c\" ]; } || continue; "
       "printf '%s\\0' \"$c\" >>\"$d/l$((i % n))\"; i=$((i + 1)); done; ";
  s += "printf P; find \"$p\" -maxdepth 0 -printf \"$f\" || exit; ";
  s += "k=0; while [ $k -lt $n ] && [ $k -lt $i ]; do : >\"$d/o$k\"; "
       "find -files0-from \"$d/l$k\" -printf \"$f\" >>\"$d/o$k\" & j=\"$j $!\"; k=$((k + 1)); done; ";
  s += "s=0; k=0; for q in $j; do tail -s 0.05 --pid=$q -c +1 -f \"$d/o$k\" || exit; "
       "wait $q || { r=$?; [ $r -gt 128 ] && exit $r; [ $s -eq 0 ] && s=$r; }; k=$((k + 1)); done; exit $s; fi; ";
  return s;
}

// Runs under the far side's login shell: a POSIX shell on every Linux server.
std::string RemoteCommand(const std::string& path, TSshMethod method) {
  const std::string m = MethodName(method);
  std::string s = "p=" + ShellQuote(path) + "; m=" + m + "; ";
  s += "[ -d \"$p\" ] || { echo \"no such folder: $p\" >&2; exit " + std::to_string(NoSuchFolder) + "; }; ";
  s += "case $m in auto|kestrove) if command -v kestrove-cli >/dev/null 2>&1; then printf K; "
       "exec kestrove-cli --scan \"$p\" --export-ncdu -; fi;; esac; ";
  s += "case $m in auto|ncdu) if command -v ncdu >/dev/null 2>&1; then printf N; exec ncdu -0 -o- \"$p\"; fi;; esac; ";
  s += "case $m in auto|find|find1) " + ParallelFind() + "printf F; exec find \"$p\" -printf " + FindFormat + ";; esac; ";
  s += "echo \"$m is not installed\" >&2; exit " + std::to_string(NoMethod);
  return s;
}

std::string LastLine(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  const size_t at = text.rfind('\n');
  return at == std::string::npos ? text : text.substr(at + 1);
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

bool IsSshUrl(std::string_view text) { return text.rfind("ssh://", 0) == 0; }

bool ParseSshUrl(std::string_view url, TSshTarget& target, std::string& error) {
  target = {};
  if (!IsSshUrl(url)) {
    error = "not an ssh:// address";
    return false;
  }
  std::string_view rest = url.substr(6);
  const size_t slash = rest.find('/');
  if (slash == std::string_view::npos || slash + 1 >= rest.size() + 1) {
    error = "the address names no path on the server (ssh://host/path)";
    return false;
  }
  std::string_view authority = rest.substr(0, slash);
  target.Path = std::string(rest.substr(slash));
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
    target.User = std::string(authority.substr(0, at));
    authority = authority.substr(at + 1);
  }
  if (const size_t colon = authority.rfind(':'); colon != std::string_view::npos && authority.find(']') == std::string_view::npos) {
    const std::string_view port = authority.substr(colon + 1);
    int value = 0;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (ec != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535) {
      error = "the port in the address is not a number from 1 to 65535";
      return false;
    }
    target.Port = value;
    authority = authority.substr(0, colon);
  }
  if (authority.size() > 2 && authority.front() == '[' && authority.back() == ']') authority = authority.substr(1, authority.size() - 2);
  target.Host = std::string(authority);
  if (target.Host.empty() || target.Host[0] == '-' || (!target.User.empty() && target.User[0] == '-')) {
    error = "the address names no host";
    return false;
  }
  if (target.Path.size() > 1 && target.Path.back() == '/') target.Path.pop_back();
  return true;
}

bool ParseSshMethod(std::string_view text, TSshMethod& method) {
  for (const TSshMethod m : {TSshMethod::Auto, TSshMethod::Kestrove, TSshMethod::Ncdu, TSshMethod::Find, TSshMethod::FindOne})
    if (text == MethodName(m)) {
      method = m;
      return true;
    }
  return false;
}

std::vector<std::string> SshCommandLine(const TSshTarget& target, TSshMethod method, const std::string& configFile) {
  std::vector<std::string> argv{"ssh", "-o", "BatchMode=yes", "-o", "ConnectTimeout=10", "-T"};
  if (!configFile.empty()) argv.insert(argv.end(), {"-F", configFile});
  if (target.Port > 0) argv.insert(argv.end(), {"-p", std::to_string(target.Port)});
  if (!target.User.empty()) argv.insert(argv.end(), {"-l", target.User});
  argv.insert(argv.end(), {"--", target.Host, RemoteCommand(target.Path, method)});
  return argv;
}

std::string ParseFindRecords(IByteSource& source, INcduSink& sink, const std::string& root, bool partsBelowTop) {
  std::string buffer(size_t{1} << 16, '\0');
  std::string record;
  std::vector<std::string> fields;  // the fields line and the path
  size_t open = 0;                  // folders open in the sink
  bool top = false;                 // the top folder's record has come
  uint64_t offset = 0;
  TNcduEntry entry;
  auto handle = [&]() -> std::string {
    const std::string& meta = fields[0];
    const std::string& path = fields[1];
    char type = 0;
    unsigned long long mode = 0, size = 0, blocks = 0, dev = 0, ino = 0, links = 0, uid = 0, depth = 0;
    double mtime = 0;
    if (std::sscanf(meta.c_str(), "%c %llo %llu %llu %llu %llu %llu %llu %lf %llu", &type, &mode, &size, &blocks, &dev,
                    &ino, &links, &uid, &mtime, &depth) != 10)
      return "a record find wrote cannot be read";
    if (partsBelowTop && top) ++depth;  // a part's depths count from the top folder's entries
    top = true;
    if (depth > open || (depth == 0 && open > 0) || (depth == 0 && type != 'd')) return "find's records are out of order";
    while (open > depth) {
      sink.EndFolder();
      --open;
    }
    entry.Clear();
    const size_t slash = path.rfind('/');
    entry.Name = depth == 0 ? root : path.substr(slash == std::string::npos ? 0 : slash + 1);
    entry.ASize = static_cast<int64_t>(size & 0x7FFFFFFFFFFFFFFFull);
    entry.DSize = static_cast<int64_t>((blocks * 512) & 0x7FFFFFFFFFFFFFFFull);
    entry.Dev = dev;
    entry.HasDev = true;
    entry.Ino = ino;
    entry.HasIno = true;
    entry.NLink = links;
    entry.HardLink = type != 'd' && links > 1;
    entry.Uid = uid;
    entry.HasUid = true;
    if (mtime >= 0 && mtime < 1e12) {
      entry.Mtime = static_cast<uint64_t>(mtime);
      entry.HasMtime = true;
    }
    static constexpr struct {
      char Type;
      uint64_t Bits;
    } Types[] = {{'f', 0100000}, {'d', 0040000}, {'l', 0120000}, {'p', 0010000}, {'s', 0140000}, {'c', 0020000}, {'b', 0060000}};
    for (const auto& t : Types)
      if (t.Type == type) {
        entry.Mode = t.Bits | (mode & 07777);
        entry.HasMode = true;
      }
    entry.NotRegular = type != 'f' && type != 'd';
    if (type == 'd') {
      if (std::string refused = sink.Folder(entry); !refused.empty()) return refused;
      ++open;
      return {};
    }
    return sink.File(entry);
  };
  for (;;) {
    const size_t got = source.Read(buffer.data(), buffer.size());
    if (got == 0) break;
    size_t start = 0;
    for (size_t i = 0; i < got; ++i) {
      if (buffer[i] != '\0') continue;
      record.append(buffer, start, i - start);
      start = i + 1;
      if (record.size() > NcduMaxString) return "a record longer than " + std::to_string(NcduMaxString) + " bytes at byte " + std::to_string(offset + i);
      fields.push_back(std::move(record));
      record.clear();
      if (fields.size() == 2) {
        if (std::string error = handle(); !error.empty()) return error + " at byte " + std::to_string(offset + i);
        fields.clear();
      }
    }
    record.append(buffer, start, got - start);
    if (record.size() > NcduMaxString) return "a record longer than " + std::to_string(NcduMaxString) + " bytes";
    offset += got;
  }
  if (!source.Error().empty()) return source.Error();
  if (!record.empty() || !fields.empty()) return "find's output ends inside a record";
  if (open == 0) return "find wrote nothing";
  while (open-- > 0) sink.EndFolder();
  return {};
}

TSshScan::TSshScan(TSshTarget target, TSshMethod method, std::string configFile)
    : Target_(std::move(target)), Method_(method), ConfigFile_(std::move(configFile)) {}

TSshScan::~TSshScan() = default;

void TSshScan::Stop() {
  Stopped_ = true;
  std::lock_guard lock(Lock_);
  if (Process_) Process_->Kill();
}

std::string TSshScan::Run(INcduSink& sink) {
  std::string error;
  std::unique_ptr<TChildProcess> process = TChildProcess::Start(SshCommandLine(Target_, Method_, ConfigFile_), error);
  if (!process) return error;
  {
    std::lock_guard lock(Lock_);
    Process_ = process.get();
    if (Stopped_) process->Kill();
  }
  std::string streamError;
  const int marker = std::fgetc(process->Output());
  const bool known = marker == 'K' || marker == 'N' || marker == 'F' || marker == 'P';
  if (known) {
    TCompressedInput input(process->Output(), false, StreamLimit);
    streamError = marker == 'F' || marker == 'P' ? ParseFindRecords(input, sink, Target_.Path, marker == 'P')
                                                 : ParseNcduJson(input, sink);
  }
  if (!streamError.empty()) process->Kill();  // a far side that writes nonsense is not waited for
  const int status = process->Wait();
  const std::string errors = process->ErrorText();
  {
    std::lock_guard lock(Lock_);
    Process_ = nullptr;
  }
  const std::string where = Target_.Host + ":" + Target_.Path;
  if (Stopped_) return "the scan of " + where + " was stopped; what arrived is kept, marked incomplete";
  if (marker == EOF) {
    if (status == 255) {
      if (Contains(errors, "Permission denied") || Contains(errors, "Too many authentication failures"))
        return "the server " + Target_.Host + " refused the key: " + LastLine(errors);
      if (Contains(errors, "Host key verification failed") || Contains(errors, "REMOTE HOST IDENTIFICATION"))
        return "the host key of " + Target_.Host + " is not known or has changed: " + LastLine(errors);
      return "cannot reach " + Target_.Host + ": " + LastLine(errors);
    }
    if (status == NoSuchFolder) return "there is no folder " + Target_.Path + " on " + Target_.Host;
    if (status == NoMethod) return "cannot scan on " + Target_.Host + ": " + LastLine(errors);
    return "the server " + Target_.Host + " sent nothing (exit status " + std::to_string(status) + "): " + LastLine(errors);
  }
  if (!known)
    return "the server " + Target_.Host + " answered with something other than a scan";
  if (!streamError.empty() || status != 0) {
    std::string why = !streamError.empty() ? streamError : "exit status " + std::to_string(status);
    if (status == 255 || status < 0) why = "the connection ended (" + (errors.empty() ? why : LastLine(errors)) + ")";
    return "the scan of " + where + " ended early: " + why + "; what arrived is kept, marked incomplete";
  }
  return {};
}

std::string RunSshScan(TSizeTree& tree, const std::string& url, TSshMethod method, const std::string& configFile) {
  TSshTarget target;
  std::string error;
  if (!ParseSshUrl(url, target, error)) return "'" + url + "': " + error;
  TSshScan scan(target, method, configFile);
  tree.BeginUpdate();
  {
    TNcduTreeBuilder builder(tree);
    error = scan.Run(builder);
    builder.Finish();
  }
  tree.EndUpdate();
  return error;
}

}  // namespace kv
