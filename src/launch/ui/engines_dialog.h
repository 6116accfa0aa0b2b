#pragma once
// "Engines...": the engines the user keeps, each a name, a program, a kind and extra arguments,
// with the MODs each one launches by default and whether its program is there. Every change is
// stored at once.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "core/result.h"
#include "launch/engine_profiles.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace vorlix {

// One engine's name, program, kind and arguments; OK keeps them only when `apply` takes them,
// else its reason stands under the fields and the form stays.
class TForm_Engine_Profile : public QDialog {
  Q_OBJECT
 public:
  using Apply = std::function<TResult<void>(const TEngine_Profile&)>;
  TForm_Engine_Profile(QWidget* parent, const TEngine_Profile& profile, Apply apply);

  TEngine_Profile Profile() const;
  // What OK does: true when the profile was taken (the form then closes).
  bool Try_Accept();

  QLineEdit* Edit_Name() const { return Edit_Name_; }
  QLineEdit* Edit_Program() const { return Edit_Program_; }
  QComboBox* Kind_Box() const { return Kind_Box_; }
  QLineEdit* Edit_Arguments() const { return Edit_Arguments_; }
  QLabel* Label_Refusal() const { return Label_Refusal_; }

 private:
  Apply Apply_;
  QLineEdit* Edit_Name_ = nullptr;
  QLineEdit* Edit_Program_ = nullptr;
  QComboBox* Kind_Box_ = nullptr;
  QLineEdit* Edit_Arguments_ = nullptr;
  QLabel* Label_Refusal_ = nullptr;
};

class TForm_Engines : public QDialog {
  Q_OBJECT
 public:
  explicit TForm_Engines(QWidget* parent = nullptr);

  // The stored engines, for the installation in `game_dir` and its MODs.
  void Load(const std::string& game_dir, const std::vector<std::string>& mods);
  const TEngine_Profiles& Profiles() const { return Profiles_; }

  // The commands of the buttons, on the selected row where they need one.
  void Add_Click();
  void Edit_Click();
  void Remove_Click();
  void Default_Click();
  void Found_Click();

  QTableWidget* Table() const { return Table_; }
  QLabel* Label_Status() const { return Label_Status_; }

 private:
  void Refresh();
  // Keeps the changed profiles; the failure is told under the table and the stored ones reloaded.
  void Store(TEngine_Profiles changed, const std::string& done);
  const TEngine_Profile* Selected() const;

  std::string Game_Dir_;
  std::vector<std::string> MODs_;
  TEngine_Profiles Profiles_;
  QTableWidget* Table_ = nullptr;
  QLabel* Label_Status_ = nullptr;
  QPushButton* Button_Edit_ = nullptr;
  QPushButton* Button_Remove_ = nullptr;
  QPushButton* Button_Default_ = nullptr;
};

}  // namespace vorlix
