#include "launch/ui/server_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "browser/map_game_facts.h"
#include "browser/maps_tree.h"
#include "core/game_types.h"
#include "core/interaction.h"
#include "core/settings.h"
#include "core/ui/qt_text.h"
#include "database/game_index.h"
#include "database/play_history.h"
#include "launch/exec_file.h"
#include "launch/game_choices.h"
#include "launch/launch_outcomes.h"
#include "launch/launch_warnings.h"
#include "launch/ui/engine_box.h"

namespace vorlix {

namespace {

QSpinBox* Spin(QWidget* parent, const char* name, int low, int high) {
  auto* spin = new QSpinBox(parent);
  spin->setObjectName(QString::fromLatin1(name));
  spin->setRange(low, high);
  return spin;
}

}  // namespace

TForm_Host_Server::TForm_Host_Server(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TForm_Host_Server"));
  setWindowTitle(QStringLiteral("Host Server"));
  auto* form = new QFormLayout;
  MOD_Box_ = new QComboBox(this);
  MOD_Box_->setObjectName(QStringLiteral("ComboBox_MOD"));
  form->addRow(QStringLiteral("&MOD:"), MOD_Box_);
  Type_Box_ = new QComboBox(this);
  Type_Box_->setObjectName(QStringLiteral("ComboBox_Game_Type"));
  for (const TGame_Type& type : Game_Type_Table) {
    Type_Box_->addItem(QString::fromLatin1(type.Caption));
  }
  form->addRow(QStringLiteral("&Game Type:"), Type_Box_);
  Spin_Frags_ = Spin(this, "Spin_Frags", 0, 100);
  Spin_Time_ = Spin(this, "Spin_Time", 0, 120);
  Spin_Captures_ = Spin(this, "Spin_Captures", 0, 50);
  auto* limits = new QHBoxLayout;
  limits->addWidget(new QLabel(QStringLiteral("Frags"), this));
  limits->addWidget(Spin_Frags_);
  limits->addWidget(new QLabel(QStringLiteral("Time"), this));
  limits->addWidget(Spin_Time_);
  limits->addWidget(new QLabel(QStringLiteral("Captures"), this));
  limits->addWidget(Spin_Captures_);
  form->addRow(QStringLiteral("Limits:"), limits);
  Spin_Bots_ = Spin(this, "Spin_Bots", 0, 64);
  Spin_Bots_->setToolTip(QStringLiteral("bots fill the server up to this many players"));
  Skill_Box_ = new QComboBox(this);
  Skill_Box_->setObjectName(QStringLiteral("ComboBox_Skill"));
  for (const char* caption : Skill_Captions) {
    Skill_Box_->addItem(QString::fromLatin1(caption));
  }
  auto* bots = new QHBoxLayout;
  bots->addWidget(Spin_Bots_);
  bots->addWidget(new QLabel(QStringLiteral("Skill"), this));
  bots->addWidget(Skill_Box_);
  // A caption beside a row of controls gets its buddy by hand (the form gives it only to a field).
  auto* bots_caption = new QLabel(QStringLiteral("&Bots:"), this);
  bots_caption->setObjectName(QStringLiteral("Label_Bots"));
  bots_caption->setBuddy(Spin_Bots_);
  form->addRow(bots_caption, bots);
  Edit_Host_Name_ = new QLineEdit(this);
  Edit_Host_Name_->setObjectName(QStringLiteral("Edit_Host_Name"));
  form->addRow(QStringLiteral("&Host Name:"), Edit_Host_Name_);
  Spin_Port_ = Spin(this, "Spin_Port", 1, 65535);
  form->addRow(QStringLiteral("P&ort:"), Spin_Port_);
  Spin_Max_Clients_ = Spin(this, "Spin_Max_Clients", 1, 64);
  form->addRow(QStringLiteral("Ma&x Clients:"), Spin_Max_Clients_);
  Edit_Password_ = new QLineEdit(this);
  Edit_Password_->setObjectName(QStringLiteral("Edit_Password"));
  Edit_Password_->setPlaceholderText(QStringLiteral("none"));
  form->addRow(QStringLiteral("&Password:"), Edit_Password_);
  Edit_Server_Exe_ = new QLineEdit(this);
  Edit_Server_Exe_->setObjectName(QStringLiteral("Edit_Server_Program"));
  Edit_Server_Exe_->setPlaceholderText(QStringLiteral("the game's engine with +set dedicated 1"));
  form->addRow(QStringLiteral("Server &Program:"), Edit_Server_Exe_);
  Engine_Box_ = new QComboBox(this);
  Engine_Box_->setObjectName(QStringLiteral("ComboBox_Engine"));
  form->addRow(QStringLiteral("&Engine:"), Engine_Box_);

  Rotation_List_ = new QListWidget(this);
  Rotation_List_->setObjectName(QStringLiteral("ListBox_Rotation"));
  Left_Out_List_ = new QListWidget(this);
  Left_Out_List_->setObjectName(QStringLiteral("ListBox_Left_Out"));
  auto* lists = new QHBoxLayout;
  auto* rotation_box = new QGroupBox(QStringLiteral("Rotation"), this);
  (new QVBoxLayout(rotation_box))->addWidget(Rotation_List_);
  auto* left_out_box = new QGroupBox(QStringLiteral("Left out"), this);
  (new QVBoxLayout(left_out_box))->addWidget(Left_Out_List_);
  lists->addWidget(rotation_box);
  lists->addWidget(left_out_box, 1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  Button_OK_ = buttons->button(QDialogButtonBox::Ok);
  Button_OK_->setText(QStringLiteral("Start Server"));
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  Label_Warnings_ = New_Warning_Label(this, "Label_Launch_Warnings");
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addLayout(lists, 1);
  layout->addWidget(Label_Warnings_);
  Button_Add_Hunk_ = new QPushButton(this);
  Button_Add_Hunk_->setObjectName(QStringLiteral("Button_Add_Hunk"));
  Button_Add_Hunk_->hide();
  auto* offer_row = new QHBoxLayout;
  offer_row->addWidget(Button_Add_Hunk_);
  offer_row->addStretch();
  layout->addLayout(offer_row);
  layout->addWidget(buttons);

  connect(MOD_Box_, &QComboBox::currentIndexChanged, this, [this] { MOD_BoxChange(); });
  connect(Type_Box_, &QComboBox::currentIndexChanged, this, [this] { Type_BoxChange(); });
  connect(Edit_Server_Exe_, &QLineEdit::editingFinished, this, [this] { Refresh_Warnings(); });
  Connect_Engine_Box(*Engine_Box_, Engines_, [this] { Refresh_Warnings(); });
  connect(Button_Add_Hunk_, &QPushButton::clicked, this, [this] {
    Engines_.Add_Words(Hunk_Megs_Words(Rotation_Hunk_Megs_Offer(Rotation_, Engine_Words())));
    Refresh_Warnings();
  });
}

void TForm_Host_Server::Load(const std::vector<TMap_Record*>& maps,
                             const std::vector<std::string>& mods, const std::string& server_exe) {
  Maps_ = maps;
  Game_Facts_ = Game_Source_ ? Game_Source_({maps.begin(), maps.end()}) : nullptr;
  Edit_Server_Exe_->setText(QString::fromLocal8Bit(server_exe.c_str()));
  Edit_Host_Name_->setText(QString::fromLatin1(TServer_Settings{}.Host_Name.c_str()));
  Edit_Password_->clear();
  Spin_Port_->setValue(Default_Server_Port);
  Spin_Bots_->setValue(0);
  // The engines as they are stored now; the first choice is the server program typed above.
  Engines_.Load(Load_Engine_Profiles(), Game_Dir_);
  Fill_Engine_Box(*Engine_Box_, Engines_);
  Engine_Box_->setItemText(0, QStringLiteral("The server program above"));
  const QSignalBlocker block(MOD_Box_);
  MOD_Box_->clear();
  for (const auto& mod : Server_MODs(maps, mods)) {
    MOD_Box_->addItem(To_QString(mod));
  }
  MOD_BoxChange();
}

void TForm_Host_Server::MOD_BoxChange() {
  const TServer_Settings defaults =
      Default_Server_Settings(Maps_, From_QString(MOD_Box_->currentText()), Game_Facts_.get());
  Spin_Frags_->setValue(defaults.Frag_Limit);
  Spin_Time_->setValue(defaults.Time_Limit);
  Spin_Captures_->setValue(defaults.Capture_Limit);
  Spin_Max_Clients_->setValue(defaults.Max_Clients);
  Skill_Box_->setCurrentIndex(defaults.Bot_Skill - 1);
  const QSignalBlocker block(Type_Box_);
  Type_Box_->setCurrentIndex(defaults.Game_Type);
  Type_BoxChange();
}

void TForm_Host_Server::Type_BoxChange() {
  Rotation_ = Choose_Rotation(Maps_, From_QString(MOD_Box_->currentText()),
                              Type_Box_->currentIndex(), Game_Facts_.get());
  Rotation_List_->clear();
  for (const auto& name : Rotation_.Maps) {
    Rotation_List_->addItem(To_QString(name));
  }
  Left_Out_List_->clear();
  for (const auto& left_out : Rotation_.Left_Out) {
    Left_Out_List_->addItem(To_QString(left_out.Name + ": " + left_out.Reason));
  }
  // A server needs a MOD and at least one map to play.
  Button_OK_->setEnabled(MOD_Box_->currentIndex() >= 0 && !Rotation_.Maps.empty());
  Refresh_Warnings();
}

void TForm_Host_Server::Refresh_Warnings() {
  Engines_.Follow_MOD(From_QString(MOD_Box_->currentText()));
  Show_Engine_Choice(*Engine_Box_, Engines_);
  Edit_Server_Exe_->setEnabled(!Profile_Chosen());
  const std::shared_ptr<const TGame_Index> index = Index_Source_ ? Index_Source_() : nullptr;
  QStringList lines;
  const std::vector<std::string> words = Engine_Words();
  if (MOD_Box_->currentIndex() >= 0) {
    const std::optional<bool> keeps_open =
        Profile_Chosen() ? Engines_.Choice().Keeps_Archives_Open : std::nullopt;
    for (const std::string& warning :
         Server_Launch_Warnings(Game_Dir_, Settings(), Server_Exe(), Load_Q3A_Exe(), index.get(),
                                keeps_open, words, &Rotation_)) {
      lines.append(To_QString(warning));
    }
  }
  Label_Warnings_->setText(lines.join(QLatin1Char('\n')));
  Label_Warnings_->setVisible(!lines.isEmpty());
  Show_Hunk_Offer(*Button_Add_Hunk_, Rotation_Hunk_Megs_Offer(Rotation_, words), Engines_);
}

TServer_Settings TForm_Host_Server::Settings() const {
  TServer_Settings settings;
  settings.MOD = From_QString(MOD_Box_->currentText());
  settings.Game_Type = Type_Box_->currentIndex();
  settings.Frag_Limit = Spin_Frags_->value();
  settings.Time_Limit = Spin_Time_->value();
  settings.Capture_Limit = Spin_Captures_->value();
  settings.Bots = Spin_Bots_->value();
  settings.Bot_Skill = Skill_Box_->currentIndex() + 1;
  settings.Host_Name = From_QString(Edit_Host_Name_->text());
  settings.Port = Spin_Port_->value();
  settings.Max_Clients = Spin_Max_Clients_->value();
  settings.Password = From_QString(Edit_Password_->text());
  return settings;
}

std::string TForm_Host_Server::Server_Exe() const {
  if (const TEngine_Profile* profile = Engines_.Chosen_Profile()) {
    return profile->Program;
  }
  return Edit_Server_Exe_->text().trimmed().toLocal8Bit().toStdString();
}

TServer_Process Host_Server_For_Group(TForm_Host_Server& dialog, const TMaps_Tree_Node& group,
                                      const std::vector<std::string>& mods,
                                      const std::string& game_dir, TExec_File& exec_file,
                                      TInteraction& interaction, THistory_Keeper* history) {
  const std::vector<TMap_Record*> maps = Maps_Of_Group(group);
  dialog.Load(maps, mods, Load_Q3A_Server_Exe());
  while (dialog.exec() == QDialog::Accepted) {
    const std::string server_exe = dialog.Server_Exe();
    const TServer_Start start =
        Host_Server(game_dir, dialog.Settings(), dialog.Rotation(), server_exe, Load_Q3A_Exe(),
                    false, exec_file, interaction,
                    history != nullptr ? New_Launch_Log(history->Program_Dir()) : std::string(),
                    dialog.Engine_Words());
    if (start.Status != 0) {
      // Refused settings, a server program not found, a configuration not written: the reason
      // was shown, and the dialog comes back with the user's values to correct them.
      continue;
    }
    // A server program is stored once a server runs with it.
    if (!dialog.Profile_Chosen() && server_exe != Load_Q3A_Server_Exe() &&
        !Save_Q3A_Server_Exe(server_exe)) {
      interaction.Message(TMessage_Kind::Error,
                          "Couldn't store the server program in " + Settings_File_Path() + ".",
                          TAnswer_Set::OK);
    }
    if (history != nullptr) {
      if (const std::string told = Record_Server_Start(*history, maps, dialog.Rotation(),
                                                       start.Command.Program, start.Log);
          !told.empty()) {
        interaction.Message(TMessage_Kind::Warning, told, TAnswer_Set::OK);
      }
    }
    interaction.Message(TMessage_Kind::Information,
                        "The server runs with the process ID " + std::to_string(start.Process.Pid) +
                            ": " + start.Command.Text,
                        TAnswer_Set::OK);
    return start.Process;
  }
  return {};
}

}  // namespace vorlix
