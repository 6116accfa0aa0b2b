#include "core/ui/artwork.h"

#include <QPainter>
#include <cmath>

#include <QtGlobal>

// The resources live in a static library: registering them here also makes the linker keep them.
// (Q_INIT_RESOURCE must be used outside any namespace.)
static int Register_Resources() {
  Q_INIT_RESOURCE(resources);
  return 0;
}

namespace vorlix::ui {

void Load_Resources() {
  static const int registered = Register_Resources();
  (void)registered;
}

QPixmap With_Transparency(const QImage& image) {
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

QList<QPixmap> Images_From_Strip(const QString& resource, int size) {
  Load_Resources();
  QList<QPixmap> images;
  const QImage strip(resource);
  if (strip.isNull() || size <= 0) {
    return images;
  }
  for (int x = 0; x + size <= strip.width(); x += size) {
    images.append(With_Transparency(strip.copy(x, 0, size, size)));
  }
  return images;
}

QPixmap Printer_Image(bool for_setup) {
  QPixmap image(25, 25);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(50, 50, 50), 1));
  // The sheet coming out at the top, the body, the paper tray in front.
  p.setBrush(Qt::white);
  p.drawRect(QRectF(7.5, 2.5, 10, 8));
  p.setBrush(QColor(150, 155, 165));
  p.drawRoundedRect(QRectF(2.5, 9.5, 20, 9), 2, 2);
  p.setBrush(Qt::white);
  p.drawRect(QRectF(6.5, 15.5, 12, 6));
  p.setBrush(QColor(60, 200, 60));
  p.drawEllipse(QPointF(19, 12.5), 1.2, 1.2);
  if (for_setup) {
    // A gear wheel in the lower right corner.
    const QPointF centre(19, 19);
    p.setPen(QPen(QColor(40, 60, 140), 2.2));
    for (int i = 0; i < 6; ++i) {
      const double angle = i * 3.14159265 / 3;
      p.drawLine(centre, centre + QPointF(5 * std::cos(angle), 5 * std::sin(angle)));
    }
    p.setPen(QPen(QColor(40, 60, 140), 1));
    p.setBrush(QColor(90, 120, 210));
    p.drawEllipse(centre, 3.5, 3.5);
    p.setBrush(Qt::white);
    p.drawEllipse(centre, 1.3, 1.3);
  }
  return image;
}

}  // namespace vorlix::ui
