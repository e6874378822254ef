#include "app/ReportPane.h"

namespace kv {

void TReportPane::Build(const TFolderNode* folder, const TReportSettings& settings, const TTranslate& translate) {
  if (ChangesShown()) {
    static const TChangeBaseline None;
    Changes_ = BuildChangesReport(folder, Baseline_ ? *Baseline_ : None, Format_.Type);
    SortChangesRows(Changes_.Rows, ChangesSort_);
  } else if (ListingShown()) {
    FilesRows_ = BuildListingReport(folder, Kind_, settings, Format_.Type);
    SortFilesRows(FilesRows_, FilesSort_, Kind_, Format_.Type);
  } else {
    ExtensionsRows_ = BuildAggregateReport(folder, Kind_, settings, translate, *Format_.Locale);
    SortExtensionsRows(ExtensionsRows_, ExtensionsSort_);
  }
}

void TReportPane::HeaderClick(int column) {
  // Sorting the rows already sorted keeps ties in the order the last sort
  // left them, so a second key can be built up click by click.
  if (ChangesShown()) {
    ChangesSort_.HeaderClick(column);
    SortChangesRows(Changes_.Rows, ChangesSort_);
  } else if (ListingShown()) {
    FilesSort_.HeaderClick(column);
    SortFilesRows(FilesRows_, FilesSort_, Kind_, Format_.Type);
  } else {
    ExtensionsSort_.HeaderClick(column);
    SortExtensionsRows(ExtensionsRows_, ExtensionsSort_);
  }
}

void TReportPane::Clear() {
  FilesRows_.clear();
  ExtensionsRows_.clear();
  Changes_ = {};
}

}  // namespace kv
