#include "app/ui/gui_interaction.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "app/ui/splash_window.h"
#include "core/paths.h"

namespace vorlix::ui {

namespace {

class TGui_Notice : public TNotice {
 public:
  explicit TGui_Notice(std::unique_ptr<QWidget> window) : Window_(std::move(window)) {
    Window_->show();
    Window_->raise();
    Paint_Now(Window_.get());
  }
  ~TGui_Notice() override { Window_->hide(); }

 private:
  std::unique_ptr<QWidget> Window_;
};

std::string To_Bytes(const QString& text) {
  return QFile::encodeName(text).toStdString();
}

}  // namespace

TGui_Interaction::TGui_Interaction(TForm_Splash_Screen* splash) : Splash_(splash) {
  Last_Paint_.start();
}

QString TGui_Interaction::Display_Text(const std::string& text) {
  QString shown = QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QChar('\r'), QChar('\n'));
  return shown;
}

QWidget* TGui_Interaction::Parent_Window() const {
  return (Owner_ != nullptr && Owner_->isVisible()) ? Owner_.data() : nullptr;
}

TAnswer TGui_Interaction::Message(TMessage_Kind kind, const std::string& text,
                                  TAnswer_Set buttons) {
  QMessageBox::Icon icon = QMessageBox::Critical;
  QString caption = QStringLiteral("Error");
  switch (kind) {
    case TMessage_Kind::Error:
      break;
    case TMessage_Kind::Information:
      icon = QMessageBox::Information;
      caption = QStringLiteral("Information");
      break;
    case TMessage_Kind::Confirmation:
      icon = QMessageBox::Question;
      caption = QStringLiteral("Confirm");
      break;
    case TMessage_Kind::Warning:
      icon = QMessageBox::Warning;
      caption = QStringLiteral("Warning");
      break;
  }
  QMessageBox box(icon, caption, Display_Text(text), QMessageBox::NoButton, Parent_Window());
  switch (buttons) {
    case TAnswer_Set::OK:
      box.setStandardButtons(QMessageBox::Ok);
      box.setDefaultButton(QMessageBox::Ok);
      box.setEscapeButton(QMessageBox::Ok);
      break;
    case TAnswer_Set::Cancel:
      box.setStandardButtons(QMessageBox::Cancel);
      box.setDefaultButton(QMessageBox::Cancel);
      box.setEscapeButton(QMessageBox::Cancel);
      break;
    case TAnswer_Set::Yes_No:
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      box.setEscapeButton(QMessageBox::No);
      break;
  }
  box.exec();
  switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Ok:
      return TAnswer::OK;
    case QMessageBox::Cancel:
      return TAnswer::Cancel;
    case QMessageBox::Yes:
      return TAnswer::Yes;
    case QMessageBox::No:
      return TAnswer::No;
    default:
      return Default_Answer(buttons);
  }
}

void TGui_Interaction::Status_Line(int line, const std::string& text) {
  if (Splash_ != nullptr) {
    Splash_->Set_Status_Line(line, Display_Text(text));
  }
}

std::unique_ptr<TNotice> TGui_Interaction::Notice(const std::string& caption,
                                                  const std::string& text) {
  return std::make_unique<TGui_Notice>(Make_Wait_Window(Display_Text(caption), Display_Text(text)));
}

std::optional<std::string> TGui_Interaction::Choose_File(const TFile_Request& request) {
  const QString start =
      QFile::decodeName(platform::Join(request.Initial_Dir, request.Initial_Name).c_str());
  const QString title = Display_Text(request.Title);
  const QString filter = Display_Text(request.Filter);
  const QString chosen = request.Save
                             ? QFileDialog::getSaveFileName(Parent_Window(), title, start, filter)
                             : QFileDialog::getOpenFileName(Parent_Window(), title, start, filter);
  if (chosen.isEmpty()) {
    return std::nullopt;
  }
  return To_Bytes(chosen);
}

std::optional<std::vector<int>> TGui_Interaction::Select_Items(const TSelection_Request& request) {
  // Forwarding point: the selection dialogs are connected by the program entry.
  if (Select_Items_Handler) {
    return Select_Items_Handler(request);
  }
  return std::nullopt;
}

std::optional<std::string> TGui_Interaction::Specify_Arena_Name(
    const std::string& directory_name, const std::optional<std::string>& preset) {
  // Forwarding point: the arena-name dialog is connected by the program entry.
  if (Specify_Arena_Name_Handler) {
    return Specify_Arena_Name_Handler(directory_name, preset);
  }
  return std::nullopt;
}

void TGui_Interaction::Keep_Painted() {
  if (Last_Paint_.elapsed() < 100) {
    return;
  }
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  Last_Paint_.restart();
}

}  // namespace vorlix::ui
