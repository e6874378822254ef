#include <dirent.h>
#include <fcntl.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/statvfs.h>
#ifdef __linux__
#include <sys/syscall.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>

#include "platform/posix/PosixPlatform.h"

namespace kv {

namespace {

constexpr int64_t UnixEpochInFileTimeSeconds = 11644473600LL;

bool StatName(int dirFd, const char* name, struct statx& st) {
  return statx(dirFd, name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
               STATX_TYPE | STATX_MODE | STATX_UID | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_CTIME |
                   STATX_BTIME | STATX_NLINK | STATX_INO | STATX_BLOCKS,
               &st) == 0;
}

// The entry's name is set already.
void EntryFromStatx(const struct statx& st, TDirEntry& entry) {
  const mode_t type = st.stx_mode & S_IFMT;
  uint32_t attr = 0;
  if (type == S_IFDIR) attr |= faDirectory;
  if (!(st.stx_mode & S_IWUSR)) attr |= faReadOnly;
  if (type != S_IFREG && type != S_IFDIR && type != S_IFLNK) attr |= faSysFile;
  if (entry.Name.size() > 0 && entry.Name[0] == '.') attr |= faHidden;
  entry.Attr = attr;
  entry.Size = type == S_IFDIR ? 0 : static_cast<int64_t>(st.stx_size);
  entry.CreationTime = CreationTimeOf(st);
  entry.LastAccessTime = FileTimeFromUnix(st.stx_atime.tv_sec, st.stx_atime.tv_nsec);
  entry.LastWriteTime = FileTimeFromUnix(st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec);
  entry.Owner = TPosixSecurity::SidOfUid(st.stx_uid);
  // The blocks the file system gives the file: less than its size for a
  // sparse file, as du counts them.
  entry.Allocated = type == S_IFDIR || !(st.stx_mask & STATX_BLOCKS) ? -1 : static_cast<int64_t>(st.stx_blocks) * 512;
  entry.Device = makedev(st.stx_dev_major, st.stx_dev_minor);
  entry.FileId = st.stx_ino;
  entry.Links = (st.stx_mask & STATX_NLINK) ? st.stx_nlink : 1;
}

bool StatEntry(int dirFd, const char* name, TDirEntry& entry) {
  struct statx st;
  if (!StatName(dirFd, name, st)) return false;
  EntryFromStatx(st, entry);
  return true;
}

// A scanner thread gets a working folder of its own and moves it to each
// folder it lists: a name relative to the working folder is looked up
// without the shared descriptor-table reference that a dirfd costs in a
// process with several threads, which is a tenth of a scan's time.
thread_local bool tOwnWorkingFolder = false;
thread_local int tWorkingFolderFd = -1;

// The device whose kernel-file-system question this thread answered last:
// the folders of a scan mostly share one, so the shared table is rarely asked.
thread_local bool tHaveDevice = false;
thread_local uint64_t tLastDevice = 0;
thread_local bool tLastDeviceKernel = false;

bool IsDotName(const char* name) { return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)); }

// What the listings of both kinds share: the entry of a listed name, asked
// relative to the thread's working folder where it has one.
class TPosixDirectoryEnum : public IDirectoryEnum {
 public:
  explicit TPosixDirectoryEnum(int fd) : Fd_(fd) {}
  ~TPosixDirectoryEnum() override {
    if (tWorkingFolderFd == Fd_) tWorkingFolderFd = -1;  // the number may be reused
  }
  TPosixDirectoryEnum(const TPosixDirectoryEnum&) = delete;
  TPosixDirectoryEnum& operator=(const TPosixDirectoryEnum&) = delete;

 protected:
  // False when the entry vanished between listing and stat: it is skipped.
  bool Fill(const char* name, TDirEntry& entry) {
    entry.Name.assign(name);  // keeps the string's capacity from entry to entry
    if (IsDotName(name)) {
      FillDot(entry);
      return true;
    }
    return StatEntry(BaseFd(), name, entry);
  }
  // "." and "..": never recorded, only counted.
  static void FillDot(TDirEntry& entry) {
    entry.Attr = faDirectory;
    entry.Size = 0;
    entry.Owner = TSid{};
  }

  int Fd_;

  int BaseFd() {
    if (!tOwnWorkingFolder) return Fd_;
    if (tWorkingFolderFd != Fd_) {
      if (fchdir(Fd_) != 0) return Fd_;
      tWorkingFolderFd = Fd_;
    }
    return AT_FDCWD;
  }
};

