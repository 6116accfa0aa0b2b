#pragma once
// The map properties dialog: pages "General" and "Arena" over the widget-free model
// TMap_Properties_Model, in the modes map, group and launch. Created once and reused; every
// opening loads fresh data into the model and shows it.

#include <array>

#include <QCheckBox>
#include <QDialog>
#include <QTimer>

#include "launch/engine_profiles.h"
#include "properties/map_properties_model.h"
#include "properties/ui/bot_sound.h"

class QButtonGroup;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QKeyEvent;
class QListWidgetItem;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolButton;
class QTreeWidget;

namespace vorlix {

class TContent_Page;

// A check box that leaves its state to the dialog: a click asks the model, whose state it then
// shows (greyed, the mixed state of group properties, is never chosen by a click).
class TGrey_Check_Box : public QCheckBox {
  Q_OBJECT
 public:
  using QCheckBox::QCheckBox;

 protected:
  void nextCheckState() override;
};

class TForm_Map_Properties : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_Map_Properties(QWidget* parent = nullptr);
  ~TForm_Map_Properties() override;

  TMap_Properties_Model& Model() { return Model_; }
  // The engine the launch starts (launch mode): the one chosen, with the words added to it.
  TEngine_Choice Chosen_Engine() const { return Engines_.Choice(); }
  const TEngine_Selection& Engines() const { return Engines_; }

  // Loads one map or merges a group.
  void Load_Map(const TProperties_Context& context, TMap_Record* map);
  void Load_Group(const TProperties_Context& context, const std::vector<TMap_Record*>& maps);
  // Puts the dialog into a mode (after loading).
  void Set_Map_Mode();
  void Set_Group_Mode();
  void Set_Launch_Mode();

  // Shows the dialog modally; the result of its buttons.
  TDialog_Result Run();
  TDialog_Result Result_Of_Run() const { return Result_; }
  // Ends the dialog with a result (the pk3 rename ends it with Retry, the deletion with OK).
  void End_With(TDialog_Result result);

  // Takes the widgets' current texts into the model (the memo, edits not yet left).
  void Commit_Edits();
  // The collection check has ended (or was dropped): the page "Content" shows it (at once while
  // the dialog is shown, else at the next load).
  void Set_Collection(std::shared_ptr<const TCollection_Check> check);

  // The widgets, named as in the form (tests and other windows reach them by these names too).
  QPushButton* Button_Rename_PK3() const { return Button_Rename_PK3_; }
  QPushButton* Button_Delete_PK3() const { return Button_Delete_PK3_; }
  QPushButton* Button_OK() const { return Button_OK_; }
  QPushButton* Button_Cancel() const { return Button_Cancel_; }
  QPushButton* Button_Launch_Q3A() const { return Button_Launch_Q3A_; }
  QPushButton* Button_Launch_Q3A_And_Exit() const { return Button_Launch_Q3A_And_Exit_; }
  QPushButton* Button_Use_Arena_Settings() const { return Button_Use_Arena_Settings_; }
  QLabel* Image_Botshot() const { return Image_Botshot_; }
  QListWidget* CheckListBox_Assigned_Bots() const { return CheckListBox_Assigned_Bots_; }
  QListWidget* CheckListBox_Useable_MODs() const { return CheckListBox_Useable_MODs_; }
  QTimer& Botshot_Delay_Timer() { return Botshot_Delay_Timer_; }
  // The announcer file last handed to the sound player ("" when none).
  const std::string& Last_Bot_Sound() const { return Last_Bot_Sound_; }

 signals:
  // "Rename PK3" and "Delete PK3": the archive commands decide, and end the dialog with
  // End_With when the archive was renamed or deleted.
  void Rename_PK3_Requested();
  void Delete_PK3_Requested();
  // A bot's icon was shown (empty path: the black square).
  void Botshot_Shown(const QString& icon_path);

 protected:
  void showEvent(QShowEvent* event) override;
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Fixes the size (the largest of every page and mode) and centres the dialog, once.
  void Place_Once();
  // The placed size grown by what the launch's warnings and offer take under the pages.
  void Fit_Warnings();
  // The edit and spin buttons of one numeric field (the index into Numeric_Fields).
  struct TSpin_Widgets {
    QLineEdit* Edit = nullptr;
    QWidget* UpDown = nullptr;
  };
  TNumeric_Field& Numeric(int index) {
    return Model_.*Numeric_Fields.at(static_cast<std::size_t>(index)).Field;
  }

  // The form, from small builders.
  void Build();
  QWidget* Build_General_Page();
  QWidget* Build_Arena_Page();
  void Build_Header(QGridLayout* grid);
  int Build_File_Labels(QGridLayout* grid, int row);
  int Build_Comment(QGridLayout* grid, int row);
  QLayout* Build_Numerics_Row(TDialog_Page page);
  QGroupBox* Build_Limits();
  int Build_MOD_Lists(QGridLayout* grid, int row);
  QWidget* Build_Game_Types();
  QWidget* Build_Bots_Area();
  QGroupBox* Build_Skill();
  QGroupBox* Build_Game_Facts();
  QLayout* Build_Buttons();
  QWidget* Make_Spin(int index);

