#pragma once
// The About dialog: the program's logo, name and version, a credit line and the project's web
// and e-mail links.

#include <QDialog>
#include <QPixmap>

class QLabel;
class QPushButton;

namespace vorlix {

class TEmail_Link_Label;
class THttp_Link_Label;

// The project's addresses shown in the dialog.
inline constexpr const char* Vorlix_Web_Address = "https://vorlix.example.org";
inline constexpr const char* Vorlix_Mail_Address = "vorlix@example.org";

class TForm_Info_Dialog : public QDialog {
  Q_OBJECT

 public:
  explicit TForm_Info_Dialog(QWidget* parent = nullptr);

  QLabel* Image_Logo_Vorlix;
  QLabel* Label1;
  QLabel* Label2;
  QLabel* Label3;
  QLabel* Label4;
  THttp_Link_Label* Label_Web;
  QLabel* Label6;
  TEmail_Link_Label* Label_Email;
  QPushButton* Button_OK;

  // The logo, drawn by the program itself (256 x 185).
  static QPixmap Vorlix_Logo();
};

}  // namespace vorlix