#ifdef __linux__

// The kernel's directory record as getdents64 fills it.
struct TKernelDirent {
  uint64_t Inode;
  int64_t Offset;
  unsigned short Length;
  unsigned char Type;
  char Name[1];  // as long as the record says, NUL-terminated
};

// Large enough that most folders come in one call.
constexpr size_t ListBufferSize = 256 * 1024;

// One spare listing buffer per thread: a scanner lists one folder after the
// other, so a folder takes the buffer its predecessor gave back.
thread_local std::unique_ptr<char[]> tSpareBuffer;

// Lists straight from the kernel into a large buffer: readdir's stream costs
// an fstat and two fcntl calls per folder on top, and reads in 32 KiB steps.
// The entries are stat'ed some at a time, before any is handed out: a system
// call leaves the processor's caches and address translations cold, so the
// caller's work on an entry costs less after a run of calls than between two.
class TGetdentsEnum final : public TPosixDirectoryEnum {
 public:
  explicit TGetdentsEnum(int fd)
      : TPosixDirectoryEnum(fd), Buffer_(tSpareBuffer ? std::move(tSpareBuffer) : std::make_unique_for_overwrite<char[]>(ListBufferSize)) {}
  ~TGetdentsEnum() override {
    close(Fd_);
    if (!tSpareBuffer) tSpareBuffer = std::move(Buffer_);
  }

  bool Next(TDirEntry& entry) override {
    if (Taken_ == Stated_ && !StatAhead()) return false;
    const TStated& next = Run_[Taken_++];
    entry.Name.assign(next.Name);
    if (IsDotName(next.Name))
      FillDot(entry);
    else
      EntryFromStatx(next.Stat, entry);
    return true;
  }

 private:
  struct TStated {
    const char* Name;  // in Buffer_, which is not read into again before every entry is taken
    struct statx Stat;
  };
  static constexpr int StatRun = 32;

  // Stats the next run of listed entries; false at the end of the listing.
  bool StatAhead() {
    Taken_ = Stated_ = 0;
    while (Stated_ < StatRun) {
      if (Pos_ >= End_) {
        if (Stated_ > 0 || Ended_) break;  // the buffer is read into again only when nothing points into it
        const long got = syscall(SYS_getdents64, Fd_, Buffer_.get(), ListBufferSize);
        if (got <= 0) {  // the end, or a failure, which ends a readdir listing too
          Ended_ = true;
          break;
        }
        Pos_ = 0;
        End_ = static_cast<size_t>(got);
      }
      const auto* record = reinterpret_cast<const TKernelDirent*>(Buffer_.get() + Pos_);
      Pos_ += record->Length;
      TStated& stated = Run_[Stated_];
      stated.Name = record->Name;
      // An entry that vanished between listing and stat is skipped.
      if (IsDotName(record->Name) || StatName(BaseFd(), record->Name, stated.Stat)) ++Stated_;
    }
    return Stated_ > 0;
  }

  std::unique_ptr<char[]> Buffer_;
  size_t Pos_ = 0, End_ = 0;
  bool Ended_ = false;
  TStated Run_[StatRun];
  int Taken_ = 0, Stated_ = 0;
};

std::unique_ptr<IDirectoryEnum> ListFolder(int fd, std::string*) { return std::make_unique<TGetdentsEnum>(fd); }

#else

class TReaddirEnum final : public TPosixDirectoryEnum {
 public:
  explicit TReaddirEnum(DIR* dir) : TPosixDirectoryEnum(dirfd(dir)), Dir_(dir) {}
  ~TReaddirEnum() override { closedir(Dir_); }

  bool Next(TDirEntry& entry) override {
    for (;;) {
      const dirent* d = readdir(Dir_);
      if (!d) return false;
      if (Fill(d->d_name, entry)) return true;
    }
  }

 private:
  DIR* Dir_;
};

std::unique_ptr<IDirectoryEnum> ListFolder(int fd, std::string* failure) {
  DIR* dir = fdopendir(fd);
  if (!dir) {
    if (failure) *failure = std::strerror(errno);
    close(fd);
    return nullptr;
  }
  return std::make_unique<TReaddirEnum>(dir);
}

#endif

