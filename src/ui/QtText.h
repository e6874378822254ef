// Small helpers every window piece uses: UTF-8 core texts to Qt strings and
// back, and a child widget made with its object name.
#pragma once

#include <string>

#include <QString>
#include <QWidget>

namespace kv {

inline QString FromUtf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string ToUtf8(const QString& text) { return text.toUtf8().toStdString(); }

// A language text used as a pattern: its first %s becomes the value. A text
// without one drops the value.
inline QString WithValue(QString pattern, const QString& value) {
  const qsizetype at = pattern.indexOf(QLatin1String("%s"));
  if (at >= 0) pattern.replace(at, 2, value);
  return pattern;
}

// A menu caption shown elsewhere (a button, a tool tip, a title): without
// its access key's &, "&&" standing for one &.
inline QString WithoutAccessKey(const QString& caption) {
  QString text;
  text.reserve(caption.size());
  for (qsizetype i = 0; i < caption.size(); ++i) {
    if (caption[i] == u'&' && i + 1 < caption.size()) ++i;
    text += caption[i];
  }
  return text;
}

// Tests and the window find controls by these names.
template <class T>
T* MakeNamed(QWidget* parent, const char* name) {
  auto* widget = new T(parent);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace kv
