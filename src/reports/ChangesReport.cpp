#include "reports/ChangesReport.h"

#include <algorithm>
#include <cmath>

#include "reports/ReportColumns.h"
#include "settings/TextIds.h"

namespace kv {
namespace {

uint64_t Magnitude(int64_t v) { return v < 0 ? uint64_t{0} - static_cast<uint64_t>(v) : static_cast<uint64_t>(v); }

// One row when the size differs or the item is new; nothing when unchanged.
void Compare(std::vector<TChangeRow>& rows, bool found, const TBaselineSizes& before, int64_t after, TSizeType type,
             bool isFolder, auto&& name, auto&& folder) {
  TChangeRow row;
  if (!found) {
    row.State = TChangeState::New;
  } else {
    row.Before = before.Get(type);
    if (row.Before == after) return;
    row.State = after > row.Before ? TChangeState::Grown : TChangeState::Shrunk;
  }
  row.After = after;
  row.IsFolder = isFolder;
  row.Name = name();
  row.Folder = folder();
  rows.push_back(std::move(row));
}

bool StartsWithFolded(std::string_view text, std::string_view prefix, TPathStyle style) {
  if (style != TPathStyle::Windows) return text.substr(0, prefix.size()) == prefix;
  const std::string t = TPathKey::Folded(text, style), p = TPathKey::Folded(prefix, style);
  return t.compare(0, p.size(), p) == 0;
}

}  // namespace

double TChangeRow::Percent() const {
  return 100.0 * static_cast<double>(Difference()) / static_cast<double>(Before);
}

TChangesReport BuildChangesReport(const TFolderNode* folder, const TChangeBaseline& baseline, TSizeType type) {
  TChangesReport report;
  const TFolderNodeData* top = FolderData(folder);
  if (!top) return report;
  TBaselineSizes sizes;
  report.After = top->GetSize(type);
  report.FolderNew = !baseline.FindFolder(folder, sizes);
  report.Before = report.FolderNew ? 0 : sizes.Get(type);

  std::vector<TChangeRow>& rows = report.Rows;
  std::vector<const TFolderNode*> stack{folder};
  while (!stack.empty()) {
    const TFolderNode* node = stack.back();
    stack.pop_back();
    const TFolderNodeData& data = *node->Data();
    const std::string path = GetNodePath(node);
    const TPathKey key = baseline.FolderKey(node);
    if (node != folder) {
      const bool found = baseline.FindFolder(node, sizes);
      Compare(rows, found, sizes, data.GetSize(type), type, true, [&] { return data.Name.Str(); },
              [&] { return data.GetParentPath(); });
    }
    for (const TFileNodeData* file : data.Files) {
      const bool found = baseline.FindFile(key, path, file->Name.View(), sizes);
      Compare(rows, found, sizes, file->GetSize(type), type, false, [&] { return file->Name.Str(); },
              [&] { return path; });
    }
    for (size_t i = node->ChildCount(); i-- > 0;) stack.push_back(node->Child(i));
  }

  const std::string topPath = GetNodePath(folder);
  const TPathStyle style = NodeStyle(folder);
  for (const TGoneItem& gone : baseline.Gone()) {
    if (!StartsWithFolded(gone.Folder, topPath, style)) continue;
    TChangeRow row;
    row.Name = gone.Name;
    row.Folder = gone.Folder;
    row.IsFolder = gone.IsFolder;
    row.State = TChangeState::Gone;
    row.Before = gone.Sizes.Get(type);
    rows.push_back(std::move(row));
  }

  std::sort(rows.begin(), rows.end(), [](const TChangeRow& a, const TChangeRow& b) {
    const uint64_t ma = Magnitude(a.Difference()), mb = Magnitude(b.Difference());
    if (ma != mb) return ma > mb;
    if (const int c = CompareNames(a.Folder, b.Folder); c != 0) return c < 0;
    if (const int c = CompareNames(a.Name, b.Name); c != 0) return c < 0;
    return a.Name < b.Name;
  });
  return report;
}

std::string SignedSizeText(int64_t difference, const TSizeFormat& format) {
  const uint64_t magnitude = Magnitude(difference);
  const int64_t shown = magnitude > static_cast<uint64_t>(INT64_MAX) ? INT64_MAX : static_cast<int64_t>(magnitude);
  std::string text = FormatSize(shown, format);
  if (difference > 0) return "+" + text;
  if (difference < 0) return "-" + text;
  return text;
}

uint32_t ChangeStateColor(TChangeState state) {
  switch (state) {
    case TChangeState::Grown: return 0xD9443A;
    case TChangeState::Shrunk: return 0x2F8FD8;
    case TChangeState::New: return 0x3A9E4F;
    default: return 0x8C8C8C;
  }
}

const char* ChangeStateTextId(TChangeState state) {
  switch (state) {
    case TChangeState::New: return IdChangeNew;
    case TChangeState::Gone: return IdChangeGone;
    case TChangeState::Grown: return IdChangeGrown;
    default: return IdChangeShrunk;
  }
}

std::string ChangesCellText(const TChangeRow& row, int column, const TSizeFormat& format, const TTranslate& translate) {
  switch (column) {
    case ccName: return row.Name;
    case ccFolder: return row.Folder;
    case ccBefore: return row.State == TChangeState::New ? std::string() : FormatSize(row.Before, format);
    case ccAfter: return row.State == TChangeState::Gone ? std::string() : FormatSize(row.After, format);
    case ccDifference: return SignedSizeText(row.Difference(), format);
    case ccPercent: {
      if (!row.HasPercent()) return {};
      const std::string text = PercentText(row.Percent(), *format.Locale);
      return row.Difference() > 0 ? "+" + text : text;
    }
    case ccState: return translate(ChangeStateTextId(row.State));
    default: return {};
  }
}

int CompareChangesRows(const TChangeRow& a, const TChangeRow& b, int column) {
  switch (column) {
    case ccName: return CompareNames(a.Name, b.Name);
    case ccFolder: return CompareNames(a.Folder, b.Folder);
    case ccBefore: return CompareNumbers(a.Before, b.Before);
    case ccAfter: return CompareNumbers(a.After, b.After);
    case ccDifference: return CompareNumbers(Magnitude(a.Difference()), Magnitude(b.Difference()));
    case ccPercent: {
      // New items have no percentage and rank above every finite one.
      const double pa = a.HasPercent() ? std::fabs(a.Percent()) : (a.State == TChangeState::New ? HUGE_VAL : 0);
      const double pb = b.HasPercent() ? std::fabs(b.Percent()) : (b.State == TChangeState::New ? HUGE_VAL : 0);
      return pa < pb ? -1 : (pa > pb ? 1 : 0);
    }
    case ccState: return CompareNumbers(static_cast<int>(a.State), static_cast<int>(b.State));
    default: return 0;
  }
}

void SortChangesRows(std::vector<TChangeRow>& rows, const TSortState& sort) {
  std::stable_sort(rows.begin(), rows.end(), [&](const TChangeRow& a, const TChangeRow& b) {
    const int c = CompareChangesRows(a, b, sort.Column);
    return sort.Descending ? c > 0 : c < 0;
  });
}

}  // namespace kv
