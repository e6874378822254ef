// The report and chart options and the treemap switch, kept in the settings store.
#pragma once

#include <cstdint>

#include "platform/Platform.h"
#include "reports/ReportKinds.h"

namespace kv {

class TOption {
 public:
  // Loads at once; saves again when destroyed, so every normal end stores them.
  explicit TOption(ISettingsStore& store);
  ~TOption();
  TOption(const TOption&) = delete;
  TOption& operator=(const TOption&) = delete;

  void Load();
  void Save();
  // What the report builds take of these options.
  TReportSettings ReportSettings() const { return {ReportListCount, ReportOldestType}; }

  int32_t ChartOtherType = 1;    // 1: small items go to "Others"; 2: every item its own slice
  int32_t ReportListCount = 50;  // items of the greatest and oldest/newest reports
  int32_t ReportOldestType = 1;  // 1 created, 2 modified, 3 last access
  int32_t ColorPalette = 7;      // 1..12
  int32_t ColorGradient = 16;    // 1..18
  int32_t ShowTreemap = 1;       // 0: the treemap panel is hidden
  int32_t KeepHistory = 1;        // 0: finished scans are not kept in the history
  int32_t HistoryEntries = 5;     // entries kept per scanned folder, 1..100
  int32_t CountHardLinksOnce = 1;  // 0: every name of a hard-linked file counts its sizes

 private:
  ISettingsStore& Store_;
};

}  // namespace kv
