#include <gtest/gtest.h>

#include "app/Option.h"
#include "settings/SettingsStore.h"

namespace kv {
namespace {

TEST(SettingsStore, TypedRoundTripsAndDefaults) {
  TMemorySettingsStore store;
  EXPECT_EQ(ReadRegString(store, "Language", "English"), "English");
  EXPECT_EQ(ReadRegInteger(store, "ReportListCount", 50), 50);
  EXPECT_TRUE(ReadRegBool(store, "Filter-Size-Any", true));
  EXPECT_FALSE(ReadRegBool(store, "Filter-Size-Any", false));

  WriteRegString(store, "Language", "Deutsch");
  WriteRegInteger(store, "ReportListCount", -7);
  WriteRegBool(store, "Filter-Size-Any", false);
  EXPECT_EQ(ReadRegString(store, "Language", "English"), "Deutsch");
  EXPECT_EQ(ReadRegInteger(store, "ReportListCount", 50), -7);
  EXPECT_FALSE(ReadRegBool(store, "Filter-Size-Any", true));
  // An empty text is a value, not an absent one.
  WriteRegString(store, "Filter-Mask-Included-Value", "");
  EXPECT_EQ(ReadRegString(store, "Filter-Mask-Included-Value", "*"), "");
}

TEST(SettingsStore, BooleansAreIntegersOneAndZero) {
  TMemorySettingsStore store;
  WriteRegInteger(store, "Flag", 5);
  EXPECT_TRUE(ReadRegBool(store, "Flag", false));
  WriteRegBool(store, "Flag", true);
  EXPECT_EQ(ReadRegInteger(store, "Flag", 0), 1);
  WriteRegBool(store, "Flag", false);
  EXPECT_EQ(ReadRegInteger(store, "Flag", 9), 0);
  // A value of the other type reads as absent.
  WriteRegString(store, "Flag", "1");
  EXPECT_TRUE(ReadRegBool(store, "Flag", true));
  EXPECT_FALSE(ReadRegBool(store, "Flag", false));
  EXPECT_EQ(ReadRegInteger(store, "Flag", 42), 42);
}

TEST(Option, LoadsDefaultsAndSavesOnDestruction) {
  TMemorySettingsStore store;
  {
    TOption options(store);
    EXPECT_EQ(options.ChartOtherType, 1);
    EXPECT_EQ(options.ReportListCount, 50);
    EXPECT_EQ(options.ReportOldestType, 1);
    EXPECT_EQ(options.ColorPalette, 7);
    EXPECT_EQ(options.ColorGradient, 16);
    EXPECT_EQ(options.ShowTreemap, 1);
    EXPECT_EQ(options.CountHardLinksOnce, 1);
    EXPECT_EQ(options.KeepHistory, 1);
    EXPECT_EQ(options.HistoryEntries, 5);
    options.ColorPalette = 8;
    // Not stored until saved.
    EXPECT_EQ(ReadRegInteger(store, "ColorPalette", -1), -1);
  }
  const auto values = store.Values();
  ASSERT_EQ(values.size(), 9u);
  EXPECT_EQ(std::get<int32_t>(values.at("KeepHistory")), 1);
  EXPECT_EQ(std::get<int32_t>(values.at("HistoryEntries")), 5);
  EXPECT_EQ(std::get<int32_t>(values.at("ColorPalette")), 8);
  EXPECT_EQ(std::get<int32_t>(values.at("ChartOtherType")), 1);
  EXPECT_EQ(std::get<int32_t>(values.at("ReportListCount")), 50);
  EXPECT_EQ(std::get<int32_t>(values.at("ReportOldestType")), 1);
  EXPECT_EQ(std::get<int32_t>(values.at("ColorGradient")), 16);
  EXPECT_EQ(std::get<int32_t>(values.at("ShowTreemap")), 1);
  EXPECT_EQ(std::get<int32_t>(values.at("CountHardLinksOnce")), 1);

  WriteRegInteger(store, "ReportListCount", 3);
  TOption again(store);
  EXPECT_EQ(again.ReportListCount, 3);
  EXPECT_EQ(again.ColorPalette, 8);
}

}  // namespace
}  // namespace kv
