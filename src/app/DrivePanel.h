// The drive panel below the folder tree: one row per ready local drive with
// its size, its free space and the free share, filled once at start-up.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "reports/ReportColumns.h"

namespace kv {

class ILocale;
class TFileServices;

struct TBildDiskSize {
  std::string Drive;  // the root: "C:\" or a mount point such as "/home/"
  int64_t TotalBytes = 0;
  int64_t FreeBytes = 0;  // all free bytes, not only those open to the user
  int32_t IconIndex = 0;
  double PercentFree = 0;  // whole percent cut, then / 100: 37.9 % gives 0.37
};

enum TDriveColumn : int { dcDrive, dcSize, dcFree, dcPercentFree };

const std::vector<TColumnSpec>& DriveColumns();

// The panel starts sorted by drive, ascending (the lists start elsewhere).
inline TSortState InitialDriveSort() { return TSortState{dcDrive, false}; }

// Every listed drive that is not removable, network or RAM and whose cluster
// size can be read, in the order the system lists them.
std::vector<TBildDiskSize> FillDrivePanel(const TFileServices& services);

// Units of 1024^3 bytes, cut (never rounded) to two decimals.
double BytesToGB(int64_t bytes);
// The share of free space, cut to a whole percent, as a fraction.
double PercentFreeOf(int64_t totalBytes, int64_t freeBytes);

std::string DriveCellText(const TBildDiskSize& row, int column, const ILocale& locale);

// Ascending order of a column's key; equal keys give 0.
int CompareDriveRows(const TBildDiskSize& a, const TBildDiskSize& b, int column);
// Stable in both directions.
void SortDriveRows(std::vector<TBildDiskSize>& rows, const TSortState& sort);

}  // namespace kv
