#include "ui/DarkTheme.h"

#include <QApplication>
#include <QStyleFactory>

namespace kv {

QPalette DarkPalette() {
  const QColor window(45, 45, 45);
  const QColor base(30, 30, 30);
  const QColor text(230, 230, 230);
  const QColor disabledText(128, 128, 128);
  QPalette p;
  p.setColor(QPalette::Window, window);
  p.setColor(QPalette::WindowText, text);
  p.setColor(QPalette::Base, base);
  p.setColor(QPalette::AlternateBase, QColor(40, 40, 40));
  p.setColor(QPalette::ToolTipBase, QColor(60, 60, 60));
  p.setColor(QPalette::ToolTipText, text);
  p.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
  p.setColor(QPalette::Text, text);
  p.setColor(QPalette::Button, QColor(53, 53, 53));
  p.setColor(QPalette::ButtonText, text);
  p.setColor(QPalette::BrightText, QColor(255, 110, 110));
  p.setColor(QPalette::Light, QColor(80, 80, 80));
  p.setColor(QPalette::Midlight, QColor(66, 66, 66));
  p.setColor(QPalette::Mid, QColor(38, 38, 38));
  p.setColor(QPalette::Dark, QColor(25, 25, 25));
  p.setColor(QPalette::Shadow, QColor(0, 0, 0));
  p.setColor(QPalette::Highlight, QColor(38, 100, 170));
  p.setColor(QPalette::HighlightedText, QColor(255, 255, 255));
  p.setColor(QPalette::Link, QColor(110, 170, 255));
  p.setColor(QPalette::LinkVisited, QColor(190, 140, 255));
  for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, disabledText);
  p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(70, 70, 70));
  p.setColor(QPalette::Disabled, QPalette::HighlightedText, disabledText);
  return p;
}

bool IsDarkPalette(const QPalette& palette) {
  return palette.color(QPalette::Window).lightness() < palette.color(QPalette::WindowText).lightness();
}

void FollowDesktopColours(std::optional<bool> prefersDark) {
  if (prefersDark != true || IsDarkPalette(QApplication::palette())) return;
  if (QStyle* fusion = QStyleFactory::create("Fusion")) QApplication::setStyle(fusion);
  QApplication::setPalette(DarkPalette());
}

}  // namespace kv
