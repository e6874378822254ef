// What the window tests share: finding a widget by its object name, the
// program's UTF-8 texts as QStrings, plain icons. Apart from TestFiles.h
// because the core tests build without Qt.
#pragma once

#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QString>

#include <stdexcept>
#include <string>

namespace kv::test {

// A missing widget would otherwise crash the run instead of failing the test.
template <class T>
T* Named(const QObject& owner, const char* name) {
  T* found = owner.findChild<T*>(QString::fromLatin1(name));
  if (!found) throw std::runtime_error(std::string("no object named ") + name);
  return found;
}

inline QString Q(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

// A 16 x 16 icon of one colour, told apart from others by a pixel.
inline QIcon SolidIcon(Qt::GlobalColor color) {
  QPixmap pixmap(16, 16);
  pixmap.fill(color);
  return QIcon(pixmap);
}

}  // namespace kv::test