  void Refresh_All();
  void Refresh_Numerics();
  void Refresh_Check_Boxes();
  void Refresh_Check_List(QListWidget* list, const TCheck_List& model);
  void Refresh_Mode();
  // What the engine will do with the launch's choices, under the pages (launch mode only).
  void Refresh_Launch_Warnings();
  void Refresh_Skill();
  void Refresh_Radios();
  void Refresh_Game_Facts();
  // The page "Content": the map's files along its own search path, or in launch mode along the
  // path of the MOD chosen.
  void Refresh_Content();

  // TEvent handlers, named after the control and the event.
  void Memo_CommentChange();
  void Edit_NumericChange(int index, const QString& text);
  void Edit_NumericExit(int index);
  void UpDown_NumericClick(int index, int delta);
  void CheckBox_Allow_Include_In_Arena_FileClick();
  void CheckBox_Game_TypeClick(int index);
  void RadioButton_Game_TypeClick(int index);
  void RadioGroup_Bot_SkillClick(int index);
  void ListBox_MOD_To_UseClick(int row);
  void CheckListBox_Useable_MODsClickCheck(QListWidgetItem* item);
  void CheckListBox_Assigned_BotsClickCheck(QListWidgetItem* item);
  void CheckListBox_Assigned_BotsClick(int row);
  void CheckListBox_Assigned_BotsKeyDown(const QKeyEvent& key);
  void CheckListBox_Assigned_BotsKeyUp(const QKeyEvent& key);
  void Timer_Botshot_DelayTimer();
  void Button_Use_Arena_SettingsClick();

  void Show_Botshot(const std::string& icon);
  void Stop_Sound();
  void Play_Sound(const std::string& path);

  TMap_Properties_Model Model_;
  TDialog_Result Result_ = TDialog_Result::Cancel;
  bool Placed_ = false;  // size and place are fixed at the first show, for the program's run
  QSize Placed_Size_;    // without warnings
  bool Updating_ = false;

  QTabWidget* Pages_ = nullptr;
  QWidget* Page_General_ = nullptr;
  QWidget* Page_Arena_ = nullptr;
  TContent_Page* Page_Content_ = nullptr;
  QLabel* Label_Map_Longname_ = nullptr;
  QLabel* Label_PK3_Filename_ = nullptr;
  QLabel* Label_MOD_Directory_ = nullptr;
  QLabel* Label_MAP_Filename_ = nullptr;
  QLabel* Label_MAP_Filesize_ = nullptr;
  QLabel* Label_MAP_Filedate_ = nullptr;
  QLabel* Label_Played_ = nullptr;
  QLabel* Label_Last_Load_ = nullptr;
  QPushButton* Button_Rename_PK3_ = nullptr;
  QPushButton* Button_Delete_PK3_ = nullptr;
  QPlainTextEdit* Memo_Comment_ = nullptr;
  std::array<TSpin_Widgets, Numeric_Count> Spins_{};
  TGrey_Check_Box* CheckBox_Allow_Include_In_Arena_File_ = nullptr;
  QLabel* Label_Useable_MODs_ = nullptr;
  QListWidget* CheckListBox_Useable_MODs_ = nullptr;
  QLabel* Label_MOD_To_Use_ = nullptr;
  QLabel* Label_Launch_Warnings_ = nullptr;
  QWidget* Panel_Engine_ = nullptr;  // the engine's caption and choice
  QLabel* Label_Engine_ = nullptr;
  QComboBox* ComboBox_Engine_ = nullptr;
  QPushButton* Button_Add_Hunk_ = nullptr;
  TEngine_Selection Engines_;
  QListWidget* ListBox_MOD_To_Use_ = nullptr;

  QGroupBox* GroupBox_Game_Type_ = nullptr;
  std::array<TGrey_Check_Box*, Game_Type_Count> CheckBox_Game_Type_{};
  QGroupBox* GroupBox_Radio_Game_Type_ = nullptr;
  std::array<QRadioButton*, Game_Type_Count> RadioButton_Game_Type_{};
  QButtonGroup* Radio_Game_Type_Group_ = nullptr;
  QGroupBox* GroupBox_Bots_ = nullptr;
  QListWidget* CheckListBox_Assigned_Bots_ = nullptr;
  QLabel* Image_Botshot_ = nullptr;
  QGroupBox* RadioGroup_Bot_Skill_ = nullptr;
  QButtonGroup* Skill_Group_ = nullptr;
  QLabel* Panel_No_AAS_ = nullptr;
  QGroupBox* GroupBox_Game_Facts_ = nullptr;
  QLabel* Label_Loaded_From_ = nullptr;
  QLabel* Label_Override_Note_ = nullptr;
  QLabel* Label_Read_Now_ = nullptr;
  QLabel* Label_Arena_Script_ = nullptr;
  QTreeWidget* TreeWidget_Arena_Keys_ = nullptr;
  QPushButton* Button_Use_Arena_Settings_ = nullptr;

  QPushButton* Button_OK_ = nullptr;
  QPushButton* Button_Cancel_ = nullptr;
  QPushButton* Button_Launch_Q3A_ = nullptr;
  QPushButton* Button_Launch_Q3A_And_Exit_ = nullptr;

  QTimer Botshot_Delay_Timer_;
  ui::TBot_Sound MediaPlayer_Bot_Sound_;
  std::string Last_Bot_Sound_;
};

}  // namespace vorlix
