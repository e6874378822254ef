#include "platform/ColourScheme.h"

#include <gtest/gtest.h>

namespace kv {
namespace {

TEST(ColourSchemeTest, GtkThemeIsDarkByItsVariantOrItsName) {
  const struct {
    const char* Theme;
    bool Dark;
  } cases[] = {
      {"Adwaita:dark", true},    {"Adwaita:DARK", true},  {"Adwaita", false},         {"Adwaita:light", false},
      {"Yaru-dark", true},       {"Arc-Dark-solid", true}, {"Pop_dark", true},        {"HighContrast", false},
      {"Darkness", false},       {"Adwaita-darker", false}, {"Yaru-dark:light", true}, {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(GtkThemeIsDark(c.Theme), c.Dark) << c.Theme;
}

}  // namespace
}  // namespace kv
