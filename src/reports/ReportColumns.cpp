#include "reports/ReportColumns.h"

#include <algorithm>
#include <cmath>

#include "reports/FormatSize.h"
#include "reports/ListingReport.h"
#include "model/SizeTree.h"
#include "settings/SettingsStore.h"
#include "settings/TextIds.h"

namespace kv {

const std::vector<TColumnSpec>& FilesColumns() {
  static const std::vector<TColumnSpec> columns = {
      {"2164", 120, TAlignment::Left, true},   {"2161", 80, TAlignment::Left, true},
      {"2165", 60, TAlignment::Centre, true},  {"2166", 200, TAlignment::Left, false},
      {"2167", 70, TAlignment::Left, true},    {"2168", 160, TAlignment::Left, true},
      {"2169", 90, TAlignment::Left, true},    {"2170", 90, TAlignment::Left, true},
      {"2171", 90, TAlignment::Left, true},    {"2172", 60, TAlignment::Left, true},
      {"2173", 150, TAlignment::Left, true},
  };
  return columns;
}

const std::vector<TColumnSpec>& ExtensionsColumns() {
  static const std::vector<TColumnSpec> columns = {
      {"2164", 120, TAlignment::Left, true}, {"2161", 80, TAlignment::Left, true},
      {"2174", 80, TAlignment::Left, true}};
  return columns;
}

const std::vector<TColumnSpec>& ChangesColumns() {
  static const std::vector<TColumnSpec> columns = {
      {"2164", 120, TAlignment::Left, true},   {"2166", 200, TAlignment::Left, true},
      {IdColBefore, 80, TAlignment::Left, true}, {IdColAfter, 80, TAlignment::Left, true},
      {IdColDifference, 90, TAlignment::Left, true}, {IdColChangePercent, 80, TAlignment::Centre, true},
      {IdColState, 70, TAlignment::Left, true},
  };
  return columns;
}

const std::vector<TColumnSpec>& ColumnsOf(TReportKind kind) {
  switch (ReportKindInfo(kind).Class) {
    case TReportClass::Listing: return FilesColumns();
    case TReportClass::Changes: return ChangesColumns();
    default: return ExtensionsColumns();
  }
}

// ---- cell texts ----

namespace {

struct TFields {
  int Year, Month, Day, Hour, Minute, Second;
};

// Day count to calendar fields, the time rounded to whole milliseconds.
TFields DecodeDayCount(double value) {
  const double whole = std::trunc(value);
  int64_t ms = std::llround(std::fabs(value - whole) * 86400000.0);
  ms = std::min<int64_t>(ms, 86399999);
  int64_t days = static_cast<int64_t>(whole) - 25569 + 719468;  // to days since 0000-03-01
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  TFields f{};
  f.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  f.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  f.Year = static_cast<int>(yoe + era * 400 + (f.Month <= 2));
  f.Hour = static_cast<int>(ms / 3600000);
  f.Minute = static_cast<int>(ms / 60000 % 60);
  f.Second = static_cast<int>(ms / 1000 % 60);
  return f;
}

int CompareTimes(double a, double b) {
  if (std::fabs(a - b) < 1.0 / 86400000.0) return 0;
  return a < b ? -1 : 1;
}

const TFolderNodeData* AsFolder(const TBaseNodeData& row) { return AsFolderData(&row); }

}  // namespace

std::string DateTimeText(double dayCount, const ILocale& locale) {
  const TFields f = DecodeDayCount(dayCount);
  std::string text = locale.ShortDate(f.Year, f.Month, f.Day);
  if (dayCount != std::trunc(dayCount)) text += " " + locale.LongTime(f.Hour, f.Minute, f.Second);
  return text;
}

std::string PercentText(double percent, const ILocale& locale) {
  const int64_t p = static_cast<int64_t>(percent * 100.0);  // cut, not rounded
  std::string text = std::to_string(p / 100);
  if (int64_t cents = std::llabs(p % 100); cents != 0) {
    text += DecimalSeparatorText(locale);
    text += static_cast<char>('0' + cents / 10);
    if (cents % 10 != 0) text += static_cast<char>('0' + cents % 10);
  }
  if (p < 0 && p / 100 == 0) text.insert(0, "-");
  return text + " %";
}

std::string AttributesText(const TItemInfo& info) {
  std::string text;
  if (info.ReadOnly) text += 'r';
  if (info.Hidden) text += 'h';
  // Marks only the scan knows of: the sizes of such a row are not what the disk holds.
  if (info.Marks & imHardLink) text += 'l';
  if (info.Marks & imOnlineOnly) text += 'o';
  return text;
}

std::string FilesCellText(const TBaseNodeData& row, double percent, int column, TReportKind kind,
                          const TSizeFormat& format) {
  const TFolderNodeData* folder = AsFolder(row);
  const ILocale& locale = *format.Locale;
  switch (column) {
    case fcName: return std::string(row.GetText());
    case fcSize: return FormatSize(ListingItemSize(row, kind, format.Type), format);
    case fcPercent: return PercentText(percent, locale);
    case fcFolder: return row.GetParentPath();
    case fcFiles: return folder ? std::to_string(folder->FileCount) : std::string();
    case fcFolders: return folder ? std::to_string(folder->FolderCount) : std::string();
    case fcCreated: return DateTimeText(row.Info().Created, locale);
    case fcModified: return DateTimeText(row.Info().Modified, locale);
    case fcLastAccess: return DateTimeText(row.Info().LastAccess, locale);
    case fcAttributes: return AttributesText(row.Info());
    case fcOwner: return row.Owner();
    default: return {};
  }
}

std::string ExtensionsCellText(const TExtensionsNodeData& row, int column, const TSizeFormat& format) {
  switch (column) {
    case ecName: return row.Name.empty() ? "(none)" : row.Name;
    case ecSize: return FormatSize(row.Size, format);
    case ecCount: return std::to_string(row.Count);
    default: return {};
  }
}

// ---- sorting ----

int CompareFilesRows(const TBaseNodeData& a, const TBaseNodeData& b, int column, TReportKind kind,
                     TSizeType sizeType, const TListingRows& listing) {
  switch (column) {
    case fcName: return CompareNames(a.GetText(), b.GetText());
    case fcSize: return CompareNumbers(ListingItemSize(a, kind, sizeType), ListingItemSize(b, kind, sizeType));
    case fcPercent: return ComparePercents(listing.PercentOf(a), listing.PercentOf(b));
    case fcFolder: return CompareNames(a.GetParentPath(), b.GetParentPath());
    case fcFiles: {
      const TFolderNodeData *fa = AsFolder(a), *fb = AsFolder(b);
      return CompareNumbers<int64_t>(fa ? fa->FileCount : -1, fb ? fb->FileCount : -1);
    }
    case fcFolders: {
      const TFolderNodeData *fa = AsFolder(a), *fb = AsFolder(b);
      return CompareNumbers<int64_t>(fa ? fa->FolderCount : -1, fb ? fb->FolderCount : -1);
    }
    case fcCreated: return CompareTimes(a.Info().Created, b.Info().Created);
    case fcModified: return CompareTimes(a.Info().Modified, b.Info().Modified);
    case fcLastAccess: return CompareTimes(a.Info().LastAccess, b.Info().LastAccess);
    case fcAttributes: return CompareNames(AttributesText(a.Info()), AttributesText(b.Info()));
    case fcOwner: return CompareNames(a.Owner(), b.Owner());
    default: return 0;
  }
}

int CompareExtensionsRows(const TExtensionsNodeData& a, const TExtensionsNodeData& b, int column) {
  switch (column) {
    case ecName: return CompareNames(a.Name, b.Name);
    case ecSize: return CompareNumbers(a.Size, b.Size);
    case ecCount: return CompareNumbers(a.Count, b.Count);
    default: return 0;
  }
}

void SortFilesRows(TListingRows& rows, const TSortState& sort, TReportKind kind, TSizeType sizeType) {
  if (sort.Column == fcFolder) {
    // Paths are built once per row rather than twice per comparison.
    std::vector<std::pair<std::string, TBaseNodeData*>> keyed;
    keyed.reserve(rows.size());
    for (TBaseNodeData* row : rows) keyed.emplace_back(row->GetParentPath(), row);
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
      const int c = CompareNames(a.first, b.first);
      return sort.Descending ? c > 0 : c < 0;
    });
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = keyed[i].second;
    return;
  }
  std::stable_sort(rows.begin(), rows.end(), [&](const TBaseNodeData* a, const TBaseNodeData* b) {
    const int c = CompareFilesRows(*a, *b, sort.Column, kind, sizeType, rows);
    return sort.Descending ? c > 0 : c < 0;
  });
}

