#include "reports/ListingReport.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>

#include "model/Saturate.h"

namespace kv {
namespace {

// Every ranking key becomes an unsigned rank, smaller ranking first, so one
// selection serves sizes and times in both directions.
constexpr uint64_t SignBit = uint64_t{1} << 63;
uint64_t LargestFirst(int64_t size) { return ~(static_cast<uint64_t>(size) ^ SignBit); }
uint64_t EarliestFirst(double t) {
  // A NaN (possible in an imported file) ranks as the latest; -0 equals +0.
  if (std::isnan(t)) t = std::numeric_limits<double>::infinity();
  const auto bits = std::bit_cast<uint64_t>(t + 0.0);
  return (bits & SignBit) ? ~bits : bits ^ SignBit;
}
uint64_t LatestFirst(double t) {
  if (std::isnan(t)) t = -std::numeric_limits<double>::infinity();
  return ~EarliestFirst(t);
}

struct TRanked {
  uint64_t Rank;
  TBaseNodeData *Item;
};

// Stable, so items of equal rank stay in the order they were collected.
// Six passes of 11 bits; the counts of all passes come from one read.
void RadixSort(std::vector<TRanked> &items) {
  constexpr int Bits = 11, Passes = 6;
  constexpr size_t Buckets = size_t{1} << Bits;
  std::vector<std::array<size_t, Buckets>> counts(Passes);
  for (const TRanked &e : items)
    for (int p = 0; p < Passes; ++p) ++counts[p][(e.Rank >> (p * Bits)) & (Buckets - 1)];
  std::vector<TRanked> buffer(items.size());
  for (int p = 0; p < Passes; ++p) {
    std::array<size_t, Buckets> &count = counts[static_cast<size_t>(p)];
    // A digit all items share moves nothing.
    if (std::find(count.begin(), count.end(), items.size()) != count.end()) continue;
    size_t start = 0;
    for (size_t &c : count) start += std::exchange(c, start);
    for (const TRanked &e : items) buffer[count[(e.Rank >> (p * Bits)) & (Buckets - 1)]++] = e;
    items.swap(buffer);
  }
}

// Keeps the best `limit` items offered, ties in the order offered. A small
// limit uses a heap whose front is the worst kept item, so most items cost
// one comparison and nothing is stored; a large one collects everything and
// radix-sorts it, far faster than a heap of a million entries.
class TTopItems {
 public:
  TTopItems(size_t limit, size_t expected) : Limit_(limit), Heap_(limit <= HeapLimit) {
    // The count is only a hint: imported totals need not be true.
    expected = std::min<size_t>(expected, size_t{1} << 22);
    if (Heap_)
      HeapEntries_.reserve(std::min(limit, expected));
    else
      Items_.reserve(expected);
  }

  void Offer(uint64_t rank, TBaseNodeData *item) {
    if (!Heap_) {
      Items_.push_back({rank, item});
      return;
    }
    const THeapEntry entry{rank, Next_++, item};
    if (HeapEntries_.size() < Limit_) {
      HeapEntries_.push_back(entry);
      std::push_heap(HeapEntries_.begin(), HeapEntries_.end(), Better);
    } else if (Limit_ > 0 && Better(entry, HeapEntries_.front())) {
      std::pop_heap(HeapEntries_.begin(), HeapEntries_.end(), Better);
      HeapEntries_.back() = entry;
      std::push_heap(HeapEntries_.begin(), HeapEntries_.end(), Better);
    }
  }

  // Best first.
  TListingRows Take() {
    TListingRows rows;
    if (Heap_) {
      std::sort_heap(HeapEntries_.begin(), HeapEntries_.end(), Better);
      rows.reserve(HeapEntries_.size());
      for (const THeapEntry &e : HeapEntries_) rows.push_back(e.Item);
      return rows;
    }
    RadixSort(Items_);
    const size_t n = std::min(Limit_, Items_.size());
    rows.reserve(n);
    for (size_t i = 0; i < n; ++i) rows.push_back(Items_[i].Item);
    return rows;
  }

 private:
  struct THeapEntry {
    uint64_t Rank;
    uint64_t Order;
    TBaseNodeData *Item;
  };
  static bool Better(const THeapEntry &a, const THeapEntry &b) {
    return a.Rank != b.Rank ? a.Rank < b.Rank : a.Order < b.Order;
  }

