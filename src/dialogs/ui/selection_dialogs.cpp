#include "dialogs/ui/selection_dialogs.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace vorlix {

namespace {

// File and directory names are local 8-bit text.
QString To_Q(const std::string& text) {
  return QString::fromLocal8Bit(text);
}
std::string From_Q(const QString& text) {
  return text.toLocal8Bit().toStdString();
}

// The common shape of the two list dialogs: description, list caption and list on the left, the
// confirm and cancel buttons on the right.
void Build_List_Dialog(QDialog* dialog, QLabel*& desc, QLabel*& caption, QListWidget*& list,
                       QPushButton*& confirm, QPushButton*& cancel, int list_width) {
  desc = new QLabel(dialog);
  desc->setObjectName("Label_Desc");
  desc->setWordWrap(true);
  desc->setMinimumHeight(49);
  desc->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  caption = new QLabel(dialog);
  caption->setObjectName("Label2");
  list = new QListWidget(dialog);
  list->setObjectName(dialog->objectName() == "TForm_Select_MOD" ? "ListBox_MODs"
                                                                 : "ListBox_Arena_Files");
  list->setMinimumSize(list_width, 97);
  confirm = new QPushButton(dialog);
  confirm->setObjectName("Button_Confirm");
  confirm->setDefault(true);
  confirm->setAutoDefault(false);
  cancel = new QPushButton(QDialog::tr("Cancel"), dialog);
  cancel->setObjectName("Button_Cancel");
  cancel->setAutoDefault(false);

  auto* left = new QVBoxLayout;
  left->addWidget(desc);
  left->addWidget(caption);
  left->addWidget(list, 1);
  auto* right = new QVBoxLayout;
  right->addWidget(confirm);
  right->addWidget(cancel);
  right->addStretch(1);
  auto* layout = new QHBoxLayout(dialog);
  layout->addLayout(left, 1);
  layout->addLayout(right);

  QObject::connect(cancel, &QPushButton::clicked, dialog, &QDialog::reject);
}

void Fill_List(QListWidget* list, const TSelection_Request& request) {
  list->clear();
  list->setSelectionMode(request.Multi_Select ? QAbstractItemView::ExtendedSelection
                                              : QAbstractItemView::SingleSelection);
  for (const auto& item : request.Items) {
    list->addItem(To_Q(item));
  }
}

std::vector<int> Selected_Rows(const QListWidget* list) {
  std::vector<int> rows;
  for (int row = 0; row < list->count(); ++row) {
    if (list->item(row)->isSelected()) {
      rows.push_back(row);
    }
  }
  return rows;
}

}  // namespace

// ---- MOD selection
// ---------------------------------------------------------------------------------

TForm_Select_MOD::TForm_Select_MOD(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm_Select_MOD");
  setWindowTitle(tr("Select MOD..."));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::MSWindowsFixedSizeDialogHint);
  Build_List_Dialog(this, Label_Desc, Label2, ListBox_MODs, Button_Confirm, Button_Cancel, 129);
  Label_Desc->setText(tr("Select the modification to create the arena.txt file for."));
  Label2->setText(tr("Available MODs"));
  Button_Confirm->setText(tr("OK"));
  resize(245, 197);

  connect(ListBox_MODs, &QListWidget::itemClicked, this, [this] { ListBox_MODsClick(); });
  connect(ListBox_MODs, &QListWidget::itemSelectionChanged, this, [this] {
    if (isVisible()) {
      ListBox_MODsClick();
    }
  });
  connect(ListBox_MODs, &QListWidget::itemDoubleClicked, this, [this] { Button_ConfirmClick(); });
  connect(Button_Confirm, &QPushButton::clicked, this, [this] { Button_ConfirmClick(); });
}

void TForm_Select_MOD::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Selection_Made = false;
  Button_Confirm->setEnabled(false);
  ListBox_MODs->setFocus();
}

void TForm_Select_MOD::ListBox_MODsClick() {
  Selection_Made = true;
  Button_Confirm->setEnabled(true);
}

void TForm_Select_MOD::Button_ConfirmClick() {
  if (Selection_Made) {
    accept();
  }
}

// ---- Arena-file name
// -------------------------------------------------------------------------------