// Undoes the octal escapes of /proc/self/mountinfo ("\040" for a blank).
std::string Unescape(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] >= '0' && text[i + 1] <= '3') {
      out.push_back(static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                      (text[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW;

// Opens a folder however long its path: a path the system refuses as too long
// is walked down in pieces below PATH_MAX, each piece opened relative to the
// folder above it, so any depth can be read.
int OpenFolder(const std::string& path) {
  if (path.size() < PATH_MAX) {
    const int fd = open(path.c_str(), FolderFlags);
    if (fd >= 0 || errno != ENAMETOOLONG) return fd;
  }
  int fd = AT_FDCWD;
  size_t pos = 0;
  while (pos < path.size()) {
    size_t end = path.size();
    if (end - pos >= PATH_MAX) {
      // Cut after the last separator that keeps the piece short enough.
      const size_t cut = path.rfind('/', pos + PATH_MAX - 2);
      if (cut == std::string::npos || cut < pos) {
        if (fd != AT_FDCWD) close(fd);
        errno = ENAMETOOLONG;
        return -1;
      }
      end = cut + 1;
    }
    const std::string piece = path.substr(pos, end - pos);
    const int next = openat(fd, piece.c_str(), FolderFlags);
    const int error = errno;
    if (fd != AT_FDCWD) close(fd);
    if (next < 0) {
      errno = error;
      return -1;
    }
    fd = next;
    pos = end;
  }
  return fd;
}

std::string WithSlash(std::string path) {
  if (path.empty() || path.back() != '/') path.push_back('/');
  return path;
}

}  // namespace

FileTime FileTimeFromUnix(int64_t seconds, uint32_t nanoseconds) {
  return (seconds + UnixEpochInFileTimeSeconds) * 10000000LL + nanoseconds / 100;
}

FileTime CreationTimeOf(const struct ::statx& st) {
  const bool born = (st.stx_mask & STATX_BTIME) && (st.stx_btime.tv_sec != 0 || st.stx_btime.tv_nsec != 0);
  const auto& time = born ? st.stx_btime : st.stx_ctime;
  return FileTimeFromUnix(time.tv_sec, time.tv_nsec);
}

void TPosixFileSystem::PrepareScanThread() {
  if (!tOwnWorkingFolder) tOwnWorkingFolder = unshare(CLONE_FS) == 0;
  // A new scan sees the mounts as they are now.
  tHaveDevice = false;
  std::lock_guard guard(DevicesLock_);
  KernelDevices_.clear();
}

bool TPosixFileSystem::IsKernelFsDevice(uint64_t device) {
  if (tHaveDevice && tLastDevice == device) return tLastDeviceKernel;
  bool kernel = false;
  {
    std::lock_guard guard(DevicesLock_);
    auto it = KernelDevices_.find(device);
    if (it != KernelDevices_.end()) {
      kernel = it->second;
    } else {
      for (const TMountPoint& mount : ReadMounts()) KernelDevices_[mount.Device] = IsKernelFsType(mount.FsType);
      // Not in the table either (a btrfs subvolume has a device of its own): read it.
      kernel = KernelDevices_.emplace(device, false).first->second;
    }
  }
  tHaveDevice = true;
  tLastDevice = device;
  tLastDeviceKernel = kernel;
  return kernel;
}

std::unique_ptr<IDirectoryEnum> TPosixFileSystem::OpenDirectory(const std::string& folderPath,
                                                                std::string* failure) {
  return Open(folderPath, nullptr, failure);
}

std::unique_ptr<IDirectoryEnum> TPosixFileSystem::OpenListedDirectory(const std::string& folderPath,
                                                                      const TDirEntry& listed,
                                                                      std::string* failure) {
  return Open(folderPath, &listed, failure);
}

std::unique_ptr<IDirectoryEnum> TPosixFileSystem::Open(const std::string& folderPath, const TDirEntry* listed,
                                                       std::string* failure) {
  const int fd = OpenFolder(folderPath);
  if (fd < 0) {
    if (failure) *failure = std::strerror(errno);
    return nullptr;
  }
  // Kernel file systems (proc, sysfs, devtmpfs, ...) are shown as folders,
  // never read. The type comes from the mount table: devtmpfs shares tmpfs's
  // magic number, and tmpfs holds real files. A folder its parent listed has
  // its device from that listing's statx, which looks past a mount point as
  // the open does.
  uint64_t device = 0;
  bool known = listed != nullptr;
  if (listed) {
    device = listed->Device;
  } else {
    struct stat st {};
    known = fstat(fd, &st) == 0;
    device = static_cast<uint64_t>(st.st_dev);
  }
  if (known && IsKernelFsDevice(device)) {
    close(fd);
    return nullptr;
  }
  return ListFolder(fd, failure);
}

bool TPosixFileSystem::QueryEntry(const std::string& path, TDirEntry& entry) {
  if (path.empty()) return false;
  TDirEntry found;
  const size_t slash = path.find_last_of('/');
  found.Name = (slash == std::string::npos) ? path : path.substr(slash + 1);
  if (found.Name.empty()) found.Name = path;  // "/"
  if (path.size() >= PATH_MAX && slash != std::string::npos && slash + 1 < path.size()) {
    // Too long to name at once: asked relative to its folder.
    const int fd = OpenFolder(path.substr(0, slash + 1));
    const bool ok = fd >= 0 && StatEntry(fd, found.Name.c_str(), found);
    if (fd >= 0) close(fd);
    if (!ok) return false;
  } else if (!StatEntry(AT_FDCWD, path.c_str(), found)) {
    return false;
  }
  entry = std::move(found);
  return true;
}

namespace {

// Civil date of a day count since 1970-01-01.
void CivilFromDays(int64_t days, TLocalTime& t) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  t.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  t.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  t.Year = static_cast<int>(yoe + era * 400 + (t.Month <= 2));
}

// The UTC offset in force at a moment. Offsets change only at quarter hours,
// so one system question serves every file time of the same quarter hour;
// the cache is dropped when the time zone is set anew (tzset).
long UtcOffsetAt(time_t seconds) {
  struct TSlot {
    int64_t Quarter = INT64_MIN;
    long Offset = 0;
  };
  thread_local TSlot slots[256];
  thread_local const char* zone[2] = {nullptr, nullptr};
  thread_local long zoneBias = 0;
  if (zone[0] != tzname[0] || zone[1] != tzname[1] || zoneBias != timezone) {
    for (TSlot& slot : slots) slot.Quarter = INT64_MIN;
    zone[0] = tzname[0];
    zone[1] = tzname[1];
    zoneBias = timezone;
  }
  const int64_t quarter = (seconds >= 0 ? seconds : seconds - 899) / 900;
  TSlot& slot = slots[static_cast<uint64_t>(quarter) % 256];
  if (slot.Quarter != quarter) {
    struct tm local {};
    localtime_r(&seconds, &local);
    slot.Quarter = quarter;
    slot.Offset = local.tm_gmtoff;
  }
  return slot.Offset;
}

}  // namespace

TLocalTime TPosixFileSystem::FileTimeToLocal(FileTime time) {
  int64_t units = time % 10000000LL;
  int64_t seconds = time / 10000000LL;
  if (units < 0) {
    units += 10000000LL;
    --seconds;
  }
  const int64_t unixSeconds = seconds - UnixEpochInFileTimeSeconds;
  const int64_t local = unixSeconds + UtcOffsetAt(static_cast<time_t>(unixSeconds));
  int64_t days = local / 86400, rest = local % 86400;
  if (rest < 0) {
    rest += 86400;
    --days;
  }
  // The files of a folder mostly share their day: the date is worked out once.
  thread_local int64_t lastDays = INT64_MIN;
  thread_local TLocalTime lastDate;
  if (days != lastDays) {
    CivilFromDays(days, lastDate);
    lastDays = days;
  }
  TLocalTime result = lastDate;
  result.Hour = static_cast<int>(rest / 3600);
  result.Minute = static_cast<int>(rest / 60 % 60);
  result.Second = static_cast<int>(rest % 60);
  result.Millisecond = static_cast<int>(units / 10000);
  return result;
}

bool TPosixFileSystem::DiskClusterSize(const std::string& root, int64_t& clusterSize) {
  struct statvfs vfs;
  if (root.empty() || statvfs(root.c_str(), &vfs) != 0) return false;
  clusterSize = static_cast<int64_t>(vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize);
  return clusterSize > 0;
}

bool TPosixFileSystem::DiskSpace(const std::string& root, int64_t& totalBytes, int64_t& freeBytes) {
  struct statvfs vfs;
  if (root.empty() || statvfs(root.c_str(), &vfs) != 0) return false;
  const auto unit = static_cast<int64_t>(vfs.f_frsize ? vfs.f_frsize : vfs.f_bsize);
  totalBytes = static_cast<int64_t>(vfs.f_blocks) * unit;
  freeBytes = static_cast<int64_t>(vfs.f_bfree) * unit;
  return true;
}

bool TPosixFileSystem::IsPseudoFsType(const std::string& type) {
  static const char* const pseudo[] = {
      "proc",      "sysfs",      "devtmpfs", "devpts",  "tmpfs",   "cgroup",     "cgroup2",
      "debugfs",   "tracefs",    "securityfs", "pstore", "bpf",    "configfs",   "fusectl",
      "mqueue",    "hugetlbfs",  "autofs",   "binfmt_misc", "nsfs", "rpc_pipefs", "efivarfs",
      "ramfs",     "squashfs",   "selinuxfs", "fuse.gvfsd-fuse", "fuse.portal"};
  return std::find(std::begin(pseudo), std::end(pseudo), type) != std::end(pseudo);
}

bool TPosixFileSystem::IsKernelFsType(const std::string& type) {
  static const char* const kernel[] = {
      "proc",     "sysfs",      "devtmpfs", "devpts",      "cgroup",   "cgroup2",    "debugfs",
      "tracefs",  "securityfs", "pstore",   "bpf",         "configfs", "fusectl",    "mqueue",
      "nsfs",     "binfmt_misc", "rpc_pipefs", "selinuxfs", "efivarfs"};
  return std::find(std::begin(kernel), std::end(kernel), type) != std::end(kernel);
}

bool TPosixFileSystem::IsNetworkFsType(const std::string& type) {
  static const char* const network[] = {"nfs",  "nfs4", "cifs", "smb3", "smbfs",
                                        "ncpfs", "afs", "9p",   "fuse.sshfs", "ceph", "glusterfs"};
  return std::find(std::begin(network), std::end(network), type) != std::end(network);
}

std::vector<TMountPoint> TPosixFileSystem::ParseMounts(std::string_view mountInfo) {
  std::vector<TMountPoint> mounts;
  std::istringstream in{std::string(mountInfo)};
  std::string line;
  while (std::getline(in, line)) {
    // id parent major:minor root mount-point options [optional...] - type source super
    std::istringstream fields(line);
    std::string id, parent, dev, root, mountPoint, field;
    fields >> id >> parent >> dev >> root >> mountPoint;
    while (fields >> field && field != "-") {
    }
    std::string type;
    fields >> type;
    if (mountPoint.empty()) continue;
    unsigned major = 0, minor = 0;
    char colon = 0;
    std::istringstream numbers(dev);
    numbers >> major >> colon >> minor;
    mounts.push_back({WithSlash(Unescape(mountPoint)), type, static_cast<uint64_t>(makedev(major, minor))});
  }
  if (mounts.empty()) mounts.push_back({"/", ""});
  return mounts;
}

std::vector<TMountPoint> TPosixFileSystem::ReadMounts() {
  std::ifstream in("/proc/self/mountinfo");
  std::ostringstream text;
  text << in.rdbuf();
  return ParseMounts(text.str());
}

std::vector<TDriveInfo> TPosixFileSystem::ListDrives() {
  std::vector<TDriveInfo> drives;
  for (const TMountPoint& mount : ReadMounts()) {
    if (IsPseudoFsType(mount.FsType) || IsNetworkFsType(mount.FsType)) continue;
    if (std::any_of(drives.begin(), drives.end(),
                    [&](const TDriveInfo& d) { return d.Root == mount.Root; }))
      continue;
    drives.push_back({mount.Root, TDriveType::Fixed});
  }
  std::sort(drives.begin(), drives.end(),
            [](const TDriveInfo& a, const TDriveInfo& b) { return a.Root < b.Root; });
  return drives;
}

std::string TPosixFileSystem::MountRootOf(const std::string& path) {
  std::lock_guard guard(MountsLock_);
  if (!MountsRead_) {
    Mounts_ = ReadMounts();
    MountsRead_ = true;
  }
  const std::string withSlash = WithSlash(path);
  std::string best = "/";
  for (const TMountPoint& mount : Mounts_)
    if (mount.Root.size() > best.size() && withSlash.compare(0, mount.Root.size(), mount.Root) == 0)
      best = mount.Root;
  return best;
}

}  // namespace kv
