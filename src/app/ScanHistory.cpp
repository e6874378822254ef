#include "app/ScanHistory.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "export/ResultFile.h"
#include "export/ZstdFile.h"
#include "platform/PathStyle.h"

namespace kv {
namespace {

constexpr std::string_view Suffix = ".kvr.zst";
constexpr char Separator = '@';

std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const std::filesystem::path& p) {
  const std::u8string s = p.u8string();
  return std::string(s.begin(), s.end());
}

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// "<root>@<time>@<total>.kvr.zst"; false for any other name.
bool ParseName(const std::string& name, THistoryEntry& entry) {
  if (name.size() <= Suffix.size() || name.compare(name.size() - Suffix.size(), Suffix.size(), Suffix) != 0)
    return false;
  const std::string stem = name.substr(0, name.size() - Suffix.size());
  const size_t second = stem.rfind(Separator);
  if (second == std::string::npos || second == 0) return false;
  const size_t first = stem.rfind(Separator, second - 1);
  if (first == std::string::npos) return false;
  const std::string total = stem.substr(second + 1);
  if (total.empty() || total.size() > 19 || !std::all_of(total.begin(), total.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  entry.Root = TScanHistory::DecodeRoot(stem.substr(0, first));
  entry.Time = stem.substr(first + 1, second - first - 1);
  entry.Total = std::stoll(total);
  return !entry.Root.empty() && !entry.Time.empty();
}

}  // namespace

std::string DefaultHistoryFolder() {
  if (NativePathStyle() == TPathStyle::Windows) {
    const std::string local = Env("LOCALAPPDATA");
    return local.empty() ? std::string() : local + "\\Varnholt\\Kestrove\\History";
  }
  if (const std::string data = Env("XDG_DATA_HOME"); !data.empty() && data.front() == '/')
    return data + "/kestrove/history";
  const std::string home = Env("HOME");
  return home.empty() ? std::string() : home + "/.local/share/kestrove/history";
}

FileTime HistoryFileTime(const std::string& time) {
  if (time.size() < 15 || time[8] != 'T' || (time.size() > 15 && time[15] != '~')) return 0;
  // Where each field starts and how many digits it has: yyyyMMddTHHmmss.
  constexpr int Starts[6] = {0, 4, 6, 9, 11, 13};
  constexpr int Widths[6] = {4, 2, 2, 2, 2, 2};
  int fields[6] = {};
  for (int i = 0; i < 6; ++i) {
    for (int k = Starts[i]; k < Starts[i] + Widths[i]; ++k) {
      if (time[k] < '0' || time[k] > '9') return 0;
      fields[i] = fields[i] * 10 + (time[k] - '0');
    }
  }
  using namespace std::chrono;
  const year_month_day date{year(fields[0]), month(static_cast<unsigned>(fields[1])), day(static_cast<unsigned>(fields[2]))};
  if (!date.ok() || fields[3] > 23 || fields[4] > 59 || fields[5] > 60) return 0;
  const int64_t unixSeconds = sys_days(date).time_since_epoch().count() * int64_t{86400} + fields[3] * 3600 +
                              fields[4] * 60 + fields[5];
  // File times count 100 ns steps from 1601-01-01.
  constexpr int64_t SecondsFrom1601To1970 = 11644473600;
  return (unixSeconds + SecondsFrom1601To1970) * 10000000;
}

std::string TScanHistory::EncodeRoot(const std::string& root) {
  static const char Hex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : root) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '.' || b == '-' ||
        b == '_') {
      out += c;
    } else {
      out += '%';
      out += Hex[b >> 4];
      out += Hex[b & 15];
    }
  }
  return out;
}

std::string TScanHistory::DecodeRoot(const std::string& text) {
  auto digit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  };
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size() || digit(text[i + 1]) < 0 || digit(text[i + 2]) < 0) return {};
    out += static_cast<char>(digit(text[i + 1]) * 16 + digit(text[i + 2]));
    i += 2;
  }
  return out;
}

