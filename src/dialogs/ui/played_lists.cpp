#include "dialogs/ui/played_lists.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace vorlix {

TPlayed_List_Dialog::TPlayed_List_Dialog(const QString& title, const QStringList& headers,
                                         bool queue, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(title);
  resize(640, 380);
  Rows = new QTreeWidget(this);
  Rows->setObjectName(QStringLiteral("Rows"));
  Rows->setRootIsDecorated(false);
  Rows->setUniformRowHeights(true);
  Rows->setAllColumnsShowFocus(true);
  Rows->setHeaderLabels(headers);
  Rows->header()->setStretchLastSection(true);
  Button_Launch = new QPushButton(QStringLiteral("&Launch"), this);
  Button_Launch->setObjectName(QStringLiteral("Button_Launch"));
  Button_Launch->setDefault(true);
  Button_Close = new QPushButton(QStringLiteral("Close"), this);
  Button_Close->setObjectName(QStringLiteral("Button_Close"));
  auto* buttons = new QVBoxLayout;
  buttons->addWidget(Button_Launch);
  if (queue) {
    Button_Up = new QPushButton(QStringLiteral("Move &Up"), this);
    Button_Up->setObjectName(QStringLiteral("Button_Up"));
    Button_Down = new QPushButton(QStringLiteral("Move &Down"), this);
    Button_Down->setObjectName(QStringLiteral("Button_Down"));
    Button_Remove = new QPushButton(QStringLiteral("&Remove"), this);
    Button_Remove->setObjectName(QStringLiteral("Button_Remove"));
    buttons->addWidget(Button_Up);
    buttons->addWidget(Button_Down);
    buttons->addWidget(Button_Remove);
    connect(Button_Up, &QPushButton::clicked, this, [this] {
      if (Move && Current_Row() > 0) {
        Move(Current_Row(), -1);
      }
    });
    connect(Button_Down, &QPushButton::clicked, this, [this] {
      if (Move && Current_Row() >= 0 && Current_Row() + 1 < Rows->topLevelItemCount()) {
        Move(Current_Row(), 1);
      }
    });
    connect(Button_Remove, &QPushButton::clicked, this, [this] {
      if (Remove && Current_Row() >= 0) {
        Remove(Current_Row());
      }
    });
    // Ctrl+Up and Ctrl+Down move the current row, Delete removes it.
    const auto key = [this](const QKeySequence& keys, QPushButton* button) {
      connect(new QShortcut(keys, this), &QShortcut::activated, button, &QPushButton::click);
    };
    key(QKeySequence(Qt::CTRL | Qt::Key_Up), Button_Up);
    key(QKeySequence(Qt::CTRL | Qt::Key_Down), Button_Down);
    key(QKeySequence(Qt::Key_Delete), Button_Remove);
  }
  buttons->addStretch();
  buttons->addWidget(Button_Close);
  auto* layout = new QHBoxLayout(this);
  layout->addWidget(Rows, 1);
  layout->addLayout(buttons);
  connect(Button_Launch, &QPushButton::clicked, this, [this] {
    if (Current_Row() >= 0) {
      accept();
    }
  });
  connect(Button_Close, &QPushButton::clicked, this, &QDialog::reject);
  connect(Rows, &QTreeWidget::itemActivated, this, [this] { Button_Launch->click(); });
  connect(Rows, &QTreeWidget::currentItemChanged, this, [this] { Update_Buttons(); });
}

void TPlayed_List_Dialog::Set_Rows(const std::vector<QStringList>& rows, int current) {
  Rows->clear();
  QList<QTreeWidgetItem*> items;
  for (const QStringList& row : rows) {
    items.append(new QTreeWidgetItem(row));
  }
  Rows->addTopLevelItems(items);
  for (int column = 0; column + 1 < Rows->columnCount(); ++column) {
    Rows->resizeColumnToContents(column);
  }
  if (!items.isEmpty()) {
    Rows->setCurrentItem(items[std::clamp(current, 0, static_cast<int>(items.size()) - 1)]);
  }
  Rows->setFocus(Qt::OtherFocusReason);
  Update_Buttons();
}

int TPlayed_List_Dialog::Current_Row() const {
  QTreeWidgetItem* item = Rows->currentItem();
  return item != nullptr ? Rows->indexOfTopLevelItem(item) : -1;
}

void TPlayed_List_Dialog::Update_Buttons() const {
  const int row = Current_Row();
  Button_Launch->setEnabled(row >= 0);
  if (Button_Up != nullptr) {
    Button_Up->setEnabled(row > 0);
    Button_Down->setEnabled(row >= 0 && row + 1 < Rows->topLevelItemCount());
    Button_Remove->setEnabled(row >= 0);
  }
}

}  // namespace vorlix
