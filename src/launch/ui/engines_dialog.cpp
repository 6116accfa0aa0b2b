#include "launch/ui/engines_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "core/letter_case.h"
#include "core/program_lookup.h"
#include "core/settings.h"
#include "core/ui/qt_text.h"
#include "launch/ui/engine_box.h"

namespace vorlix {

namespace {

constexpr const char* Every_MOD_Caption = "every MOD without its own";

QPushButton* Button(QWidget* parent, const char* caption, const char* name) {
  auto* button = new QPushButton(QString::fromLatin1(caption), parent);
  button->setObjectName(QString::fromLatin1(name));
  return button;
}

std::string Defaults_Text(const TEngine_Profiles& profiles, const std::string& name) {
  std::string text;
  for (const std::string& mod : profiles.MODs_Defaulting_To(name)) {
    text += (text.empty() ? "" : ", ") + (mod.empty() ? std::string(Every_MOD_Caption) : mod);
  }
  return text;
}

}  // namespace

TForm_Engine_Profile::TForm_Engine_Profile(QWidget* parent, const TEngine_Profile& profile,
                                           Apply apply)
    : QDialog(parent), Apply_(std::move(apply)) {
  setObjectName(QStringLiteral("TForm_Engine_Profile"));
  setWindowTitle(profile.Name.empty() ? QStringLiteral("New Engine") : QStringLiteral("Engine"));
  auto* form = new QFormLayout;
  Edit_Name_ = new QLineEdit(To_QString(profile.Name), this);
  Edit_Name_->setObjectName(QStringLiteral("Edit_Name"));
  form->addRow(QStringLiteral("&Name:"), Edit_Name_);
  Edit_Program_ = new QLineEdit(QString::fromLocal8Bit(profile.Program.c_str()), this);
  Edit_Program_->setObjectName(QStringLiteral("Edit_Program"));
  Edit_Program_->setPlaceholderText(QStringLiteral("a path, or a program name looked up in PATH"));
  auto* browse = Button(this, "&Browse...", "Button_Browse");
  auto* program_row = new QHBoxLayout;
  program_row->addWidget(Edit_Program_, 1);
  program_row->addWidget(browse);
  auto* program_caption = new QLabel(QStringLiteral("&Program:"), this);
  program_caption->setBuddy(Edit_Program_);
  form->addRow(program_caption, program_row);
  Kind_Box_ = new QComboBox(this);
  Kind_Box_->setObjectName(QStringLiteral("ComboBox_Kind"));
  for (const TEngine_Kind_Rules& rules : Engine_Kind_Table) {
    Kind_Box_->addItem(QString::fromLatin1(rules.Caption));
    if (rules.Kind == profile.Kind) {
      Kind_Box_->setCurrentIndex(Kind_Box_->count() - 1);
    }
  }
  form->addRow(QStringLiteral("&Kind:"), Kind_Box_);
  Edit_Arguments_ = new QLineEdit(To_QString(profile.Arguments), this);
  Edit_Arguments_->setObjectName(QStringLiteral("Edit_Arguments"));
  Edit_Arguments_->setPlaceholderText(QStringLiteral("e.g. +set com_hunkMegs 256"));
  form->addRow(QStringLiteral("&Arguments:"), Edit_Arguments_);
  Label_Refusal_ = New_Warning_Label(this, "Label_Refusal");
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, [this] { Try_Accept(); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(browse, &QPushButton::clicked, this, [this] {
    const QString chosen =
        QFileDialog::getOpenFileName(this, QStringLiteral("Engine Program"), Edit_Program_->text());
    if (!chosen.isEmpty()) {
      Edit_Program_->setText(chosen);
    }
  });
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(Label_Refusal_);
  layout->addWidget(buttons);
  setMinimumWidth(520);
}

TEngine_Profile TForm_Engine_Profile::Profile() const {
  TEngine_Profile profile;
  profile.Name = From_QString(Edit_Name_->text().trimmed());
  profile.Program = Edit_Program_->text().trimmed().toLocal8Bit().toStdString();
  const int kind = Kind_Box_->currentIndex();
  profile.Kind = kind >= 0 && kind < static_cast<int>(std::size(Engine_Kind_Table))
                     ? Engine_Kind_Table[static_cast<std::size_t>(kind)].Kind
                     : TEngine_Kind::Other;
  profile.Arguments = From_QString(Edit_Arguments_->text().trimmed());
  return profile;
}

bool TForm_Engine_Profile::Try_Accept() {
  const TResult<void> taken = Apply_(Profile());
  if (!taken) {
    Label_Refusal_->setText(To_QString(taken.Message()));
    Label_Refusal_->show();
    return false;
  }
  accept();
  return true;
}

TForm_Engines::TForm_Engines(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TForm_Engines"));
  setWindowTitle(QStringLiteral("Engines"));
  Table_ = new QTableWidget(0, 6, this);
  Table_->setObjectName(QStringLiteral("Table_Engines"));
  Table_->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("Kind"),
                                     QStringLiteral("Program"), QStringLiteral("Arguments"),
                                     QStringLiteral("Default for"), QStringLiteral("State")});
  Table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  Table_->setSelectionMode(QAbstractItemView::SingleSelection);
  Table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  Table_->verticalHeader()->hide();
  Table_->horizontalHeader()->setStretchLastSection(true);
  auto* note = new QLabel(
      QStringLiteral("A launch starts the engine its MOD has by default, else the stored "
                     "engine; the launch and Host Server dialogs choose another."),
      this);
  note->setWordWrap(true);
  Label_Status_ = new QLabel(this);
  Label_Status_->setObjectName(QStringLiteral("Label_Status"));
  Label_Status_->setWordWrap(true);
  Label_Status_->setTextFormat(Qt::PlainText);
  auto* add = Button(this, "&Add...", "Button_Add");
  Button_Edit_ = Button(this, "&Edit...", "Button_Edit");
  Button_Remove_ = Button(this, "&Remove", "Button_Remove");
  Button_Default_ = Button(this, "&Default for MOD...", "Button_Default");
  auto* found = Button(this, "Add &Found", "Button_Add_Found");
  found->setToolTip(QStringLiteral("ioq3, ioquake3, openarena and quake3e found in PATH"));
  auto* close = Button(this, "Close", "Button_Close");
  auto* buttons = new QVBoxLayout;
  for (QPushButton* button : {add, Button_Edit_, Button_Remove_, Button_Default_, found}) {
    buttons->addWidget(button);
  }
  buttons->addStretch();
  buttons->addWidget(close);
  auto* row = new QHBoxLayout;
  row->addWidget(Table_, 1);
  row->addLayout(buttons);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(note);
  layout->addLayout(row, 1);
  layout->addWidget(Label_Status_);
  connect(add, &QPushButton::clicked, this, [this] { Add_Click(); });
  connect(Button_Edit_, &QPushButton::clicked, this, [this] { Edit_Click(); });
  connect(Table_, &QTableWidget::cellDoubleClicked, this, [this] { Edit_Click(); });
  connect(Button_Remove_, &QPushButton::clicked, this, [this] { Remove_Click(); });
  connect(Button_Default_, &QPushButton::clicked, this, [this] { Default_Click(); });
  connect(found, &QPushButton::clicked, this, [this] { Found_Click(); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(Table_, &QTableWidget::itemSelectionChanged, this, [this] {
    const bool one = Selected() != nullptr;
    Button_Edit_->setEnabled(one);
    Button_Remove_->setEnabled(one);
    Button_Default_->setEnabled(one);
  });
  resize(900, 360);
}

void TForm_Engines::Load(const std::string& game_dir, const std::vector<std::string>& mods) {
  Game_Dir_ = game_dir;
  MODs_ = mods;
  Profiles_ = Load_Engine_Profiles();
  Label_Status_->clear();
  Refresh();
}

void TForm_Engines::Refresh() {
  const int keep = Table_->currentRow();
  Table_->setRowCount(static_cast<int>(Profiles_.Profiles.size()));
  for (std::size_t i = 0; i < Profiles_.Profiles.size(); ++i) {
    const TEngine_Profile& profile = Profiles_.Profiles[i];
    const std::string unavailable = Profile_Unavailable_Reason(profile, Game_Dir_);
    const QString cells[] = {
        To_QString(profile.Name),
        QString::fromLatin1(Rules_Of(profile.Kind).Caption),
        QString::fromLocal8Bit(profile.Program.c_str()),
        To_QString(profile.Arguments),
        To_QString(Defaults_Text(Profiles_, profile.Name)),
        unavailable.empty() ? QStringLiteral("available") : QStringLiteral("unavailable")};
    for (int column = 0; column < 6; ++column) {
      auto* item = new QTableWidgetItem(cells[column]);
      if (!unavailable.empty()) {
        item->setToolTip(To_QString(unavailable));
      }
      Table_->setItem(static_cast<int>(i), column, item);
    }
  }
  Table_->resizeColumnsToContents();
  Table_->setCurrentCell(std::min(std::max(keep, 0), Table_->rowCount() - 1), 0);
  const bool one = Selected() != nullptr;
  Button_Edit_->setEnabled(one);
  Button_Remove_->setEnabled(one);
  Button_Default_->setEnabled(one);
}

const TEngine_Profile* TForm_Engines::Selected() const {
  const int row = Table_->currentRow();
  return row >= 0 && row < static_cast<int>(Profiles_.Profiles.size())
             ? &Profiles_.Profiles[static_cast<std::size_t>(row)]
             : nullptr;
}

void TForm_Engines::Store(TEngine_Profiles changed, const std::string& done) {
  if (!Save_Engine_Profiles(changed)) {
    Label_Status_->setText(
        To_QString("Cannot write the settings file " + Settings_File_Path() + "."));
    Profiles_ = Load_Engine_Profiles();
  } else {
    Profiles_ = std::move(changed);
    Label_Status_->setText(To_QString(done));
  }
  Refresh();
}

void TForm_Engines::Add_Click() {
  TEngine_Profiles changed = Profiles_;
  TForm_Engine_Profile form(this, {}, [&changed](const TEngine_Profile& profile) {
    TEngine_Profiles trial = changed;
    TResult<void> added = trial.Add(profile);
    if (added) {
      changed = std::move(trial);
    }
    return added;
  });
  if (form.exec() == QDialog::Accepted) {
    const std::string name = form.Profile().Name;
    Store(std::move(changed), "The engine " + name + " is kept.");
    Table_->setCurrentCell(Table_->rowCount() - 1, 0);
  }
}

void TForm_Engines::Edit_Click() {
  const TEngine_Profile* selected = Selected();
  if (selected == nullptr) {
    return;
  }
  const std::string old_name = selected->Name;
  TEngine_Profiles changed = Profiles_;
  TForm_Engine_Profile form(this, *selected, [&changed, &old_name](const TEngine_Profile& profile) {
    TEngine_Profiles trial = changed;
    TResult<void> replaced = trial.Replace(old_name, profile);
    if (replaced) {
      changed = std::move(trial);
    }
    return replaced;
  });
  if (form.exec() == QDialog::Accepted) {
    Store(std::move(changed), "The engine " + form.Profile().Name + " is kept.");
  }
}

void TForm_Engines::Remove_Click() {
  const TEngine_Profile* selected = Selected();
  if (selected == nullptr) {
    return;
  }
  const std::string name = selected->Name;
  TEngine_Profiles changed = Profiles_;
  changed.Remove(name);
  Store(std::move(changed), "The engine " + name + " was removed.");
}

void TForm_Engines::Default_Click() {
  const TEngine_Profile* selected = Selected();
  if (selected == nullptr) {
    return;
  }
  const std::string name = selected->Name;
  QStringList items{QString::fromLatin1(Every_MOD_Caption)};
  for (const std::string& mod : MODs_) {
    items.append(To_QString(mod));
  }
  bool chosen = false;
  const QString item = QInputDialog::getItem(
      this, QStringLiteral("Default Engine"),
      To_QString("Launch the maps of this MOD with " + name +
                 " (choosing a MOD it is already the default of removes that default):"),
      items, 0, false, &chosen);
  if (!chosen) {
    return;
  }
  const std::string mod = item == items.front() ? std::string() : From_QString(item);
  TEngine_Profiles changed = Profiles_;
  const std::vector<std::string> defaults = changed.MODs_Defaulting_To(name);
  const bool is_default =
      std::any_of(defaults.begin(), defaults.end(), [&mod](const std::string& other) {
        return mod.empty() ? other.empty() : platform::Equal_Ignore_Case(other, mod);
      });
  (void)changed.Set_Default(mod, is_default ? std::string() : name);
  const std::string whose = mod.empty() ? std::string(Every_MOD_Caption) : mod;
  Store(std::move(changed), is_default ? "The default engine of " + whose + " was removed."
                                       : name + " is the default engine of " + whose + ".");
}

void TForm_Engines::Found_Click() {
  TEngine_Profiles changed = Profiles_;
  std::string added;
  for (const TEngine_Profile& found : Found_Engines_Not_Kept(
           Profiles_, platform::Program_Search_Folders(), Engine_Install_Places)) {
    if (changed.Add(found)) {
      added += (added.empty() ? "" : ", ") + found.Name;
    }
  }
  if (added.empty()) {
    Label_Status_->setText(QStringLiteral("No engine was found that is not kept already."));
    return;
  }
  Store(std::move(changed), "Found and kept: " + added + ".");
}

}  // namespace vorlix
