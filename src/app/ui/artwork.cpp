#include "app/ui/artwork.h"

#include <QtGlobal>

// The resources live in a static library: registering them here also makes the linker keep them.
// (Q_INIT_RESOURCE must be used outside any namespace.)
static int Register_Resources() {
  Q_INIT_RESOURCE(resources);
  return 0;
}

namespace vorlix::ui {

void Ressourcen_laden() {
  static const int registered = Register_Resources();
  (void)registered;
}

QPixmap Mit_Transparenz(const QImage& image) {
  QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb magenta = qRgb(255, 0, 255);
  for (int y = 0; y < argb.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(argb.scanLine(y));
    for (int x = 0; x < argb.width(); ++x) {
      if ((line[x] & 0x00FFFFFFu) == (magenta & 0x00FFFFFFu)) {
        line[x] = qRgba(0, 0, 0, 0);
      }
    }
  }
  return QPixmap::fromImage(argb);
}

QList<QPixmap> Bilder_aus_Streifen(const QString& resource, int size) {
  Ressourcen_laden();
  QList<QPixmap> images;
  const QImage strip(resource);
  if (strip.isNull() || size <= 0) {
    return images;
  }
  for (int x = 0; x + size <= strip.width(); x += size) {
    images.append(Mit_Transparenz(strip.copy(x, 0, size, size)));
  }
  return images;
}

}  // namespace vorlix::ui
