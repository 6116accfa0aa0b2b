#pragma once
// "Host Server...": the dialog that turns a group of the maps tree into a dedicated server's map
// rotation (MOD, game type, limits, bots, host name, port, clients, password, server program),
// listing the rotation and the maps left out with their reasons, and the run of the command.

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "launch/engine_profiles.h"
#include "launch/server_rotation.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QSpinBox;

namespace vorlix {

class THistory_Keeper;

class TExec_File;
class TGame_Index;
class TInteraction;
class TMap_Record;
class TMap_Game_Facts;
class TMaps_Tree_Node;

class TForm_Host_Server : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_Host_Server(QWidget* parent = nullptr);

  // Fresh data for one showing: the group's maps, the MOD list's names and the stored server
  // program. The MODs offered are those some map of the group is usable with.
  void Load(const std::vector<TMap_Record*>& maps, const std::vector<std::string>& mods,
            const std::string& server_exe);
  // What the game's own files say of a group's maps (made by the composition), so that a map whose
  // arena block names the game type is made for it here as in the search; without it the records
  // alone count.
  using Game_Facts_Source =
      std::function<std::shared_ptr<const TMap_Game_Facts>(const std::vector<const TMap_Record*>&)>;
  void Set_Game_Facts_Source(Game_Facts_Source source) { Game_Source_ = std::move(source); }
  // The game index of the installation and its game directory, for what the engine will do with
  // the server's choices (told under the lists); without them nothing is told.
  using Game_Index_Source = std::function<std::shared_ptr<const TGame_Index>()>;
  void Set_Installation(std::string game_dir, Game_Index_Source index) {
    Game_Dir_ = std::move(game_dir);
    Index_Source_ = std::move(index);
  }
  TServer_Settings Settings() const;
  const std::vector<std::string>& Rotation() const { return Rotation_.Maps; }
  // The program the server runs: the chosen engine profile's, else the one typed.
  std::string Server_Exe() const;
  // The words the server's command line starts with: the profile's and those added to this start.
  std::vector<std::string> Engine_Words() const { return Engines_.Choice().Words; }
  // Whether an engine profile was chosen (the typed program is then neither used nor stored).
  bool Profile_Chosen() const { return Engines_.Chosen_Profile() != nullptr; }
  QComboBox* Engine_Box() const { return Engine_Box_; }
  QPushButton* Button_Add_Hunk() const { return Button_Add_Hunk_; }

  QComboBox* MOD_Box() const { return MOD_Box_; }
  QComboBox* Type_Box() const { return Type_Box_; }
  QListWidget* Rotation_List() const { return Rotation_List_; }
  QListWidget* Left_Out_List() const { return Left_Out_List_; }
  QPushButton* Button_OK() const { return Button_OK_; }
  QLabel* Label_Warnings() const { return Label_Warnings_; }
  QLineEdit* Edit_Host_Name() const { return Edit_Host_Name_; }
  QSpinBox* Spin_Port() const { return Spin_Port_; }

 private:
  // A MOD chosen: its default settings, then the rotation.
  void MOD_BoxChange();
  // A game type chosen: the rotation and the maps left out for the MOD and game type.
  void Type_BoxChange();
  // What the engine will do with the choices, under the lists.
  void Refresh_Warnings();

  std::vector<TMap_Record*> Maps_;
  Game_Facts_Source Game_Source_;
  std::string Game_Dir_;
  Game_Index_Source Index_Source_;
  std::shared_ptr<const TMap_Game_Facts> Game_Facts_;  // for Maps_
  TServer_Rotation Rotation_;
  QComboBox* MOD_Box_ = nullptr;
  QLabel* Label_Warnings_ = nullptr;
  QComboBox* Type_Box_ = nullptr;
  QSpinBox* Spin_Frags_ = nullptr;
  QSpinBox* Spin_Time_ = nullptr;
  QSpinBox* Spin_Captures_ = nullptr;
  QSpinBox* Spin_Bots_ = nullptr;
  QComboBox* Skill_Box_ = nullptr;
  QLineEdit* Edit_Host_Name_ = nullptr;
  QSpinBox* Spin_Port_ = nullptr;
  QSpinBox* Spin_Max_Clients_ = nullptr;
  QLineEdit* Edit_Password_ = nullptr;
  QLineEdit* Edit_Server_Exe_ = nullptr;
  QComboBox* Engine_Box_ = nullptr;
  QPushButton* Button_Add_Hunk_ = nullptr;
  TEngine_Selection Engines_;
  QListWidget* Rotation_List_ = nullptr;
  QListWidget* Left_Out_List_ = nullptr;
  QPushButton* Button_OK_ = nullptr;
};

// Shows the dialog for the group. On OK the configuration is written and the server started,
// and then the server program stored when it was changed; refused settings and a server that
// cannot be started (its program not found, its configuration not written) bring the dialog back
// with the user's values. The started server (Pid 0 when none was started). With a `history`
// the server's console is kept in a log of its data folder and read for each map of the rotation
// as the server plays it (Collect_Launch_Outcomes).
TServer_Process Host_Server_For_Group(TForm_Host_Server& dialog, const TMaps_Tree_Node& group,
                                      const std::vector<std::string>& mods,
                                      const std::string& game_dir, TExec_File& exec_file,
                                      TInteraction& interaction,
                                      THistory_Keeper* history = nullptr);

}  // namespace vorlix
