// The columns of the two report lists: cell texts (which the report files
// copy), sort keys with the header-click rule, and the per-report column
// choice kept in the settings store.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"
#include "reports/FormatSize.h"
#include "reports/ListingReport.h"
#include "reports/ReportKinds.h"
#include "model/NodeData.h"

namespace kv {

enum class TAlignment { Left, Centre };

struct TColumnSpec {
  const char* HeaderId;  // language id of the header text
  int Width;
  TAlignment Alignment;
  bool VisibleAtFirst;
};

// The files list (listing kinds) and the extensions list (aggregate kinds).
enum TFilesColumn : int {
  fcName, fcSize, fcPercent, fcFolder, fcFiles, fcFolders, fcCreated, fcModified, fcLastAccess,
  fcAttributes, fcOwner
};
enum TExtensionsColumn : int { ecName, ecSize, ecCount };

const std::vector<TColumnSpec>& FilesColumns();
const std::vector<TColumnSpec>& ExtensionsColumns();
const std::vector<TColumnSpec>& ChangesColumns();
const std::vector<TColumnSpec>& ColumnsOf(TReportKind kind);

// ---- cell texts ----

// The locale's short date, a blank and its long time; only the date at midnight.
std::string DateTimeText(double dayCount, const ILocale& locale);
// The percentage cut (not rounded) to two decimals, then " %".
std::string PercentText(double percent, const ILocale& locale);
// "r" for read-only, "h" for hidden, "l" for a further name of a hard-linked
// file, "o" for an online-only placeholder; in that order.
std::string AttributesText(const TItemInfo& info);

// Sizes in the format's type and unit; numbers and dates in its locale.
// The percentage is the row's share in its listing (TListingRows::PercentOf).
std::string FilesCellText(const TBaseNodeData& row, double percent, int column, TReportKind kind,
                          const TSizeFormat& format);
std::string ExtensionsCellText(const TExtensionsNodeData& row, int column, const TSizeFormat& format);

// ---- sorting ----

// Case-blind for the letters A to Z only, as names sort in the lists.
int CompareNames(std::string_view a, std::string_view b);
template <class T>
int CompareNumbers(T a, T b) {
  return a < b ? -1 : (a > b ? 1 : 0);
}

// Percentages within a millionth of a millionth of each other count as equal.
int ComparePercents(double a, double b);
// Ascending order of a column's key; equal keys give 0. Sizes of the given
// type; percentages of the listing both rows are in.
int CompareFilesRows(const TBaseNodeData& a, const TBaseNodeData& b, int column, TReportKind kind,
                     TSizeType sizeType, const TListingRows& listing);
int CompareExtensionsRows(const TExtensionsNodeData& a, const TExtensionsNodeData& b, int column);

// Both lists start sorted by size, largest first. Every header click flips the
// direction, also when it moves the sort to another column.
struct TSortState {
  int Column = 1;
  bool Descending = true;
  void HeaderClick(int column) {
    Column = column;
    Descending = !Descending;
  }
};

// Stable in both directions: rows with equal keys keep their order.
void SortFilesRows(TListingRows& rows, const TSortState& sort, TReportKind kind, TSizeType sizeType);
void SortExtensionsRows(std::vector<std::unique_ptr<TExtensionsNodeData>>& rows, const TSortState& sort);

// ---- column choice ----

inline constexpr int ColumnDefaultsMarker = -123456789;

// "mniTop100Files-column-3": the kind's popup entry name, "-column-", the index.
std::string ColumnValueName(TReportKind kind, int index);
// The columns a freshly built report of the kind shows before the user's choice.
std::vector<bool> InitialColumnVisibility(TReportKind kind);
// On a kind's first use the columns visible now become its defaults; hidden
// ones are never offered for it.
void InitColumnDefaults(ISettingsStore& store, TReportKind kind, const std::vector<bool>& visibleNow);
// The defaults recorded if needed, then visible exactly where the value is 1.
std::vector<bool> ApplyColumnVisibility(ISettingsStore& store, TReportKind kind,
                                        const std::vector<bool>& visibleNow);

struct TColumnChoice {
  int Index;
  bool Checked;
};
// The chooser's entries: every column with a stored value, in index order.
std::vector<TColumnChoice> OfferedColumns(ISettingsStore& store, TReportKind kind);
void ToggleColumn(ISettingsStore& store, TReportKind kind, int index, bool show);

}  // namespace kv
