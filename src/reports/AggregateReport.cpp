#include "reports/AggregateReport.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <unordered_map>

#include "reports/ListingReport.h"
#include "model/Saturate.h"
#include "model/SizeTree.h"
#include "settings/Language.h"
#include "settings/TextIds.h"

namespace kv {
namespace {

constexpr std::array<std::string_view, SizeRangeCount - 2> MiddleLabels{
    "1K-16K", "16K-32K", "32K-64K", "64K-128K", "128K-256K", "256K-512K", "512K-1M",   "1M-2M",  "2M-4M",
    "4M-8M",  "8M-16M",  "16M-32M", "32M-64M",  "64M-128M",  "128M-256M", "256M-512M", "512M-1G"};

std::string Text(const TTranslate &translate, std::string_view id) {
  return translate ? translate(id) : std::string(id);
}

// The extension as spelled in the name (from the last dot), without copying.
std::string_view RawExtension(std::string_view name) {
  const size_t dot = name.rfind('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot);
}

struct TViewHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

// Files are first grouped by something cheap that never merges two different
// keys (the exact spelling, the interned owner, the class number); the groups,
// in the order first met, then go through the case-insensitive key table.
struct TGroup {
  int64_t Size = 0;
  int64_t Count = 0;
  const TFileNodeData *First = nullptr;
  int Class = 0;
};

class TGrouper {
 public:
  TGrouper(TAggregateKey key, int32_t stamp) : Key_(key), Stamp_(stamp) { Classes_.fill(-1); }

  void Add(const TFileNodeData &file) {
    TGroup &group = Groups_[GroupOf(file)];
    group.Size = SatAdd(group.Size, file.FileSize());
    ++group.Count;
  }
  const std::vector<TGroup> &Groups() const { return Groups_; }

 private:
  size_t GroupOf(const TFileNodeData &file) {
    switch (Key_) {
      case TAggregateKey::Extension: {
        const std::string_view ext = RawExtension(file.Name.View());
        if (ext.size() <= 7) {
          // Short spellings packed with their length into one integer key.
          uint64_t packed = static_cast<uint64_t>(ext.size()) << 56;
          for (size_t i = 0; i < ext.size(); ++i) packed |= uint64_t{static_cast<unsigned char>(ext[i])} << (8 * i);
          auto it = ByPacked_.find(packed);
          if (it == ByPacked_.end()) it = ByPacked_.emplace(packed, NewGroup(file, 0)).first;
          return it->second;
        }
        auto it = BySpelling_.find(ext);
        if (it == BySpelling_.end()) it = BySpelling_.emplace(std::string(ext), NewGroup(file, 0)).first;
        return it->second;
      }
      case TAggregateKey::Owner: {
        const std::string *owner = &file.Owner();
        if (owner == LastOwner_) return LastGroup_;
        auto it = ByOwner_.find(owner);
        if (it == ByOwner_.end()) it = ByOwner_.emplace(owner, NewGroup(file, 0)).first;
        LastOwner_ = owner;
        return LastGroup_ = it->second;
      }
      case TAggregateKey::SizeRange:
        return ByClass(file, SizeRangeClass(file.FileSize()));
      default:
        return ByClass(file, HourOfDay(ReportDate(file.Info(), Stamp_)));
    }
  }

  size_t ByClass(const TFileNodeData &file, int cls) {
    int &slot = Classes_[static_cast<size_t>(cls)];
    if (slot < 0) slot = static_cast<int>(NewGroup(file, cls));
    return static_cast<size_t>(slot);
  }

  size_t NewGroup(const TFileNodeData &file, int cls) {
    Groups_.push_back(TGroup{0, 0, &file, cls});
    return Groups_.size() - 1;
  }

  TAggregateKey Key_;
  int32_t Stamp_;
  std::vector<TGroup> Groups_;
  std::unordered_map<uint64_t, size_t> ByPacked_;
  std::unordered_map<std::string, size_t, TViewHash, std::equal_to<>> BySpelling_;
  std::unordered_map<const std::string *, size_t> ByOwner_;
  std::array<int, 24> Classes_{};
  const std::string *LastOwner_ = nullptr;
  size_t LastGroup_ = 0;
};
static_assert(SizeRangeCount <= 24);

// Keys in ascending order by the locale's case-insensitive comparison.
class TKeyTable {
 public:
  explicit TKeyTable(const ILocale &locale) : Locale_(locale) {}

  void Add(std::string key, const TGroup &group, const std::string &iconKey) {
    auto it = std::lower_bound(Rows_.begin(), Rows_.end(), key, [this](const auto &row, const std::string &k) {
      return Locale_.CompareNoCase(row->Name, k) < 0;
    });
    if (it != Rows_.end() && Locale_.CompareNoCase((*it)->Name, key) == 0) {
      TExtensionsNodeData &row = **it;
      row.Size = SatAdd(row.Size, group.Size);
      row.Count += group.Count;
      return;
    }
    auto row = std::make_unique<TExtensionsNodeData>(std::move(key), group.Size, iconKey);
    row->Count = group.Count;
    Rows_.insert(it, std::move(row));
  }
  TAggregateRows Take() { return std::move(Rows_); }

 private:
  const ILocale &Locale_;
  TAggregateRows Rows_;
};

}  // namespace

TTranslate LanguageTranslator(const TLangList &languages) {
  return [&languages](std::string_view id) { return languages.Translate(id); };
}

int SizeRangeClass(int64_t size) {
  if (size <= 1024) return 0;
  if (size <= 16384) return 1;
  if (size > 1073741824) return SizeRangeCount - 1;
  // (2^(m-1), 2^m] holds the sizes whose predecessor has m bits.
  return std::bit_width(static_cast<uint64_t>(size - 1)) - 13;
}

std::string SizeRangeClassLabel(int sizeClass, const TTranslate &translate) {
  if (sizeClass <= 0) return Text(translate, IdSizeRangeUpTo) + " 1K";
  if (sizeClass >= SizeRangeCount - 1) return Text(translate, IdSizeRangeAbove) + " 1G";
  return std::string(MiddleLabels[static_cast<size_t>(sizeClass - 1)]);
}

std::string SizeRangeLabel(int64_t size, const TTranslate &translate) {
  return SizeRangeClassLabel(SizeRangeClass(size), translate);
}

int HourOfDay(double time) {
  if (!std::isfinite(time)) return 0;
  // The fraction is the time of day also before 1899-12-30 (negative days).
  const double magnitude = std::fabs(time);
  const double ms = std::round((magnitude - std::floor(magnitude)) * 86400000.0);
  if (ms >= 86400000.0) return 0;  // rounds up to the next midnight
  return static_cast<int>(ms / 3600000.0);
}

std::string HourLabel(double time, const TTranslate &translate) {
  return std::to_string(HourOfDay(time)) + " " + Text(translate, IdHourSuffix);
}

TAggregateRows BuildAggregateReport(const TFolderNode *folder, TReportKind kind, const TReportSettings &settings,
                                    const TTranslate &translate, const ILocale &locale) {
  const TReportKindInfo &info = ReportKindInfo(kind);
  const TFolderNodeData *data = FolderData(folder);
  if (!data || info.Class != TReportClass::Aggregate) return {};

  TGrouper grouper(info.Key, settings.OldestType);
  if (info.Scope == TReportScope::IncludingSubfolders) {
    WalkSubtree(folder, [&](const TFolderNodeData &f) {
      for (const TFileNodeData *file : f.Files) grouper.Add(*file);
    });
  } else {
    for (const TFileNodeData *file : data->Files) grouper.Add(*file);
  }

  TKeyTable table(locale);
  const std::string noIcon;
  for (const TGroup &group : grouper.Groups()) {
    const TFileNodeData &first = *group.First;
    switch (info.Key) {
      case TAggregateKey::Extension:
        // Only the first group of a row keeps its icon key; the path is made once
        // per spelling.
        table.Add(ExtractExtension(first.Name.View()), group, first.GetFullPath());
        break;
      case TAggregateKey::Owner:
        table.Add(first.Owner(), group, noIcon);
        break;
      case TAggregateKey::SizeRange:
        table.Add(SizeRangeClassLabel(group.Class, translate), group, noIcon);
        break;
      default:
        table.Add(HourLabel(ReportDate(first.Info(), settings.OldestType), translate), group, noIcon);
        break;
    }
  }
  TAggregateRows rows = table.Take();
  if (info.Scope != TReportScope::IncludingSubfolders) return rows;

  std::stable_sort(rows.begin(), rows.end(), [](const auto &a, const auto &b) { return a->Size > b->Size; });
  if (info.ListCountLimited) {
    const size_t limit = settings.ListCount < 1 ? 0 : static_cast<size_t>(settings.ListCount);
    if (rows.size() > limit) rows.resize(limit);
  }
  return rows;
}

}  // namespace kv
