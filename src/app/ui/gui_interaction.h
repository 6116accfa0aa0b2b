#pragma once
// The window program's way of talking to the user: Qt message boxes, the splash window's status
// lines, notice windows and file dialogs.

#include <functional>

#include <QElapsedTimer>
#include <QPointer>
#include <QWidget>

#include "app/ui/splash_window.h"
#include "core/interaction.h"

namespace vorlix::ui {

class TGui_Interaction : public TInteraction {
 public:
  explicit TGui_Interaction(TForm_Splash_Screen* splash = nullptr);

  // The splash window whose status lines Status_Line writes.
  void Set_Splash_Screen(TForm_Splash_Screen* splash) { Splash_ = splash; }
  // The window message boxes and dialogs belong to while it is visible (the main window).
  void Set_Owner(QWidget* owner) { Owner_ = owner; }

  TAnswer Message(TMessage_Kind kind, const std::string& text, TAnswer_Set buttons) override;
  void Status_Line(int line, const std::string& text) override;
  std::unique_ptr<TNotice> Notice(const std::string& caption, const std::string& text) override;
  std::optional<std::string> Choose_File(const TFile_Request& request) override;
  std::optional<std::vector<int>> Select_Items(const TSelection_Request& request) override;
  std::optional<std::string> Specify_Arena_Name(const std::string& directory_name,
                                                const std::optional<std::string>& preset) override;
  void Keep_Painted() override;
  int Choose(const TChoice_Request& request) override;
  std::unique_ptr<TNotice> Cancellable_Notice(const std::string& caption,
                                              const std::string& text) override;

  // ---- Forwarding points for the selection and naming dialogs -----------------------------
  // The MOD / arena-file selection dialogs and the arena-name dialog live with the dialogs
  // (src/dialogs/ui); the program entry connects them here. Until connected, both answer as if
  // the user had pressed Cancel.
  std::function<std::optional<std::vector<int>>(const TSelection_Request&)> Select_Items_Handler;
  std::function<std::optional<std::string>(const std::string&, const std::optional<std::string>&)>
      Specify_Arena_Name_Handler;

  // The texts of the program as Qt shows them ("\r\n" becomes one line break).
  static QString Display_Text(const std::string& text);

 private:
  QWidget* Parent_Window() const;

  QPointer<TForm_Splash_Screen> Splash_;
  QPointer<QWidget> Owner_;
  QElapsedTimer Last_Paint_;
};

}  // namespace vorlix::ui
