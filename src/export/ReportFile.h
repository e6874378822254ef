// The current report saved as a text, CSV or HTML file: the report kind and
// the folder, then the list's visible columns (in index order, not screen
// order) and all its rows in their current order, with the texts the list shows.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "export/FileResult.h"
#include "reports/AggregateReport.h"
#include "reports/ChangesReport.h"
#include "reports/FormatSize.h"
#include "reports/ListingReport.h"
#include "reports/ReportKinds.h"

namespace kv {

// A list as the files see it; one writer serves both report lists.
struct TReportTable {
  // Header texts (already translated), by column index.
  std::vector<std::string> Titles;
  // By column index; a column without an entry counts as visible.
  std::vector<bool> Visible;
  size_t RowCount = 0;
  // UTF-8 text of a row (0..RowCount-1) and a column index.
  std::function<std::string(size_t row, int column)> CellText;
};

struct TReportHead {
  std::string ReportType;  // the report button's caption
  std::string Folder;      // the focused folder's path; empty when none is focused
  std::string TitleTime;   // HTML title: the locale's short date, a blank, its long time
};

// Each creates or replaces the file; a failed write leaves it as it was.
TFileResult WriteReportText(const TReportTable& table, const TReportHead& head, const std::string& path);
TFileResult WriteReportCsv(const TReportTable& table, const TReportHead& head, const std::string& path);
TFileResult WriteReportHtml(const TReportTable& table, const TReportHead& head, const std::string& path);

// The translated caption naming the kind.
std::string ReportTypeText(TReportKind kind, const TTranslate& translate);

// The files list over listing rows and the extensions list over aggregate
// rows, with the cell texts of the format. A table refers to the rows and to
// the format's locale; it must not outlive them.
TReportTable ListingReportTable(const TListingRows& rows, TReportKind kind, std::vector<bool> visible,
                                const TSizeFormat& format, const TTranslate& translate);
TReportTable AggregateReportTable(const TAggregateRows& rows, std::vector<bool> visible,
                                  const TSizeFormat& format, const TTranslate& translate);

TReportTable ChangesReportTable(const std::vector<TChangeRow>& rows, std::vector<bool> visible,
                                const TSizeFormat& format, const TTranslate& translate);

}  // namespace kv
