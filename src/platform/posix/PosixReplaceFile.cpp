#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "platform/ReplaceFile.h"

namespace kv {

namespace {

constexpr const char* TempMark = ".kvtmp";

// Named temporary files that a signal must not leave behind. A signal handler
// may only touch plain memory, so the names are kept in fixed slots.
struct TSlot {
  std::atomic<bool> Used{false};
  char Path[PATH_MAX];
};
std::array<TSlot, 8> gSlots;
struct sigaction gPrevious[3];
constexpr int CleanedSignals[3] = {SIGINT, SIGTERM, SIGHUP};

void RemoveTempsAndResignal(int signal) {
  for (TSlot& slot : gSlots)
    if (slot.Used.load()) unlink(slot.Path);
  for (size_t i = 0; i < 3; ++i)
    if (CleanedSignals[i] == signal) sigaction(signal, &gPrevious[i], nullptr);
  raise(signal);
}

void InstallSignalCleanup() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_handler = RemoveTempsAndResignal;
    sigemptyset(&action.sa_mask);
    for (size_t i = 0; i < 3; ++i) {
      sigaction(CleanedSignals[i], nullptr, &gPrevious[i]);
      // A signal the process ignores stays ignored.
      if (gPrevious[i].sa_handler != SIG_IGN) sigaction(CleanedSignals[i], &action, nullptr);
    }
  });
}

TSlot* Remember(const std::string& path) {
  if (path.size() >= PATH_MAX) return nullptr;
  InstallSignalCleanup();
  for (TSlot& slot : gSlots) {
    bool expected = false;
    if (slot.Used.load() || !slot.Used.compare_exchange_strong(expected, true)) continue;
    // Marked used before the name is complete: a handler then unlinks a
    // prefix at worst, which names no file of ours.
    std::memcpy(slot.Path, path.c_str(), path.size() + 1);
    return &slot;
  }
  return nullptr;
}

void Forget(const std::string& path) {
  for (TSlot& slot : gSlots)
    if (slot.Used.load() && path == slot.Path) slot.Used.store(false);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Temporary files of this target whose writer is gone (killed before it could
// clean up) are removed by the next write of the same target.
void RemoveStaleTemps(const std::string& target) {
  const std::string folder = FolderOf(target);
  const size_t slash = target.rfind('/');
  const std::string prefix = (slash == std::string::npos ? target : target.substr(slash + 1)) + TempMark;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
    if (pid <= 0 || !end || *end != '-') continue;
    if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) unlinkat(dirfd(dir), name.c_str(), 0);
  }
  closedir(dir);
}

// A link is followed to the file it names, however many links deep.
std::string Resolve(const std::string& path) {
  std::string current = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    char buffer[PATH_MAX];
    const ssize_t n = readlink(current.c_str(), buffer, sizeof buffer - 1);
    if (n <= 0) return current;
    const std::string link(buffer, static_cast<size_t>(n));
    current = link.front() == '/' ? link : FolderOf(current) + "/" + link;
  }
  return current;
}

bool UnnamedFilesWork() {
  static const bool work = access("/proc/self/fd", X_OK) == 0;
  return work;
}

}  // namespace

std::string BeginReplaceFile(const std::string& path, TReplaceFile& file) {
  file = TReplaceFile{};
  file.Target = Resolve(path);
  struct stat st;
  const bool exists = stat(file.Target.c_str(), &st) == 0;
  if (exists && !S_ISREG(st.st_mode)) {
    if (S_ISDIR(st.st_mode)) {
      errno = EISDIR;
      return {};
    }
    // A pipe or a device is written directly, but never waited on: a pipe
    // that nobody reads is refused.
    const int fd = open(file.Target.c_str(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return errno == ENXIO ? "it is a pipe that no program reads" : std::string();
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file.File = fdopen(fd, "wb");
    if (!file.File) close(fd);
    file.InPlace = true;
    return {};
  }
  if (exists) {
    // The new file must be one we may write, as the old one was.
    if (access(file.Target.c_str(), W_OK) != 0) return {};
    file.Mode = static_cast<int>(st.st_mode & 07777);
    file.OwnerUid = st.st_uid;
    file.OwnerGid = st.st_gid;
  }
  RemoveStaleTemps(file.Target);
  int fd = -1;
  if (UnnamedFilesWork()) {
    fd = open(FolderOf(file.Target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return {};
  }
  if (fd >= 0) {
    file.UnnamedFd = fd;
  } else {
    // No unnamed files here: a named one, removed on SIGINT, SIGTERM and SIGHUP.
    static std::atomic<unsigned> serial{0};
    file.TempPath = file.Target + TempMark + std::to_string(getpid()) + "-" + std::to_string(serial++);
    Remember(file.TempPath);
    fd = open(file.TempPath.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0) {
      Forget(file.TempPath);
      return {};
    }
  }
  if (file.Mode >= 0) {
    // The replaced file's permissions, and its owner where we may set it.
    fchmod(fd, static_cast<mode_t>(file.Mode));
    if (fchown(fd, static_cast<uid_t>(file.OwnerUid), static_cast<gid_t>(file.OwnerGid)) != 0) {
      // Another owner needs rights we lack: the file stays ours, with the mode kept.
    }
  }
  file.File = fdopen(fd, "wb");
  if (!file.File) {
    const int error = errno;
    close(fd);
    AbandonReplaceFile(file);
    errno = error;
  }
  return {};
}

bool CommitReplaceFile(TReplaceFile& file) {
  if (!file.File) return false;
  bool ok = std::fflush(file.File) == 0;
  int error = errno;
  if (ok && file.UnnamedFd >= 0) {
    // The unnamed file gets a name beside the target for the moment of the
    // rename; a writer killed just then leaves it to the next write's cleanup.
    static std::atomic<unsigned> serial{0};
    file.TempPath = file.Target + TempMark + std::to_string(getpid()) + "-u" + std::to_string(serial++);
    Remember(file.TempPath);
    const std::string fdPath = "/proc/self/fd/" + std::to_string(file.UnnamedFd);
    ok = linkat(AT_FDCWD, fdPath.c_str(), AT_FDCWD, file.TempPath.c_str(), AT_SYMLINK_FOLLOW) == 0;
    if (!ok) {
      error = errno;
      Forget(file.TempPath);
      file.TempPath.clear();
    }
  }
  // Closed before the rename, so a failed close leaves the target untouched.
  if (std::fclose(file.File) != 0 && ok) {
    error = errno;
    ok = false;
  }
  file.File = nullptr;
  if (ok && !file.InPlace && std::rename(file.TempPath.c_str(), file.Target.c_str()) != 0) {
    error = errno;
    ok = false;
  }
  if (!file.TempPath.empty()) {
    if (!ok) unlink(file.TempPath.c_str());
    Forget(file.TempPath);
    file.TempPath.clear();
  }
  errno = error;
  return ok;
}

void AbandonReplaceFile(TReplaceFile& file) {
  if (file.File) std::fclose(file.File);
  file.File = nullptr;
  if (!file.TempPath.empty()) {
    unlink(file.TempPath.c_str());
    Forget(file.TempPath);
    file.TempPath.clear();
  }
}

}  // namespace kv