std::vector<THistoryEntry> TScanHistory::List(const std::string& root) const {
  std::vector<THistoryEntry> entries;
  std::error_code ec;
  for (const auto& item : std::filesystem::directory_iterator(FsPath(Folder_), ec)) {
    THistoryEntry entry;
    if (!item.is_regular_file(ec) || !ParseName(Utf8(item.path().filename()), entry)) continue;
    if (!root.empty() && entry.Root != root) continue;
    entry.Path = Utf8(item.path());
    const auto size = item.file_size(ec);
    entry.OnDisk = ec ? 0 : static_cast<int64_t>(size);
    entries.push_back(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(), [](const THistoryEntry& a, const THistoryEntry& b) {
    return a.Time != b.Time ? a.Time > b.Time : a.Root < b.Root;
  });
  return entries;
}

TFileResult TScanHistory::Add(const TSizeTree& tree, const std::string& root, int64_t total, const std::string& time,
                              int keep) {
  TPendingEntry pending;
  const TFileResult begun = Begin(tree, root, total, time, keep, pending);
  return begun ? Finish(pending) : begun;
}

std::string TScanHistory::UnusedTime(const std::string& root, const std::string& time) const {
  // Scans of one root ending in one second: "~002", "~003"... keep the names
  // apart and in the order they were taken. Entries still being compressed
  // count too.
  const std::string prefix = EncodeRoot(root) + Separator + time;
  int last = 0;
  std::error_code ec;
  for (const auto& item : std::filesystem::directory_iterator(FsPath(Folder_), ec)) {
    const std::string name = Utf8(item.path().filename());
    if (!item.is_regular_file(ec) || name.compare(0, prefix.size(), prefix) != 0 || name.size() <= prefix.size()) continue;
    if (name[prefix.size()] == Separator) {
      last = std::max(last, 1);
    } else if (name[prefix.size()] == '~' && name.size() > prefix.size() + 4) {
      const std::string count = name.substr(prefix.size() + 1, 3);
      if (std::all_of(count.begin(), count.end(), [](char c) { return c >= '0' && c <= '9'; }))
        last = std::max(last, std::stoi(count));
    }
  }
  if (last == 0) return time;
  char suffix[8];
  std::snprintf(suffix, sizeof suffix, "~%03d", std::min(last + 1, 999));
  return time + suffix;
}

TFileResult TScanHistory::Begin(const TSizeTree& tree, const std::string& root, int64_t total,
                                const std::string& time, int keep, TPendingEntry& pending) {
  std::error_code ec;
  std::filesystem::create_directories(FsPath(Folder_), ec);
  if (ec) return TFileResult::Failure("Cannot create the folder \"" + Folder_ + "\": " + ec.message());
  const std::string name =
      EncodeRoot(root) + Separator + UnusedTime(root, time) + Separator + std::to_string(std::max<int64_t>(0, total));
  const std::string base = Utf8(FsPath(Folder_) / FsPath(name));
  pending = {root, base + ".kvr.tmp", base + std::string(Suffix), keep};
  // Without compression the entry would fail at the end: the tree is not written out for nothing.
  if (!ZstdAvailable()) return WriteZstdFile(pending.Plain, pending.Target);
  TFileResult result = WriteResultFile(tree, pending.Plain);
  if (!result) std::filesystem::remove(FsPath(pending.Plain), ec);
  return result;
}

TFileResult TScanHistory::Finish(const TPendingEntry& pending) const {
  const TFileResult result = WriteZstdFile(pending.Plain, pending.Target);
  std::error_code ec;
  std::filesystem::remove(FsPath(pending.Plain), ec);
  if (!result) return result;
  std::vector<THistoryEntry> same = List(pending.Root);
  for (size_t i = static_cast<size_t>(std::max(pending.Keep, 1)); i < same.size(); ++i) Remove(same[i]);
  return result;
}

bool TScanHistory::EntryOf(const std::string& path, THistoryEntry& entry) const {
  const std::filesystem::path file = FsPath(path);
  if (Folder_.empty() || file.parent_path() != FsPath(Folder_) || !ParseName(Utf8(file.filename()), entry))
    return false;
  entry.Path = path;
  return true;
}

bool TScanHistory::Remove(const THistoryEntry& entry) const {
  std::error_code ec;
  return std::filesystem::remove(FsPath(entry.Path), ec) && !ec;
}

}  // namespace kv
