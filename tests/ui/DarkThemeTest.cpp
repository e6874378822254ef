#include "ui/DarkTheme.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStyle>

#include <cmath>

namespace kv {
namespace {

// WCAG's contrast ratio of two colours, 1 to 21.
double Contrast(const QColor& a, const QColor& b) {
  const auto luminance = [](const QColor& c) {
    const auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST(DarkThemeTest, TextsStayReadableOnTheirBackgrounds) {
  const QPalette p = DarkPalette();
  using R = QPalette::ColorRole;
  const struct {
    QPalette::ColorGroup Group;
    R Text;
    R Back;
    double Least;
  } cases[] = {
      {QPalette::Active, R::Text, R::Base, 4.5},          {QPalette::Active, R::Text, R::AlternateBase, 4.5},
      {QPalette::Active, R::WindowText, R::Window, 4.5},  {QPalette::Active, R::ButtonText, R::Button, 4.5},
      {QPalette::Active, R::HighlightedText, R::Highlight, 4.5},
      {QPalette::Active, R::ToolTipText, R::ToolTipBase, 4.5},
      {QPalette::Active, R::Link, R::Base, 4.5},           {QPalette::Active, R::Link, R::Window, 4.5},
      {QPalette::Active, R::PlaceholderText, R::Base, 3.0},
      // Greyed out, yet still legible.
      {QPalette::Disabled, R::Text, R::Base, 3.0},         {QPalette::Disabled, R::WindowText, R::Window, 3.0},
      {QPalette::Disabled, R::ButtonText, R::Button, 3.0},
  };
  for (const auto& c : cases)
    EXPECT_GE(Contrast(p.color(c.Group, c.Text), p.color(c.Group, c.Back)), c.Least)
        << c.Group << " " << c.Text << " on " << c.Back;
  EXPECT_TRUE(IsDarkPalette(p));
}

TEST(DarkThemeTest, OnlyADarkPreferenceOverALightPaletteChangesTheColours) {
  const QPalette before = QApplication::palette();
  const QString style = QApplication::style()->name();
  ASSERT_FALSE(IsDarkPalette(before)) << "the tests run with Qt's light colours";
  for (const std::optional<bool> preference : {std::optional<bool>(), std::optional<bool>(false)}) {
    FollowDesktopColours(preference);
    EXPECT_EQ(QApplication::palette().color(QPalette::Window), before.color(QPalette::Window));
  }
  FollowDesktopColours(true);
  EXPECT_TRUE(IsDarkPalette(QApplication::palette()));
  EXPECT_EQ(QApplication::palette().color(QPalette::Base), DarkPalette().color(QPalette::Base));
  EXPECT_EQ(QApplication::style()->name().toLower(), "fusion");
  QApplication::setStyle(style);
  QApplication::setPalette(before);
}

}  // namespace
}  // namespace kv
