// The Changes report: every file and folder below a folder whose size differs
// from the baseline, with those new since and those gone, largest change first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reports/ChangeBaseline.h"
#include "reports/AggregateReport.h"
#include "reports/FormatSize.h"
#include "reports/ReportColumns.h"

namespace kv {

enum class TChangeState : uint8_t { New, Gone, Grown, Shrunk };

struct TChangeRow {
  std::string Name;
  std::string Folder;  // the containing folder's path, each name followed by a separator
  bool IsFolder = false;
  TChangeState State = TChangeState::New;
  int64_t Before = 0;
  int64_t After = 0;
  int64_t Difference() const { return SatSub(After, Before); }
  // Of the size before; none for new items.
  bool HasPercent() const { return State != TChangeState::New && Before != 0; }
  double Percent() const;
};

struct TChangesReport {
  std::vector<TChangeRow> Rows;
  // The folder itself, before and after.
  int64_t Before = 0;
  int64_t After = 0;
  bool FolderNew = false;
};

// Sizes of the given type. Rows come sorted by the absolute difference, the
// larger first; equal ones by folder, then name.
TChangesReport BuildChangesReport(const TFolderNode* folder, const TChangeBaseline& baseline, TSizeType type);

// The columns of the Changes list.
enum TChangesColumn : int { ccName, ccFolder, ccBefore, ccAfter, ccDifference, ccPercent, ccState };
inline constexpr int ChangesColumnCount = 7;

// A signed size in the format's unit: "+1,5 MB", "-12 KB", "0 KB".
std::string SignedSizeText(int64_t difference, const TSizeFormat& format);
std::string ChangesCellText(const TChangeRow& row, int column, const TSizeFormat& format, const TTranslate& translate);
int CompareChangesRows(const TChangeRow& a, const TChangeRow& b, int column);
// Stable: rows of equal keys keep their order.
void SortChangesRows(std::vector<TChangeRow>& rows, const TSortState& sort);

// The colour of a state as 0xRRGGBB: mid tones that read on light and dark
// backgrounds alike; red for growth, blue for shrinkage (told apart without
// red-green sight too), green for new, grey for gone.
uint32_t ChangeStateColor(TChangeState state);

// The text id of a state's word.
const char* ChangeStateTextId(TChangeState state);

}  // namespace kv
