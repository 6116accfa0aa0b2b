#pragma once
// The three small modal dialogs of the arena-file commands: choosing MOD directories, naming a
// new arena file, choosing existing arena files. Each is created once and reused; the caller fills
// the list and texts before showing it. Their own logic is only when the confirm button is
// available and when the dialog closes.

#include <QDialog>

#include <optional>
#include <string>
#include <vector>

#include "core/interaction.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QShowEvent;

namespace vorlix {

// "Select MOD...": OK becomes available only after a click in the list (or a selection change the
// user makes there) since the dialog was shown; Enter and double-click confirm only then.
class TForm_Select_MOD : public QDialog {
  Q_OBJECT

 public:
  explicit TForm_Select_MOD(QWidget* parent = nullptr);

  QLabel* Label_Desc;
  QLabel* Label2;
  QListWidget* ListBox_MODs;
  QPushButton* Button_Confirm;
  QPushButton* Button_Cancel;
  bool Selection_Made = false;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // A click in the list, or a selection change the user makes there.
  void ListBox_MODsClick();
  // The confirm button, and a double-click in the list.
  void Button_ConfirmClick();
};

// "Arena File": OK is available exactly when the name was changed since the dialog was shown and
// is not empty.
class TForm_Arena_File_Specify_Name : public QDialog {
  Q_OBJECT

 public:
  explicit TForm_Arena_File_Specify_Name(QWidget* parent = nullptr);

  QLabel* Label1;
  QLabel* Label_Directory_Name;
  QLineEdit* Edit_Name;
  QPushButton* Button_OK;
  QPushButton* Button_Cancel;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void Edit_NameChange(const QString& text);
};

// The arena-file selection ("Dialog"): the confirm button (caption set by the caller) becomes
// available after a click in the list; a double-click confirms at once.
class TForm_Arena_File_Selection : public QDialog {
  Q_OBJECT

 public:
  explicit TForm_Arena_File_Selection(QWidget* parent = nullptr);

  QLabel* Label_Desc;
  QLabel* Label2;
  QListWidget* ListBox_Arena_Files;
  QPushButton* Button_Confirm;
  QPushButton* Button_Cancel;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // A click in the list, or a selection change the user makes there.
  void ListBox_Arena_FilesClick();
};

// ---- Running them for the logic's requests ------------------------------------------------------

// Fills the dialog from the request, shows it modally and returns the selected rows in list order;
// nullopt when it is not confirmed. A request whose only item is the answer shows no dialog.
std::optional<std::vector<int>> Run_Select_MOD(TForm_Select_MOD& dialog,
                                               const TSelection_Request& request);
std::optional<std::vector<int>> Run_Arena_File_Selection(TForm_Arena_File_Selection& dialog,
                                                         const TSelection_Request& request);
// The dialog the request names.
std::optional<std::vector<int>> Run_Selection(TForm_Select_MOD& mod_dialog,
                                              TForm_Arena_File_Selection& arena_dialog,
                                              const TSelection_Request& request);
// Shows the name dialog for a MOD directory; a preset replaces the name kept from the last use.
// Returns the typed name, nullopt when it is not confirmed.
std::optional<std::string> Run_Specify_Arena_Name(TForm_Arena_File_Specify_Name& dialog,
                                                  const std::string& directory_name,
                                                  const std::optional<std::string>& preset);

}  // namespace vorlix