  static constexpr size_t HeapLimit = 4096;
  size_t Limit_;
  bool Heap_;
  uint64_t Next_ = 0;
  std::vector<THeapEntry> HeapEntries_;
  std::vector<TRanked> Items_;
};

template <class RankOf>
TListingRows RankFiles(const TFolderNode *top, size_t limit, RankOf rankOf) {
  TTopItems best(limit, static_cast<size_t>(std::max<int64_t>(0, top->Data()->FileCount)));
  WalkSubtree(top, [&](TFolderNodeData &folder) {
    for (TFileNodeData *file : folder.Files) best.Offer(rankOf(*file), file);
  });
  return best.Take();
}

template <class RankOf>
TListingRows RankFolders(const TFolderNode *top, size_t limit, RankOf rankOf) {
  TTopItems best(limit, static_cast<size_t>(std::max<int64_t>(0, top->Data()->FolderCount)) + 1);
  WalkSubtree(top, [&](TFolderNodeData &folder) { best.Offer(rankOf(folder), &folder); });
  return best.Take();
}

TListingRows FolderContent(const TFolderNode *node) {
  const TFolderNodeData &data = *node->Data();
  TListingRows rows;
  rows.reserve(data.Files.Count() + node->ChildCount());
  for (TFileNodeData *file : data.Files) rows.push_back(file);
  for (size_t i = 0; i < node->ChildCount(); ++i) rows.push_back(node->Child(i)->Data());
  return rows;
}

}  // namespace

double ReportDate(const TItemInfo &info, int32_t oldestType) {
  switch (oldestType) {
    case 2:
      return info.Modified;
    case 3:
      return info.LastAccess;
    default:
      return info.Created;
  }
}

int64_t ListingItemSize(const TBaseNodeData &item, TReportKind kind, TSizeType sizeType) {
  if (kind == TReportKind::Top100Folders)
    if (const auto *folder = AsFolderData(&item)) return folder->GetOwnSize(sizeType);
  return item.GetSize(sizeType);
}

std::vector<int> ListingUnfilledColumns(TReportKind kind) {
  const TReportKindInfo &info = ReportKindInfo(kind);
  if (info.Class != TReportClass::Listing) return {};
  if (info.Items == TListingItems::Content) return {3};
  return {2, 4, 5};
}

int64_t ListShareSize(const TBaseNodeData &row) {
  if (const auto *file = AsFileData(&row)) return file->FileSize();
  if (const auto *folder = AsFolderData(&row)) return folder->TotalSize;
  return 0;
}

void ComputeListPercents(TListingRows &rows) {
  rows.Shares = {};
  for (const TBaseNodeData *row : rows) rows.Shares.Add(ListShareSize(*row));
}

TListingRows BuildListingReport(const TFolderNode *folder, TReportKind kind, const TReportSettings &settings,
                                TSizeType sizeType) {
  const TReportKindInfo &info = ReportKindInfo(kind);
  if (!FolderData(folder) || info.Class != TReportClass::Listing) return {};

  if (info.Items == TListingItems::Content) {
    TListingRows rows = FolderContent(folder);
    ComputeListPercents(rows);
    return rows;
  }

  const size_t limit = settings.ListCount < 1 ? 0 : static_cast<size_t>(settings.ListCount);
  if (limit == 0) return {};
  const bool fileSize = sizeType == TSizeType::FileSize;
  const int32_t stamp = settings.OldestType;

  if (info.Items == TListingItems::Files) {
    switch (info.Order) {
      case TListingOrder::Greatest:
        return RankFiles(folder, limit, [fileSize](const TFileNodeData &f) {
          return LargestFirst(fileSize ? f.FileSize() : f.AllocatedSize());
        });
      case TListingOrder::Oldest:
        return RankFiles(folder, limit,
                         [stamp](const TFileNodeData &f) { return EarliestFirst(ReportDate(f.Info(), stamp)); });
      default:
        return RankFiles(folder, limit,
                         [stamp](const TFileNodeData &f) { return LatestFirst(ReportDate(f.Info(), stamp)); });
    }
  }
  switch (info.Order) {
    case TListingOrder::Greatest:
      // Ranked by the files directly in each folder, not by the subtree.
      return RankFolders(folder, limit, [fileSize](const TFolderNodeData &f) {
        return LargestFirst(fileSize ? f.OwnSize : f.OwnAllocated);
      });
    case TListingOrder::Oldest:
      return RankFolders(folder, limit,
                         [stamp](const TFolderNodeData &f) { return EarliestFirst(ReportDate(f.Info(), stamp)); });
    default:
      return RankFolders(folder, limit,
                         [stamp](const TFolderNodeData &f) { return LatestFirst(ReportDate(f.Info(), stamp)); });
  }
}

}  // namespace kv
