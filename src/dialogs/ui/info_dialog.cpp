#include "dialogs/ui/info_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QRadialGradient>
#include <QVBoxLayout>

#include "dialogs/ui/link_labels.h"
#include "vorlix_version.h"

namespace vorlix {

namespace {

QFrame* Separator(QWidget* parent) {
  auto* line = new QFrame(parent);
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  return line;
}

}  // namespace

QPixmap TForm_Info_Dialog::Vorlix_Logo() {
  QPixmap logo(256, 185);
  QPainter painter(&logo);
  painter.setRenderHint(QPainter::Antialiasing);

  QLinearGradient sky(0, 0, 0, 185);
  sky.setColorAt(0.0, QColor(24, 16, 12));
  sky.setColorAt(0.6, QColor(92, 34, 14));
  sky.setColorAt(1.0, QColor(196, 92, 20));
  painter.fillRect(logo.rect(), sky);

  // An arena seen from above: rings around a glowing centre.
  QRadialGradient glow(QPointF(128, 78), 70);
  glow.setColorAt(0.0, QColor(255, 214, 120, 230));
  glow.setColorAt(1.0, QColor(255, 120, 20, 0));
  painter.setBrush(glow);
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(QPointF(128, 78), 70, 70);
  painter.setBrush(Qt::NoBrush);
  for (int ring = 0; ring < 3; ++ring) {
    painter.setPen(QPen(QColor(255, 190, 90, 200 - ring * 50), 3 - ring));
    painter.drawEllipse(QPointF(128, 78), 28 + ring * 18, 16 + ring * 10);
  }
  QPainterPath spire;
  spire.moveTo(128, 30);
  spire.lineTo(138, 78);
  spire.lineTo(128, 70);
  spire.lineTo(118, 78);
  spire.closeSubpath();
  painter.fillPath(spire, QColor(255, 240, 200));

  QFont title("Sans Serif", 30, QFont::Black);
  title.setLetterSpacing(QFont::AbsoluteSpacing, 6);
  painter.setFont(title);
  painter.setPen(QColor(0, 0, 0, 160));
  painter.drawText(QRect(2, 120, 256, 44), Qt::AlignCenter, QStringLiteral("VORLIX"));
  painter.setPen(QColor(255, 236, 200));
  painter.drawText(QRect(0, 118, 256, 44), Qt::AlignCenter, QStringLiteral("VORLIX"));
  QFont subtitle("Sans Serif", 8);
  painter.setFont(subtitle);
  painter.drawText(QRect(0, 160, 256, 20), Qt::AlignCenter,
                   QStringLiteral("map manager for Quake III Arena"));
  painter.end();
  return logo;
}

TForm_Info_Dialog::TForm_Info_Dialog(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm_Info_Dialog");
  setWindowTitle(tr("About"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::MSWindowsFixedSizeDialogHint);

  auto* bevel = new QFrame(this);
  bevel->setObjectName("Bevel2");
  bevel->setFrameShape(QFrame::Panel);
  bevel->setFrameShadow(QFrame::Sunken);
  Image_Logo_Vorlix = new QLabel(bevel);
  Image_Logo_Vorlix->setObjectName("Image_Logo_Vorlix");
  Image_Logo_Vorlix->setPixmap(Vorlix_Logo());
  Image_Logo_Vorlix->setFixedSize(256, 185);
  auto* bevel_layout = new QHBoxLayout(bevel);
  bevel_layout->setContentsMargins(3, 3, 3, 3);
  bevel_layout->addWidget(Image_Logo_Vorlix);

  Label1 = new QLabel(QStringLiteral(VORLIX_PRODUCT_NAME " Version " VORLIX_VERSION), this);
  Label1->setObjectName("Label1");
  Label2 = new QLabel(tr("by the Vorlix developers"), this);
  Label2->setObjectName("Label2");
  Label2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label3 = new QLabel(tr("(last update: December 2026)"), this);
  Label3->setObjectName("Label3");
  Label4 = new QLabel(tr("Website:"), this);
  Label4->setObjectName("Label4");
  Label_Web = new TKLR_HttpLabel(QString::fromLatin1(Vorlix_Web_Address), this);
  Label_Web->setObjectName("Label_Web");
  Label_Web->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label6 = new QLabel(tr("e-Mail:"), this);
  Label6->setObjectName("Label6");
  Label_e_Mail = new TKLR_EmailLabel(QString::fromLatin1(Vorlix_Mail_Address), this);
  Label_e_Mail->setObjectName("Label_e_Mail");
  Label_e_Mail->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // The dialog shows both links in blue.
  for (QLabel* link : {static_cast<QLabel*>(Label_Web), static_cast<QLabel*>(Label_e_Mail)}) {
    QPalette palette = link->palette();
    palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    link->setPalette(palette);
  }
  Button_OK = new QPushButton(tr("OK"), this);
  Button_OK->setObjectName("Button_OK");
  Button_OK->setDefault(true);
  connect(Button_OK, &QPushButton::clicked, this, &QDialog::accept);

  auto* version = new QGridLayout;
  version->addWidget(Label1, 0, 0);
  version->addWidget(Label2, 0, 1);
  version->addWidget(Label3, 1, 0, 1, 2);
  auto* links = new QGridLayout;
  links->addWidget(Label4, 0, 0);
  links->addWidget(Label_Web, 0, 1);
  links->addWidget(Label6, 1, 0);
  links->addWidget(Label_e_Mail, 1, 1);
  links->setColumnStretch(1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button_OK);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 12);
  layout->addWidget(bevel, 0, Qt::AlignHCenter);
  layout->addSpacing(8);
  layout->addWidget(Separator(this));
  layout->addLayout(version);
  layout->addWidget(Separator(this));
  layout->addLayout(links);
  layout->addSpacing(24);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace vorlix
