#include "launch/ui/engine_box.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStandardItemModel>

#include "core/ui/qt_text.h"
#include "launch/command_line.h"
#include "launch/engine_profiles.h"
#include "launch/launch_warnings.h"

namespace vorlix {

void Fill_Engine_Box(QComboBox& box, const TEngine_Selection& selection) {
  const QSignalBlocker blocker(box);
  box.clear();
  auto* model = qobject_cast<QStandardItemModel*>(box.model());
  for (const TEngine_Option& option : selection.Options()) {
    const QString caption = To_QString(option.Caption);
    if (option.Unavailable.empty()) {
      box.addItem(caption);
      continue;
    }
    box.addItem(caption + QStringLiteral(" - unavailable"));
    const int row = box.count() - 1;
    box.setItemData(row, To_QString(option.Unavailable), Qt::ToolTipRole);
    if (model != nullptr) {
      model->item(row)->setEnabled(false);
    }
  }
  Show_Engine_Choice(box, selection);
}

void Connect_Engine_Box(QComboBox& box, TEngine_Selection& selection,
                        std::function<void()> changed) {
  QObject::connect(&box, &QComboBox::currentIndexChanged, &box,
                   [&box, &selection, changed = std::move(changed)](int index) {
                     if (index >= 0 && !selection.Pick(static_cast<std::size_t>(index))) {
                       Show_Engine_Choice(box, selection);
                     }
                     changed();
                   });
}

void Show_Engine_Choice(QComboBox& box, const TEngine_Selection& selection) {
  const QSignalBlocker blocker(box);
  box.setCurrentIndex(static_cast<int>(selection.Chosen_Index()));
  const std::size_t chosen = selection.Chosen_Index();
  box.setToolTip(chosen < selection.Options().size()
                     ? To_QString(selection.Options()[chosen].Unavailable)
                     : QString());
}

void Show_Hunk_Offer(QPushButton& button, std::uint32_t megs, const TEngine_Selection& selection) {
  if (megs != 0) {
    button.setText(QStringLiteral("Add \"") +
                   To_QString(Joined_Command_Line("", Hunk_Megs_Words(megs)).substr(1)) +
                   QStringLiteral("\" to this launch"));
    button.setEnabled(true);
    button.setVisible(true);
    return;
  }
  if (!selection.Added_Words().empty()) {
    button.setText(QStringLiteral("Added to this launch: ") +
                   To_QString(Joined_Command_Line("", selection.Added_Words()).substr(1)));
    button.setEnabled(false);
    button.setVisible(true);
    return;
  }
  button.setVisible(false);
}

QLabel* New_Warning_Label(QWidget* parent, const char* name) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setWordWrap(true);
  label->setTextFormat(Qt::PlainText);
  label->setStyleSheet(QStringLiteral("QLabel { color: #a00000; }"));
  label->hide();
  return label;
}

}  // namespace vorlix
