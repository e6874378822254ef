// QtGui's image writer has PNG built in and needs no application object.
#include "cli/PngImage.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>

namespace kv {

std::string EncodePng(const uint32_t* pixels, int width, int height) {
  if (!pixels || width <= 0 || height <= 0) return {};
  const QImage image(reinterpret_cast<const uchar*>(pixels), width, height,
                     static_cast<qsizetype>(width) * 4, QImage::Format_RGB32);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return {};
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace kv
