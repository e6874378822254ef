// Reports that list files and folders of the tree: the content of a folder,
// and the greatest, oldest and newest items below it.
#pragma once

#include <cstdint>
#include <vector>

#include "reports/ReportKinds.h"
#include "model/NodeData.h"
#include "model/Saturate.h"
#include "model/SizeTree.h"

namespace kv {

// The raw size a row's percentage is a share of: FileSize of a file, TotalSize
// of a folder, whatever the size type.
int64_t ListShareSize(const TBaseNodeData &row);

// Rows refer to objects owned by the tree; dropping them frees nothing. They
// must be emptied before the tree frees those objects. The percentages live
// here, as one sum for all rows, rather than in each of millions of records.
class TListingRows : public std::vector<TBaseNodeData *> {
 public:
  using std::vector<TBaseNodeData *>::vector;
  // The row's share of the sum ComputeListPercents took; 0 without one or when it is 0.
  double PercentOf(const TBaseNodeData &row) const {
    return Shares.Positive() ? Shares.PercentOf(ListShareSize(row)) : 0;
  }
  TShareTotal Shares;
};

// The rows of a listing kind for a folder node, in collection order: the
// folder's files then its child folders, or the ranked items (best first,
// items of equal key in tree order) cut to ReportListCount; the greatest by
// the given size type. No folder, the hidden root or an aggregate kind give no
// rows. Files and folders also gets its percentages.
TListingRows BuildListingReport(const TFolderNode *folder, TReportKind kind, const TReportSettings &settings,
                                TSizeType sizeType);

// Sums the rows' raw sizes, which each row's percentage is then a share of.
void ComputeListPercents(TListingRows &rows);

// The time stamp the oldest/newest kinds and the time ranges use.
double ReportDate(const TItemInfo &info, int32_t oldestType);

// The size a row shows and sorts by: a folder's own files only in Greatest
// folders, else GetSize.
int64_t ListingItemSize(const TBaseNodeData &item, TReportKind kind, TSizeType sizeType);

// Visits the folder's data, then each child's subtree in display order (a
// folder before its children), without recursion.
template <class Visit>
void WalkSubtree(const TFolderNode *top, Visit &&visit) {
  std::vector<const TFolderNode *> stack{top};
  while (!stack.empty()) {
    const TFolderNode *node = stack.back();
    stack.pop_back();
    visit(*node->Data());
    for (size_t i = node->ChildCount(); i-- > 0;) stack.push_back(node->Child(i));
  }
}

// Columns of the files list a kind cannot fill (hidden before the user's choice
// applies).
std::vector<int> ListingUnfilledColumns(TReportKind kind);

}  // namespace kv
