// What the report pane shows: the current report kind, the rows of the files
// list and of the extensions list, and each list's sort state. The window maps
// its menus and two list views onto this; the command line needs none of it.
#pragma once

#include "platform/Platform.h"
#include "reports/AggregateReport.h"
#include "reports/ChangesReport.h"
#include "reports/FormatSize.h"
#include "reports/ListingReport.h"
#include "reports/ReportColumns.h"
#include "reports/ReportKinds.h"

namespace kv {

class TReportPane {
 public:
  // The format needs its locale: the extension keys are compared with it.
  explicit TReportPane(const TSizeFormat& format) : Format_(format) {}

  // Files and folders until changed; not stored between runs.
  TReportKind Kind() const { return Kind_; }
  // Only records the kind; Build makes the rows.
  void SetKind(TReportKind kind) { Kind_ = kind; }
  bool ListingShown() const { return IsListingKind(Kind_); }
  bool ChangesShown() const { return Kind_ == TReportKind::Changes; }

  // What the Changes kind compares with; null or empty: everything is new.
  // Not owned; the window drops the rows before it changes the baseline.
  void SetBaseline(const TChangeBaseline* baseline) { Baseline_ = baseline; }

  // The size type, unit and locale of the lists from now on. A new size type
  // ranks and sorts the listing rows on the next Build.
  void SetSizeFormat(const TSizeFormat& format) { Format_ = format; }
  const TSizeFormat& SizeFormat() const { return Format_; }

  // Rebuilds the list of the current kind for the folder and sorts it by that
  // list's sort state. No folder (or the hidden root) leaves that list empty.
  // The other list keeps its rows.
  void Build(const TFolderNode* folder, const TReportSettings& settings, const TTranslate& translate);

  // A header click on the list of the current kind: the column becomes the sort
  // column, the direction flips, the rows are sorted again (stable).
  void HeaderClick(int column);

  // Empties both lists (before tree objects the files list refers to are freed).
  void Clear();

  const TListingRows& FilesRows() const { return FilesRows_; }
  const TAggregateRows& ExtensionsRows() const { return ExtensionsRows_; }
  const TSortState& FilesSort() const { return FilesSort_; }
  const TSortState& ExtensionsSort() const { return ExtensionsSort_; }
  const TChangesReport& Changes() const { return Changes_; }
  const TSortState& ChangesSort() const { return ChangesSort_; }
  // The sort state of the list the current kind uses.
  const TSortState& CurrentSort() const {
    return ListingShown() ? FilesSort_ : (ChangesShown() ? ChangesSort_ : ExtensionsSort_);
  }

 private:
  TSizeFormat Format_;
  TReportKind Kind_ = TReportKind::FilesInThisFolder;
  TListingRows FilesRows_;
  TAggregateRows ExtensionsRows_;
  TSortState FilesSort_;
  TSortState ExtensionsSort_;
  const TChangeBaseline* Baseline_ = nullptr;
  TChangesReport Changes_;
  TSortState ChangesSort_{ccDifference, true};
};

}  // namespace kv
