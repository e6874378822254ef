#include "app/ScanHistory.h"

#include <algorithm>
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
  std::error_code ec;
  std::filesystem::create_directories(FsPath(Folder_), ec);
  if (ec) return TFileResult::Failure("Cannot create the folder \"" + Folder_ + "\": " + ec.message());
  const std::string name = EncodeRoot(root) + Separator + time + Separator + std::to_string(std::max<int64_t>(0, total));
  const std::string base = Utf8(FsPath(Folder_) / FsPath(name));
  // The plain result file is written beside the entry, then compressed into it.
  const std::string plain = base + ".kvr.tmp";
  TFileResult result = WriteResultFile(tree, plain);
  if (result) result = WriteZstdFile(plain, base + std::string(Suffix));
  std::filesystem::remove(FsPath(plain), ec);
  if (!result) return result;

  std::vector<THistoryEntry> same = List(root);
  for (size_t i = static_cast<size_t>(std::max(keep, 1)); i < same.size(); ++i) Remove(same[i]);
  return result;
}

bool TScanHistory::Remove(const THistoryEntry& entry) const {
  std::error_code ec;
  return std::filesystem::remove(FsPath(entry.Path), ec) && !ec;
}

}  // namespace kv
