// Draws the program's artwork: the logo, the toolbar strip, the tree strip and the picture shown
// when a map has no levelshot. Run it with an output folder:
//   QT_QPA_PLATFORM=offscreen vorlix_artwork resources
// It writes logo.png, TOOLBAR.bmp, TREE.bmp, gfx/NOLEVELSHOTAVAILABLE.JPG and the desktop icons
// icons/vorlix-<size>.png there.
//
// Toolbar strip, left to right (25 x 25 each): Create Group, Delete, Map Properties, Launch Map,
// Create Arena File, Activate Arena File, Remove Arena File, Import Arena File, Info.
// Tree strip (16 x 16 each): group folder, map.
// Magenta (255, 0, 255) marks transparent pixels in both strips.

#include <cstdio>
#include <functional>

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QColor Magenta(255, 0, 255);

// Draws one icon antialiased on a transparent square, then flattens it onto magenta: pixels at
// least half covered become opaque, the rest transparent (no pink fringes).
QImage Icon(int size, const std::function<void(QPainter&, double)>& draw) {
  QImage canvas(size, size, QImage::Format_ARGB32);
  canvas.fill(Qt::transparent);
  {
    QPainter p(&canvas);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p, size / 25.0);
  }
  QImage flat(size, size, QImage::Format_RGB32);
  for (int y = 0; y < size; ++y) {
    for (int x = 0; x < size; ++x) {
      const QColor c = QColor::fromRgba(canvas.pixel(x, y));
      if (c.alpha() < 128) {
        flat.setPixelColor(x, y, Magenta);
      } else {
        QColor opaque = c;
        opaque.setAlpha(255);
        if (opaque == Magenta) {
          opaque = QColor(254, 0, 254);
        }
        flat.setPixelColor(x, y, opaque);
      }
    }
  }
  return flat;
}

void Folder(QPainter& p, double s, QColor body) {
  p.setPen(QPen(body.darker(170), 1.0 * s));
  p.setBrush(body.darker(115));
  QPainterPath back;
  back.moveTo(2 * s, 6 * s);
  back.lineTo(9 * s, 6 * s);
  back.lineTo(11 * s, 8 * s);
  back.lineTo(21 * s, 8 * s);
  back.lineTo(21 * s, 20 * s);
  back.lineTo(2 * s, 20 * s);
  back.closeSubpath();
  p.drawPath(back);
  p.setBrush(body);
  p.drawRect(QRectF(2 * s, 10 * s, 19 * s, 10 * s));
}

void Box(QPainter& p, double s) {
  // An archive: a brown box with a strap.
  p.setPen(QPen(QColor(90, 55, 20), 1.0 * s));
  p.setBrush(QColor(196, 140, 70));
  p.drawRect(QRectF(2 * s, 8 * s, 16 * s, 14 * s));
  p.setBrush(QColor(220, 170, 100));
  QPainterPath lid;
  lid.moveTo(2 * s, 8 * s);
  lid.lineTo(6 * s, 4 * s);
  lid.lineTo(22 * s, 4 * s);
  lid.lineTo(18 * s, 8 * s);
  lid.closeSubpath();
  p.drawPath(lid);
  p.setBrush(QColor(150, 100, 45));
  QPainterPath side;
  side.moveTo(18 * s, 8 * s);
  side.lineTo(22 * s, 4 * s);
  side.lineTo(22 * s, 18 * s);
  side.lineTo(18 * s, 22 * s);
  side.closeSubpath();
  p.drawPath(side);
  p.setPen(QPen(QColor(90, 55, 20), 1.5 * s));
  p.drawLine(QPointF(10 * s, 8 * s), QPointF(10 * s, 22 * s));
}

