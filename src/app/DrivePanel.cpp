#include "app/DrivePanel.h"

#include <algorithm>
#include <cmath>

#include "platform/Platform.h"
#include "reports/FormatSize.h"
#include "model/FileServices.h"

namespace kv {

namespace {

// Drive letters only: a locale's upper case could turn "i:" into a
// dotted capital that no longer names the drive.
std::string AsciiUpper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool Listed(TDriveType type) {
  return type != TDriveType::Removable && type != TDriveType::Network && type != TDriveType::Ram;
}

}  // namespace

const std::vector<TColumnSpec>& DriveColumns() {
  static const std::vector<TColumnSpec> columns = {
      {"2160", 65, TAlignment::Left, true},
      {"2161", 70, TAlignment::Left, true},
      {"2162", 70, TAlignment::Left, true},
      {"2163", 80, TAlignment::Centre, true},
  };
  return columns;
}

double BytesToGB(int64_t bytes) {
  // Exact while the hundredfold fits; beyond that no digit is lost to the cut anyway.
  int64_t hundredfold = 0;
  double x = __builtin_mul_overflow(bytes, int64_t{100}, &hundredfold) ? static_cast<double>(bytes) * 100
                                                                      : static_cast<double>(hundredfold);
  for (int i = 0; i < 3; ++i) x /= 1024;
  return std::trunc(x) / 100;
}

double PercentFreeOf(int64_t totalBytes, int64_t freeBytes) {
  // Chosen for a drive reporting no size (or whose space query failed): no
  // free share rather than a division by zero.
  if (totalBytes == 0) return 0;
  return std::trunc(static_cast<double>(freeBytes) / static_cast<double>(totalBytes) * 100) / 100;
}

std::vector<TBildDiskSize> FillDrivePanel(const TFileServices& services) {
  std::vector<TBildDiskSize> rows;
  const bool windows = services.Style() == TPathStyle::Windows;
  for (const TDriveInfo& drive : services.Platform().FileSystem->ListDrives()) {
    if (!Listed(drive.Type)) continue;
    const std::string root = windows ? AsciiUpper(drive.Root) : drive.Root;
    // Not ready, for example an optical drive without a disc.
    if (services.GetDriveClusterSize(root) == 0) continue;
    std::string name = services.ExcludeTrailingSeparator(root);
    if (name.empty()) name = root;  // "/" has nothing left without its separator
    TBildDiskSize row;
    row.Drive = root;
    row.TotalBytes = services.GetDriveSpace(name, false);
    row.FreeBytes = services.GetDriveSpace(name, true);
    // The window shows one drive image for every row; there is no system list to index.
    row.IconIndex = 0;
    row.PercentFree = PercentFreeOf(row.TotalBytes, row.FreeBytes);
    rows.push_back(std::move(row));
  }
  return rows;
}

std::string DriveCellText(const TBildDiskSize& row, int column, const ILocale& locale) {
  switch (column) {
    case dcDrive: return row.Drive;
    case dcSize: return ShortestDecimalText(BytesToGB(row.TotalBytes), DecimalSeparatorText(locale)) + " GB";
    case dcFree: return ShortestDecimalText(BytesToGB(row.FreeBytes), DecimalSeparatorText(locale)) + " GB";
    case dcPercentFree:
      // 15 digits turn 0.29 * 100 (28.999...) back into 29.
      return ShortestDecimalText(row.PercentFree * 100, DecimalSeparatorText(locale)) + " %";
    default: return {};
  }
}

int CompareDriveRows(const TBildDiskSize& a, const TBildDiskSize& b, int column) {
  switch (column) {
    case dcDrive: return CompareNames(a.Drive, b.Drive);
    case dcSize: return CompareNumbers(a.TotalBytes, b.TotalBytes);
    case dcFree: return CompareNumbers(a.FreeBytes, b.FreeBytes);
    case dcPercentFree: return CompareNumbers(a.PercentFree, b.PercentFree);
    default: return 0;
  }
}

void SortDriveRows(std::vector<TBildDiskSize>& rows, const TSortState& sort) {
  std::stable_sort(rows.begin(), rows.end(), [&](const TBildDiskSize& a, const TBildDiskSize& b) {
    const int c = CompareDriveRows(a, b, sort.Column);
    return sort.Descending ? c > 0 : c < 0;
  });
}

}  // namespace kv
