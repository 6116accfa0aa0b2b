#include "dialogs/ui/info_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/ui/artwork.h"
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

// The program's logo without the band the splash window writes its status lines on.
QPixmap TForm_Info_Dialog::Vorlix_Logo() {
  ui::Load_Resources();
  return QPixmap(ui::Logo_Resource).copy(0, 0, 256, 185);
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
  Label_Web = new THttp_Link_Label(QString::fromLatin1(Vorlix_Web_Address), this);
  Label_Web->setObjectName("Label_Web");
  Label_Web->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Label6 = new QLabel(tr("e-Mail:"), this);
  Label6->setObjectName("Label6");
  Label_Email = new TEmail_Link_Label(QString::fromLatin1(Vorlix_Mail_Address), this);
  Label_Email->setObjectName("Label_e_Mail");
  Label_Email->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // The dialog shows both links in blue.
  for (QLabel* link : {static_cast<QLabel*>(Label_Web), static_cast<QLabel*>(Label_Email)}) {
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
  links->addWidget(Label_Email, 1, 1);
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