TForm_Arena_File_Specify_Name::TForm_Arena_File_Specify_Name(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm_Arena_File_Specify_Name");
  setWindowTitle(tr("Arena File"));
  Label1 = new QLabel(tr("Specify name for Arena File in directory"), this);
  Label1->setObjectName("Label1");
  Label_Directory_Name = new QLabel(this);
  Label_Directory_Name->setObjectName("Label_Directory_Name");
  Edit_Name = new QLineEdit(this);
  Edit_Name->setObjectName("Edit_Name");
  Edit_Name->setMinimumWidth(321);
  Button_OK = new QPushButton(tr("OK"), this);
  Button_OK->setObjectName("Button_OK");
  Button_OK->setDefault(true);
  Button_OK->setAutoDefault(false);
  Button_Cancel = new QPushButton(tr("Cancel"), this);
  Button_Cancel->setObjectName("Button_Cancel");
  Button_Cancel->setAutoDefault(false);

  auto* top = new QHBoxLayout;
  top->addWidget(Label1);
  top->addWidget(Label_Directory_Name, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(Button_OK);
  buttons->addWidget(Button_Cancel);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addWidget(Edit_Name);
  layout->addLayout(buttons);
  resize(336, 93);

  connect(Edit_Name, &QLineEdit::textChanged, this,
          [this](const QString& text) { Edit_NameChange(text); });
  connect(Button_OK, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

// NOLINTNEXTLINE(readability-make-member-function-const): changes the dialog's controls
void TForm_Arena_File_Specify_Name::Edit_NameChange(const QString& text) {
  Button_OK->setEnabled(!text.isEmpty());
}

void TForm_Arena_File_Specify_Name::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Button_OK->setEnabled(false);
  Edit_Name->setFocus();
  Edit_Name->selectAll();
}

// ---- Arena-file selection
// --------------------------------------------------------------------------

TForm_Arena_File_Selection::TForm_Arena_File_Selection(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm_Arena_File_Selection");
  setWindowTitle(tr("Select Arena File..."));
  Build_List_Dialog(this, Label_Desc, Label2, ListBox_Arena_Files, Button_Confirm, Button_Cancel,
                    161);
  Label_Desc->setText(tr("Select an Arena File to delete."));
  Label2->setText(tr("Available Arena Files"));
  Button_Confirm->setText(tr("Delete"));
  resize(267, 197);

  connect(ListBox_Arena_Files, &QListWidget::itemClicked, this,
          [this] { ListBox_Arena_FilesClick(); });
  connect(ListBox_Arena_Files, &QListWidget::itemSelectionChanged, this, [this] {
    if (isVisible()) {
      ListBox_Arena_FilesClick();
    }
  });
  connect(ListBox_Arena_Files, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
  connect(Button_Confirm, &QPushButton::clicked, this, &QDialog::accept);
}

// NOLINTNEXTLINE(readability-make-member-function-const): changes the dialog's controls
void TForm_Arena_File_Selection::ListBox_Arena_FilesClick() {
  Button_Confirm->setEnabled(true);
}

void TForm_Arena_File_Selection::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  Button_Confirm->setEnabled(false);
  ListBox_Arena_Files->setFocus();
}

// ---- Running them
// ------------------------------------------------------------------------------------

std::optional<std::vector<int>> Run_Select_MOD(TForm_Select_MOD& dialog,
                                               const TSelection_Request& request) {
  if (request.Take_Only_Item && request.Items.size() == 1) {
    return std::vector<int>{0};
  }
  Fill_List(dialog.ListBox_MODs, request);
  dialog.Label_Desc->setText(To_Q(request.Description));
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  return Selected_Rows(dialog.ListBox_MODs);
}

std::optional<std::vector<int>> Run_Arena_File_Selection(TForm_Arena_File_Selection& dialog,
                                                         const TSelection_Request& request) {
  Fill_List(dialog.ListBox_Arena_Files, request);
  dialog.Label_Desc->setText(To_Q(request.Description));
  if (!request.Confirm_Caption.empty()) {
    dialog.Button_Confirm->setText(To_Q(request.Confirm_Caption));
  }
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  return Selected_Rows(dialog.ListBox_Arena_Files);
}

std::optional<std::vector<int>> Run_Selection(TForm_Select_MOD& mod_dialog,
                                              TForm_Arena_File_Selection& arena_dialog,
                                              const TSelection_Request& request) {
  if (request.Dialog == TSelection_Dialog::MOD) {
    return Run_Select_MOD(mod_dialog, request);
  }
  return Run_Arena_File_Selection(arena_dialog, request);
}

std::optional<std::string> Run_Specify_Arena_Name(TForm_Arena_File_Specify_Name& dialog,
                                                  const std::string& directory_name,
                                                  const std::optional<std::string>& preset) {
  dialog.Label_Directory_Name->setText(To_Q(directory_name));
  if (preset) {
    dialog.Edit_Name->setText(To_Q(*preset));
  }
  if (dialog.exec() != QDialog::Accepted) {
    return std::nullopt;
  }
  return From_Q(dialog.Edit_Name->text());
}

}  // namespace vorlix