void SortExtensionsRows(std::vector<std::unique_ptr<TExtensionsNodeData>>& rows, const TSortState& sort) {
  std::stable_sort(rows.begin(), rows.end(), [&](const auto& a, const auto& b) {
    const int c = CompareExtensionsRows(*a, *b, sort.Column);
    return sort.Descending ? c > 0 : c < 0;
  });
}

// ---- column choice ----

std::string ColumnValueName(TReportKind kind, int index) {
  return std::string(ReportKindInfo(kind).PopupName) + "-column-" + std::to_string(index);
}

std::vector<bool> InitialColumnVisibility(TReportKind kind) {
  std::vector<bool> visible(ColumnsOf(kind).size(), true);
  for (int column : ListingUnfilledColumns(kind)) visible[static_cast<size_t>(column)] = false;
  return visible;
}

void InitColumnDefaults(ISettingsStore& store, TReportKind kind, const std::vector<bool>& visibleNow) {
  if (ReadRegInteger(store, ColumnValueName(kind, ColumnDefaultsMarker), -1) == 1) return;
  for (size_t i = 0; i < visibleNow.size(); ++i) {
    const std::string name = ColumnValueName(kind, static_cast<int>(i));
    if (ReadRegInteger(store, name, -1) == -1 && visibleNow[i]) WriteRegInteger(store, name, 1);
  }
  WriteRegInteger(store, ColumnValueName(kind, ColumnDefaultsMarker), 1);
}

