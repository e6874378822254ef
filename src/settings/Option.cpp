#include "settings/Option.h"

#include "settings/SettingsStore.h"

namespace kv {

TOption::TOption(ISettingsStore& store) : Store_(store) { Load(); }

TOption::~TOption() { Save(); }

void TOption::Load() {
  ChartOtherType = ReadRegInteger(Store_, "ChartOtherType", 1);
  ReportListCount = ReadRegInteger(Store_, "ReportListCount", 50);
  ReportOldestType = ReadRegInteger(Store_, "ReportOldestType", 1);
  ColorPalette = ReadRegInteger(Store_, "ColorPalette", 7);
  ColorGradient = ReadRegInteger(Store_, "ColorGradient", 16);
  ShowTreemap = ReadRegInteger(Store_, "ShowTreemap", 1);
}

void TOption::Save() {
  WriteRegInteger(Store_, "ChartOtherType", ChartOtherType);
  WriteRegInteger(Store_, "ReportListCount", ReportListCount);
  WriteRegInteger(Store_, "ReportOldestType", ReportOldestType);
  WriteRegInteger(Store_, "ColorPalette", ColorPalette);
  WriteRegInteger(Store_, "ColorGradient", ColorGradient);
  WriteRegInteger(Store_, "ShowTreemap", ShowTreemap);
}

}  // namespace kv
