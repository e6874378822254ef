#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "platform/posix/PosixPlatform.h"

namespace kv {

namespace {

bool UidOfSid(const TSid& sid, uint32_t& uid) {
  if (sid.Bytes.size() != sizeof(uid)) return false;
  std::memcpy(&uid, sid.Bytes.data(), sizeof(uid));
  return true;
}

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) != 0 || name[0] == 0) return "localhost";
  return name;
}

}  // namespace

TSid TPosixSecurity::SidOfUid(uint32_t uid) {
  TSid sid;
  sid.Bytes.assign(reinterpret_cast<const char*>(&uid), sizeof(uid));
  return sid;
}

bool TPosixSecurity::GetOwnerSid(const std::string& path, TSid& sid) {
  struct stat st;
  if (path.empty() || lstat(path.c_str(), &st) != 0) return false;
  sid = SidOfUid(st.st_uid);
  return true;
}

bool TPosixSecurity::SidToString(const TSid& sid, std::string& text) {
  uint32_t uid = 0;
  if (!UidOfSid(sid, uid)) return false;
  // The usual SID form of a Unix user.
  text = "S-1-22-1-" + std::to_string(uid);
  return true;
}

bool TPosixSecurity::AccountOfSid(const TSid& sid, std::string& user, std::string& domain) {
  uint32_t uid = 0;
  if (!UidOfSid(sid, uid)) return false;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  struct passwd entry;
  struct passwd* found = nullptr;
  while (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == ERANGE)
    buffer.resize(buffer.size() * 2);
  if (!found || !found->pw_name) return false;
  user = found->pw_name;
  static const std::string host = HostName();
  domain = host;
  return true;
}

}  // namespace kv