std::vector<bool> ApplyColumnVisibility(ISettingsStore& store, TReportKind kind,
                                        const std::vector<bool>& visibleNow) {
  InitColumnDefaults(store, kind, visibleNow);
  std::vector<bool> visible(visibleNow.size());
  for (size_t i = 0; i < visible.size(); ++i)
    visible[i] = ReadRegInteger(store, ColumnValueName(kind, static_cast<int>(i)), -1) == 1;
  return visible;
}

std::vector<TColumnChoice> OfferedColumns(ISettingsStore& store, TReportKind kind) {
  std::vector<TColumnChoice> choices;
  const int count = static_cast<int>(ColumnsOf(kind).size());
  for (int i = 0; i < count; ++i) {
    const int32_t value = ReadRegInteger(store, ColumnValueName(kind, i), -1);
    if (value != -1) choices.push_back({i, value == 1});
  }
  return choices;
}

void ToggleColumn(ISettingsStore& store, TReportKind kind, int index, bool show) {
  WriteRegInteger(store, ColumnValueName(kind, index), show ? 1 : 0);
}

int ComparePercents(double a, double b) {
  const double tolerance = std::max(std::fabs(a), std::fabs(b)) * 1e-12;
  if (std::fabs(a - b) <= tolerance) return 0;
  return a < b ? -1 : 1;
}

int CompareNames(std::string_view a, std::string_view b) {
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
    if (ca >= 'a' && ca <= 'z') ca = static_cast<unsigned char>(ca - 32);
    if (cb >= 'a' && cb <= 'z') cb = static_cast<unsigned char>(cb - 32);
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace kv
