#include <QtTest>

#include "app/ui/artwork.h"
#include "app/ui/main_window.h"
#include "vorlix_version.h"

using vorlix::ui::TForm_Main_Vorlix;

class Tst_Main_Window : public QObject {
  Q_OBJECT

 private slots:
  void opens_at_its_minimum_size_with_product_caption() {
    TForm_Main_Vorlix window({});
    QCOMPARE(window.windowTitle(), QStringLiteral("Vorlix " VORLIX_VERSION));
    QCOMPARE(window.size(), QSize(780, 547));
    QCOMPARE(window.minimumSize(), QSize(780, 547));
    window.resize(400, 300);
    QCOMPARE(window.size(), QSize(780, 547));
    window.resize(900, 600);
    QCOMPARE(window.size(), QSize(900, 600));
    QVERIFY(!window.Beenden_ohne_Speichern());
  }

  void toolbar_step_cuts_nine_pictures_with_magenta_transparent() {
    TForm_Main_Vorlix window({});
    QSignalSpy loaded(&window, &TForm_Main_Vorlix::Toolbar_Bilder_geladen);
    QVERIFY(window.Steps().Load_Toolbar_Images);
    window.Steps().Load_Toolbar_Images(window.State());
    QCOMPARE(loaded.count(), 1);
    QCOMPARE(window.Toolbar_Bilder().size(), 9);
    for (const QPixmap& picture : window.Toolbar_Bilder()) {
      QCOMPARE(picture.size(), QSize(25, 25));
      const QImage image = picture.toImage();
      QCOMPARE(qAlpha(image.pixel(0, 0)), 0);      // the corner is background
      QCOMPARE(qAlpha(image.pixel(12, 12)), 255);  // the middle is drawn
    }
    const auto tree = vorlix::ui::Bilder_aus_Streifen(vorlix::ui::Baum_Resource, 16);
    QCOMPARE(tree.size(), 2);
    QCOMPARE(tree[0].size(), QSize(16, 16));
    QVERIFY(vorlix::ui::Bilder_aus_Streifen(QStringLiteral(":/missing.bmp"), 25).isEmpty());
  }
};

QTEST_MAIN(Tst_Main_Window)
#include "tst_main_window.moc"