void Badge(QPainter& p, double s, QColor colour) {
  p.setPen(QPen(colour.darker(160), 1.0 * s));
  p.setBrush(colour);
  p.drawEllipse(QRectF(13 * s, 13 * s, 11 * s, 11 * s));
  p.setPen(QPen(Qt::white, 2.0 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
}

void Plus(QPainter& p, double s) {
  p.drawLine(QPointF(18.5 * s, 15.5 * s), QPointF(18.5 * s, 21.5 * s));
  p.drawLine(QPointF(15.5 * s, 18.5 * s), QPointF(21.5 * s, 18.5 * s));
}

QImage Toolbar() {
  const std::function<void(QPainter&, double)> icons[9] = {
      // Create Group: a folder with a green plus.
      [](QPainter& p, double s) {
        Folder(p, s, QColor(240, 200, 60));
        Badge(p, s, QColor(40, 160, 60));
        Plus(p, s);
      },
      // Delete: a red cross.
      [](QPainter& p, double s) {
        p.setPen(QPen(QColor(120, 0, 0), 6 * s, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5 * s, 5 * s), QPointF(20 * s, 20 * s));
        p.drawLine(QPointF(20 * s, 5 * s), QPointF(5 * s, 20 * s));
        p.setPen(QPen(QColor(220, 30, 30), 4 * s, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5 * s, 5 * s), QPointF(20 * s, 20 * s));
        p.drawLine(QPointF(20 * s, 5 * s), QPointF(5 * s, 20 * s));
      },
      // Map Properties: a sheet with lines and a pencil.
      [](QPainter& p, double s) {
        p.setPen(QPen(QColor(80, 80, 80), 1.0 * s));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4 * s, 2 * s, 14 * s, 20 * s));
        p.setPen(QPen(QColor(60, 90, 160), 1.2 * s));
        for (int i = 0; i < 5; ++i) {
          p.drawLine(QPointF(6 * s, (6 + 3 * i) * s), QPointF(16 * s, (6 + 3 * i) * s));
        }
        p.setPen(QPen(QColor(120, 70, 10), 3 * s, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(22 * s, 8 * s), QPointF(13 * s, 21 * s));
        p.setPen(QPen(QColor(250, 190, 60), 2 * s, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(22 * s, 8 * s), QPointF(14 * s, 19.5 * s));
      },
      // Launch Map: a green play triangle.
      [](QPainter& p, double s) {
        QPainterPath play;
        play.moveTo(6 * s, 3 * s);
        play.lineTo(21 * s, 12.5 * s);
        play.lineTo(6 * s, 22 * s);
        play.closeSubpath();
        QLinearGradient g(0, 3 * s, 0, 22 * s);
        g.setColorAt(0, QColor(110, 220, 110));
        g.setColorAt(1, QColor(20, 130, 30));
        p.setPen(QPen(QColor(10, 80, 20), 1.2 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(g);
        p.drawPath(play);
      },
      // Create Arena File: an archive with a green plus.
      [](QPainter& p, double s) {
        Box(p, s);
        Badge(p, s, QColor(40, 160, 60));
        Plus(p, s);
      },
      // Activate Arena File: an archive with a green tick.
      [](QPainter& p, double s) {
        Box(p, s);
        Badge(p, s, QColor(40, 160, 60));
        p.drawLine(QPointF(15.5 * s, 18.5 * s), QPointF(17.8 * s, 21 * s));
        p.drawLine(QPointF(17.8 * s, 21 * s), QPointF(21.5 * s, 15.5 * s));
      },
      // Remove Arena File: an archive with a red minus.
      [](QPainter& p, double s) {
        Box(p, s);
        Badge(p, s, QColor(210, 40, 40));
        p.drawLine(QPointF(15.5 * s, 18.5 * s), QPointF(21.5 * s, 18.5 * s));
      },
      // Import Arena File: an archive with a blue arrow coming out of it.
      [](QPainter& p, double s) {
        Box(p, s);
        Badge(p, s, QColor(40, 100, 210));
        p.drawLine(QPointF(18.5 * s, 21.5 * s), QPointF(18.5 * s, 15.5 * s));
        p.drawLine(QPointF(18.5 * s, 15.5 * s), QPointF(15.8 * s, 18.2 * s));
        p.drawLine(QPointF(18.5 * s, 15.5 * s), QPointF(21.2 * s, 18.2 * s));
      },
      // Info: a blue disc with a white "i".
      [](QPainter& p, double s) {
        QRadialGradient g(QPointF(9 * s, 8 * s), 14 * s);
        g.setColorAt(0, QColor(120, 170, 255));
        g.setColorAt(1, QColor(20, 60, 170));
        p.setPen(QPen(QColor(10, 30, 100), 1.0 * s));
        p.setBrush(g);
        p.drawEllipse(QRectF(2 * s, 2 * s, 21 * s, 21 * s));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(11 * s, 5 * s, 3.2 * s, 3.2 * s));
        p.drawRoundedRect(QRectF(11 * s, 10 * s, 3.2 * s, 9 * s), 1 * s, 1 * s);
      },
  };
  QImage strip(9 * 25, 25, QImage::Format_RGB32);
  QPainter p(&strip);
  for (int i = 0; i < 9; ++i) {
    p.drawImage(i * 25, 0, Icon(25, icons[i]));
  }
  return strip;
}

QImage Tree_Strip() {
  QImage strip(2 * 16, 16, QImage::Format_RGB32);
  QPainter p(&strip);
  // Group: a folder.
  p.drawImage(0, 0, Icon(16, [](QPainter& q, double s) { Folder(q, s, QColor(240, 200, 60)); }));
  // Map: a small square of terrain with a marker.
  p.drawImage(16, 0, Icon(16, [](QPainter& q, double s) {
                QLinearGradient g(0, 0, 0, 25 * s);
                g.setColorAt(0, QColor(150, 110, 70));
                g.setColorAt(1, QColor(80, 60, 40));
                q.setPen(QPen(QColor(40, 30, 20), 1.5 * s));
                q.setBrush(g);
                q.drawRect(QRectF(2 * s, 2 * s, 21 * s, 21 * s));
                q.setPen(QPen(QColor(230, 220, 200), 2 * s));
                q.drawLine(QPointF(2 * s, 12 * s), QPointF(23 * s, 12 * s));
                q.drawLine(QPointF(12 * s, 2 * s), QPointF(12 * s, 23 * s));
                q.setPen(Qt::NoPen);
                q.setBrush(QColor(230, 40, 30));
                q.drawEllipse(QRectF(14 * s, 4 * s, 7 * s, 7 * s));
              }));
  return strip;
}

// The evening sky behind the emblem, from `top` to `bottom`, turning red at `dusk` (0 to 1).
QLinearGradient Sky(double top, double bottom, double dusk) {
  QLinearGradient sky(0, top, 0, bottom);
  sky.setColorAt(0, QColor(18, 20, 40));
  sky.setColorAt(dusk, QColor(70, 30, 20));
  sky.setColorAt(1, QColor(190, 80, 20));
  return sky;
}

// Pen widths of the emblem: the outer ring, the inner ring, the outline of the "V".
struct Emblem_Pens {
  double Outer;
  double Inner;
  double Outline;
};

// The program's emblem, an arena ring seen from above with a "V" across it, around `centre`;
// `scale` 1 is the logo's size.
void Draw_Emblem(QPainter& p, QPointF centre, double scale, Emblem_Pens pens) {
  const auto at = [&](double x, double y) { return centre + QPointF(x * scale, y * scale); };
  p.setPen(QPen(QColor(255, 170, 60), pens.Outer));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(centre, 62 * scale, 62 * scale);
  p.setPen(QPen(QColor(255, 210, 120), pens.Inner));
  p.drawEllipse(centre, 48 * scale, 48 * scale);
  QPainterPath vee;
  vee.moveTo(at(-40, -40));
  for (const QPointF& corner :
       {at(-18, -40), at(0, 14), at(18, -40), at(40, -40), at(8, 46), at(-8, 46)}) {
    vee.lineTo(corner);
  }
  vee.closeSubpath();
  QLinearGradient metal(at(0, -40), at(0, 46));
  metal.setColorAt(0, QColor(250, 250, 255));
  metal.setColorAt(1, QColor(150, 160, 190));
  p.setPen(QPen(QColor(30, 30, 50), pens.Outline));
  p.setBrush(metal);
  p.drawPath(vee);
}

QImage Logo() {
  QImage logo(256, 256, QImage::Format_RGB32);
  QPainter p(&logo);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(0, 0, 256, 185, Sky(0, 185, 0.7));
  // The lower band carries the black status lines.
  QLinearGradient band(0, 185, 0, 256);
  band.setColorAt(0, QColor(235, 225, 205));
  band.setColorAt(1, QColor(205, 195, 175));
  p.fillRect(0, 185, 256, 71, band);
  p.setPen(QPen(QColor(120, 50, 10), 2));
  p.drawLine(0, 185, 256, 185);

  Draw_Emblem(p, QPointF(128, 78), 1.0, {5, 2, 2});

  QFont font(QStringLiteral("DejaVu Sans"));
  font.setBold(true);
  font.setPixelSize(34);
  font.setLetterSpacing(QFont::AbsoluteSpacing, 6);
  p.setFont(font);
  p.setPen(QColor(0, 0, 0, 140));
  p.drawText(QRectF(2, 142, 256, 40), Qt::AlignCenter, QStringLiteral("VORLIX"));
  p.setPen(QColor(255, 235, 200));
  p.drawText(QRectF(0, 140, 256, 40), Qt::AlignCenter, QStringLiteral("VORLIX"));
  return logo;
}

QImage No_Levelshot() {
  QImage image(256, 256, QImage::Format_RGB32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient g(0, 0, 256, 256);
  g.setColorAt(0, QColor(60, 60, 66));
  g.setColorAt(1, QColor(25, 25, 30));
  p.fillRect(image.rect(), g);
  p.setPen(QPen(QColor(110, 110, 120), 3, Qt::DashLine));
  p.drawRect(QRectF(12, 12, 232, 232));
  p.setPen(QPen(QColor(140, 140, 150), 6, Qt::SolidLine, Qt::RoundCap));
  p.drawEllipse(QPointF(128, 100), 40, 40);
  p.drawLine(QPointF(100, 128), QPointF(156, 72));
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setBold(true);
  font.setPixelSize(20);
  p.setFont(font);
  p.setPen(QColor(210, 210, 215));
  p.drawText(QRectF(0, 160, 256, 30), Qt::AlignCenter, QStringLiteral("NO LEVELSHOT"));
  p.drawText(QRectF(0, 188, 256, 30), Qt::AlignCenter, QStringLiteral("AVAILABLE"));
  return image;
}

// The desktop icon: the logo's ring and "V" on a rounded tile, transparent around it, drawn at
// 256 pixels and scaled down smoothly for the smaller sizes.
QImage App_Icon(int size) {
  QImage icon(256, 256, QImage::Format_ARGB32);
  icon.fill(Qt::transparent);
  {
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing);
    const QLinearGradient sky = Sky(8, 248, 0.65);
    p.setPen(QPen(QColor(120, 50, 10), 4));
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(8, 8, 240, 240), 44, 44);
    Draw_Emblem(p, QPointF(128, 128), 1.5, {12, 5, 4});
  }
  if (size == 256) {
    return icon;
  }
  return icon.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

// The sizes of the desktop icon in the hicolor theme.
const int Icon_Sizes[] = {16, 24, 32, 48, 64, 128, 256};

bool Save(const QImage& image, const QString& path, const char* format, int quality = -1) {
  if (!image.save(path, format, quality)) {
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: vorlix_artwork OUTPUT_DIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.mkpath(QStringLiteral("gfx")) || !out.mkpath(QStringLiteral("icons"))) {
    std::fprintf(stderr, "cannot create %s/gfx or %s/icons\n", argv[1], argv[1]);
    return 1;
  }
  bool ok = true;
  for (const int size : Icon_Sizes) {
    ok = ok &&
         Save(App_Icon(size), out.filePath(QStringLiteral("icons/vorlix-%1.png").arg(size)), "PNG");
  }
  ok =
      ok && Save(Logo(), out.filePath(QStringLiteral("logo.png")), "PNG") &&
      Save(Toolbar().convertToFormat(QImage::Format_RGB888),
           out.filePath(QStringLiteral("TOOLBAR.bmp")), "BMP") &&
      Save(Tree_Strip().convertToFormat(QImage::Format_RGB888),
           out.filePath(QStringLiteral("TREE.bmp")), "BMP") &&
      Save(No_Levelshot(), out.filePath(QStringLiteral("gfx/NOLEVELSHOTAVAILABLE.JPG")), "JPG", 90);
  return ok ? 0 : 1;
}
