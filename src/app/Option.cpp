#include "app/Option.h"

#include <limits>

#include "reports/ChartLook.h"
#include "settings/SettingsStore.h"

namespace kv {

TOption::TOption(ISettingsStore& store) : Store_(store) { Load(); }

TOption::~TOption() { Save(); }

void TOption::Load() {
  ChartOtherType = ReadRegIntegerIn(Store_, "ChartOtherType", 1, 2, 1);
  ReportListCount = ReadRegIntegerIn(Store_, "ReportListCount", 1, std::numeric_limits<int32_t>::max(), 50);
  ReportOldestType = ReadRegIntegerIn(Store_, "ReportOldestType", 1, 3, 1);
  ColorPalette = ReadRegIntegerIn(Store_, "ColorPalette", 1, ChartPaletteCount, 7);
  ColorGradient = ReadRegIntegerIn(Store_, "ColorGradient", 1, ChartGradientCount, 16);
  ShowTreemap = ReadRegIntegerIn(Store_, "ShowTreemap", 0, 1, 1);
  CountHardLinksOnce = ReadRegIntegerIn(Store_, "CountHardLinksOnce", 0, 1, 1);
  KeepHistory = ReadRegIntegerIn(Store_, "KeepHistory", 0, 1, 1);
  HistoryEntries = ReadRegIntegerIn(Store_, "HistoryEntries", 1, 100, 5);
}

void TOption::Save() {
  WriteRegInteger(Store_, "ChartOtherType", ChartOtherType);
  WriteRegInteger(Store_, "ReportListCount", ReportListCount);
  WriteRegInteger(Store_, "ReportOldestType", ReportOldestType);
  WriteRegInteger(Store_, "ColorPalette", ColorPalette);
  WriteRegInteger(Store_, "ColorGradient", ColorGradient);
  WriteRegInteger(Store_, "ShowTreemap", ShowTreemap);
  WriteRegInteger(Store_, "CountHardLinksOnce", CountHardLinksOnce);
  WriteRegInteger(Store_, "KeepHistory", KeepHistory);
  WriteRegInteger(Store_, "HistoryEntries", HistoryEntries);
}

}  // namespace kv
